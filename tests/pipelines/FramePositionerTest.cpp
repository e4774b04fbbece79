#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <numeric>

#include "dv/DateTimeValue.h"
#include "framework/Settings.h"
#include "pipelines/ConversionPipelines.h"
#include "pipelines/FramePositioner.h"
#include "scenes/DateFormat.h"
#include "scenes/SceneClass.h"
#include "support/FrenchSettings.h"
#include "support/TestClips.h"

namespace tavrel {
namespace {

using test::TestClip;
using test::TTestClip;
using test::TTestClipId;

QString PathOf(const TTestClip& clip) {
    return QString::fromStdString(clip.Path().string());
}

// The record of a positioned frame against what the clip was made with.
void CheckRecord(const TTestClip& clip, std::uint32_t frame, const TFrameInfo& record) {
    SCOPED_TRACE("frame " + std::to_string(frame));
    EXPECT_EQ(record.FrameIndex, frame);
    EXPECT_TRUE(record.HasTimecode);
    EXPECT_EQ(record.Timecode, clip.TimecodeAt(frame));
    TDatecode d;
    if (clip.DatecodeAt(frame, d)) {
        TDateTime expected = 0;
        ASSERT_TRUE(DatecodeToDateTime(d, expected));
        EXPECT_TRUE(record.HasDatecode);
        EXPECT_EQ(record.Datecode, expected);
    } else {
        EXPECT_FALSE(record.HasDatecode);
    }
    EXPECT_EQ(record.IsNtsc, clip.Ntsc());
    EXPECT_EQ(record.Is16x9, clip.Wide());
}

struct TPositionCase {
    TTestClipId Clip;
    std::vector<std::uint32_t> Frames;  // in the order sought
};

class FramePositioner : public ::testing::TestWithParam<TPositionCase> {};

TEST_P(FramePositioner, GivesTheRecordOfTheFrameSought) {
    const TTestClip& clip = TestClip(GetParam().Clip);
    SCOPED_TRACE(clip.FileName);
    QString error;
    auto positioner = TGstFramePositioner::Open(PathOf(clip), 5000, &error);
    ASSERT_NE(positioner, nullptr) << error.toStdString();
    EXPECT_EQ(positioner->FrameCount(), clip.FrameCount());
    for (std::uint32_t frame : GetParam().Frames) {
        const std::optional<TFrameInfo> record = positioner->PositionOn(frame);
        ASSERT_TRUE(record) << "frame " << frame;
        CheckRecord(clip, frame, *record);
    }
}

std::vector<std::uint32_t> EveryFrameBackwards(const TTestClip& clip) {
    std::vector<std::uint32_t> frames(static_cast<std::size_t>(clip.FrameCount()));
    std::iota(frames.rbegin(), frames.rend(), 0u);
    return frames;
}

INSTANTIATE_TEST_SUITE_P(
    Clips, FramePositioner,
    ::testing::Values(
        // Recording boundaries, forwards and back.
        TPositionCase{TTestClipId::ThreeRecordings, {0, 39, 40, 69, 70, 119, 5, 75, 40, 0}},
        TPositionCase{TTestClipId::LostDatecode, {29, 30, 49, 50, 79, 0}},
        // Interleaved DV; NTSC drop-frame timecode across a minute.
        TPositionCase{TTestClipId::Type1Ntsc43, {0, 9, 10, 11, 59, 30}},
        TPositionCase{TTestClipId::Type1Pal169, {49, 0, 25}},
        // RIFFs of about a dozen frames: every frame, across every AVIX boundary.
        TPositionCase{TTestClipId::OpenDml, EveryFrameBackwards(TestClip(TTestClipId::OpenDml))}));

TEST(FramePositionerLimits, FramesBeyondTheEndGiveNothing) {
    const TTestClip& clip = TestClip(TTestClipId::Type2Pal43);
    auto positioner = MakeFramePositioner(PathOf(clip), 2000);
    ASSERT_NE(positioner, nullptr);
    const auto count = static_cast<std::uint32_t>(clip.FrameCount());
    EXPECT_FALSE(positioner->PositionOn(count));
    EXPECT_FALSE(positioner->PositionOn(0xFFFFFFFFu));
    EXPECT_TRUE(positioner->Picture().isNull());
    // The positioner is still usable afterwards.
    const auto last = positioner->PositionOn(count - 1);
    ASSERT_TRUE(last);
    CheckRecord(clip, count - 1, *last);
}

TEST(FramePositionerLimits, FilesWithoutDvGiveNone) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString text = dir.filePath("notes.avi");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("pas une vidéo");
    }
    QString error;
    EXPECT_EQ(TGstFramePositioner::Open(text, 2000, &error), nullptr);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(MakeFramePositioner(dir.filePath("absent.avi")), nullptr);
}

// The mean colour of a picture, to tell the recordings apart: each has
// colours of its own.
QRgb MeanColour(const QImage& image) {
    std::uint64_t r = 0, g = 0, b = 0;
    for (int y = 0; y < image.height(); y += 8)
        for (int x = 0; x < image.width(); x += 8) {
            const QRgb p = image.pixel(x, y);
            r += qRed(p);
            g += qGreen(p);
            b += qBlue(p);
        }
    const std::uint64_t n = std::uint64_t((image.height() + 7) / 8) * ((image.width() + 7) / 8);
    return qRgb(int(r / n), int(g / n), int(b / n));
}

int ColourDistance(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
           std::abs(qBlue(a) - qBlue(b));
}

TEST(FramePositionerPicture, IsTheDecodedFrameSought) {
    const TTestClip& three = TestClip(TTestClipId::ThreeRecordings);
    auto positioner = MakeFramePositioner(PathOf(three));
    ASSERT_NE(positioner, nullptr);
    ASSERT_TRUE(positioner->PositionOn(45));
    const QImage second = positioner->Picture();
    if (second.isNull()) GTEST_SKIP() << "no DV decoder (gstreamer1.0-libav)";
    EXPECT_EQ(second.size(), QSize(720, 576));
    ASSERT_TRUE(positioner->PositionOn(10));
    const QImage first = positioner->Picture();
    ASSERT_FALSE(first.isNull());
    ASSERT_TRUE(positioner->PositionOn(41));
    const QImage secondAgain = positioner->Picture();
    EXPECT_GT(ColourDistance(MeanColour(first), MeanColour(second)), 60);
    EXPECT_LT(ColourDistance(MeanColour(secondAgain), MeanColour(second)), 20);

    // Interleaved DV goes through dvdemux to the decoder.
    auto type1 = MakeFramePositioner(PathOf(TestClip(TTestClipId::Type1Ntsc43)));
    ASSERT_NE(type1, nullptr);
    ASSERT_TRUE(type1->PositionOn(20));
    EXPECT_EQ(type1->Picture().size(), QSize(720, 480));
}

// The scene details read through the positioner.
TEST(FramePositionerDetails, FillSceneDetails) {
    TSettings::Global().Reset();
    SetDefaultFormatSettings(test::FrenchFormatSettings());
    const TTestClip& clip = TestClip(TTestClipId::ThreeRecordings);
    auto positioner = MakeFramePositioner(PathOf(clip));
    ASSERT_NE(positioner, nullptr);
    TSceneClass scene(40, 70);
    ASSERT_TRUE(FillSceneDetails(scene, nullptr, positioner.get()));
    EXPECT_EQ(scene.TimecodeText, QStringLiteral("01.00.01.15"));  // 1:00:00:00 + 40 frames
    TDatecode d;
    ASSERT_TRUE(clip.DatecodeAt(40, d));
    TDateTime expected = 0;
    ASSERT_TRUE(DatecodeToDateTime(d, expected));
    EXPECT_EQ(scene.Datecode, expected);
    EXPECT_NE(scene.DatecodeText, QStringLiteral("N/A"));
}

}  // namespace
}  // namespace tavrel
