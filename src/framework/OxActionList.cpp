#include "framework/OxActionList.h"

#include "framework/OxSwitch.h"
#include "framework/ScriptEngine.h"

namespace tavrel {

TCustomOxActionList::TCustomOxActionList(QObject* parent) : QObject(parent) {}

TCustomOxActionList::~TCustomOxActionList() {
    // Actions owned by the list are destroyed after this body, by QObject;
    // they must not call back into a list that is going away.
    for (const QPointer<QAction>& a : m_actions)
        if (auto* typed = dynamic_cast<TCustomAbstractAction*>(a.data()))
            typed->SetActionList(nullptr);
}

void TCustomOxActionList::AddAction(QAction* action) {
    if (!action) return;
    auto* typed = dynamic_cast<TCustomAbstractAction*>(action);
    if (typed && typed->ActionList() && typed->ActionList() != this)
        typed->ActionList()->RemoveAction(action);
    for (const QPointer<QAction>& a : m_actions)
        if (a == action) return;
    m_actions << QPointer<QAction>(action);
    if (typed) {
        typed->SetActionList(this);
        if (typed->ImageIndex() >= 0) typed->SetImageIndex(typed->ImageIndex());
    }
}

void TCustomOxActionList::RemoveAction(QAction* action) {
    m_actions.removeIf([action](const QPointer<QAction>& a) { return a.isNull() || a == action; });
    auto* typed = dynamic_cast<TCustomAbstractAction*>(action);
    if (typed && typed->ActionList() == this) typed->SetActionList(nullptr);
}

QList<QAction*> TCustomOxActionList::Actions() const {
    QList<QAction*> out;
    for (const QPointer<QAction>& a : m_actions)
        if (a) out << a.data();
    return out;
}

QList<TCustomAbstractAction*> TCustomOxActionList::TypedActions() const {
    QList<TCustomAbstractAction*> out;
    for (const QPointer<QAction>& a : m_actions)
        if (auto* typed = dynamic_cast<TCustomAbstractAction*>(a.data())) out << typed;
    return out;
}

TCustomAbstractAction* TCustomOxActionList::FindByInternalId(const QString& text) const {
    for (TCustomAbstractAction* a : TypedActions())
        if (a->InternalId() == text) return a;
    return nullptr;
}

bool TCustomOxActionList::LoadFromPrefs(TOmbrixPreferences& gp) {
    bool ok = true;
    for (TCustomAbstractAction* a : TypedActions())
        if (a->IncludePrefs() && !a->LoadFromPrefs(gp)) ok = false;
    if (m_onLoadFromPrefs) {
        try {
            if (!m_onLoadFromPrefs(gp)) ok = false;
        } catch (...) {
            ok = false;
        }
    }
    return ok;
}

bool TCustomOxActionList::SaveToPrefs(TOmbrixPreferences& gp) {
    bool ok = true;
    for (TCustomAbstractAction* a : TypedActions())
        if (a->IncludePrefs() && !a->SaveToPrefs(gp)) ok = false;
    if (m_onSaveToPrefs) {
        try {
            if (!m_onSaveToPrefs(gp)) ok = false;
        } catch (...) {
            ok = false;
        }
    }
    return ok;
}

void TCustomOxActionList::SetImages(const QList<QIcon>& images) {
    m_images = images;
    for (TCustomAbstractAction* a : TypedActions())
        if (a->ImageIndex() >= 0) a->SetImageIndex(a->ImageIndex());
}

TOxActionList::TOxActionList(QObject* parent) : TCustomOxActionList(parent) {}

TOxActionList::~TOxActionList() {
    SetScriptEngine(nullptr);
    SetSwitch(nullptr);
}

void TOxActionList::SetScriptEngine(TScriptEngine* engine) {
    if (engine == m_engine) return;
    if (m_engine) m_engine->OnCompile() = m_previousOnCompile;
    m_previousOnCompile = nullptr;
    m_engine = engine;
    if (!engine) return;
    m_previousOnCompile = engine->OnCompile();
    QPointer<TOxActionList> self(this);
    std::function<void()> previous = m_previousOnCompile;
    engine->OnCompile() = [self, previous]() {
        if (previous) previous();
        if (!self || !self->m_engine) return;
        for (TCustomAbstractAction* a : self->TypedActions()) a->RegisterInScript(*self->m_engine);
    };
}

void TOxActionList::SetSwitch(TOxSwitch* oxSwitch) {
    if (oxSwitch == m_switch) return;
    if (m_switch) m_switch->RemoveList(*this);
    m_switch = oxSwitch;
    if (m_switch) m_switch->EnterList(*this);
}

}  // namespace tavrel
