#pragma once
// The switch component: turns the program's command-line parameters into
// changes of typed actions, once, at the first activation of the program.
//
//   +name        check the check action entered under name
//   -name        uncheck it
//   /name        toggle it
//   /name=value  hand value to the action (ApplyText)
//   /quit        close the main window after the other entries have run
//   other        a plain value, for the default action
//
// Names are compared without regard to case. A name that matches nothing
// goes to the default action, or is ignored when there is none.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "framework/AbstractAction.h"

namespace tavrel {

class TCustomOxActionList;

enum class TSwitchMode : int { Set = 0, Clear = 1, Toggle = 2, Plain = 3 };

// One parsed command-line entry.
struct TActionEx {
    QPointer<TCustomAbstractAction> Action;
    QString Value;
    TSwitchMode Mode = TSwitchMode::Plain;
};

using TSuperList = std::vector<TActionEx>;

class TOxSwitch : public QObject {
  public:
    // Takes over the application's activation when a GUI application runs.
    explicit TOxSwitch(QObject* owner = nullptr);

    // Every typed action of the list, under its Switch name (empty names
    // are entered too; they never match), in registration order.
    void EnterList(TCustomOxActionList& list);
    // Every entry whose action belongs to the list.
    void RemoveList(TCustomOxActionList& list);

    TCustomAbstractAction* DefaultAction() const { return m_defaultAction; }
    void SetDefaultAction(TCustomAbstractAction* action) { m_defaultAction = action; }
    void SetOnActivate(std::function<void()> handler) { m_onActivate = std::move(handler); }
    void SetOnNoCommandLine(std::function<void()> handler) {
        m_onNoCommandLine = std::move(handler);
    }
    // Closes the main window when the command line asked to quit; without
    // one every top-level window is asked to close.
    void SetOnQuit(std::function<void()> handler) { m_onQuit = std::move(handler); }
    bool Executing() const { return m_executing; }
    bool QuitRequested() const { return m_quit; }
    // Index of the entry being run, -1 outside a run.
    int RunningIndex() const { return m_runningIndex; }

    // The parameters read at the first activation; by default the
    // program's arguments without the program itself.
    QStringList Arguments() const;
    void SetArguments(const QStringList& arguments) {
        m_arguments = arguments;
        m_argumentsSet = true;
    }

    // The first call: OnActivate, parse the arguments, run the entries (or
    // OnNoCommandLine when there are none), clear them. Later calls only
    // run OnActivate.
    void Activate();
    // The switch name's action, the first entered under it; none for an
    // unknown name.
    TCustomAbstractAction* Lookup(const QString& name) const;
    // Appends the entries of the parameters, in order.
    void Parse(const QStringList& parameters);
    void RunEntries();
    const TSuperList& Entries() const { return m_entries; }
    void ClearEntries() { m_entries.clear(); }

  private:
    struct TName {
        QString Name;
        QPointer<TCustomAbstractAction> Action;
        const TCustomOxActionList* List = nullptr;  // only compared, never followed
    };
    void Quit();

    std::vector<TName> m_names;
    TSuperList m_entries;
    QPointer<TCustomAbstractAction> m_defaultAction;
    std::function<void()> m_onActivate;
    std::function<void()> m_onNoCommandLine;
    std::function<void()> m_onQuit;
    QStringList m_arguments;
    bool m_argumentsSet = false;
    bool m_quit = false;
    bool m_executing = false;
    bool m_activated = false;
    int m_runningIndex = -1;
};

}  // namespace tavrel
