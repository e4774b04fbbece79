#include "framework/RichMarkup.h"

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace tavrel {

void PrintTo(const TRichAttributes& a, std::ostream* os) {
    *os << "{" << a.FontName.toStdString() << " " << a.SizePt << "pt "
        << a.Colour.name().toStdString() << (a.Bold ? " B" : "") << (a.Italic ? " I" : "")
        << (a.Underline ? " U" : "") << (a.StrikeOut ? " S" : "") << "}";
}
void PrintTo(const TRichRun& r, std::ostream* os) {
    *os << "[" << r.Start << "+" << r.Length << " ";
    PrintTo(r.Attributes, os);
    *os << "]";
}
void PrintTo(const TRichLink& l, std::ostream* os) {
    *os << "[" << l.Start << "," << l.End << ") " << l.Target.toStdString() << " kind "
        << int(l.Kind);
}

namespace {

using A = TParagraphAlignment;

const QColor kNavy(0x00, 0x00, 0x80);

// The label of the Options page: maroon Arial 8, bold italic, link colour
// left to its default.
TRichStyle MaroonStyle() {
    TRichStyle style;
    style.Font = {QStringLiteral("Arial"), 8, QColor(0x80, 0x00, 0x00), true, true};
    return style;
}

TRichAttributes Font() {
    return TRichStyle{}.Font;
}

TRichAttributes With(TRichAttributes a, bool bold, bool italic, int size = -1) {
    a.Bold = bold;
    a.Italic = italic;
    if (size >= 0) a.SizePt = size;
    return a;
}

TEST(RichMarkup, VideoHeadingShowsThreeEmptyLinesThenBoldItalic14) {
    const auto m = TRichMarkup::Parse(QString::fromUtf8(
        "<br><br><br><b><i><SIZE 14>Vidéo non disponible</size></i></b><br><br>"));
    EXPECT_EQ(m.Text(), QString::fromUtf8("\n\n\nVidéo non disponible\n\n"));
    const std::vector<TRichRun> runs{
        {0, 3, Font()}, {3, 20, With(Font(), true, true, 14)}, {23, 2, Font()}};
    EXPECT_EQ(m.Runs(), runs);
    EXPECT_EQ(m.Alignments(), std::vector<A>(6, A::Left));
    EXPECT_TRUE(m.Links().empty());
    // After </size> the size is the label's own, here 10 points.
    EXPECT_EQ(m.AttributesAt(23).SizePt, 10);
}

TEST(RichMarkup, VideoMessageWithFileName) {
    const auto m = TRichMarkup::Parse(QString::fromUtf8(
        "Le fichier<br><br><b><color blue>/films/été.avi</color></b><br>est introuvable"));
    EXPECT_EQ(m.PlainText(u"\n"),
              QString::fromUtf8("Le fichier\n\n/films/été.avi\nest introuvable"));
    auto name = With(Font(), true, false);
    name.Colour = QColor(0, 0, 255);
    const std::vector<TRichRun> runs{{0, 12, Font()}, {12, 14, name}, {26, 16, Font()}};
    EXPECT_EQ(m.Runs(), runs);
}

TEST(RichMarkup, LineBreakAlignments) {
    const struct {
        const char* text;
        A defaultAlignment;
        std::vector<A> expected;
    } cases[] = {
        {"a<br center>b<br>c<br RIGHT>d<br Left>e<br justify>f",
         A::Left,
         {A::Left, A::Center, A::Left, A::Right, A::Left, A::Left}},
        {"a<br>b<br left>c<br>d", A::Center, {A::Center, A::Center, A::Left, A::Center}},
        // A line end of the source keeps the alignment in force.
        {"<br center>a\r\nb", A::Left, {A::Left, A::Center, A::Center}},
        {"", A::Right, {A::Right}},
    };
    for (const auto& c : cases) {
        TRichStyle style;
        style.DefaultAlignment = c.defaultAlignment;
        EXPECT_EQ(TRichMarkup::Parse(QString::fromUtf8(c.text), style).Alignments(), c.expected)
            << c.text;
    }
}

TEST(RichMarkup, StyleTagsAddAndRemove) {
    const auto m = TRichMarkup::Parse("<b>1<i>2<u>3<s>4</b>5</i>6</u>7</s>8");
    ASSERT_EQ(m.Text(), "12345678");
    const struct {
        int position;
        bool b, i, u, s;
    } expected[] = {{0, 1, 0, 0, 0}, {1, 1, 1, 0, 0}, {2, 1, 1, 1, 0}, {3, 1, 1, 1, 1},
                    {4, 0, 1, 1, 1}, {5, 0, 0, 1, 1}, {6, 0, 0, 0, 1}, {7, 0, 0, 0, 0}};
    for (const auto& e : expected) {
        const auto a = m.AttributesAt(e.position);
        EXPECT_EQ(a.Bold, e.b) << e.position;
        EXPECT_EQ(a.Italic, e.i) << e.position;
        EXPECT_EQ(a.Underline, e.u) << e.position;
        EXPECT_EQ(a.StrikeOut, e.s) << e.position;
    }
    // Closing tags remove the style even when the label's font has it.
    const auto own = TRichMarkup::Parse("a</b>b</i>c", MaroonStyle());
    EXPECT_EQ(own.AttributesAt(0), MaroonStyle().Font);
    EXPECT_EQ(own.AttributesAt(2), With(MaroonStyle().Font, false, false));
}

TEST(RichMarkup, TagNamesAndFormattingParametersIgnoreCase) {
    const QColor blue(0, 0, 255);
    for (const char* text :
         {"<COLOR BLUE>x", "<color blue>x", "<Color Blue>x", "<COLOR   blue  >x", "<color\tblue>x"})
        EXPECT_EQ(TRichMarkup::Parse(text).AttributesAt(0).Colour, blue) << text;
    for (const char* text : {"<B>x", "<b>x", "<B >x", "<b    >x"})
        EXPECT_TRUE(TRichMarkup::Parse(text).AttributesAt(0).Bold) << text;
}

TEST(RichMarkup, ColourNames) {
    TRichStyle style;
    style.ButtonFace = QColor(1, 2, 3);
    style.AppWorkspace = QColor(4, 5, 6);
    const struct {
        const char* name;
        QRgb rgb;
    } table[] = {
        {"RED", 0xFF0000},     {"GREEN", 0x008000},      {"YELLOW", 0xFFFF00},
        {"BLUE", 0x0000FF},    {"BLACK", 0x000000},      {"WHITE", 0xFFFFFF},
        {"AQUA", 0x00FFFF},    {"DKGRAY", 0x808080},     {"OLIVE", 0x808000},
        {"PURPLE", 0x800080},  {"FUCHSIA", 0xFF00FF},    {"GRAY", 0x808080},
        {"LIME", 0x00FF00},    {"MAROON", 0x800000},     {"NAVY", 0x000080},
        {"LTGRAY", 0xC0C0C0},  {"MEDGRAY", 0xA0A0A4},    {"SILVER", 0xC0C0C0},
        {"TEAL", 0x008080},    {"MONEYGREEN", 0xC0DCC0}, {"CREAM", 0xFFFBF0},
        {"SKYBLUE", 0xA6CAF0}, {"BTNFACE", 0x010203},    {"APPWORKSPACE", 0x040506},
    };
    for (const auto& c : table) {
        const auto m =
            TRichMarkup::Parse(QStringLiteral("<color %1>x").arg(c.name).toLower(), style);
        EXPECT_EQ(m.AttributesAt(0).Colour, QColor::fromRgb(c.rgb)) << c.name;
    }
    EXPECT_FALSE(RichColourByName(u"CHARTREUSE", style));
    EXPECT_FALSE(RichColourByName(u"red", style));  // callers upper-case first
}

TEST(RichMarkup, ColourTagsLeaveAndReturnToTheFontColour) {
    TRichStyle style;
    style.Font.Colour = QColor(0x12, 0x34, 0x56);
    const auto m = TRichMarkup::Parse(
        "<color red>a<color chartreuse>b<color>c<color blue>d</color>e</color>f", style);
    EXPECT_EQ(m.AttributesAt(1).Colour, QColor(Qt::red));  // unknown name: unchanged
    EXPECT_EQ(m.AttributesAt(2).Colour, QColor(Qt::red));
    // Not the red in force before <color blue>: the label's own colour.
    EXPECT_EQ(m.AttributesAt(4).Colour, style.Font.Colour);
    EXPECT_EQ(m.AttributesAt(5).Colour, style.Font.Colour);
}

TEST(RichMarkup, SizeAndFontTags) {
    const struct {
        const char* text;
        int size;
    } sizes[] = {{"<size 14>x", 14}, {"<SIZE  12 >x", 12}, {"<size abc>x", 0},
                 {"<size>x", 0},     {"<size 1.5>x", 0},   {"<size 9>a</size>x", 10}};
    for (const auto& c : sizes) {
        const auto m = TRichMarkup::Parse(c.text);
        EXPECT_EQ(m.AttributesAt(int(m.Text().size()) - 1).SizePt, c.size) << c.text;
    }
    const auto m = TRichMarkup::Parse("<font Courier New>a</font>b");
    EXPECT_EQ(m.AttributesAt(0).FontName, "COURIER NEW");
    EXPECT_EQ(m.AttributesAt(1).FontName, "Arial");
}

TEST(RichMarkup, LinksTheirRangesTargetsAndColours) {
    TRichStyle style = MaroonStyle();
    style.UrlColor = QColor(1, 1, 1);
    style.MailColor = QColor(2, 2, 2);
    style.LinkColor = QColor(3, 3, 3);
    const QString prefix = QString::fromUtf8("Tapez F10 pour quitter cette page ou ");
    const auto m = TRichMarkup::Parse(prefix + "<link closeOptions>cliquez ici</link>.", style);
    const int start = int(prefix.size());
    ASSERT_EQ(m.Links().size(), 1u);
    EXPECT_EQ(m.Links()[0], (TRichLink{start, start + 11, "closeOptions", TLinkKind::Custom}));
    auto linkAttributes = style.Font;
    linkAttributes.Colour = style.LinkColor;
    linkAttributes.Underline = true;
    EXPECT_EQ(m.AttributesAt(start), linkAttributes);
    EXPECT_EQ(m.AttributesAt(start + 11), style.Font);  // "." restored

    EXPECT_FALSE(m.LinkAt(start - 1));
    EXPECT_EQ(m.LinkAt(start)->Target, "closeOptions");
    EXPECT_EQ(m.LinkAt(start + 10)->Target, "closeOptions");
    EXPECT_FALSE(m.LinkAt(start + 11));
    EXPECT_FALSE(m.LinkAt(-1));
    EXPECT_FALSE(m.LinkAt(1000));

    // Targets keep their case; line breaks before a link count one each.
    const auto kinds = TRichMarkup::Parse(
        "<br><br><url  HTTP://Example.org/Page >site</url> <mail Moi@Example.org>mail</mail>",
        style);
    const std::vector<TRichLink> expected{{2, 6, "HTTP://Example.org/Page", TLinkKind::Url},
                                          {7, 11, "Moi@Example.org", TLinkKind::Mail}};
    EXPECT_EQ(kinds.Links(), expected);
    EXPECT_EQ(kinds.AttributesAt(2).Colour, style.UrlColor);
    EXPECT_EQ(kinds.AttributesAt(7).Colour, style.MailColor);
}

TEST(RichMarkup, ClosingLinkRestoresTheColourAndStyleOfItsOpening) {
    const auto m = TRichMarkup::Parse("<u><color red><url x>a<b></url>b");
    auto before = Font();
    before.Colour = QColor(Qt::red);
    before.Underline = true;
    EXPECT_EQ(m.AttributesAt(1), before);  // bold added inside is undone too

    // A closing tag of another kind restores the formatting but makes no link.
    const auto other = TRichMarkup::Parse("<url a>x</mail>y");
    EXPECT_TRUE(other.Links().empty());
    EXPECT_EQ(other.AttributesAt(1), Font());

    // A closing tag with no opening one changes nothing.
    const auto stray = TRichMarkup::Parse("<b></url>a</link>b");
    EXPECT_EQ(stray.AttributesAt(1), With(Font(), true, false));
    EXPECT_TRUE(stray.Links().empty());

    // An empty link holds no character.
    EXPECT_TRUE(TRichMarkup::Parse("a<url x></url>b").Links().empty());
}

TEST(RichMarkup, NestedLinksOverwriteTheOuterOne) {
    const auto m = TRichMarkup::Parse("<link a>xx<link b>yy</link>zz</link>tail");
    EXPECT_EQ(m.Text(), "xxyyzztail");
    EXPECT_FALSE(m.LinkAt(0));  // the outer start was overwritten
    EXPECT_EQ(m.LinkAt(2)->Target, "b");
    EXPECT_EQ(m.LinkAt(5)->Target, "b");
    EXPECT_FALSE(m.LinkAt(6));
    // What the outer tag saved is lost: the rest keeps the link's look.
    EXPECT_TRUE(m.AttributesAt(6).Underline);
    EXPECT_EQ(m.AttributesAt(6).Colour, kNavy);
}

TEST(RichMarkup, UnknownMalformedAndUnterminatedTags) {
    const struct {
        const char* text;
        const char* shown;
    } cases[] = {
        {"a<blink>b<>c<x y z>d", "abcd"},
        {"a>b", "a>b"},
        {"<COLOR Red>>>> Il y a 00000010 octets</COLOR>", ">>> Il y a 00000010 octets"},
        {"a<<b>c", "a<c"},  // '<' inside a tag is shown, the tag goes on
        {"x<b<i>y", "x<y"},
        {"a<b", "a<b"},  // never closed: shown rather than lost
        {"<b>x<i", "x<i"},
        {"a<b<c", "a<b<c"},
        {"<", "<"},
        {"a<b\nc", "a<b\nc"},
        {"", ""},
        {"Bonjour à tous", "Bonjour à tous"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TRichMarkup::Parse(QString::fromUtf8(c.text)).Text(), QString::fromUtf8(c.shown))
            << c.text;

    const auto literal = TRichMarkup::Parse("a<<b>c");
    EXPECT_FALSE(literal.AttributesAt(1).Bold);  // before the tag acts
    EXPECT_TRUE(literal.AttributesAt(2).Bold);
    EXPECT_EQ(literal.Runs().size(), 2u);

    const auto open = TRichMarkup::Parse("<b>x<i");
    EXPECT_TRUE(open.AttributesAt(2).Bold);
    EXPECT_FALSE(open.AttributesAt(2).Italic);
    EXPECT_EQ(TRichMarkup::Parse("a<b\nc").Alignments().size(), 2u);
}

TEST(RichMarkup, TextWithoutTagsOrEmpty) {
    const auto plain = TRichMarkup::Parse(QString::fromUtf8("Bonjour à tous"));
    EXPECT_EQ(plain.Runs(), (std::vector<TRichRun>{{0, 14, Font()}}));
    const auto empty = TRichMarkup::Parse("");
    EXPECT_TRUE(empty.Text().isEmpty());
    EXPECT_TRUE(empty.Runs().empty());
    EXPECT_EQ(empty.Alignments(), std::vector<A>{A::Left});
    EXPECT_EQ(empty.AttributesAt(0), Font());
    EXPECT_EQ(empty.PlainText(), "");
}

TEST(RichMarkup, TagsLeftOpenApplyToTheEnd) {
    EXPECT_TRUE(TRichMarkup::Parse("<b>abc").AttributesAt(2).Bold);
    const auto centred = TRichMarkup::Parse("Titre<br center>Hello");
    EXPECT_EQ(centred.Alignments(), (std::vector<A>{A::Left, A::Center}));
}

TEST(RichMarkup, PlainText) {
    const QString tagged = QString::fromUtf8(
        "<b>Le fichier</b><br><br center><url http://x>été</url>\r\nfin\rici\n<size 3>");
    EXPECT_EQ(RichTextToPlain(tagged),
              QString::fromUtf8("Le fichier\r\n\r\nété\r\nfin\r\nici\r\n"));
    EXPECT_EQ(RichTextToPlain(tagged, u"\n"), QString::fromUtf8("Le fichier\n\nété\nfin\nici\n"));
    EXPECT_EQ(RichTextToPlain("a<b"), "a<b");
}

TEST(RichMarkup, RtfKeepsFormattingAndEscapes) {
    const QString rtf =
        TRichMarkup::Parse(QString::fromUtf8("<b>été</b><br center><color red>{x}\\</color>"
                                             "<font Courier New><size 14>z"))
            .ToRtf();
    EXPECT_TRUE(rtf.startsWith("{\\rtf1")) << rtf.toStdString();
    EXPECT_TRUE(rtf.trimmed().endsWith("}"));
    for (const char* piece :
         {"{\\f0\\fnil Arial;}", "{\\f1\\fnil COURIER NEW;}", "\\red255\\green0\\blue0;",
          "\\b \\u233?t\\u233?\\plain", "\\pard\\qc ", "\\{x\\}\\\\", "\\f1\\cf1\\fs28 z"})
        EXPECT_TRUE(rtf.contains(QLatin1String(piece))) << piece << "\n" << rtf.toStdString();
    for (const QChar c : rtf) EXPECT_LT(c.unicode(), 0x80);
    // Braces balance, so readers find the end of the document.
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == u'\\') {
            ++i;
            continue;
        }
        if (rtf[i] == u'{') ++depth;
        if (rtf[i] == u'}') --depth;
        ASSERT_GE(depth, 0);
    }
    EXPECT_EQ(depth, 0);
}

}  // namespace
}  // namespace tavrel
