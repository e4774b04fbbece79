#include "framework/AbstractAction.h"

#include <QtDebug>
#include <exception>

#include "framework/OxActionList.h"

namespace tavrel {

TCustomAbstractAction::TCustomAbstractAction(QObject* parent) : QAction(parent) {
    connect(this, &QAction::triggered, this, [this](bool checked) {
        try {
            OnTriggered(checked);
        } catch (const std::exception& e) {
            const QString message =
                QStringLiteral("Erreur dans l'action « %1 » : %2").arg(Caption(), e.what());
            if (m_onError)
                m_onError(message);
            else
                qWarning().noquote() << message;
        } catch (...) {
            const QString message = QStringLiteral("Erreur dans l'action « %1 ».").arg(Caption());
            if (m_onError)
                m_onError(message);
            else
                qWarning().noquote() << message;
        }
    });
}

TCustomAbstractAction::TCustomAbstractAction(const QString& internalId, QObject* parent)
    : TCustomAbstractAction(parent) {
    m_internalId = internalId;
    m_category = QStringLiteral("internal");
}

TCustomAbstractAction::~TCustomAbstractAction() {
    if (m_list) m_list->RemoveAction(this);
}

void TCustomAbstractAction::SetHint(const QString& hint) {
    setStatusTip(hint);
    setToolTip(hint);
}

void TCustomAbstractAction::UpdateShortcuts() {
    // Qt drops an empty primary shortcut from the list it reports, so the
    // two parts are kept here and handed over together.
    QList<QKeySequence> all;
    if (!m_shortCut.isEmpty() || !m_secondaryShortcuts.isEmpty())
        all << m_shortCut << m_secondaryShortcuts;
    setShortcuts(all);
}

void TCustomAbstractAction::SetShortCut(const QKeySequence& shortCut) {
    m_shortCut = shortCut;
    UpdateShortcuts();
}

void TCustomAbstractAction::SetSecondaryShortcuts(const QList<QKeySequence>& shortcuts) {
    m_secondaryShortcuts = shortcuts;
    UpdateShortcuts();
}

void TCustomAbstractAction::SetImageIndex(int index) {
    m_imageIndex = index;
    if (!m_list) return;
    const QList<QIcon>& images = m_list->Images();
    setIcon(index >= 0 && index < images.size() ? images[index] : QIcon());
    if (m_onImageChanged) m_onImageChanged(images, index);
}

void TCustomAbstractAction::SetActionList(TCustomOxActionList* list) {
    m_list = list;
}

void TCustomAbstractAction::ResetDesign() {
    m_category.clear();
    m_scriptName.clear();
    m_shortCut = QKeySequence();
    m_secondaryShortcuts.clear();
    UpdateShortcuts();
    ClearInternalHandlers();
}

QString TCustomAbstractAction::VariablesOr(const QString& kindDefault) {
    if (m_variables.isEmpty()) m_variables = kindDefault;
    return m_variables;
}

void TCustomAbstractAction::OnTriggered(bool) {
    ExecuteWithPrepare();
}

}  // namespace tavrel
