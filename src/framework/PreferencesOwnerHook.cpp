#include "framework/PreferencesOwnerHook.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include "framework/OmbrixPreferences.h"
#include "framework/SavePrefsForm.h"

namespace tavrel {

TPreferencesOwnerHook::TPreferencesOwnerHook(TOmbrixPreferences& gp, QWidget* owner)
    : QObject(&gp), m_gp(gp), m_owner(owner) {
    m_dialog = new TSavePrefsForm(owner);
    QPointer<TSavePrefsForm> dialog = m_dialog;
    m_gp.SetAskStorageMode([dialog](const QString& titre) -> std::optional<TSavePreferences> {
        if (!dialog) return std::nullopt;
        return dialog->Ask(titre);
    });
    if (owner) {
        owner->installEventFilter(this);
        m_attached = true;
    }
}

TPreferencesOwnerHook::~TPreferencesOwnerHook() {
    Detach();
}

void TPreferencesOwnerHook::Detach() {
    if (m_attached && m_owner) m_owner->removeEventFilter(this);
    m_attached = false;
}

void TPreferencesOwnerHook::Dispatch(QEvent* event) {
    // The owner's own handler sees the event before the settings are
    // loaded or after they are asked for, as if nothing stood in between.
    m_dispatching = true;
    QCoreApplication::sendEvent(m_owner, event);
    m_dispatching = false;
}

bool TPreferencesOwnerHook::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_owner || m_dispatching || !m_attached) return false;
    // Only the window's own showing: the window system's show events (a
    // window brought back from the task bar) must not reload the settings.
    if (event->type() == QEvent::Show && !event->spontaneous()) {
        m_gp.OwnerShow([this, event] { Dispatch(event); });
        return true;
    }
    if (event->type() == QEvent::Close) {
        // A second close request while the exit dialog is up waits for it.
        if (m_inCloseQuery) {
            event->ignore();
            return true;
        }
        m_inCloseQuery = true;
        const bool canClose = m_gp.OwnerCloseQuery([this, event] {
            event->accept();
            Dispatch(event);
            return event->isAccepted();
        });
        m_inCloseQuery = false;
        event->setAccepted(canClose);
        if (canClose) Detach();
        return true;
    }
    return false;
}

}  // namespace tavrel
