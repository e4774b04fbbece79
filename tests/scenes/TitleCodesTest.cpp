#include "scenes/TitleCodes.h"

#include <gtest/gtest.h>

#include "avi/AviFichier.h"
#include "framework/Settings.h"
#include "scenes/OverlayCodes.h"
#include "scenes/SceneClass.h"
#include "support/DvFrameFactory.h"
#include "support/FrenchSettings.h"

namespace tavrel {
namespace {

TDateTime Date(int y, int mo, int d, int h, int mi, int s) {
    TDateTime v = 0;
    EXPECT_TRUE(TryEncodeDateTime({y, mo, d, h, mi, s, 0}, v));
    return v;
}

std::unique_ptr<TaviFichier> MakeVideo(const QString& path) {
    auto v = std::make_unique<TaviFichier>(path, TaviFichier::TUnanalysed{});
    v->Fps = 25;
    v->Codec = QStringLiteral("dvsd");
    v->ImageText = QStringLiteral("720 x 576 (Pal");
    v->AspectText = QStringLiteral(" 4x3)");
    v->Width = 720;
    v->Height = 540;
    v->AudioText = QStringLiteral("48000Hz 16 bits  stéréo");
    v->DurationText = QStringLiteral("1mn 00s 00fr");
    v->Datecode = Date(2003, 7, 14, 10, 12, 45);
    v->DatecodeText = QStringLiteral(" 14/07/2003 10:12:45");
    v->TimecodeText = QStringLiteral("00.54.32.10");
    return v;
}

class CodesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TSettings::Global().Reset();
        SetDefaultFormatSettings(test::FrenchFormatSettings());
        video = MakeVideo(QStringLiteral("/films/2003/Vacances.AVI"));
        scene.Number = 3;
        scene.Datecode = Date(2003, 7, 14, 10, 12, 45);
        scene.DatecodeText = QStringLiteral(" 14/07/2003 10:12:45");
        scene.TimecodeText = QStringLiteral("00.00.12.05");
    }
    void TearDown() override { TSettings::Global().Reset(); }
    QString Expand(const char* pattern) {
        return ExpandTitle(QString::fromUtf8(pattern), scene, video.get());
    }
    QString Pattern(const char* text) {
        return PatternFromTitle(QString::fromUtf8(text), &scene, video.get());
    }
    std::unique_ptr<TaviFichier> video;
    TSceneClass scene{100, 175};  // 75 frames
};

TEST(FormatDuration, ThreeFormats) {
    struct Case {
        std::uint32_t frames;
        double rate;
        const char* f0;
        const char* f1;
        const char* f2;
    };
    const Case cases[] = {
        {75, 25, "03.00", "03:00", "3s 00fr"},
        {12, 25, "00.12", "00:12", "12fr"},
        {0, 25, "00.00", "00:00", "0fr"},
        {1512, 25, "01:00.12", "01:00:12", "1mn 00s 12fr"},
        {93775, 25, "1:02:31.00", "1:02:31:00", "1h 02mn 31s 00fr"},
        {30, 30000.0 / 1001, "01.00", "01:00", "1s 00fr"},  // 0.03 frame left, rounded away
        {539, 29.97, "18.00", "18:00", "18s 00fr"},         // 29.51 frames round up to a second
        {75, 0, "??", "??", "??"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatDuration(c.frames, c.rate, 0), c.f0) << c.frames;
        EXPECT_EQ(FormatDuration(c.frames, c.rate, 1), c.f1) << c.frames;
        EXPECT_EQ(FormatDuration(c.frames, c.rate, 2), c.f2) << c.frames;
    }
    TSettings::Global().Reset();
    EXPECT_EQ(FormatDuration(75, 25), "03.00");
    TSettings::Global().Set("FormatDuree", 2);
    EXPECT_EQ(FormatDuration(75, 25), "3s 00fr");
    TSettings::Global().Reset();
}

TEST_F(CodesTest, TitleExpansion) {
    EXPECT_EQ(Expand("Scène %N: %D"), "Scène 3:  14/07/2003 10:12:45");
    EXPECT_EQ(Expand("Durée = %U"), "Durée = 03.00");
    EXPECT_EQ(Expand("%F|%P|%E|%T|%C|%I|%A|%U|%n"),
              "Vacances|/films/2003/|.AVI|00.00.12.05|dvsd|720 x 576 (Pal 4x3)|48000Hz 16 bits  "
              "stéréo|03.00|3");
    EXPECT_EQ(ExpandTitle("Scène %N", scene, nullptr), "Scène %N");

    // The datecode follows the display format in force, and the scene keeps
    // the text its titles show.
    TSettings::Global().Set("FormatAfficherDatecode", "dddddd tt");
    EXPECT_EQ(Expand("%D"), "lundi 14 juillet 2003 10:12:45");
    EXPECT_EQ(scene.DatecodeText, "lundi 14 juillet 2003 10:12:45");

    scene.Datecode = 0;
    scene.DatecodeText = QStringLiteral("N/A");
    EXPECT_EQ(Expand("[%D]"), "[N/A]");

    // A file name holding a code is expanded again by the later codes.
    video = MakeVideo(QStringLiteral("/films/cassette %D.avi"));
    EXPECT_EQ(Expand("%F"), "cassette N/A");
}

TEST_F(CodesTest, InverseSubstitution) {
    EXPECT_EQ(Pattern("Scène 3:  14/07/2003 10:12:45"), "Scène %N: %D");
    EXPECT_EQ(Pattern("Durée = 03.00, 03:00 ou 3s 00fr"), "Durée = %U, %U ou %U");
    EXPECT_EQ(Pattern("Scène3 Scène:3 Scène=3 a3"), "Scène%N Scène:%N Scène=%N a3");
    EXPECT_EQ(Pattern("le lundi 14 juillet 2003 10:12:45"), "le %D");
    EXPECT_EQ(Pattern("Vacances.AVI dans /films/2003/, 00.00.12.05"), "%F%E dans %P, %T");
    EXPECT_EQ(Pattern("dvsd 720 x 576 (Pal 4x3) 48000Hz 16 bits  stéréo"), "%C %I %A");

    // Whole words only: the number 1 inside 12 stays.
    scene.Number = 1;
    EXPECT_EQ(Pattern("Scène 12: Plage"), "Scène 12: Plage");
    scene.Number = 12;
    EXPECT_EQ(Pattern("Scène12: Plage"), "Scène%N: Plage");

    EXPECT_EQ(PatternFromTitle("Scène 3", nullptr, video.get()), "Scène 3");
    EXPECT_EQ(PatternFromTitle("Scène 3", &scene, nullptr), "Scène 3");

    // What the title editor offers comes back as typed.
    scene.Number = 3;
    for (const char* pattern : {"Scène %N: %D", "Durée = %U", "%F%E (%T) %C %I %A"})
        EXPECT_EQ(Pattern(Expand(pattern).toUtf8().constData()), QString::fromUtf8(pattern));
}

TEST_F(CodesTest, OverlayPatterns) {
    EXPECT_EQ(ExpandOverlayPattern("avec datecode=%D, timecode=%T, etc...", 1, video.get()),
              "avec datecode=%D1, timecode=%T, etc...");
    EXPECT_EQ(ExpandOverlayPattern("%d", 2, video.get()), "%D2");
    EXPECT_EQ(ExpandOverlayPattern("date=%D1", 1, video.get()), "date=%D11");
    EXPECT_EQ(ExpandOverlayPattern("%F%E %P %C %I %A %U %N", 1, video.get()),
              "Vacances.AVI /films/2003/ dvsd 720 x 576 (Pal 4x3) 48000Hz 16 bits  stéréo 1mn 00s "
              "00fr %N");
    EXPECT_EQ(ExpandOverlayPattern("%D %F", 1, nullptr), "%D %F");

    using P = std::pair<QString, QString>;
    TSettings& settings = TSettings::Global();
    EXPECT_EQ(OverlayLinePatterns(video.get()), (P{"%D1", "%D2"}));
    settings.Set("WhatIncrust", 1);
    EXPECT_EQ(OverlayLinePatterns(video.get()), (P{"", "%T"}));
    settings.Set("WhatIncrust", 2);
    EXPECT_EQ(OverlayLinePatterns(video.get()),
              (P{"Votre modèle ici", "avec datecode=%D2, timecode=%T, etc..."}));
    settings.Set("WhatIncrust", 7);
    EXPECT_EQ(OverlayLinePatterns(video.get()), (P{"%D1", "%D2"}));

    // The lines a frame shows with the settings of the table.
    settings.Set("WhatIncrust", 2);
    settings.Set("IncrustPerso1", "date=%D1");
    settings.Set("IncrustPerso2", "%F: %T");
    settings.Set("FormatDatecode1", "dd.mm.yy");
    settings.Set("DecalageDisplay", 1.0);
    const TDisplaySettings display = OverlayDisplaySettings(video.get());
    TFrameInfo frame;
    frame.HasDatecode = true;
    frame.Datecode = Date(2003, 7, 14, 10, 12, 45);
    frame.HasTimecode = true;
    frame.Timecode = TTimecode{0, 1, 2, 3};
    EXPECT_EQ(ExpandLine(display.Line1Pattern, frame, display), "date=15.07.031");
    EXPECT_EQ(ExpandLine(display.Line2Pattern, frame, display), "Vacances: 0:01:02:03");
}

TEST_F(CodesTest, OverlaySamples) {
    const TDateTime now = Date(2024, 1, 2, 3, 4, 5);
    EXPECT_EQ(OverlayDatecodeSample("ddddd", "tt", video.get(), now), "14/07/2003\r\n10:12:45");
    EXPECT_EQ(OverlaySampleLine("%T", "", "", video.get(), now), "00.54.32.10");
    EXPECT_EQ(OverlayCustomSample("Le %D", "tc %T", "dddddd", "hh'h'nn", video.get(), now),
              "Le lundi 14 juillet 2003\r\ntc 00.54.32.10");

    video->Datecode = 0;
    video->DatecodeText = QStringLiteral("N/A");
    video->TimecodeText = QStringLiteral("N/A");
    EXPECT_EQ(OverlaySampleLine("%D1 %D2 %T", "ddddd", "tt", video.get(), now),
              "02/01/2024 03:04:05 0:00:00:00");
    EXPECT_EQ(OverlaySampleLine("%D1 %T", "ddddd", "tt", nullptr, now), "02/01/2024 0:00:00:00");
}

}  // namespace
}  // namespace tavrel
