#include "framework/RichMarkup.h"

#include <algorithm>
#include <array>

namespace tavrel {

namespace {

struct TNamedColour {
    const char16_t* Name;
    QRgb Rgb;
};

constexpr std::array<TNamedColour, 22> kNamedColours{{
    {u"RED", 0xFF0000},     {u"GREEN", 0x008000},      {u"YELLOW", 0xFFFF00},
    {u"BLUE", 0x0000FF},    {u"BLACK", 0x000000},      {u"WHITE", 0xFFFFFF},
    {u"AQUA", 0x00FFFF},    {u"DKGRAY", 0x808080},     {u"OLIVE", 0x808000},
    {u"PURPLE", 0x800080},  {u"FUCHSIA", 0xFF00FF},    {u"GRAY", 0x808080},
    {u"LIME", 0x00FF00},    {u"MAROON", 0x800000},     {u"NAVY", 0x000080},
    {u"LTGRAY", 0xC0C0C0},  {u"MEDGRAY", 0xA0A0A4},    {u"SILVER", 0xC0C0C0},
    {u"TEAL", 0x008080},    {u"MONEYGREEN", 0xC0DCC0}, {u"CREAM", 0xFFFBF0},
    {u"SKYBLUE", 0xA6CAF0},
}};

}  // namespace

std::optional<QColor> RichColourByName(QStringView upperName, const TRichStyle& style) {
    if (upperName == u"BTNFACE") return style.ButtonFace;
    if (upperName == u"APPWORKSPACE") return style.AppWorkspace;
    for (const auto& c : kNamedColours)
        if (upperName == QStringView(c.Name)) return QColor::fromRgb(c.Rgb);
    return std::nullopt;
}

// Walks a tagged text once. Every displayed character takes the attributes
// in force when it is met: those set by the tags before it. A tag changes the
// attributes only for what follows it, and a tag left open applies to the end
// of the text.
class TRichMarkupBuilder {
  public:
    explicit TRichMarkupBuilder(const TRichStyle& style) : m_current(style.Font) {
        m_result.m_style = style;
        m_alignment = style.DefaultAlignment;
        m_result.m_alignments.push_back(m_alignment);
    }

    TRichMarkup Build(const QString& source) {
        bool inTag = false;
        qsizetype segmentStart = 0;  // start of the plain text not yet appended
        qsizetype tagStart = 0;
        int literalBrackets = 0;
        QString tag;
        for (qsizetype i = 0; i < source.size(); ++i) {
            const QChar c = source[i];
            if (!inTag) {
                if (c != u'<') continue;
                AppendPlain(QStringView(source).mid(segmentStart, i - segmentStart));
                inTag = true;
                tagStart = i;
                tag.clear();
                literalBrackets = 0;
            } else if (c == u'>') {
                // A '<' inside a tag is shown as itself, before the tag acts.
                for (int k = 0; k < literalBrackets; ++k) AppendPlain(u"<");
                ApplyTag(tag);
                inTag = false;
                segmentStart = i + 1;
            } else if (c == u'<') {
                ++literalBrackets;
            } else {
                tag += c;
            }
        }
        // A '<' never closed is no tag: its text is shown rather than lost.
        AppendPlain(QStringView(source).mid(inTag ? tagStart : segmentStart));
        return std::move(m_result);
    }

  private:
    struct TOpenLink {
        qsizetype Start = 0;
        QString Target;
        TLinkKind Kind = TLinkKind::Url;
        QColor SavedColour;
        bool SavedBold = false;
        bool SavedItalic = false;
        bool SavedUnderline = false;
        bool SavedStrikeOut = false;
    };

    // Plain text of the source: its line ends (CR LF, CR or LF) are line
    // breaks like BR tags, the rest is shown unchanged.
    void AppendPlain(QStringView text) {
        qsizetype start = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] != u'\r' && text[i] != u'\n') continue;
            AppendChars(text.mid(start, i - start));
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            AppendBreak();
            start = i + 1;
        }
        AppendChars(text.mid(start));
    }

    void AppendChars(QStringView text) {
        if (text.isEmpty()) return;
        auto& runs = m_result.m_runs;
        const int start = int(m_result.m_text.size());
        m_result.m_text += text;
        if (!runs.empty() && runs.back().Attributes == m_current)
            runs.back().Length += int(text.size());
        else
            runs.push_back({start, int(text.size()), m_current});
    }

    void AppendBreak() {
        AppendChars(u"\n");
        m_result.m_alignments.push_back(m_alignment);
    }

    void ApplyTag(const QString& tag) {
        QString name;
        QString parameter;
        const auto blank =
            std::find_if(tag.begin(), tag.end(), [](QChar c) { return c.isSpace(); });
        if (blank == tag.end()) {
            name = tag.toUpper();
        } else {
            const qsizetype at = blank - tag.begin();
            name = tag.left(at).trimmed().toUpper();
            parameter = tag.mid(at + 1).trimmed();
        }
        const QString upper = parameter.toUpper();
        const TRichStyle& style = m_result.m_style;

        if (name == u"B") {
            m_current.Bold = true;
        } else if (name == u"/B") {
            m_current.Bold = false;
        } else if (name == u"I") {
            m_current.Italic = true;
        } else if (name == u"/I") {
            m_current.Italic = false;
        } else if (name == u"U") {
            m_current.Underline = true;
        } else if (name == u"/U") {
            m_current.Underline = false;
        } else if (name == u"S") {
            m_current.StrikeOut = true;
        } else if (name == u"/S") {
            m_current.StrikeOut = false;
        } else if (name == u"COLOR") {
            if (const auto colour = RichColourByName(upper, style)) m_current.Colour = *colour;
        } else if (name == u"/COLOR") {
            m_current.Colour = style.Font.Colour;
        } else if (name == u"SIZE") {
            bool ok = false;
            const int size = upper.toInt(&ok, 10);
            m_current.SizePt = ok ? size : 0;
        } else if (name == u"/SIZE") {
            m_current.SizePt = style.Font.SizePt;
        } else if (name == u"FONT") {
            m_current.FontName = upper;
        } else if (name == u"/FONT") {
            m_current.FontName = style.Font.FontName;
        } else if (name == u"URL") {
            OpenLink(TLinkKind::Url, parameter, style.UrlColor);
        } else if (name == u"MAIL") {
            OpenLink(TLinkKind::Mail, parameter, style.MailColor);
        } else if (name == u"LINK") {
            OpenLink(TLinkKind::Custom, parameter, style.LinkColor);
        } else if (name == u"/URL") {
            CloseLink(TLinkKind::Url);
        } else if (name == u"/MAIL") {
            CloseLink(TLinkKind::Mail);
        } else if (name == u"/LINK") {
            CloseLink(TLinkKind::Custom);
        } else if (name == u"BR") {
            AppendBreak();
            if (upper == u"LEFT")
                m_alignment = TParagraphAlignment::Left;
            else if (upper == u"RIGHT")
                m_alignment = TParagraphAlignment::Right;
            else if (upper == u"CENTER")
                m_alignment = TParagraphAlignment::Center;
            else
                m_alignment = style.DefaultAlignment;
            m_result.m_alignments.back() = m_alignment;
        }
        // Any other tag is dropped and changes nothing.
    }

    // Links do not nest: a second opening tag replaces the record of the
    // first, its start and the attributes to restore included.
    void OpenLink(TLinkKind kind, const QString& target, const QColor& colour) {
        m_open = TOpenLink{m_result.m_text.size(),
                           target,
                           kind,
                           m_current.Colour,
                           m_current.Bold,
                           m_current.Italic,
                           m_current.Underline,
                           m_current.StrikeOut};
        m_current.Colour = colour;
        m_current.Underline = true;
    }

    // A closing link tag restores what its opening tag saved, whatever its
    // kind; it makes a link only when the kinds match. The record stays, so
    // the closing tag of an outer link still ends the inner one's range. A
    // closing tag before any opening one has nothing to restore.
    void CloseLink(TLinkKind kind) {
        if (!m_open) return;
        m_current.Colour = m_open->SavedColour;
        m_current.Bold = m_open->SavedBold;
        m_current.Italic = m_open->SavedItalic;
        m_current.Underline = m_open->SavedUnderline;
        m_current.StrikeOut = m_open->SavedStrikeOut;
        const qsizetype end = m_result.m_text.size();
        if (m_open->Kind == kind && end > m_open->Start)
            m_result.m_links.push_back({int(m_open->Start), int(end), m_open->Target, kind});
    }

    TRichMarkup m_result;
    TRichAttributes m_current;
    TParagraphAlignment m_alignment;
    std::optional<TOpenLink> m_open;
};

TRichMarkup TRichMarkup::Parse(const QString& tagged, const TRichStyle& style) {
    return TRichMarkupBuilder(style).Build(tagged);
}

TRichAttributes TRichMarkup::AttributesAt(int position) const {
    if (m_runs.empty()) return m_style.Font;
    const auto after = std::upper_bound(m_runs.begin(), m_runs.end(), position,
                                        [](int p, const TRichRun& r) { return p < r.Start; });
    if (after == m_runs.begin()) return m_runs.front().Attributes;
    return std::prev(after)->Attributes;
}

std::optional<TRichLink> TRichMarkup::LinkAt(int position) const {
    for (const auto& link : m_links)
        if (position >= link.Start && position < link.End) return link;
    return std::nullopt;
}

QString TRichMarkup::PlainText(QStringView lineBreak) const {
    if (lineBreak == u"\n") return m_text;
    QString plain;
    plain.reserve(m_text.size() + m_alignments.size() * lineBreak.size());
    for (const QChar c : m_text) {
        if (c == u'\n')
            plain += lineBreak;
        else
            plain += c;
    }
    return plain;
}

QString RichTextToPlain(const QString& tagged, QStringView lineBreak) {
    return TRichMarkup::Parse(tagged).PlainText(lineBreak);
}

QString RichEscape(const QString& plain) {
    QString escaped = plain;
    escaped.replace(QLatin1Char('<'), QStringLiteral("<<>"));
    return escaped;
}

}  // namespace tavrel
