#include "framework/OxActionComponent.h"

#include "framework/OxSwitch.h"

namespace tavrel {

TOxActionComponent::TOxActionComponent(QObject* owner) : TOxActionList(owner) {}

TOxActionComponent::~TOxActionComponent() {
    // The switch is a child and goes after this body; its names of this
    // list's actions go first.
    SetSwitch(nullptr);
}

TOxSwitch* TOxActionComponent::CreateSwitch() {
    if (!m_ownSwitch) {
        m_ownSwitch = new TOxSwitch(this);
        SetSwitch(m_ownSwitch);
    }
    return m_ownSwitch;
}

}  // namespace tavrel
