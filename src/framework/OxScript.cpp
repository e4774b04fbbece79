#include "framework/OxScript.h"

#include <QRegularExpression>

namespace tavrel {

TOxScript::TOxScript(QObject* parent) : TScriptEngine(parent) {}

QString TOxScript::ProcedureName(const QString& declaration) {
    static const QRegularExpression heading(
        QStringLiteral(R"(^\s*procedure\s+([A-Za-z_][A-Za-z0-9_]*)\s*(\([^()]*\))?\s*;\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = heading.match(declaration);
    return match.hasMatch() ? match.captured(1) : QString();
}

bool TOxScript::RegisterProcedure(const QString& declaration, TProcedure procedure) {
    const QString name = ProcedureName(declaration);
    if (name.isEmpty() || !procedure || Find(name)) return false;
    m_procedures.push_back(TRegistered{declaration.trimmed(), name, std::move(procedure)});
    return true;
}

void TOxScript::Compile() {
    m_procedures.clear();
    if (OnCompile()) OnCompile()();
}

const TOxScript::TRegistered* TOxScript::Find(const QString& name) const {
    for (const TRegistered& p : m_procedures)
        if (p.Name.compare(name, Qt::CaseInsensitive) == 0) return &p;
    return nullptr;
}

bool TOxScript::Call(const QString& name, const QVariantList& arguments) const {
    const TRegistered* p = Find(name);
    if (!p) return false;
    // A copy: the procedure may make the engine compile again.
    const TProcedure procedure = p->Procedure;
    procedure(arguments);
    return true;
}

}  // namespace tavrel
