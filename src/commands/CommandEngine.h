#pragma once
// The command engine: runs one command at a time over the entries of a file
// list, on a worker thread of its own.
//
// ExecuteCommand (on the user's thread) takes the files the command's Nombre
// selects and starts the worker; the worker then, for each file and pass,
// checks the file condition, asks for confirmation when the command wants it
// (Oui, Non, Annuler and, for two or more files, "Non à Tous", "Oui à Tous"),
// executes the pass, and updates the list. Everything the run does on the
// user's side goes through the TCommandUser (which also receives the
// engine's events) and waits for it; the list is touched only there.
//
// Interrupt stops the current file: a command that watches IsInterrupted
// (a pipeline run does) leaves it early and the run goes on with the next
// file; a command that does not watch it finishes its pass and the next file
// is skipped. InterruptAll ends the run after the current pass.
//
// Typical use:
//   TCommandEngine ce(user, factory);
//   ce.SetSourceList(&list); ce.SetDestList(&list);
//   ce.ExecuteCommand(cmd, {parameter});   // returns at once
//   ... events arrive on the user's thread; IsRunning() turns false at the end
// The command-line tool, whose user runs the steps in place, waits with
// WaitUntilIdle. The destructor interrupts a run in progress and waits for
// its end.

#include <QString>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "commands/AbstractFichierListBox.h"
#include "commands/Cmd.h"
#include "commands/CommandTypes.h"
#include "commands/CommandUser.h"
#include "commands/RecordFactory.h"

namespace tavrel {

enum class TExecuteResult {
    Started = 1,
    Busy,            // a run is in progress: the request is ignored
    NoList,          // the source or destination list is not set
    ConditionFalse,  // the command's CommandCondition said no
    NoFiles,         // nothing focused, selected or listed for the command
};

class TCommandEngine {
  public:
    // factory makes the records of produced, reloaded and renamed files (the
    // engine's FichierClass).
    TCommandEngine(TCommandUser& user, TRecordFactory& factory);
    ~TCommandEngine();
    TCommandEngine(const TCommandEngine&) = delete;
    TCommandEngine& operator=(const TCommandEngine&) = delete;

    void SetSourceList(TAbstractFichierListBox* list) { m_source = list; }
    void SetDestList(TAbstractFichierListBox* list) { m_dest = list; }
    TAbstractFichierListBox* SourceList() const { return m_source; }
    TAbstractFichierListBox* DestList() const { return m_dest; }
    void SetFichierClass(TRecordFactory& factory) { m_factory = &factory; }
    TRecordFactory& FichierClass() const { return *m_factory; }
    TCommandUser& User() const { return m_user; }

    // --- User's thread ---------------------------------------------------
    // Starts a run of cmd with a copy of params; returns at once.
    TExecuteResult ExecuteCommand(tAbstractCmd& cmd, const QStringList& params = {});
    // Stops the current file, then lets the command react (its Abort;
    // exceptions from it are ignored).
    void Interrupt();
    // Stops the current file and every file after it.
    void InterruptAll();
    // True from ExecuteCommand until the end event has been handled.
    bool IsRunning() const { return m_running.load(); }
    // Waits for the end of the run; false on time-out. On the thread of a
    // TQueuedCommandUser it processes events meanwhile, so that the run's
    // steps still reach that thread.
    bool WaitUntilIdle(int timeoutMs = -1);

    // --- Any thread --------------------------------------------------------
    // The interrupt flag, for long passes to watch.
    bool IsInterrupted() const;
    // Wakes the worker waiting for its pipeline (the pipeline's end).
    void SignalGraphComplete();

    // --- Worker: what passes call ----------------------------------------------
    // Runs step on the user's thread and waits; an exception it throws is
    // thrown again here.
    void OnUserThread(const std::function<void()>& step);
    void MessageCommand(const QString& message);
    void ErrorCommand(const QString& message, TErrorType type);
    void StartProgress(std::int32_t max);
    void SetProgress(std::int32_t position);
    void EndProgress();
    // Waits up to ms for the pipeline's end; true when it came.
    bool WaitGraphComplete(int ms);
    void ResetGraphComplete();

    // List updates after a pass.
    // Adds a record for the produced file at path; nothing when no file is
    // there.
    void AddDestination(const QString& path);
    // Deletes the current file and puts the record of path in its place;
    // nothing when no file is at path (or path is the current file itself).
    void ReplaceCurrent(const QString& path);
    // Moves the current file to path when it is still at its old name
    // (never over another file), then re-files its entry under path. When
    // the file is not at path afterwards, the entry stays as it was and an
    // error is reported.
    void RenameCurrent(const QString& path);
    // Reads the current file again into a new record, in the same place.
    void ReloadCurrent();
    // Takes the current file's entry out of the list.
    void RemoveCurrent();

    // --- State of the run (read it from handlers and events) ---------------
    const std::vector<std::pair<QString, TFichierPtr>>& Files() const { return m_files; }
    const QStringList& Params() const { return m_params; }
    TAbstractListFichier* CurrentFile() const { return m_current.get(); }
    TFichierPtr CurrentFilePtr() const { return m_current; }
    std::int32_t Passe() const { return m_passe; }
    TAnswer Answer() const { return m_answer; }
    std::int32_t FileCount() const { return m_fileCount; }
    tAbstractCmd* RunningCommand() const { return m_cmd.load(); }
    QString LastMessage() const { return m_lastMessage; }
    QString LastError() const { return m_lastError; }
    TErrorType LastErrorType() const { return m_errorType; }
    std::int32_t ProgressMax() const { return m_progressMax; }
    std::int32_t ProgressPosition() const { return m_progressPosition; }

    // The buttons of a confirmation in this run: three for one file or none,
    // five for two or more.
    TConfirmButtons Buttons() const;
    // Whether the current pass has seen the interrupt flag set.
    bool InterruptSeen() const { return m_interruptSeen.load(); }

  private:
    void Run();
    void RunPasses(tAbstractCmd& cmd);
    void DoStartCommand(tAbstractCmd& cmd);
    void DoVerify(tAbstractCmd& cmd);
    void DoStartFichier(tAbstractCmd& cmd);
    void DoEndFichier();
    void DoEndCommand(tAbstractCmd& cmd);
    void ExecutePass(tAbstractCmd& cmd);
    void AbortRunning();

    TCommandUser& m_user;
    TRecordFactory* m_factory;
    TAbstractFichierListBox* m_source = nullptr;
    TAbstractFichierListBox* m_dest = nullptr;

    std::vector<std::pair<QString, TFichierPtr>> m_files;
    QStringList m_params;
    TFichierPtr m_current;
    std::int32_t m_passe = 0;
    TAnswer m_answer = TAnswer::Oui;
    std::int32_t m_fileCount = 0;
    QString m_lastMessage;
    QString m_lastError;
    TErrorType m_errorType = etNoError;
    std::int32_t m_progressMax = 0;
    std::int32_t m_progressPosition = 0;

    std::atomic<tAbstractCmd*> m_cmd{nullptr};
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_interrupt{false};
    std::atomic<bool> m_stop{false};
    mutable std::atomic<bool> m_interruptSeen{false};

    std::thread m_worker;
    std::mutex m_idleMutex;
    std::condition_variable m_idle;

    // The auto-reset event of the pipeline's end.
    std::mutex m_graphMutex;
    std::condition_variable m_graphCv;
    bool m_graphSignalled = false;
};

// Sends a file to the trash; true when it went there.
bool RecycleFile(const QString& path);

// Whether a main-window action standing for cmd is visible and enabled,
// starting from the action's own state: the command condition when the
// command has one, then the file condition of the active file (fnSingle), of
// the selected entries (fnSelect) or of all entries (fnAll): enabled when one
// of them is.
void CommandAvailability(tAbstractCmd& cmd, TCommandEngine& ce, const TAbstractFichierListBox& list,
                         TAbstractListFichier* active, bool& visible, bool& enabled);

}  // namespace tavrel
