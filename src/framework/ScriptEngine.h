#pragma once
// What the typed actions need of a script engine: at each compilation the
// engine lets the action lists register, under its declaration
// ("procedure caMute;"), the procedure that changes each action. The engine
// itself (its language, compiler and runner) lives with the script window.

#include <QObject>
#include <QString>
#include <QVariantList>
#include <functional>

namespace tavrel {

class TScriptEngine : public QObject {
  public:
    using TProcedure = std::function<void(const QVariantList& arguments)>;

    explicit TScriptEngine(QObject* parent = nullptr) : QObject(parent) {}

    // True when the engine accepted the declaration.
    virtual bool RegisterProcedure(const QString& declaration, TProcedure procedure) = 0;

    // Run by the engine at every compilation, before the script is compiled.
    std::function<void()>& OnCompile() { return m_onCompile; }

  private:
    std::function<void()> m_onCompile;
};

}  // namespace tavrel
