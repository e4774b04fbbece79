#pragma once
// The script engine component of the script window. At each compilation
// it asks the action lists chained to it (OxActionList.h) to register their
// procedures, and keeps them by name, so that a script, the help window or
// a test can reach an action by its script procedure. Compiling and running
// the text of a script is not done here.

#include <QString>
#include <QVariantList>
#include <vector>

#include "framework/ScriptEngine.h"

namespace tavrel {

class TOxScript : public TScriptEngine {
  public:
    struct TRegistered {
        QString Declaration;  // as registered: "procedure setMute(const fisTrue:Boolean);"
        QString Name;         // "setMute"
        TProcedure Procedure;
    };

    explicit TOxScript(QObject* parent = nullptr);

    // Accepted when the declaration is a procedure heading ("procedure",
    // a name, optional parameters, a closing ";") whose name, compared
    // without regard to case as the script language does, is not taken yet.
    bool RegisterProcedure(const QString& declaration, TProcedure procedure) override;

    // Forgets every procedure, then lets the chained lists register theirs.
    void Compile();

    const std::vector<TRegistered>& Procedures() const { return m_procedures; }
    const TRegistered* Find(const QString& name) const;
    // Runs the named procedure with the arguments; false when there is
    // none of that name.
    bool Call(const QString& name, const QVariantList& arguments = {}) const;

    // The name a procedure heading declares, or empty when it is none.
    static QString ProcedureName(const QString& declaration);

  private:
    std::vector<TRegistered> m_procedures;
};

}  // namespace tavrel
