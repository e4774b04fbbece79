#pragma once
// Typed actions: every operation a user can start and every setting the
// program keeps is a Qt action (caption, hint, shortcuts, checked, enabled,
// visible, category) that also carries one value of a fixed kind, a
// settings key and script name (ScriptName) and a command-line switch name.
// Menus, buttons, shortcuts, dialogs, the command line and scripts all reach
// the same action, so an operation behaves the same however it is started.
//
// Around every change of the value run two layers of handlers: the events
// set by the window that holds the action, then the internal handlers set in
// code by a component that owns it. Triggering the action (menu, button,
// shortcut) runs ExecuteWithPrepare.

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

#include "framework/Recorder.h"

namespace tavrel {

class TCustomOxActionList;
class TOmbrixPreferences;
class TScriptEngine;

// Told, with the list's images and the new index, when the image of an
// action that belongs to a list changes.
using TImageChangedEvent = std::function<void(const QList<QIcon>& images, int imageIndex)>;

class TCustomAbstractAction : public QAction {
  public:
    explicit TCustomAbstractAction(QObject* parent = nullptr);
    // An action its owning component creates in code: found by internalId,
    // in the category "internal".
    TCustomAbstractAction(const QString& internalId, QObject* parent);
    ~TCustomAbstractAction() override;

    QString InternalId() const { return m_internalId; }
    void SetInternalId(const QString& id) { m_internalId = id; }
    // Script procedure, recorded line and settings key.
    QString ScriptName() const { return m_scriptName; }
    void SetScriptName(const QString& name) { m_scriptName = name; }
    QString Switch() const { return m_switch; }
    void SetSwitch(const QString& name) { m_switch = name; }
    // Parameter names of the script declaration and the switch syntax.
    QString Variables() const { return m_variables; }
    void SetVariables(const QString& variables) { m_variables = variables; }
    QStringList Comments() const { return m_comments; }
    void SetComments(const QStringList& comments) { m_comments = comments; }
    bool ApplyWhenLoad() const { return m_applyWhenLoad; }
    void SetApplyWhenLoad(bool apply) { m_applyWhenLoad = apply; }
    // Whether the action takes part in its list's loading and saving.
    bool IncludePrefs() const { return m_includePrefs; }
    void SetIncludePrefs(bool include) { m_includePrefs = include; }
    void SetOnImageChanged(TImageChangedEvent handler) { m_onImageChanged = std::move(handler); }

    // The toolkit's properties under the names the program uses.
    QString Name() const { return objectName(); }
    void SetName(const QString& name) { setObjectName(name); }
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    // The hint is both the tool tip and the status-bar text.
    QString Hint() const { return statusTip(); }
    void SetHint(const QString& hint);
    QString Category() const { return m_category; }
    void SetCategory(const QString& category) { m_category = category; }
    QKeySequence ShortCut() const { return m_shortCut; }
    void SetShortCut(const QKeySequence& shortCut);
    QList<QKeySequence> SecondaryShortcuts() const { return m_secondaryShortcuts; }
    void SetSecondaryShortcuts(const QList<QKeySequence>& shortcuts);
    // Index into the list's images, -1 for none.
    int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int index);
    TCustomOxActionList* ActionList() const { return m_list; }

    // Registers with the engine the procedure that changes the action.
    virtual bool RegisterInScript(TScriptEngine& engine) = 0;
    // What a menu item, button or shortcut of the action runs.
    virtual void ExecuteWithPrepare() = 0;
    virtual QString ScriptDeclaration() = 0;
    virtual QString SwitchSyntax() = 0;
    // Clears the category, the script name, the shortcuts and the internal
    // handlers, for a component that takes the action over.
    virtual void ResetDesign();
    // A value given as text (command line, scripts).
    virtual void ApplyText(const QString& text) = 0;
    // Runs the apply handlers with the current value.
    virtual void Apply() = 0;
    virtual bool LoadFromPrefs(TOmbrixPreferences& gp) = 0;
    virtual bool SaveToPrefs(TOmbrixPreferences& gp) = 0;
    // The script line a recording adds for the current value, starting with
    // four blanks; empty when nothing is recorded.
    virtual QString RecordedLine() const = 0;

    // Told, in French, when a handler fails while the action is triggered
    // from the user interface; without one the failure is only logged.
    void SetOnError(std::function<void(const QString&)> handler) { m_onError = std::move(handler); }

  protected:
    // The parameter names, filled with the kind's default the first time
    // they are asked for while empty.
    QString VariablesOr(const QString& kindDefault);
    virtual void ClearInternalHandlers() = 0;
    // Qt's triggered signal; runs ExecuteWithPrepare.
    virtual void OnTriggered(bool checked);
    static QString Blanks() { return QStringLiteral("    "); }

  private:
    friend class TCustomOxActionList;
    void UpdateShortcuts();
    void SetActionList(TCustomOxActionList* list);

    QString m_internalId;
    QString m_scriptName;
    QString m_switch;
    QString m_variables;
    QStringList m_comments;
    bool m_applyWhenLoad = false;
    bool m_includePrefs = true;
    TImageChangedEvent m_onImageChanged;
    QString m_category;
    QKeySequence m_shortCut;
    QList<QKeySequence> m_secondaryShortcuts;
    int m_imageIndex = -1;
    TCustomOxActionList* m_list = nullptr;  // cleared by the list when it goes
    std::function<void(const QString&)> m_onError;
};

// The root of the value kinds (and of the valueless TNopeAction).
class TAbstractAction : public TCustomAbstractAction {
  public:
    using TCustomAbstractAction::TCustomAbstractAction;
};

// An action that carries a value of type T, with its default, its events
// and its internal handlers.
template <typename T>
class TValueAction : public TAbstractAction {
  public:
    using TPrepareEvent = std::function<bool(T&)>;
    using TApplyEvent = std::function<void(const T&)>;

    // Set by the window that holds the action.
    struct TEvents {
        TPrepareEvent OnPrepare;   // builds the value when the action is executed
        TPrepareEvent OnDefault;   // may change the default before loading
        TPrepareEvent BeforeSave;  // may change the value before saving
        TApplyEvent OnBeforeApply;
        TApplyEvent OnAfterApply;
    };
    // Set in code by the component that owns the action; each runs after
    // the event of the same role.
    struct TInternalHandlers {
        TPrepareEvent Prepare;
        TPrepareEvent Default;
        TPrepareEvent BeforeSave;
        TApplyEvent Apply;
    };

    using TAbstractAction::TAbstractAction;

    const T& Value() const { return m_value; }
    // Stores the value, records the change when a macro is being recorded,
    // and applies it.
    virtual void SetValue(const T& value) {
        m_value = value;
        TRecordScope record([this] { return RecordedLine(); });
        Apply();
    }
    const T& DefaultValue() const { return m_default; }
    void SetDefaultValue(const T& value) { m_default = value; }

    TEvents& Events() { return m_events; }
    TInternalHandlers& Internal() { return m_internal; }

    void Apply() override {
        if (m_events.OnBeforeApply) m_events.OnBeforeApply(m_value);
        if (m_internal.Apply) m_internal.Apply(m_value);
        if (m_events.OnAfterApply) m_events.OnAfterApply(m_value);
    }

    // Without a prepare handler there is nothing to set: the action does
    // nothing. Otherwise a fresh value goes through both handlers, and is
    // set when every present one agrees.
    void ExecuteWithPrepare() override {
        if (!m_events.OnPrepare && !m_internal.Prepare) return;
        T fresh = T{};
        if (m_events.OnPrepare && !m_events.OnPrepare(fresh)) return;
        if (m_internal.Prepare && !m_internal.Prepare(fresh)) return;
        SetValue(fresh);
    }

    bool LoadFromPrefs(TOmbrixPreferences& gp) override {
        try {
            if (m_events.OnDefault) m_events.OnDefault(m_default);
            if (m_internal.Default) m_internal.Default(m_default);
            // Without a key there is nothing to read: several such actions
            // would otherwise share the value of the empty name.
            m_value = ScriptName().isEmpty() ? m_default : ReadValue(gp, ScriptName(), m_default);
            if (ApplyWhenLoad()) Apply();
            return true;
        } catch (...) {
            return false;
        }
    }

    bool SaveToPrefs(TOmbrixPreferences& gp) override {
        try {
            if (m_events.BeforeSave) m_events.BeforeSave(m_value);
            if (m_internal.BeforeSave) m_internal.BeforeSave(m_value);
            if (ScriptName().isEmpty()) return true;
            return WriteValue(gp, ScriptName(), m_value);
        } catch (...) {
            return false;
        }
    }

  protected:
    virtual T ReadValue(TOmbrixPreferences& gp, const QString& key, const T& defaultValue) = 0;
    virtual bool WriteValue(TOmbrixPreferences& gp, const QString& key, const T& value) = 0;
    void ClearInternalHandlers() override { m_internal = TInternalHandlers{}; }

    T m_value{};
    T m_default{};
    TEvents m_events;
    TInternalHandlers m_internal;
};

}  // namespace tavrel
