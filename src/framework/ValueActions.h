#pragma once
// The kinds of typed actions: one without a value and one per kind of value.
// Each kind has its script declaration, switch syntax, recorded line and
// text form (see TextForms.h for the texts):
//
//   kind               value         ApplyText(t)
//   TNopeAction        none          Apply
//   TWidestringAction  text          the text
//   TWStringsAction    text list     the list text
//   TFontAction        font          nothing
//   TIntegerAction     int32         a decimal integer, -1 when t is not one
//   TDoubleAction      double        a number, -1.0 when t is not one
//   TBooleanAction     boolean       the boolean text
//   TRectAction        rectangle     the rectangle text; nothing when t is not one

#include <QStringList>
#include <cstdint>

#include "framework/AbstractAction.h"
#include "framework/PrefsValues.h"

namespace tavrel {

// An operation without a value ("naQuit"): executing it applies it.
class TNopeAction : public TAbstractAction {
  public:
    using TPrepareEvent = std::function<bool()>;
    using TApplyEvent = std::function<void()>;
    struct TEvents {
        TPrepareEvent OnPrepare;
        TPrepareEvent BeforeSave;
        TApplyEvent OnBeforeApply;
        TApplyEvent OnAfterApply;
    };
    struct TInternalHandlers {
        TPrepareEvent Prepare;
        TPrepareEvent BeforeSave;
        TApplyEvent Apply;
    };

    using TAbstractAction::TAbstractAction;

    TEvents& Events() { return m_events; }
    TInternalHandlers& Internal() { return m_internal; }

    bool RegisterInScript(TScriptEngine& engine) override;
    void ExecuteWithPrepare() override;
    QString ScriptDeclaration() override;
    QString SwitchSyntax() override;
    void ApplyText(const QString& text) override;
    // Records its line, then runs the apply handlers.
    void Apply() override;
    bool LoadFromPrefs(TOmbrixPreferences& gp) override;
    bool SaveToPrefs(TOmbrixPreferences& gp) override;
    QString RecordedLine() const override;

  protected:
    void ClearInternalHandlers() override { m_internal = TInternalHandlers{}; }

  private:
    TEvents m_events;
    TInternalHandlers m_internal;
};

class TWidestringAction : public TValueAction<QString> {
  public:
    using TValueAction::TValueAction;
    bool RegisterInScript(TScriptEngine& engine) override;
    QString ScriptDeclaration() override;
    QString SwitchSyntax() override;
    void ApplyText(const QString& text) override;
    QString RecordedLine() const override;

  protected:
    QString ReadValue(TOmbrixPreferences& gp, const QString& key, const QString& def) override;
    bool WriteValue(TOmbrixPreferences& gp, const QString& key, const QString& value) override;
};

class TWStringsAction : public TValueAction<QStringList> {
  public:
    using TValueAction::TValueAction;
    bool RegisterInScript(TScriptEngine& engine) override;
    QString ScriptDeclaration() override;
    QString SwitchSyntax() override;
    void ApplyText(const QString& text) override;
    QString RecordedLine() const override;

  protected:
    QStringList ReadValue(TOmbrixPreferences& gp, const QString& key,
                          const QStringList& def) override;
    bool WriteValue(TOmbrixPreferences& gp, const QString& key, const QStringList& value) override;
};

class TFontAction : public TValueAction<TFontValue> {
  public:
    using TValueAction::TValueAction;
    bool RegisterInScript(TScriptEngine& engine) override;
    QString ScriptDeclaration() override;
    QString SwitchSyntax() override;
    void ApplyText(const QString& text) override;
    QString RecordedLine() const override;

  protected:
    TFontValue ReadValue(TOmbrixPreferences& gp, const QString& key,
                         const TFontValue& def) override;
    bool WriteValue(TOmbrixPreferences& gp, const QString& key, const TFontValue& value) override;
};

class TIntegerAction : public TValueAction<std::int32_t> {
  public:
    using TValueAction::TValueAction;
    bool RegisterInScript(TScriptEngine& engine) override;
    QString ScriptDeclaration() override;
    QString SwitchSyntax() override;
    void ApplyText(const QString& text) override;
    QString RecordedLine() const override;

  protected:
    std::int32_t ReadValue(TOmbrixPreferences& gp, const QString& key,
                           const std::int32_t& def) override;
    bool WriteValue(TOmbrixPreferences& gp, const QString& key, const std::int32_t& value) override;
};

class TDoubleAction : public TValueAction<double> {
  public:
    using TValueAction::TValueAction;
    bool RegisterInScript(TScriptEngine& engine) override;
    QString ScriptDeclaration() override;
    QString SwitchSyntax() override;
    void ApplyText(const QString& text) override;
    QString RecordedLine() const override;

  protected:
    double ReadValue(TOmbrixPreferences& gp, const QString& key, const double& def) override;
    bool WriteValue(TOmbrixPreferences& gp, const QString& key, const double& value) override;
};

// Setting a boolean action to the value it has changes nothing: no apply,
// no recorded line.
class TBooleanAction : public TValueAction<bool> {
  public:
    using TValueAction::TValueAction;
    void SetValue(const bool& value) override;
    bool RegisterInScript(TScriptEngine& engine) override;
    QString ScriptDeclaration() override;
    QString SwitchSyntax() override;
    void ApplyText(const QString& text) override;
    QString RecordedLine() const override;

  protected:
    bool ReadValue(TOmbrixPreferences& gp, const QString& key, const bool& def) override;
    bool WriteValue(TOmbrixPreferences& gp, const QString& key, const bool& value) override;
};

// The script procedure and the recorded line both take left, top, right
// and bottom in that order, so recorded lines replay as they were made.
class TRectAction : public TValueAction<TRectValue> {
  public:
    using TValueAction::TValueAction;
    bool RegisterInScript(TScriptEngine& engine) override;
    QString ScriptDeclaration() override;
    QString SwitchSyntax() override;
    void ApplyText(const QString& text) override;
    QString RecordedLine() const override;

  protected:
    TRectValue ReadValue(TOmbrixPreferences& gp, const QString& key,
                         const TRectValue& def) override;
    bool WriteValue(TOmbrixPreferences& gp, const QString& key, const TRectValue& value) override;
};

}  // namespace tavrel
