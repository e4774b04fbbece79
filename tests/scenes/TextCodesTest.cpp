#include "scenes/TextCodes.h"

#include <gtest/gtest.h>

#include "support/DvFrameFactory.h"
#include "support/FrenchSettings.h"

namespace tavrel {
namespace {

TEST(ReplaceCode, CaseWholeWordsAndResuming) {
    struct Case {
        const char* text;
        const char* oldText;
        const char* newText;
        bool wholeWord;
        const char* expected;
    };
    const Case cases[] = {
        {"%n et %N", "%N", "3", false, "3 et 3"},
        {"%%N", "%N", "5", false, "%5"},
        {"Scène 12: Plage", "1", "%N", true, "Scène 12: Plage"},
        {"Scène 1: Plage", "1", "%N", true, "Scène %N: Plage"},
        {"1a 1 (1) a1", "1", "X", true, "1a X (X) a1"},
        {"1", "1", "X", true, "X"},
        {"Scène12 et scène12", "Scène12", "Scène%N", true, "Scène%N et Scène%N"},
        {"aaa", "a", "aa", false, "aaaaaa"},
        {"%D", "%D", "%D1", false, "%D1"},
        {"abc", "", "x", false, "abc"},
        {"", "a", "x", false, ""},
        {"ÉTÉ été", "été", "x", false, "x x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReplaceCode(QString::fromUtf8(c.text), QString::fromUtf8(c.oldText),
                              QString::fromUtf8(c.newText), c.wholeWord),
                  QString::fromUtf8(c.expected))
            << c.text << " / " << c.oldText;
}

class ExpandLineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        settings.Regional = std::make_shared<const TFormatSettings>(test::FrenchFormatSettings());
        frame.HasDatecode = true;
        ASSERT_TRUE(TryEncodeDateTime({2003, 7, 14, 21, 45, 30, 0}, frame.Datecode));
        frame.HasTimecode = true;
        frame.Timecode = TTimecode{1, 2, 3, 4};
    }
    QString Expand(const char* pattern) {
        return ExpandLine(QString::fromUtf8(pattern), frame, settings);
    }
    TDisplaySettings settings;
    TFrameInfo frame;
};

TEST_F(ExpandLineTest, DateAndTimecodeCodes) {
    EXPECT_EQ(Expand("%D1"), "14/07/2003");
    EXPECT_EQ(Expand("%D2"), "21:45:30");
    EXPECT_EQ(Expand("%T"), "1:02:03:04");
    EXPECT_EQ(Expand("%d1 %d2 %t"), "14/07/2003 21:45:30 1:02:03:04");
    EXPECT_EQ(Expand("date=%D11"), "date=14/07/20031");
    EXPECT_EQ(Expand("Vidéo du %D1 à %D2"), "Vidéo du 14/07/2003 à 21:45:30");
    frame.Timecode = TTimecode{12, 0, 0, 0};
    EXPECT_EQ(Expand("%T"), "12:00:00:00");

    settings.FormatDatecode1 = "dddddd";
    settings.FormatDatecode2 = "hh'h'nn";
    EXPECT_EQ(Expand("%D1, %D2"), "lundi 14 juillet 2003, 21h45");
}

TEST_F(ExpandLineTest, DisplayShiftAndMissingValues) {
    settings.DecalageDisplay = 3.0 / 24;  // three hours later, into the next day
    EXPECT_EQ(Expand("%D1 %D2"), "15/07/2003 00:45:30");
    frame.HasDatecode = false;
    frame.Datecode = 0;
    frame.HasTimecode = false;
    EXPECT_EQ(Expand("[%D1][%D2][%T]"), "[][][]");
}

TEST(OverlayLines, DetectorReportsTheExpandedLinesInUtf8) {
    TDisplaySettings settings;
    settings.Regional = std::make_shared<const TFormatSettings>(test::FrenchFormatSettings());
    settings.Line1Pattern = QStringLiteral("Vidéo %D1");
    auto lines = std::make_shared<TOverlayLines>(settings);
    Tdv_sceneDetect detector(lines);
    std::vector<std::pair<std::string, std::string>> shown;
    detector.SetDisplayCallback([&](const TFrameInfo&, const std::string& l1,
                                    const std::string& l2) { shown.emplace_back(l1, l2); });
    detector.StartStreaming(400000);
    test::TFrameSpec recipe;
    recipe.Datecode = test::Datecode(2024, 7, 8, 19, 55, 58);
    detector.ProcessSample(test::MakeFrame(recipe));
    detector.ProcessSample(test::MakeFrame(recipe));

    // New settings take effect from the next frame on.
    settings.Line1Pattern = QString();
    settings.Line2Pattern = QStringLiteral("%T");
    lines->SetSettings(settings);
    recipe.Timecode = TTimecode{0, 0, 2, 17};
    detector.ProcessSample(test::MakeFrame(recipe));
    detector.EndOfStream();

    using P = std::pair<std::string, std::string>;
    EXPECT_EQ(shown, (std::vector<P>{P{"Vid\xC3\xA9o 08/07/2024", "19:55:58"}, P{"", "0:00:02:17"},
                                     P{"", ""}}));
}

}  // namespace
}  // namespace tavrel
