#include "framework/LinkEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextDocument>
#include <QToolTip>
#include <cmath>

namespace tavrel {

TLinkEdit::TLinkEdit(QWidget* parent) : QTextEdit(parent) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    viewport()->setMouseTracking(true);
    m_normalCursor = viewport()->cursor();
    Render();
}

void TLinkEdit::SetRichText(const QString& tagged) {
    m_richText = tagged;
    Render();
}

void TLinkEdit::SetUrlColor(const QColor& colour) {
    m_urlColor = colour;
    Render();
}

void TLinkEdit::SetMailColor(const QColor& colour) {
    m_mailColor = colour;
    Render();
}

void TLinkEdit::SetLinkColor(const QColor& colour) {
    m_linkColor = colour;
    Render();
}

QColor TLinkEdit::FontColor() const {
    return m_fontColor ? *m_fontColor : palette().color(QPalette::Text);
}

void TLinkEdit::SetFontColor(const QColor& colour) {
    m_fontColor = colour;
    Render();
}

void TLinkEdit::SetDefaultAlignment(TParagraphAlignment alignment) {
    m_defaultAlignment = alignment;
    Render();
}

TRichStyle TLinkEdit::Style() const {
    const QFont f = font();
    int sizePt = f.pointSize();
    if (sizePt <= 0 && f.pixelSize() > 0)
        sizePt = int(std::lround(f.pixelSize() * 72.0 / std::max(1, logicalDpiY())));
    TRichStyle style;
    style.Font = TRichAttributes{f.family(), sizePt,        FontColor(),  f.bold(),
                                 f.italic(), f.underline(), f.strikeOut()};
    style.DefaultAlignment = m_defaultAlignment;
    style.UrlColor = m_urlColor;
    style.MailColor = m_mailColor;
    style.LinkColor = m_linkColor;
    style.ButtonFace = palette().color(QPalette::Button);
    // Qt has no application-workspace role; the dark shade is what its MDI
    // area paints behind the windows.
    style.AppWorkspace = palette().color(QPalette::Dark);
    return style;
}

void TLinkEdit::Render() {
    m_rendering = true;
    m_markup = TRichMarkup::Parse(m_richText, Style());
    document()->setDefaultFont(font());
    m_markup.FillDocument(*document());
    // Nothing selected, shown from the top.
    setTextCursor(QTextCursor(document()));
    m_rendering = false;
}

int TLinkEdit::CharacterAt(const QPoint& viewportPos) const {
    const int dx = isRightToLeft()
                       ? horizontalScrollBar()->maximum() - horizontalScrollBar()->value()
                       : horizontalScrollBar()->value();
    const QPointF documentPos(viewportPos.x() + dx, viewportPos.y() + verticalScrollBar()->value());
    // An exact hit answers the character under the point, not the nearest
    // gap between characters, and nothing beyond the end of a line.
    const int position = document()->documentLayout()->hitTest(documentPos, Qt::ExactHit);
    const QString& text = m_markup.Text();
    if (position < 0 || position >= text.size() || text[position] == u'\n') return -1;
    return position;
}

std::optional<TRichLink> TLinkEdit::LinkAt(const QPoint& viewportPos) const {
    const int position = CharacterAt(viewportPos);
    if (position < 0) return std::nullopt;
    return m_markup.LinkAt(position);
}

const TLinkEdit::TLinkHintEvent& TLinkEdit::HintEvent(TLinkKind kind) const {
    switch (kind) {
        case TLinkKind::Mail:
            return m_onMailHint;
        case TLinkKind::Custom:
            return m_onCustomLinkHint;
        case TLinkKind::Url:
            break;
    }
    return m_onUrlHint;
}

void TLinkEdit::PointerMoved(const QPoint& viewportPos) {
    const auto link = LinkAt(viewportPos);
    QString hint;
    if (link) {
        const TLinkHintEvent& event = HintEvent(link->Kind);
        if (m_useInternalCursor || event) viewport()->setCursor(Qt::PointingHandCursor);
        if (event) event(link->Target, hint);
    } else {
        viewport()->setCursor(m_useInternalCursor ? QCursor(Qt::ArrowCursor) : m_normalCursor);
    }
    if (hint == toolTip()) return;
    // An empty tooltip is no tooltip: off the links none is shown.
    setToolTip(hint);
    if (QToolTip::isVisible()) {
        if (hint.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(viewport()->mapToGlobal(viewportPos), hint, this);
    }
}

void TLinkEdit::mouseMoveEvent(QMouseEvent* event) {
    QTextEdit::mouseMoveEvent(event);
    PointerMoved(event->position().toPoint());
}

void TLinkEdit::mouseReleaseEvent(QMouseEvent* event) {
    QTextEdit::mouseReleaseEvent(event);
    // Only the main button follows a link; the others keep their own use.
    if (event->button() != Qt::LeftButton) return;
    const auto link = LinkAt(event->position().toPoint());
    if (!link) return;
    switch (link->Kind) {
        case TLinkKind::Url:
            emit UrlClicked(link->Target);
            break;
        case TLinkKind::Mail:
            emit MailClicked(link->Target);
            break;
        case TLinkKind::Custom:
            emit CustomLinkClicked(link->Target);
            break;
    }
}

void TLinkEdit::changeEvent(QEvent* event) {
    QTextEdit::changeEvent(event);
    // The label's font and palette are the attributes the text starts with.
    if (!m_rendering &&
        (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange))
        Render();
}

}  // namespace tavrel
