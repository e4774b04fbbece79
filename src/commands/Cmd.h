#pragma once
// The commands a run of the engine carries out. A command is an object
// configured by fields and handlers: which files it takes (Nombre), how many
// passes, its conditions, its confirmation, its start and error texts, its
// destination, its work and what becomes of the list afterwards. The kinds
// below differ in how they confirm, execute and update the list:
//
// - tCustomCmd_np: fires its handlers; no start or error text; an exception
//   from OnExecution ends the run.
// - TFastCmd_np: start text, OnExecution, then remove or reload the entry;
//   an exception is reported with the error text and the run goes on.
// - TCmd_np: produces a file at Destination (from OnDestination, computed
//   on the user's thread before the pass) and asks before overwriting it.
// - TGraphCmd_np: its builder makes a pipeline that the engine runs to the
//   end with progress.
// - TRenameCmd_np: asks "Voulez-vous renommer ... ?", then re-files the entry
//   under its new name.
//
// Adding a command means configuring one of these with handlers; the engine
// has no other path. Handlers that run on the user's thread: the conditions,
// verifications and confirmations, and OnDestination of TCmd_np and
// TGraphCmd_np. On the worker: OnExecution, OnBuildGraph and OnDestination of
// TRenameCmd_np.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "commands/CommandTypes.h"
#include "commands/PipelineRun.h"

namespace tavrel {

class TCommandEngine;

// fichier is null in the passes of a command without files; passe counts
// from 1.
using TAbortEvent = std::function<void(TCommandEngine& ce)>;
using TCommandConditionEvent = std::function<bool(TCommandEngine& ce)>;
using TFileConditionEvent =
    std::function<void(TAbstractListFichier* fichier, bool& visible, bool& enabled)>;
using TCommandConfirmationEvent = std::function<bool(TCommandEngine& ce)>;
using TExecutionEvent = std::function<void(TAbstractListFichier* fichier, const QStringList& params,
                                           TCommandEngine& ce, int passe)>;
using TFileVerificationEvent = std::function<bool(
    TAbstractListFichier* fichier, const QStringList& params, TCommandEngine& ce, int passe)>;
// The question to ask.
using TFileConfirmationEvent = std::function<QString(
    TAbstractListFichier* fichier, const QStringList& params, TCommandEngine& ce, int passe)>;
using TDestExecutionEvent =
    std::function<void(TAbstractListFichier* fichier, const QString& destination,
                       const QStringList& params, TCommandEngine& ce, int passe)>;
// The full path of the file this pass produces.
using TDestinationEvent =
    std::function<QString(TAbstractListFichier* fichier, const QStringList& params, int passe)>;
// The pipeline of this file and pass; null when there is nothing to run.
using TBuildGraphEvent = std::function<std::shared_ptr<TPipelineRun>(
    TAbstractListFichier* fichier, const QString& destination, const QStringList& params,
    int passe)>;
using TDestFileVerificationEvent =
    std::function<bool(const QString& destination, TAbstractListFichier* fichier,
                       const QStringList& params, TCommandEngine& ce, int passe)>;

// The base of every command: its fields, its four common handlers and the
// seven operations the engine calls.
class tAbstractCmd {
  public:
    virtual ~tAbstractCmd();

    QString Name;  // the catalogue's name ("ConvertirDV1"), found by "cc" + Name
    QString Category;
    QString Caption;
    bool ShowProgress = false;  // informative; the engine does not read it
    // Passes beyond the first: 0 gives one pass, n gives passes 1 to n. Read
    // again after every pass, so pass 1 may raise it.
    std::int32_t NbPasses = 0;
    TcmdNombre Nombre = fnNone;
    TUpdateDisplay UpdateDisplay = udNone;

    TAbortEvent OnAbort;
    TCommandConditionEvent OnCommandCondition;
    TFileConditionEvent OnFileCondition;
    TCommandConfirmationEvent OnCommandConFirmation;

    // The engine of the run in progress or of the last run.
    TCommandEngine* Engine = nullptr;

    // Processes one file for one pass (worker).
    virtual void ExecuteFichier(TAbstractListFichier* fichier, const QStringList& params,
                                TCommandEngine& ce, int passe) = 0;
    // Reacts to an interrupt (user's thread).
    virtual void Abort(TCommandEngine& ce) = 0;
    // True when this pass needs no confirmation.
    virtual bool FileVerification(TAbstractListFichier* fichier, const QStringList& params,
                                  TCommandEngine& ce, int passe) = 0;
    // Asks the user.
    virtual TAnswer FileConfirmation(TAbstractListFichier* fichier, const QStringList& params,
                                     TCommandEngine& ce, int passe) = 0;
    // Whether the command may run at all.
    virtual bool CommandCondition(TCommandEngine& ce) = 0;
    // OnCommandConFirmation, true without it; the engine does not call it.
    virtual bool CommandConfirmation(TCommandEngine& ce) = 0;
    // Whether a file is shown and offered to the command; also the test of
    // the files a run takes.
    virtual void FileCondition(TAbstractListFichier* fichier, bool& visible, bool& enabled) = 0;
};

class tCustomCmd_np : public tAbstractCmd {
  public:
    TExecutionEvent OnExecution;
    TFileVerificationEvent OnFileVerification;
    TFileConfirmationEvent OnFileConFirmation;

    void ExecuteFichier(TAbstractListFichier* fichier, const QStringList& params,
                        TCommandEngine& ce, int passe) override;
    void Abort(TCommandEngine& ce) override;
    bool FileVerification(TAbstractListFichier* fichier, const QStringList& params,
                          TCommandEngine& ce, int passe) override;
    // Without OnFileConFirmation: "Oui à Tous" at once, no dialog. Otherwise
    // the handler's question, with the to-all note when the run has two or
    // more files.
    TAnswer FileConfirmation(TAbstractListFichier* fichier, const QStringList& params,
                             TCommandEngine& ce, int passe) override;
    bool CommandCondition(TCommandEngine& ce) override;
    bool CommandConfirmation(TCommandEngine& ce) override;
    void FileCondition(TAbstractListFichier* fichier, bool& visible, bool& enabled) override;
};

class TFastCmd_np : public tCustomCmd_np {
  public:
    QString StartMessage;  // FormatCommandText(file name, pass); may be empty
    QString ErrorMessage;  // FormatCommandText(full path, pass); may be empty
    TUpdateFile UpdateFile = ufNone;

    void ExecuteFichier(TAbstractListFichier* fichier, const QStringList& params,
                        TCommandEngine& ce, int passe) override;

  protected:
    void ReportStart(TAbstractListFichier* fichier, TCommandEngine& ce, int passe) const;
    void ReportError(TAbstractListFichier* fichier, TCommandEngine& ce, int passe) const;
    // The list update of UpdateFile after a pass that produced destination.
    // emptyToo lets add, replace and rename act on an empty destination;
    // afterInterrupt keeps the source in place (no remove, replace or rename).
    void UpdateList(TCommandEngine& ce, const QString& destination, bool emptyToo,
                    bool afterInterrupt) const;
};

class TCmd_np : public TFastCmd_np {
  public:
    // The work of a pass, with the destination computed before it.
    TDestExecutionEvent OnExecution;
    TDestinationEvent OnDestination;
    // The last path computed by OnDestination.
    QString Destination;

    void ExecuteFichier(TAbstractListFichier* fichier, const QStringList& params,
                        TCommandEngine& ce, int passe) override;
    // With OnDestination: computes Destination and is true exactly when no
    // file is there. Without it: true, Destination kept.
    bool FileVerification(TAbstractListFichier* fichier, const QStringList& params,
                          TCommandEngine& ce, int passe) override;
    // "Voulez-vous écraser le fichier existant <Destination> ?"
    TAnswer FileConfirmation(TAbstractListFichier* fichier, const QStringList& params,
                             TCommandEngine& ce, int passe) override;
};

class TGraphCmd_np : public TCmd_np {
  public:
    TBuildGraphEvent OnBuildGraph;
    // The stretch to process, in 100-ns units: its length (0: the pipeline's
    // own duration, for this pass only) and its start. A builder may set them
    // for its pass; the engine never resets them.
    std::int64_t DureeHns = 0;
    std::int64_t DebutHns = 0;

    // Builds the pipeline, runs it to its end with progress every 200 ms,
    // stops it and updates the list.
    void ExecuteFichier(TAbstractListFichier* fichier, const QStringList& params,
                        TCommandEngine& ce, int passe) override;

    // The pipeline of the pass being run; null between passes.
    std::shared_ptr<TPipelineRun> CurrentPipeline() const;

  private:
    void SetCurrentPipeline(std::shared_ptr<TPipelineRun> pipeline);

    mutable std::mutex m_pipelineMutex;
    std::shared_ptr<TPipelineRun> m_pipeline;
};

class TRenameCmd_np : public TCmd_np {
  public:
    TDestFileVerificationEvent OnFileVerification;

    // Start text, Destination computed again, OnExecution (which moves the
    // file), then the entry is re-filed under Destination.
    void ExecuteFichier(TAbstractListFichier* fichier, const QStringList& params,
                        TCommandEngine& ce, int passe) override;
    // OnFileVerification(Destination, ...), true without it; Destination is
    // computed first, so the handler sees this file's new name.
    bool FileVerification(TAbstractListFichier* fichier, const QStringList& params,
                          TCommandEngine& ce, int passe) override;
    // "Voulez-vous renommer <file name> en <Destination> ?"
    TAnswer FileConfirmation(TAbstractListFichier* fichier, const QStringList& params,
                             TCommandEngine& ce, int passe) override;
};

// The command list: owns the commands, finds them by name without regard to
// case.
class TcmdList {
  public:
    template <class TCommand>
    TCommand& Add(const QString& name) {
        auto command = std::make_unique<TCommand>();
        command->Name = name;
        TCommand& result = *command;
        m_commands.push_back(std::move(command));
        return result;
    }

    tAbstractCmd* Find(const QString& name) const;
    // The command that a main-window action "cc" + name stands for; null for
    // any other action name.
    tAbstractCmd* ForAction(const QString& actionName) const;

    const std::vector<std::unique_ptr<tAbstractCmd>>& Commands() const { return m_commands; }

  private:
    std::vector<std::unique_ptr<tAbstractCmd>> m_commands;
};

}  // namespace tavrel
