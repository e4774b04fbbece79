#pragma once
// Lists of typed actions: a window's or a component's actions, in order,
// loaded from and saved to the settings store together. The caller opens
// the store's key before and closes it after.
//
// TOxActionList adds the script engine (its actions register their
// procedures at every compilation) and the switch component (its actions
// can be reached from the command line).

#include <QIcon>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

#include "framework/AbstractAction.h"
#include "framework/OxSwitch.h"
#include "framework/ScriptEngine.h"

namespace tavrel {

class TOmbrixPreferences;

using TListLoadEvent = std::function<bool(TOmbrixPreferences& gp)>;
using TListSaveEvent = std::function<bool(TOmbrixPreferences& gp)>;

class TCustomOxActionList : public QObject {
  public:
    explicit TCustomOxActionList(QObject* parent = nullptr);
    ~TCustomOxActionList() override;

    // Appends an action (typed or plain); an action is in one list at most.
    void AddAction(QAction* action);
    void RemoveAction(QAction* action);
    // Creates an action of kind A owned by the list, named name, appended.
    // With an internalId it is an action made in code ("internal" category).
    template <typename A>
    A* Create(const QString& name, const QString& internalId = {}) {
        A* action = internalId.isEmpty() ? new A(this) : new A(internalId, this);
        action->SetName(name);
        AddAction(action);
        return action;
    }

    QList<QAction*> Actions() const;
    QList<TCustomAbstractAction*> TypedActions() const;
    // The first typed action whose InternalId is text (case counts).
    TCustomAbstractAction* FindByInternalId(const QString& text) const;

    // Every typed action with IncludePrefs, in list order; one that fails
    // makes the answer false and the others still load or save. Then the
    // list's own handler, whose false answer also makes the answer false.
    bool LoadFromPrefs(TOmbrixPreferences& gp);
    bool SaveToPrefs(TOmbrixPreferences& gp);
    void SetOnLoadFromPrefs(TListLoadEvent handler) { m_onLoadFromPrefs = std::move(handler); }
    void SetOnSaveToPrefs(TListSaveEvent handler) { m_onSaveToPrefs = std::move(handler); }

    // The pictures that ImageIndex of the actions refers to.
    const QList<QIcon>& Images() const { return m_images; }
    void SetImages(const QList<QIcon>& images);

  private:
    QList<QPointer<QAction>> m_actions;
    TListLoadEvent m_onLoadFromPrefs;
    TListSaveEvent m_onSaveToPrefs;
    QList<QIcon> m_images;
};

class TOxActionList : public TCustomOxActionList {
  public:
    explicit TOxActionList(QObject* parent = nullptr);
    ~TOxActionList() override;

    // Chains the list into the engine's compilation: the handler that was
    // there runs first, then every typed action registers its procedures.
    // Another engine, or none, puts the previous handler back first.
    TScriptEngine* ScriptEngine() const { return m_engine; }
    void SetScriptEngine(TScriptEngine* engine);

    // Enters the actions into the switch component, each under its Switch
    // name, after removing them from the previous one.
    TOxSwitch* Switch() const { return m_switch; }
    void SetSwitch(TOxSwitch* oxSwitch);

  private:
    QPointer<TScriptEngine> m_engine;
    std::function<void()> m_previousOnCompile;
    QPointer<TOxSwitch> m_switch;
};

}  // namespace tavrel
