#pragma once
// The command catalogue: every command the main window (and the command-line
// tool) can run, configured once with its kind, the files it takes, its
// display and list updates, its file condition, its start and error texts,
// its destination rule and the handlers that do its work.
//
// The catalogue knows nothing of windows. What only the desktop can do (show
// the RIFF report window, make the preview let go of a file, tell whether the
// scene editor is open) goes through a TCatalogueHost; the command-line tool
// implements it with plain text. Programs are started and files trashed
// through the shell of ShellIntegration.h (DefaultShell), so tests put their
// own shell in place and nothing real is started.
//
// Typical use:
//   TdmAction dm(host);
//   tAbstractCmd* cmd = dm.ForAction("ccCreerSrt");
//   engine.ExecuteCommand(*cmd, {});
// and, from the engine's start- and end-of-file events, dm.StartFichier and
// dm.EndFichier (they carry the display shift of each file across the run).

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>

#include "commands/Cmd.h"
#include "framework/Settings.h"

namespace tavrel {

class TCommandEngine;
class TaviFichier;

// What the catalogue asks of the program around it. The engine calls every
// operation on the user's thread.
class TCatalogueHost {
  public:
    virtual ~TCatalogueHost();
    // The preview stops and lets go of the file before its header or dates
    // are changed.
    virtual void ReleaseFile(const QString& path);
    // Shows the RIFF header report of a file (a window on the desktop, plain
    // text on a terminal); false when it could not be made.
    virtual bool ShowRiffReport(const QString& path) = 0;
    // Closes the report window after a failure.
    virtual void CloseRiffReport() {}
    // The main window's flag that lets the fast commands and the renames run
    // without their per-file confirmation.
    virtual bool SkipScnQuestion() const { return false; }
    // An export does nothing while the scene editor is open.
    virtual bool SceneEditorOpen() const { return false; }
};

// The categories of the commands.
inline constexpr const char* kCategoryConversion = "Conversion";
inline constexpr const char* kCategoryRename = "Rename";
inline constexpr const char* kCategoryScenes = "Scenes";

class TdmAction {
  public:
    // settings: what the handlers read (intervals, programs, name patterns,
    // output folders, overlay lines).
    explicit TdmAction(TCatalogueHost& host, TSettings& settings = TSettings::Global());
    ~TdmAction();
    TdmAction(const TdmAction&) = delete;
    TdmAction& operator=(const TdmAction&) = delete;

    // The command list.
    TcmdList& cl() { return m_cl; }
    const TcmdList& cl() const { return m_cl; }
    // A command by its name, ignoring case; null when there is none.
    tAbstractCmd* Find(const QString& name) const { return m_cl.Find(name); }
    // The command that a main-window action "cc" + name stands for.
    tAbstractCmd* ForAction(const QString& actionName) const { return m_cl.ForAction(actionName); }

    // The captions that depend on settings: "Ouvrir avec " + the name of the
    // F3 and F4 programs ("Ouvrir avec..." while none is set).
    void RefreshCaptions();

    // The display shift (days) of the file being processed. StartFichier
    // takes it from the file's record; DecalageHoraire replaces it; EndFichier
    // writes it, with its text, into the record the command left in the list.
    double DisplayShift() const { return m_displayShift.load(); }
    void SetDisplayShift(double days) { m_displayShift = days; }
    void StartFichier(TAbstractListFichier* fichier);
    void EndFichier(TAbstractListFichier* fichier);

    TCatalogueHost& Host() const { return m_host; }
    TSettings& Settings() const { return m_settings; }

    // A command of the catalogue by name and kind; throws std::logic_error
    // when the catalogue has no such command of that kind.
    template <class TCommand>
    TCommand& Command(const char* name) const {
        auto* command = dynamic_cast<TCommand*>(Find(QLatin1String(name)));
        if (!command) MissingCommand(name);
        return *command;
    }

  private:
    void DeclareCommands();
    // The handlers, by concern (one file each).
    void AttachFileHandlers();
    void AttachHeaderHandlers();
    void AttachRenameHandlers();
    void AttachSceneHandlers();
    void AttachPipelineHandlers();
    [[noreturn]] static void MissingCommand(const char* name);

    TCatalogueHost& m_host;
    TSettings& m_settings;
    TcmdList m_cl;
    std::atomic<double> m_displayShift{0};
};

// --- Tests of a record used by the file conditions -------------------------

// The media record of an entry; null for an entry that is not one.
const TaviFichier* AsAvi(const TAbstractListFichier* fichier);
// DatecodeText is none of "N/A", "Erreur", "-" and Datecode is not 0.
bool HasDatecode(const TaviFichier& file);
// TimecodeText is none of "N/A", "Erreur", "-".
bool HasTimecode(const TaviFichier& file);
// The codec is "dvsd" (in any case).
bool IsDvsd(const TaviFichier& file);

// The text of a time shift: "%d jours %.2dh %.2dm %.2ds", or "%d heures"
// when only hours are left, from the shift rounded to whole seconds.
QString ShiftText(double days);

// Parses a decimal number as the main window writes it (the locale's
// separator) or as typed on a terminal (a point); false when it is none.
bool ParseDecimal(const QString& text, double& value);

// The FourCC of the codec parameter: 1 to 4 ASCII characters (surrounding
// blanks dropped), padded with spaces; false for anything else.
bool ParseFourCC(const QString& text, std::uint32_t& code);

// The question of DateFichier: the current creation and modification dates
// and the new one (the datecode plus the file's display shift); the form
// without the file name when it would be longer than 254 characters.
QString DateFichierQuestion(const TaviFichier& file);

// The question of the delete commands for a file name; the form without the
// name when the question would be longer than 254 characters.
QString DeleteQuestion(const QString& fileName);

}  // namespace tavrel
