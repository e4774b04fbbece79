#include "avi/MediaFormat.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>

// Failures show the texts themselves.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace tavrel {
namespace {

constexpr std::int64_t kSecond = kHnsPerSecond;
constexpr std::int64_t kPalFrame = 400'000;
constexpr std::int64_t kNtscFrame = 333'667;  // 1001/30000 s, as headers round it
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();
constexpr double kNtscRate = 30000.0 / 1001.0;
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct TDurationCase {
    std::int64_t DurationHns;
    std::int64_t FrameHns;
    const char* Frames;
    const char* Ms;
};

TEST(MediaFormat, DurationTexts) {
    const TDurationCase cases[] = {
        {3723 * kSecond + 4 * kPalFrame, kPalFrame, "1h 02mn 03s 04fr", "1h 02mn 03s 160ms"},
        {59'999'999, kPalFrame, "5s 24fr", "5s 999ms"},
        {3'999'999, kPalFrame, "9fr", "399millièmes"},
        {5'000'000, kPalFrame, "12fr", "500millièmes"},
        {0, kPalFrame, "0fr", "0millièmes"},
        {9'999, kPalFrame, "0fr", "0millièmes"},
        {kSecond, kPalFrame, "1s 00fr", "1s 000ms"},
        {60 * kSecond, kPalFrame, "1mn 00s 00fr", "1mn 00s 000ms"},
        {3600 * kSecond, kPalFrame, "1h 00mn 00s 00fr", "1h 00mn 00s 000ms"},
        {(59 * 60 + 59) * kSecond + 24 * kPalFrame, kPalFrame, "59mn 59s 24fr", "59mn 59s 960ms"},
        // Hours are not cut at a day, nor at two digits.
        {123 * 3600 * kSecond, kPalFrame, "123h 00mn 00s 00fr", "123h 00mn 00s 000ms"},
        // NTSC: frames within the second truncate, never reaching 30.
        {kSecond - 1, kNtscFrame, "29fr", "999millièmes"},
        {30 * kNtscFrame, kNtscFrame, "1s 00fr", "1s 001ms"},
        {107'892 * kNtscFrame, kNtscFrame, "59mn 59s 29fr", "59mn 59s 999ms"},
        // A frame longer than a second leaves no whole frame in the remainder.
        {kSecond + 5'000'000, 2 * kSecond, "1s 00fr", "1s 500ms"},
        {kInt64Max, kPalFrame, "256204778h 48mn 05s 11fr", "256204778h 48mn 05s 477ms"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatDurationFrames(c.DurationHns, c.FrameHns), QString::fromUtf8(c.Frames))
            << c.DurationHns;
        EXPECT_EQ(FormatDurationMs(c.DurationHns), QString::fromUtf8(c.Ms)) << c.DurationHns;
    }
}

TEST(MediaFormat, DurationWithoutFrameRateFallsBackToMilliseconds) {
    // No frame duration would divide by zero; the millisecond text is what the
    // media record shows for a stream without a frame rate.
    for (std::int64_t frame : {std::int64_t{0}, std::int64_t{-400'000}, kInt64Min}) {
        EXPECT_EQ(FormatDurationFrames(3 * kSecond + 40 * kHnsPerMillisecond, frame), "3s 040ms");
        EXPECT_EQ(FormatDurationFrames(5'000'000, frame), QStringLiteral("500millièmes"));
    }
}

TEST(MediaFormat, NegativeDurationsShowTheirMagnitude) {
    EXPECT_EQ(FormatDurationFrames(-(3723 * kSecond + 4 * kPalFrame), kPalFrame),
              "-1h 02mn 03s 04fr");
    EXPECT_EQ(FormatDurationFrames(-15'000'000, kPalFrame), "-1s 12fr");
    EXPECT_EQ(FormatDurationMs(-5'000'000), QStringLiteral("-500millièmes"));
    EXPECT_EQ(FormatDurationFrames(kInt64Min, kPalFrame), "-256204778h 48mn 05s 11fr");
    EXPECT_EQ(FormatDurationMs(kInt64Min), "-256204778h 48mn 05s 477ms");
}

TEST(MediaFormat, WaveFormatNames) {
    const std::pair<std::uint16_t, const char*> cases[] = {
        {1, "PCM"},
        {2, "ADPCM"},
        {3, "IEEE_FLOAT"},
        {80, "MPEG"},
        {85, "MP3"},
        {98, "VOXWARE"},
        {117, "VOXWARE"},
        {34, "DSPGROUP_TRUESPEECH"},
        {515, "CREATIVE_FASTSPEECH10"},
        {4352, "LH_CODEC"},
        {5120, "NORRIS"},
        // Gaps of the table and the extensible format are unknown.
        {0, "Inconnu"},
        {4, "Inconnu"},
        {0x0161, "Inconnu"},
        {0xFFFE, "Inconnu"},
        {0xFFFF, "Inconnu"},
    };
    for (const auto& [tag, name] : cases) EXPECT_EQ(WaveFormatName(tag), name) << tag;
}

TEST(MediaFormat, FramePositions) {
    const struct {
        std::int32_t Frame;
        double Rate;
        const char* Text;
    } cases[] = {
        {30, 25, "01:05"},
        {0, 25, "00:00"},
        {12, 25, "00:12"},
        {75, 25, "03:00"},
        {1500, 25, "01:00:00"},
        {93'775, 25, "1:02:31:00"},
        {90'000, 25, "1:00:00:00"},
        {std::numeric_limits<std::int32_t>::max(), 25, "23860:55:45:22"},
        // Remaining frames round halves to the even one.
        {13, 12.5, "01:00"},
        {4, 2.5, "01:02"},
        // NTSC: 30 frames are a little over one second.
        {29, 29.97, "00:29"},
        {30, 29.97, "01:00"},
        {60, kNtscRate, "02:00"},
        {1797, kNtscRate, "59:29"},
        // A second holds frames 0 to 29; a rest that rounds to 30 is the next
        // second, so that no position is skipped.
        {1798, kNtscRate, "01:00:00"},
        {1799, kNtscRate, "01:00:01"},
        {569, 29.97, "19:00"},
        {569, kNtscRate, "19:00"},
        {570, 29.97, "19:01"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatFramePosition(c.Frame, c.Rate), c.Text) << c.Frame << " @ " << c.Rate;
}

TEST(MediaFormat, FramePositionOfUnusableInput) {
    for (double rate : {0.0, -0.0, -25.0, kNan, kInf, -kInf})
        EXPECT_EQ(FormatFramePosition(30, rate), "??") << rate;
    // So slow a rate puts the position beyond any count of seconds.
    EXPECT_EQ(FormatFramePosition(std::numeric_limits<std::int32_t>::max(), 1e-300), "??");
    EXPECT_EQ(FormatFramePosition(-30, 25), "-01:05");
    EXPECT_EQ(FormatFramePosition(std::numeric_limits<std::int32_t>::min(), 25), "-23860:55:45:23");
}

TEST(MediaFormat, SrtTimes) {
    const struct {
        std::uint32_t Frame;
        double Rate;
        const char* Text;
    } cases[] = {
        {0, 25, "00:00:00,000"},
        {1, 25, "00:00:00,040"},
        {50, 25, "00:00:02,000"},
        {90'000, 25, "01:00:00,000"},
        {3, 29.97, "00:00:00,100"},
        {30, kNtscRate, "00:00:01,001"},
        {107'892, kNtscRate, "00:59:59,996"},
        // Halves go to the even millisecond.
        {1, 16, "00:00:00,062"},
        {3, 16, "00:00:00,188"},
        {1, 80, "00:00:00,012"},
        // Past 99 hours the hours take more digits.
        {std::numeric_limits<std::uint32_t>::max(), 25, "47721:51:31,800"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatSrtTime(c.Frame, c.Rate), c.Text) << c.Frame << " @ " << c.Rate;
}

TEST(MediaFormat, SrtTimeWithoutUsableRateIsEmpty) {
    for (double rate : {0.0, -25.0, kNan, kInf, 1e-300})
        EXPECT_TRUE(FormatSrtTime(1'000'000, rate).isEmpty()) << rate;
    // Frame 0 at a tiny but valid rate is still time zero.
    EXPECT_EQ(FormatSrtTime(0, 1e-300), "00:00:00,000");
}

TEST(MediaFormat, RoundHalfEven) {
    const std::pair<double, std::int64_t> cases[] = {
        {0.5, 0},    {1.5, 2},   {2.5, 2},   {2.4999, 2}, {2.5001, 3},
        {-0.5, 0},   {-1.5, -2}, {-2.5, -2}, {-2.6, -3},  {1e15 + 0.5, 1'000'000'000'000'000},
        {-1e-12, 0},
    };
    for (const auto& [value, expected] : cases) EXPECT_EQ(RoundHalfEven(value), expected) << value;
}

}  // namespace
}  // namespace tavrel
