#pragma once
// The tag language of the program's messages ("<b>", "<color blue>",
// "<br center>", "<url ...>" and the like) turned into displayed text with
// runs of attributes, paragraph alignments and link ranges. No widget is
// involved: the rich label (LinkEdit.h) shows the result, the command-line
// tool and the saved reports use its plain or RTF renderings.

#include <QColor>
#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

class QTextDocument;

namespace tavrel {

enum class TLinkKind { Url = 1, Mail, Custom };

enum class TParagraphAlignment { Left = 1, Right, Center };

// The attributes of one run of displayed text.
struct TRichAttributes {
    QString FontName;
    int SizePt = 0;
    QColor Colour;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;

    friend bool operator==(const TRichAttributes&, const TRichAttributes&) = default;
};

// What a text is rendered against: the label's own font (name, size, colour
// and style are the attributes every text starts with and that the closing
// tags return to), its default paragraph alignment and the colours of links
// and of the two system colours the COLOR tag can name.
struct TRichStyle {
    TRichAttributes Font{QStringLiteral("Arial"), 10, QColor(0, 0, 0)};
    TParagraphAlignment DefaultAlignment = TParagraphAlignment::Left;
    QColor UrlColor = QColor(0x00, 0x00, 0x80);
    QColor MailColor = QColor(0x00, 0x00, 0x80);
    QColor LinkColor = QColor(0x00, 0x00, 0x80);
    QColor ButtonFace = QColor(0xF0, 0xF0, 0xF0);
    QColor AppWorkspace = QColor(0xAB, 0xAB, 0xAB);
};

// A run of displayed characters [Start, Start + Length) sharing attributes.
struct TRichRun {
    int Start = 0;
    int Length = 0;
    TRichAttributes Attributes;

    friend bool operator==(const TRichRun&, const TRichRun&) = default;
};

// A clickable range [Start, End) of displayed characters and its target, as
// written in the opening tag (trimmed, case kept).
struct TRichLink {
    int Start = 0;
    int End = 0;
    QString Target;
    TLinkKind Kind = TLinkKind::Url;

    friend bool operator==(const TRichLink&, const TRichLink&) = default;
};

// A tagged text once parsed. Text holds the displayed characters with one
// '\n' for each line break (a BR tag or a line end of the source), so that
// positions count a line break as one character, as the text widget does.
class TRichMarkup {
  public:
    static TRichMarkup Parse(const QString& tagged, const TRichStyle& style = {});

    const QString& Text() const { return m_text; }
    // Contiguous, covering the whole text; neighbours differ in attributes.
    const std::vector<TRichRun>& Runs() const { return m_runs; }
    // One per paragraph, that is one more than the line breaks of Text().
    const std::vector<TParagraphAlignment>& Alignments() const { return m_alignments; }
    // In the order of their closing tags; ranges may overlap when link tags
    // were nested, and the first one holding a position is the link there.
    const std::vector<TRichLink>& Links() const { return m_links; }

    // The attributes of the character at position (those of the last
    // character for a position at or past the end).
    TRichAttributes AttributesAt(int position) const;
    // The link whose range holds the displayed character at position.
    std::optional<TRichLink> LinkAt(int position) const;

    // The displayed text with lineBreak for every line break.
    QString PlainText(QStringView lineBreak = u"\r\n") const;
    // The displayed text as an RTF document (fonts, sizes, colours, styles,
    // paragraph alignment), for the reports saved as rich text.
    QString ToRtf() const;
    // Replaces the content of document by the formatted text. Attributes
    // equal to the label's font are left to the document's default font,
    // so that a font given in pixels keeps its exact size.
    void FillDocument(QTextDocument& document) const;

  private:
    TRichStyle m_style;
    QString m_text;
    std::vector<TRichRun> m_runs;
    std::vector<TParagraphAlignment> m_alignments;
    std::vector<TRichLink> m_links;

    friend class TRichMarkupBuilder;
};

// The colour that the COLOR tag gives to name (already upper-cased), or none
// for a name it does not know.
std::optional<QColor> RichColourByName(QStringView upperName, const TRichStyle& style);

// The text of a tagged message without its tags, links kept as their text.
QString RichTextToPlain(const QString& tagged, QStringView lineBreak = u"\r\n");

// A plain text (an action's caption, a file name) written so that the tag
// language shows it as it stands: each '<' becomes "<<>", a tag of no name
// whose inner '<' is shown as itself. Line ends stay line breaks.
QString RichEscape(const QString& plain);

}  // namespace tavrel
