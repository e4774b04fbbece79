#pragma once
// The script window: an editor of scripts, their files, and the macro
// recorder. While a macro is recorded every change the user makes to a
// typed action becomes one line of the script (Recorder.h), written before
// the script's closing "end.". The script engine component it is given
// (OxScript.h) is what scripts reach the actions through.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

#include "framework/ScriptEngine.h"

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QToolButton;

namespace tavrel {

class TCheckAction;
class TNopeAction;
class TOxActionList;

class TScriptForm : public QWidget {
  public:
    // A window of its own, kept above parent and destroyed with it.
    explicit TScriptForm(QWidget* parent = nullptr);
    // A recording still running stops: its lines had nowhere to go.
    ~TScriptForm() override;

    TScriptEngine* ScriptEngine() const { return m_engine; }
    void SetScriptEngine(TScriptEngine* engine) { m_engine = engine; }

    QPlainTextEdit* Editor() const { return m_editor; }
    QString ScriptText() const;
    void SetScriptText(const QString& text);
    // The file the script was last read from or written to; empty for a
    // new script.
    QString FileName() const { return m_fileName; }

    // Where the open and save dialogs start; a folder the user chose in
    // one of them is told to OnInitialFolderChanged.
    QString InitialFolder() const { return m_initialFolder; }
    void SetInitialFolder(const QString& folder) { m_initialFolder = folder; }
    void SetOnInitialFolderChanged(std::function<void(const QString&)> handler) {
        m_onFolderChanged = std::move(handler);
    }
    // Whether the script is kept from one run of the program to the next;
    // the box of the window shows it, and a click on it is told to
    // OnKeepScriptChanged.
    bool KeepScript() const;
    void SetKeepScript(bool keep);
    void SetOnKeepScriptChanged(std::function<void(bool)> handler) {
        m_onKeepChanged = std::move(handler);
    }

    // The help button and the help menu item run action; the page button
    // (which closes the window) runs pageAction.
    void BindHelpAction(QAction* action);
    void BindPageAction(QAction* pageAction);
    QToolButton* HelpButton() const { return m_helpButton; }
    QToolButton* PageButton() const { return m_pageButton; }
    QMenu* HelpMenu() const { return m_helpMenu; }

    // The macro recorder. Checking the action starts a recording, unchecking
    // it stops it; the action itself is never recorded.
    TCheckAction* MacroAction() const { return m_macroAction; }
    TOxActionList* Actions() const { return m_actions; }
    bool IsRecording() const { return m_recording; }
    void StartRecording();
    void StopRecording();
    // Where a recorded line goes: before the last "end." of the script, or
    // at its end when it has none.
    void AddRecordedLine(const QString& line);

    // Script files, as UTF-8 text with CR LF line ends. A failure leaves the
    // editor as it was and tells why, in French.
    bool LoadScript(const QString& fileName, QString* error = nullptr);
    bool SaveScript(const QString& fileName, QString* error = nullptr);

    static QString CaptionFor(const QString& title) {
        return QStringLiteral("Script pour ") + title;
    }

    // Told when the user closes the window (not when code hides it).
    void SetOnClose(std::function<void()> handler) { m_onClose = std::move(handler); }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildActions();
    void BuildWindow();
    // The user's commands of the window, with their dialogs.
    void NewScript();
    void OpenScript();
    bool SaveScriptAs();
    bool SaveCurrent();
    // Asks what to do with unsaved changes; false when the user cancels.
    bool ConfirmDiscard();
    void FolderChosen(const QString& fileName);
    void ShowStatus();

    QPointer<TScriptEngine> m_engine;
    TOxActionList* m_actions = nullptr;
    TCheckAction* m_macroAction = nullptr;
    TNopeAction* m_newAction = nullptr;
    TNopeAction* m_openAction = nullptr;
    TNopeAction* m_saveAction = nullptr;
    TNopeAction* m_saveAsAction = nullptr;
    QPlainTextEdit* m_editor = nullptr;
    QCheckBox* m_keepBox = nullptr;
    QToolButton* m_helpButton = nullptr;
    QToolButton* m_pageButton = nullptr;
    QMenu* m_helpMenu = nullptr;
    QLabel* m_status = nullptr;
    QString m_fileName;
    QString m_initialFolder;
    std::function<void(const QString&)> m_onFolderChanged;
    std::function<void(bool)> m_onKeepChanged;
    std::function<void()> m_onClose;
    bool m_recording = false;
};

}  // namespace tavrel
