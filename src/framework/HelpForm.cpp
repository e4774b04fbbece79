#include "framework/HelpForm.h"

#include <algorithm>

#include <QCloseEvent>
#include <QShowEvent>
#include <QVBoxLayout>

#include "framework/LinkEdit.h"
#include "framework/OxActionList.h"

namespace tavrel {

THelpForm::THelpForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpForm"));
    setWindowTitle(CaptionText());
    resize(640, 560);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_text = new TLinkEdit(this);
    m_text->setObjectName(QStringLiteral("HelpText"));
    m_text->setFrameShape(QFrame::NoFrame);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(9);
    m_text->setFont(font);
    layout->addWidget(m_text);
}

void THelpForm::RegisterList(TCustomOxActionList* list, const QString& section) {
    if (!list) return;
    for (const THelpSection& s : m_sections)
        for (const QPointer<TCustomOxActionList>& l : s.Lists)
            if (l == list) return;
    auto it = std::find_if(m_sections.begin(), m_sections.end(),
                           [&section](const THelpSection& s) { return s.Title == section; });
    if (it == m_sections.end()) {
        m_sections.push_back(THelpSection{section, {}});
        it = std::prev(m_sections.end());
    }
    it->Lists << QPointer<TCustomOxActionList>(list);
    if (isVisible()) Refresh();
}

void THelpForm::UnregisterList(TCustomOxActionList* list) {
    for (THelpSection& s : m_sections)
        s.Lists.removeIf([list](const QPointer<TCustomOxActionList>& l) { return l == list; });
    std::erase_if(m_sections, [](const THelpSection& s) { return s.Lists.isEmpty(); });
    if (isVisible()) Refresh();
}

void THelpForm::Refresh() {
    m_text->SetRichText(HelpText());
}

void THelpForm::showEvent(QShowEvent* event) {
    Refresh();
    QWidget::showEvent(event);
}

void THelpForm::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted() && m_onClose) m_onClose();
}

}  // namespace tavrel
