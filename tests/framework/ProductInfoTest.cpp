#include "framework/ProductInfo.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include "framework/RichMarkup.h"

namespace tavrel {
namespace {

TEST(ProductInfo, VersionAndTitleComeFromTheProjectVersion) {
    EXPECT_EQ(ProductVersion(), QStringLiteral(TAVREL_EXPECTED_VERSION));
    EXPECT_EQ(ProductVersion(), QString("%1.%2.%3")
                                    .arg(ProductVersionMajor())
                                    .arg(ProductVersionMinor())
                                    .arg(ProductVersionPatch()));
    EXPECT_EQ(ProductTitle(), "Tavrel " + QStringLiteral(TAVREL_EXPECTED_VERSION) + " fr");
    EXPECT_EQ(ProductName(), "Tavrel");
    EXPECT_EQ(ProductLanguage(), "fr");
    // Day and month on two digits, the year on four.
    EXPECT_TRUE(
        QRegularExpression("^\\d\\d/\\d\\d/\\d\\d\\d\\d$").match(ProductLastUpdate()).hasMatch())
        << ProductLastUpdate().toStdString();
}

TEST(ProductInfo, CreditsSentence) {
    struct Case {
        QStringList titles;
        QStringList urls;
        const char* tagged;
    };
    const Case cases[] = {
        {{"Qt", "GStreamer"},
         {"https://www.qt.io/", "https://gstreamer.freedesktop.org/"},
         "Il utilise <url https://www.qt.io/>Qt</url>, "
         "<url https://gstreamer.freedesktop.org/>GStreamer</url>.<br><br>"},
        // Fewer addresses than titles: the last one is named without a link.
        {{"Qt", "libdv"},
         {"https://www.qt.io/"},
         "Il utilise <url https://www.qt.io/>Qt</url>, libdv.<br><br>"},
        // A title is text, even with a bracket in it.
        {{"a<b"}, {"x"}, "Il utilise <url x>a<<>b</url>.<br><br>"},
        {{}, {"https://www.qt.io/"}, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(CreditsRichText(c.titles, c.urls), c.tagged);

    const TRichMarkup shown = TRichMarkup::Parse(CreditsRichText({"a<b"}, {"x"}));
    EXPECT_EQ(shown.PlainText(), "Il utilise a<b.\r\n\r\n");
    ASSERT_EQ(shown.Links().size(), 1u);
    EXPECT_EQ(shown.Links()[0].Target, "x");
}

TEST(ProductInfo, AboutTextNamesTheProgramItsDateAndPages) {
    const TRichMarkup about = TRichMarkup::Parse(AboutRichText({"Qt"}, {"https://www.qt.io/"}));
    const QString text = about.PlainText(u"\n");
    EXPECT_TRUE(text.startsWith("\n" + ProductTitle() + "\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("Dernière mise à jour le " + ProductLastUpdate() + "."));
    EXPECT_TRUE(text.contains("Il utilise Qt."));
    EXPECT_TRUE(text.contains("SANS AUCUNE GARANTIE"));
    QStringList targets;
    for (const TRichLink& link : about.Links()) targets << link.Target;
    EXPECT_EQ(targets,
              (QStringList{ProductHomePage(), ProductDocumentationPage(), ProductForumPage(),
                           ProductMailAddress(), "https://www.qt.io/"}));
    EXPECT_EQ(about.Links()[3].Kind, TLinkKind::Mail);
}

}  // namespace
}  // namespace tavrel
