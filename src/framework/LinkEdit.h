#pragma once
// The read-only rich label of the program's messages: it shows a text of
// the tag language (RichMarkup.h) with its formatting, and makes its web,
// mail and program-defined links clickable, with a tooltip asked of the
// owner for each kind of link.

#include <QColor>
#include <QString>
#include <QTextEdit>
#include <functional>
#include <optional>

#include "framework/RichMarkup.h"

namespace tavrel {

class TLinkEdit : public QTextEdit {
    Q_OBJECT

  public:
    // Asked for the tooltip of a link: the link's target in, the hint out.
    using TLinkHintEvent = std::function<void(const QString& link, QString& linkHint)>;

    explicit TLinkEdit(QWidget* parent = nullptr);

    // The tagged source text; setting it renders it again.
    const QString& RichText() const { return m_richText; }
    void SetRichText(const QString& tagged);

    QColor UrlColor() const { return m_urlColor; }
    void SetUrlColor(const QColor& colour);
    QColor MailColor() const { return m_mailColor; }
    void SetMailColor(const QColor& colour);
    QColor LinkColor() const { return m_linkColor; }
    void SetLinkColor(const QColor& colour);

    // The colour of the label's font, which the text starts with and
    // "</color>" returns to; the palette's text colour until one is set.
    QColor FontColor() const;
    void SetFontColor(const QColor& colour);

    // The alignment of paragraphs that no "<br left|right|center>" aligns.
    TParagraphAlignment DefaultAlignment() const { return m_defaultAlignment; }
    void SetDefaultAlignment(TParagraphAlignment alignment);

    // When true the label sets the pointer itself: the hand over a link, the
    // arrow elsewhere.
    bool UseInternalCursor() const { return m_useInternalCursor; }
    void SetUseInternalCursor(bool use) { m_useInternalCursor = use; }

    void SetOnUrlHint(TLinkHintEvent event) { m_onUrlHint = std::move(event); }
    void SetOnMailHint(TLinkHintEvent event) { m_onMailHint = std::move(event); }
    void SetOnCustomLinkHint(TLinkHintEvent event) { m_onCustomLinkHint = std::move(event); }

    // The parse of the current text, and what it is rendered against.
    const TRichMarkup& Markup() const { return m_markup; }
    TRichStyle Style() const;

    // The displayed character under a point of the viewport, or -1 when the
    // point is over no character.
    int CharacterAt(const QPoint& viewportPos) const;
    std::optional<TRichLink> LinkAt(const QPoint& viewportPos) const;

    // The text without tags, and as an RTF document, for saving.
    QString PlainText(QStringView lineBreak = u"\r\n") const {
        return m_markup.PlainText(lineBreak);
    }
    QString Rtf() const { return m_markup.ToRtf(); }

  signals:
    void UrlClicked(const QString& link);
    void MailClicked(const QString& link);
    void CustomLinkClicked(const QString& link);

  protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void Render();
    void PointerMoved(const QPoint& viewportPos);
    const TLinkHintEvent& HintEvent(TLinkKind kind) const;

    QString m_richText;
    TRichMarkup m_markup;
    QColor m_urlColor{0x00, 0x00, 0x80};
    QColor m_mailColor{0x00, 0x00, 0x80};
    QColor m_linkColor{0x00, 0x00, 0x80};
    std::optional<QColor> m_fontColor;
    TParagraphAlignment m_defaultAlignment = TParagraphAlignment::Left;
    bool m_useInternalCursor = false;
    TLinkHintEvent m_onUrlHint;
    TLinkHintEvent m_onMailHint;
    TLinkHintEvent m_onCustomLinkHint;
    QCursor m_normalCursor;
    bool m_rendering = false;
};

}  // namespace tavrel
