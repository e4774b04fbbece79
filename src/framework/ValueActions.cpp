#include "framework/ValueActions.h"

#include "framework/OmbrixPreferences.h"
#include "framework/ScriptEngine.h"
#include "framework/TextForms.h"

namespace tavrel {

namespace {

QString BoolText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

// A procedure that outlives its action does nothing.
template <typename A, typename F>
TScriptEngine::TProcedure Guarded(A* action, F body) {
    QPointer<A> guard(action);
    return [guard, body](const QVariantList& args) {
        if (guard) body(guard.data(), args);
    };
}

QString Arg(const QVariantList& args, int i) {
    return i < args.size() ? args[i].toString() : QString();
}
int IntArg(const QVariantList& args, int i) {
    return i < args.size() ? args[i].toInt() : 0;
}
bool BoolArg(const QVariantList& args, int i) {
    return i < args.size() && args[i].toBool();
}

}  // namespace

// ---- TNopeAction

bool TNopeAction::RegisterInScript(TScriptEngine& engine) {
    if (ScriptName().isEmpty()) return false;
    return engine.RegisterProcedure(
        ScriptDeclaration(),
        Guarded(this, [](TNopeAction* a, const QVariantList&) { a->Apply(); }));
}

void TNopeAction::ExecuteWithPrepare() {
    if (m_events.OnPrepare && !m_events.OnPrepare()) return;
    if (m_internal.Prepare && !m_internal.Prepare()) return;
    Apply();
}

QString TNopeAction::ScriptDeclaration() {
    return QStringLiteral("procedure ") + ScriptName() + QLatin1Char(';');
}

QString TNopeAction::SwitchSyntax() {
    return QLatin1Char('/') + Switch();
}

void TNopeAction::ApplyText(const QString&) {
    Apply();
}

void TNopeAction::Apply() {
    TRecordScope record([this] { return RecordedLine(); });
    if (m_events.OnBeforeApply) m_events.OnBeforeApply();
    if (m_internal.Apply) m_internal.Apply();
    if (m_events.OnAfterApply) m_events.OnAfterApply();
}

bool TNopeAction::LoadFromPrefs(TOmbrixPreferences&) {
    try {
        if (ApplyWhenLoad()) Apply();
        return true;
    } catch (...) {
        return false;
    }
}

bool TNopeAction::SaveToPrefs(TOmbrixPreferences&) {
    try {
        if (m_events.BeforeSave) m_events.BeforeSave();
        if (m_internal.BeforeSave) m_internal.BeforeSave();
        return true;
    } catch (...) {
        return false;
    }
}

QString TNopeAction::RecordedLine() const {
    if (ScriptName().isEmpty()) return QString();
    return Blanks() + ScriptName() + QLatin1Char(';');
}

// ---- TWidestringAction

bool TWidestringAction::RegisterInScript(TScriptEngine& engine) {
    return engine.RegisterProcedure(
        ScriptDeclaration(), Guarded(this, [](TWidestringAction* a, const QVariantList& args) {
            a->SetValue(Arg(args, 0));
        }));
}

QString TWidestringAction::ScriptDeclaration() {
    return QStringLiteral("procedure ") + ScriptName() + QStringLiteral("(const ") +
           VariablesOr(QStringLiteral("aWidestring")) + QStringLiteral(":widestring);");
}

QString TWidestringAction::SwitchSyntax() {
    return QLatin1Char('/') + Switch() + QLatin1Char('=') +
           VariablesOr(QStringLiteral("aWidestring"));
}

void TWidestringAction::ApplyText(const QString& text) {
    SetValue(text);
}

QString TWidestringAction::RecordedLine() const {
    if (ScriptName().isEmpty()) return QString();
    return Blanks() + ScriptName() + QLatin1Char('(') + PascalStringLiteral(m_value) +
           QStringLiteral(");");
}

QString TWidestringAction::ReadValue(TOmbrixPreferences& gp, const QString& key,
                                     const QString& def) {
    return gp.ReadString(key, def);
}

bool TWidestringAction::WriteValue(TOmbrixPreferences& gp, const QString& key,
                                   const QString& value) {
    return gp.WriteString(key, value);
}

// ---- TWStringsAction

bool TWStringsAction::RegisterInScript(TScriptEngine& engine) {
    return engine.RegisterProcedure(ScriptDeclaration(),
                                    Guarded(this, [](TWStringsAction* a, const QVariantList& args) {
                                        QStringList list;
                                        const QVariant first = args.value(0);
                                        if (first.canConvert<QStringList>())
                                            list = first.toStringList();
                                        a->SetValue(list);
                                    }));
}

QString TWStringsAction::ScriptDeclaration() {
    return QStringLiteral("procedure ") + ScriptName() +
           QStringLiteral("(ws:array of widestring);");
}

QString TWStringsAction::SwitchSyntax() {
    return QLatin1Char('/') + Switch() + QLatin1Char('=') +
           VariablesOr(QStringLiteral("aWStrings"));
}

void TWStringsAction::ApplyText(const QString& text) {
    SetValue(ListFromText(text));
}

QString TWStringsAction::RecordedLine() const {
    if (ScriptName().isEmpty()) return QString();
    QStringList items;
    for (const QString& item : m_value) items << PascalStringLiteral(item);
    return Blanks() + ScriptName() + QStringLiteral("([") + items.join(QStringLiteral(", ")) +
           QStringLiteral("]);");
}

QStringList TWStringsAction::ReadValue(TOmbrixPreferences& gp, const QString& key,
                                       const QStringList& def) {
    return gp.ReadStrings(key, def);
}

bool TWStringsAction::WriteValue(TOmbrixPreferences& gp, const QString& key,
                                 const QStringList& value) {
    return gp.WriteStrings(key, value);
}

// ---- TFontAction

bool TFontAction::RegisterInScript(TScriptEngine& engine) {
    return engine.RegisterProcedure(ScriptDeclaration(),
                                    Guarded(this, [](TFontAction* a, const QVariantList& args) {
                                        TFontValue font;
                                        font.Name = Arg(args, 0);
                                        font.Size = IntArg(args, 1);
                                        font.Color = IntArg(args, 2);
                                        font.Bold = BoolArg(args, 3);
                                        font.Italic = BoolArg(args, 4);
                                        font.Underline = BoolArg(args, 5);
                                        font.StrikeOut = BoolArg(args, 6);
                                        a->SetValue(font);
                                    }));
}

QString TFontAction::ScriptDeclaration() {
    return QStringLiteral("procedure ") + ScriptName() +
           QStringLiteral(
               "(aName:widestring;aSize:integer;aColor:TColor;isBold:Boolean;"
               "isItalic:Boolean;isUnderline:Boolean;isStrikeOut:Boolean);");
}

QString TFontAction::SwitchSyntax() {
    return QLatin1Char('/') + Switch() + QLatin1Char('=') + VariablesOr(QStringLiteral("aFont"));
}

void TFontAction::ApplyText(const QString&) {}

QString TFontAction::RecordedLine() const {
    if (ScriptName().isEmpty()) return QString();
    const QString colour = QString::number(static_cast<std::uint32_t>(m_value.Color), 16)
                               .toUpper()
                               .rightJustified(6, QLatin1Char('0'));
    const QStringList styles = {BoolText(m_value.Bold), BoolText(m_value.Italic),
                                BoolText(m_value.Underline), BoolText(m_value.StrikeOut)};
    return Blanks() + ScriptName() + QLatin1Char('(') + PascalStringLiteral(m_value.Name) +
           QStringLiteral(", ") + QString::number(m_value.Size) + QStringLiteral(", $") + colour +
           QStringLiteral(", ") + styles.join(QStringLiteral(", ")) + QStringLiteral(");");
}

TFontValue TFontAction::ReadValue(TOmbrixPreferences& gp, const QString& key,
                                  const TFontValue& def) {
    return gp.ReadFont(key, def);
}

bool TFontAction::WriteValue(TOmbrixPreferences& gp, const QString& key, const TFontValue& value) {
    return gp.WriteFont(key, value);
}

// ---- TIntegerAction

bool TIntegerAction::RegisterInScript(TScriptEngine& engine) {
    return engine.RegisterProcedure(ScriptDeclaration(),
                                    Guarded(this, [](TIntegerAction* a, const QVariantList& args) {
                                        a->SetValue(IntArg(args, 0));
                                    }));
}

QString TIntegerAction::ScriptDeclaration() {
    return QStringLiteral("procedure ") + ScriptName() + QStringLiteral("(const ") +
           VariablesOr(QStringLiteral("aInteger")) + QStringLiteral(":integer);");
}

QString TIntegerAction::SwitchSyntax() {
    return QLatin1Char('/') + Switch() + QLatin1Char('=') + VariablesOr(QStringLiteral("aInteger"));
}

void TIntegerAction::ApplyText(const QString& text) {
    SetValue(ParseDecimalInt(text).value_or(-1));
}

QString TIntegerAction::RecordedLine() const {
    if (ScriptName().isEmpty()) return QString();
    return Blanks() + ScriptName() + QLatin1Char('(') + QString::number(m_value) +
           QStringLiteral(");");
}

std::int32_t TIntegerAction::ReadValue(TOmbrixPreferences& gp, const QString& key,
                                       const std::int32_t& def) {
    return gp.ReadInteger(key, def);
}

bool TIntegerAction::WriteValue(TOmbrixPreferences& gp, const QString& key,
                                const std::int32_t& value) {
    return gp.WriteInteger(key, value);
}

// ---- TDoubleAction

bool TDoubleAction::RegisterInScript(TScriptEngine& engine) {
    return engine.RegisterProcedure(ScriptDeclaration(),
                                    Guarded(this, [](TDoubleAction* a, const QVariantList& args) {
                                        a->SetValue(args.value(0).toDouble());
                                    }));
}

QString TDoubleAction::ScriptDeclaration() {
    return QStringLiteral("procedure ") + ScriptName() + QStringLiteral("(const ") +
           VariablesOr(QStringLiteral("aDouble")) + QStringLiteral(":Double);");
}

QString TDoubleAction::SwitchSyntax() {
    return QLatin1Char('/') + Switch() + QLatin1Char('=') + VariablesOr(QStringLiteral("aDouble"));
}

void TDoubleAction::ApplyText(const QString& text) {
    SetValue(ParseFloatText(text, LocaleDecimalSeparator()).value_or(-1.0));
}

QString TDoubleAction::RecordedLine() const {
    if (ScriptName().isEmpty()) return QString();
    // Script source: a comma would split the argument in two, whatever the
    // locale writes numbers with.
    return Blanks() + ScriptName() + QLatin1Char('(') +
           FormatGeneralFloat(m_value, QLatin1Char('.')) + QStringLiteral(");");
}

double TDoubleAction::ReadValue(TOmbrixPreferences& gp, const QString& key, const double& def) {
    return gp.ReadFloat(key, def);
}

bool TDoubleAction::WriteValue(TOmbrixPreferences& gp, const QString& key, const double& value) {
    return gp.WriteFloat(key, value);
}

// ---- TBooleanAction

void TBooleanAction::SetValue(const bool& value) {
    if (value == m_value) return;
    TValueAction::SetValue(value);
}

bool TBooleanAction::RegisterInScript(TScriptEngine& engine) {
    return engine.RegisterProcedure(ScriptDeclaration(),
                                    Guarded(this, [](TBooleanAction* a, const QVariantList& args) {
                                        a->SetValue(BoolArg(args, 0));
                                    }));
}

QString TBooleanAction::ScriptDeclaration() {
    return QStringLiteral("procedure ") + ScriptName() + QStringLiteral("(const ") +
           VariablesOr(QStringLiteral("aBoolean")) + QStringLiteral(":Boolean);");
}

QString TBooleanAction::SwitchSyntax() {
    return QLatin1Char('/') + Switch() + QLatin1Char('=') + VariablesOr(QStringLiteral("aBoolean"));
}

void TBooleanAction::ApplyText(const QString& text) {
    SetValue(BooleanFromText(text));
}

QString TBooleanAction::RecordedLine() const {
    if (ScriptName().isEmpty()) return QString();
    return Blanks() + ScriptName() + QLatin1Char('(') + BoolText(m_value) + QStringLiteral(");");
}

bool TBooleanAction::ReadValue(TOmbrixPreferences& gp, const QString& key, const bool& def) {
    return gp.ReadBool(key, def);
}

bool TBooleanAction::WriteValue(TOmbrixPreferences& gp, const QString& key, const bool& value) {
    return gp.WriteBool(key, value);
}

// ---- TRectAction

bool TRectAction::RegisterInScript(TScriptEngine& engine) {
    return engine.RegisterProcedure(
        ScriptDeclaration(), Guarded(this, [](TRectAction* a, const QVariantList& args) {
            a->SetValue(
                TRectValue{IntArg(args, 0), IntArg(args, 1), IntArg(args, 2), IntArg(args, 3)});
        }));
}

QString TRectAction::ScriptDeclaration() {
    // The two texts have different default names; neither is kept, so
    // asking for one never changes the other.
    const QString v = Variables().isEmpty() ? QStringLiteral("left,top,right,bottom") : Variables();
    return QStringLiteral("procedure ") + ScriptName() + QStringLiteral("(const ") + v +
           QStringLiteral(":integer);");
}

QString TRectAction::SwitchSyntax() {
    const QString v = Variables().isEmpty() ? QStringLiteral("aRect") : Variables();
    return QLatin1Char('/') + Switch() + QLatin1Char('=') + v;
}

void TRectAction::ApplyText(const QString& text) {
    if (const auto rect = RectFromText(text)) SetValue(*rect);
}

QString TRectAction::RecordedLine() const {
    if (ScriptName().isEmpty()) return QString();
    return Blanks() + ScriptName() + QLatin1Char('(') + QString::number(m_value.Left) +
           QLatin1Char(',') + QString::number(m_value.Top) + QLatin1Char(',') +
           QString::number(m_value.Right) + QLatin1Char(',') + QString::number(m_value.Bottom) +
           QStringLiteral(");");
}

TRectValue TRectAction::ReadValue(TOmbrixPreferences& gp, const QString& key,
                                  const TRectValue& def) {
    return gp.ReadRect(key, def);
}

bool TRectAction::WriteValue(TOmbrixPreferences& gp, const QString& key, const TRectValue& value) {
    return gp.WriteRect(key, value);
}

}  // namespace tavrel
