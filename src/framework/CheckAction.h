#pragma once
// A typed action whose value is its checked state ("caMute"): executing it
// toggles the state, and each state has its own caption, hint and image and
// its own apply handlers. Setting the state applies it every time, also when
// it does not change.

#include <functional>

#include "framework/AbstractAction.h"

namespace tavrel {

class TCheckAction : public TCustomAbstractAction {
  public:
    using TPrepareNopeEvent = std::function<bool()>;
    using TPrepareBooleanEvent = std::function<bool(bool&)>;
    using TApplyNopeEvent = std::function<void()>;

    struct TEvents {
        TPrepareNopeEvent OnPrepare;
        TPrepareBooleanEvent OnDefault;
        TPrepareBooleanEvent BeforeSave;
        TApplyNopeEvent OnBeforeTrueApply;
        TApplyNopeEvent OnAfterTrueApply;
        TApplyNopeEvent OnBeforeFalseApply;
        TApplyNopeEvent OnAfterFalseApply;
    };
    struct TInternalHandlers {
        TPrepareNopeEvent Prepare;
        TPrepareBooleanEvent Default;
        TPrepareBooleanEvent BeforeSave;
        TApplyNopeEvent TrueApply;
        TApplyNopeEvent FalseApply;
    };

    explicit TCheckAction(QObject* parent = nullptr);
    TCheckAction(const QString& internalId, QObject* parent);

    TEvents& Events() { return m_events; }
    TInternalHandlers& Internal() { return m_internal; }

    bool Checked() const { return isChecked(); }
    // Sets the state, records the change when a macro is being recorded,
    // and applies the state.
    void SetChecked(bool checked);
    bool DefaultValue() const { return m_default; }
    // Also puts the action in that state, without applying it.
    void SetDefaultValue(bool value);

    // Shown in each state; an empty text or a negative image leaves what is
    // shown as it is.
    QString TrueCaption() const { return m_trueCaption; }
    void SetTrueCaption(const QString& caption);
    QString FalseCaption() const { return m_falseCaption; }
    void SetFalseCaption(const QString& caption);
    QString TrueHint() const { return m_trueHint; }
    void SetTrueHint(const QString& hint);
    QString FalseHint() const { return m_falseHint; }
    void SetFalseHint(const QString& hint);
    int TrueImageIndex() const { return m_trueImageIndex; }
    void SetTrueImageIndex(int index);
    int FalseImageIndex() const { return m_falseImageIndex; }
    void SetFalseImageIndex(int index);

    bool RegisterInScript(TScriptEngine& engine) override;
    void ExecuteWithPrepare() override;
    QString ScriptDeclaration() override;
    QString SwitchSyntax() override;
    void ApplyText(const QString& text) override;
    void Apply() override;
    bool LoadFromPrefs(TOmbrixPreferences& gp) override;
    bool SaveToPrefs(TOmbrixPreferences& gp) override;
    QString RecordedLine() const override;

  protected:
    void ClearInternalHandlers() override { m_internal = TInternalHandlers{}; }
    void OnTriggered(bool checked) override;

  private:
    // Sets the state without applying and shows its caption, hint, image.
    void SetState(bool checked);
    void ShowState();

    TEvents m_events;
    TInternalHandlers m_internal;
    bool m_default = false;
    QString m_trueCaption;
    QString m_falseCaption;
    QString m_trueHint;
    QString m_falseHint;
    int m_trueImageIndex = -1;
    int m_falseImageIndex = -1;
};

}  // namespace tavrel
