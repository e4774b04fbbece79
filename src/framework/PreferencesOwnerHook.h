#pragma once
// Attaches the settings component to its owner window: when the window is
// shown the component picks the storage and the owner loads its settings;
// when the window is asked to close the owner saves them, after the exit
// dialog has asked where to when there is nowhere yet. The owner's own show
// and close handlers still run, first. Once a close is allowed the hook
// steps aside.

#include <QObject>
#include <QPointer>

class QEvent;
class QWidget;

namespace tavrel {

class TOmbrixPreferences;
class TSavePrefsForm;

class TPreferencesOwnerHook : public QObject {
  public:
    // Lives as long as gp; the exit dialog is a child of the owner.
    TPreferencesOwnerHook(TOmbrixPreferences& gp, QWidget* owner);
    ~TPreferencesOwnerHook() override;

    TSavePrefsForm* Dialog() const { return m_dialog; }
    bool Attached() const { return m_attached; }

    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Dispatch(QEvent* event);
    void Detach();

    TOmbrixPreferences& m_gp;
    QPointer<QWidget> m_owner;
    QPointer<TSavePrefsForm> m_dialog;
    bool m_attached = false;
    bool m_dispatching = false;
    bool m_inCloseQuery = false;
};

}  // namespace tavrel
