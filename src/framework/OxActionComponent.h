#pragma once
// An action list whose component makes its own actions in code (each with
// an internal identifier, found again by FindByInternalId) and may own the
// program's switch component, into which it enters its own actions.

#include "framework/OxActionList.h"

namespace tavrel {

class TOxActionComponent : public TOxActionList {
  public:
    explicit TOxActionComponent(QObject* owner = nullptr);
    ~TOxActionComponent() override;

    // Creates the switch component, owned by this list, and enters the
    // actions the list holds by then. A second call returns the same one.
    TOxSwitch* CreateSwitch();
    TOxSwitch* OwnSwitch() const { return m_ownSwitch; }

  private:
    TOxSwitch* m_ownSwitch = nullptr;
};

}  // namespace tavrel
