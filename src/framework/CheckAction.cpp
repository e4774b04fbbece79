#include "framework/CheckAction.h"

#include <QSignalBlocker>

#include "framework/OmbrixPreferences.h"
#include "framework/ScriptEngine.h"
#include "framework/TextForms.h"

namespace tavrel {

TCheckAction::TCheckAction(QObject* parent) : TCustomAbstractAction(parent) {
    setCheckable(true);
}

TCheckAction::TCheckAction(const QString& internalId, QObject* parent)
    : TCustomAbstractAction(internalId, parent) {
    setCheckable(true);
}

void TCheckAction::OnTriggered(bool checked) {
    // Qt toggles a checkable action before it reports the trigger; the
    // state is this action's own business, so the toggle is undone (menus
    // are told, signals are not) and the prepare handlers decide.
    {
        const QSignalBlocker blocker(this);
        setChecked(!checked);
    }
    ExecuteWithPrepare();
}

void TCheckAction::SetState(bool checked) {
    setChecked(checked);
    ShowState();
}

void TCheckAction::ShowState() {
    const bool on = isChecked();
    const QString& caption = on ? m_trueCaption : m_falseCaption;
    const QString& hint = on ? m_trueHint : m_falseHint;
    const int image = on ? m_trueImageIndex : m_falseImageIndex;
    if (!caption.isEmpty()) setText(caption);
    if (!hint.isEmpty()) SetHint(hint);
    if (image >= 0) SetImageIndex(image);
}

void TCheckAction::SetChecked(bool checked) {
    setChecked(checked);
    TRecordScope record([this] { return RecordedLine(); });
    Apply();
}

void TCheckAction::SetDefaultValue(bool value) {
    m_default = value;
    SetState(value);
}

void TCheckAction::SetTrueCaption(const QString& caption) {
    m_trueCaption = caption;
    if (isChecked()) ShowState();
}

void TCheckAction::SetFalseCaption(const QString& caption) {
    m_falseCaption = caption;
    if (!isChecked()) ShowState();
}

void TCheckAction::SetTrueHint(const QString& hint) {
    m_trueHint = hint;
    if (isChecked()) ShowState();
}

void TCheckAction::SetFalseHint(const QString& hint) {
    m_falseHint = hint;
    if (!isChecked()) ShowState();
}

void TCheckAction::SetTrueImageIndex(int index) {
    m_trueImageIndex = index;
    if (isChecked()) ShowState();
}

void TCheckAction::SetFalseImageIndex(int index) {
    m_falseImageIndex = index;
    if (!isChecked()) ShowState();
}

bool TCheckAction::RegisterInScript(TScriptEngine& engine) {
    QPointer<TCheckAction> guard(this);
    const QString v = VariablesOr(QStringLiteral("fisTrue"));
    const bool set =
        engine.RegisterProcedure(QStringLiteral("procedure set") + ScriptName() +
                                     QStringLiteral("(const ") + v + QStringLiteral(":Boolean);"),
                                 [guard](const QVariantList& args) {
                                     if (guard)
                                         guard->SetChecked(!args.isEmpty() && args[0].toBool());
                                 });
    const bool toggle =
        engine.RegisterProcedure(QStringLiteral("procedure ") + ScriptName() + QLatin1Char(';'),
                                 [guard](const QVariantList&) {
                                     if (guard) guard->SetChecked(!guard->Checked());
                                 });
    return set && toggle;
}

void TCheckAction::ExecuteWithPrepare() {
    if (m_events.OnPrepare && !m_events.OnPrepare()) return;
    if (m_internal.Prepare && !m_internal.Prepare()) return;
    SetChecked(!isChecked());
}

QString TCheckAction::ScriptDeclaration() {
    return QStringLiteral("procedure set") + ScriptName() + QStringLiteral("(const ") +
           VariablesOr(QStringLiteral("fisTrue")) + QStringLiteral(":Boolean);\nprocedure ") +
           ScriptName() + QLatin1Char(';');
}

QString TCheckAction::SwitchSyntax() {
    return QLatin1Char('/') + Switch() + QStringLiteral(" +") + Switch() + QStringLiteral(" -") +
           Switch();
}

void TCheckAction::ApplyText(const QString& text) {
    SetChecked(BooleanFromText(text));
}

void TCheckAction::Apply() {
    if (isChecked()) {
        if (m_events.OnBeforeTrueApply) m_events.OnBeforeTrueApply();
        if (m_internal.TrueApply) m_internal.TrueApply();
        if (m_events.OnAfterTrueApply) m_events.OnAfterTrueApply();
    } else {
        if (m_events.OnBeforeFalseApply) m_events.OnBeforeFalseApply();
        if (m_internal.FalseApply) m_internal.FalseApply();
        if (m_events.OnAfterFalseApply) m_events.OnAfterFalseApply();
    }
    ShowState();
}

bool TCheckAction::LoadFromPrefs(TOmbrixPreferences& gp) {
    try {
        if (m_events.OnDefault) m_events.OnDefault(m_default);
        if (m_internal.Default) m_internal.Default(m_default);
        SetState(ScriptName().isEmpty() ? m_default : gp.ReadBool(ScriptName(), m_default));
        if (ApplyWhenLoad()) Apply();
        return true;
    } catch (...) {
        return false;
    }
}

bool TCheckAction::SaveToPrefs(TOmbrixPreferences& gp) {
    try {
        bool value = isChecked();
        if (m_events.BeforeSave) m_events.BeforeSave(value);
        if (m_internal.BeforeSave) m_internal.BeforeSave(value);
        if (ScriptName().isEmpty()) return true;
        return gp.WriteBool(ScriptName(), value);
    } catch (...) {
        return false;
    }
}

QString TCheckAction::RecordedLine() const {
    // Stopping a recording, and opening the script window itself, are not
    // part of the macro.
    if (ScriptName().isEmpty() || ScriptName() == QLatin1String("Script") ||
        InternalId() == QLatin1String("naStopMacro"))
        return QString();
    return Blanks() + QStringLiteral("set") + ScriptName() + QLatin1Char('(') +
           (isChecked() ? QStringLiteral("True") : QStringLiteral("False")) + QStringLiteral(");");
}

}  // namespace tavrel
