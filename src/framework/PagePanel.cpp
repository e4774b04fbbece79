#include "framework/PagePanel.h"

#include <QEvent>
#include <QResizeEvent>

#include "framework/LinkEdit.h"

namespace tavrel {

TPagePanel::TPagePanel(const QString& name, const QColor& colour, QWidget* parent)
    : QWidget(parent), m_colour(colour) {
    setObjectName(name);
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    setPalette(p);
    setAutoFillBackground(true);
}

void TPagePanel::SetFrame(QWidget* frame) {
    if (frame == m_frame) return;
    if (m_frame) {
        m_frame->removeEventFilter(this);
        m_frame->hide();
    }
    m_frame = frame;
    if (!frame) return;
    frame->setParent(this);
    frame->installEventFilter(this);
    CentreFrame();
    frame->show();
    if (m_closeLine) m_closeLine->raise();
}

void TPagePanel::CentreFrame() {
    if (!m_frame) return;
    const QRect client = contentsRect();
    m_frame->move(client.left() + (client.width() - m_frame->width()) / 2,
                  client.top() + (client.height() - m_frame->height()) / 2);
}

QString TPagePanel::CloseLineText(const QString& key, const QString& target) {
    return QStringLiteral("Tapez %1 pour quitter cette page ou <link %2>cliquez ici</link>.")
        .arg(key, target);
}

QString TPagePanel::CloseLineHint() {
    return QStringLiteral("Cliquez pour fermer cette page\net retourner à l'application");
}

TLinkEdit* TPagePanel::CreateCloseLine(const QString& key, const QString& target,
                                       std::function<void()> onClose) {
    if (m_closeLine) return m_closeLine;
    m_closeLine = new TLinkEdit(this);
    m_closeLine->setObjectName(objectName() + QStringLiteral("CloseLine"));
    m_closeLine->setFrameShape(QFrame::NoFrame);
    m_closeLine->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_closeLine->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_closeLine->setFixedSize(kCloseLineWidth, kCloseLineHeight);
    QPalette p = m_closeLine->palette();
    p.setColor(QPalette::Base, m_colour);
    p.setColor(QPalette::Window, m_colour);
    m_closeLine->setPalette(p);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    font.setBold(true);
    font.setItalic(true);
    m_closeLine->setFont(font);
    m_closeLine->SetFontColor(QColor(0x80, 0x00, 0x00));
    m_closeLine->SetUseInternalCursor(true);
    m_closeLine->SetOnCustomLinkHint([](const QString&, QString& hint) { hint = CloseLineHint(); });
    m_closeLine->SetRichText(CloseLineText(key, target));
    const QString wanted = target;
    connect(m_closeLine, &TLinkEdit::CustomLinkClicked, this,
            [wanted, onClose = std::move(onClose)](const QString& link) {
                if (link == wanted && onClose) onClose();
            });
    PlaceCloseLine();
    m_closeLine->raise();
    return m_closeLine;
}

void TPagePanel::PlaceCloseLine() {
    if (!m_closeLine) return;
    const QRect client = contentsRect();
    m_closeLine->move(client.right() + 1 - kCloseLineMargin - kCloseLineWidth,
                      client.bottom() + 1 - kCloseLineMargin - kCloseLineHeight);
}

void TPagePanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    CentreFrame();
    PlaceCloseLine();
}

bool TPagePanel::eventFilter(QObject* watched, QEvent* event) {
    // A frame that changes its own size stays centred.
    if (watched == m_frame && event->type() == QEvent::Resize) CentreFrame();
    return QWidget::eventFilter(watched, event);
}

}  // namespace tavrel
