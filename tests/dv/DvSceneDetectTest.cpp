#include "dv/DvSceneDetect.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "support/DvFrameFactory.h"

namespace tavrel {
namespace {

using test::TStandard;
using Scene = std::pair<std::uint32_t, std::uint32_t>;

// Lines made of the date only, so that they change once a day and the
// moments where they appear and vanish are easy to see.
class DateLines : public TLineSource {
  public:
    void ExpandLines(const TFrameInfo& frame, std::string& line1, std::string& line2) override {
        TDateTimeParts p;
        if (frame.HasDatecode && DecodeDateTime(frame.Datecode, p))
            line1 = std::to_string(p.Year) + "-" + std::to_string(p.Month) + "-" +
                    std::to_string(p.Day);
        if (withSeconds && frame.HasDatecode && DecodeDateTime(frame.Datecode, p))
            line2 = std::to_string(p.Hour * 3600 + p.Minute * 60 + p.Second);
    }
    bool withSeconds = false;
};

struct Display {
    std::uint32_t frame;
    std::string line1;
    std::string line2;
    bool operator==(const Display&) const = default;
};

// Feeds frames to a detector and records what it reports.
class Harness {
  public:
    explicit Harness(std::shared_ptr<DateLines> lines = std::make_shared<DateLines>())
        : lines(lines), detector(lines) {
        Attach();
    }

    void Attach() {
        detector.OnScene = [this](const TFrameInfo& a, const TFrameInfo& b) {
            scenes.emplace_back(a.FrameIndex, b.FrameIndex);
            events.push_back("scene");
        };
        detector.OnEndOfStream = [this] { events.push_back("eos"); };
        detector.SetDisplayCallback(
            [this](const TFrameInfo& f, const std::string& l1, const std::string& l2) {
                displays.push_back({f.FrameIndex, l1, l2});
                events.push_back(l1.empty() && l2.empty() ? "clear" : "show");
            });
    }

    void Push(const test::TFrameSpec& recipe) {
        const auto frame = test::MakeFrame(recipe);
        detector.ProcessSample(frame);
    }
    // A frame of the given standard dated `seconds` after base, or undated.
    void PushDated(std::optional<double> seconds, bool wide = false, int rateCode = 0) {
        test::TFrameSpec recipe;
        recipe.Standard = standard;
        recipe.DisplayMode = wide ? 2 : 0;
        recipe.AudioRateCode = rateCode;
        if (seconds) recipe.Datecode = At(*seconds);
        Push(recipe);
    }
    TDatecode At(double seconds) const {
        TDatecode d;
        DateTimeToDatecode(base + seconds / kSecondsPerDay, d);
        return d;
    }

    std::shared_ptr<DateLines> lines;
    Tdv_sceneDetect detector;
    TStandard standard = TStandard::Pal;
    TDateTime base = 37816.0 + 10.0 / 24;  // 14 July 2003, 10:00:00
    std::vector<Scene> scenes;
    std::vector<Display> displays;
    std::vector<std::string> events;
};

TEST(DvSceneDetect, DateJumpsOfMoreThanFiveSecondsEitherWay) {
    Harness h;
    h.detector.StartStreaming(400000);
    for (double s : {0.0, 0.0, 4.0, 10.0, 15.0, 5.0, 4.9}) h.PushDated(s);
    h.detector.EndOfStream();
    // 4 s and exactly 5 s are no break; 6 s forward and 10 s back are.
    EXPECT_EQ(h.scenes, (std::vector<Scene>{{0, 3}, {3, 5}, {5, 7}}));
}

TEST(DvSceneDetect, DatecodeLostAndBack) {
    struct Case {
        std::uint32_t returnsAt;
        std::vector<Scene> expected;
    };
    const Case cases[] = {
        {105, {{0, 100}, {100, 200}}},  // back after 5 frames: no new scene
        {112, {{0, 100}, {100, 200}}},  // 12 frames: still none
        {113, {{0, 100}, {100, 113}, {113, 200}}},
        {120, {{0, 100}, {100, 120}, {120, 200}}},
    };
    for (const auto& c : cases) {
        Harness h;
        h.detector.StartStreaming(400000);
        for (std::uint32_t i = 0; i < 200; ++i) {
            const bool dated = i < 100 || i >= c.returnsAt;
            h.PushDated(dated ? std::optional<double>(i / 25.0) : std::nullopt);
        }
        h.detector.EndOfStream();
        EXPECT_EQ(h.scenes, c.expected) << c.returnsAt;
    }
}

TEST(DvSceneDetect, StreamWithoutDatecodeIsOneScene) {
    Harness h;
    h.detector.StartStreaming(0);
    for (int i = 0; i < 30; ++i) h.PushDated(std::nullopt);
    h.detector.EndOfStream();
    EXPECT_EQ(h.scenes, (std::vector<Scene>{{0, 30}}));
}

TEST(DvSceneDetect, FormatChanges) {
    // Aspect, standard and audio rate end a scene at the first changed frame;
    // a datecode that jumps on the same frame makes no second, empty scene.
    {
        Harness h;
        h.detector.StartStreaming(400000);
        for (int i = 0; i < 20; ++i) h.PushDated(i / 25.0, /*wide=*/i >= 10);
        h.detector.EndOfStream();
        EXPECT_EQ(h.scenes, (std::vector<Scene>{{0, 10}, {10, 20}}));
    }
    {
        Harness h;
        h.detector.StartStreaming(0);
        for (int i = 0; i < 20; ++i) h.PushDated(i / 25.0, false, /*rateCode=*/i >= 5 ? 2 : 0);
        h.detector.EndOfStream();
        EXPECT_EQ(h.scenes, (std::vector<Scene>{{0, 5}, {5, 20}}));
    }
    {
        Harness h;
        h.detector.StartStreaming(0);
        for (int i = 0; i < 8; ++i) {
            h.standard = i >= 4 ? TStandard::Ntsc : TStandard::Pal;
            h.PushDated(i / 25.0);
        }
        h.detector.EndOfStream();
        EXPECT_EQ(h.scenes, (std::vector<Scene>{{0, 4}, {4, 8}}));
    }
    {
        // Aspect changed and datecode lost on the same frame: one break.
        Harness h;
        h.detector.StartStreaming(400000);
        for (int i = 0; i < 20; ++i)
            h.PushDated(i < 10 ? std::optional<double>(i / 25.0) : std::nullopt, i >= 10);
        h.detector.EndOfStream();
        EXPECT_EQ(h.scenes, (std::vector<Scene>{{0, 10}, {10, 20}}));
    }
    {
        // The channel count alone is no break.
        Harness h;
        h.detector.StartStreaming(400000);
        for (int i = 0; i < 10; ++i) {
            test::TFrameSpec recipe;
            recipe.Datecode = h.At(i / 25.0);
            recipe.AudioChannelBits = i >= 5 ? 0x10 : 0x00;
            h.Push(recipe);
        }
        h.detector.EndOfStream();
        EXPECT_EQ(h.scenes, (std::vector<Scene>{{0, 10}}));
    }
}

TEST(DvSceneDetect, SamplesOfOtherLengthsPassUncounted) {
    Harness h;
    h.detector.StartStreaming(400000);
    const std::vector<std::uint8_t> odd(100000, 0x42);
    for (int i = 0; i < 10; ++i) {
        h.detector.ProcessSample(odd);
        h.PushDated(i < 5 ? i / 25.0 : 60.0 + i / 25.0);
    }
    h.detector.ProcessSample(std::span<const std::uint8_t>());
    EXPECT_EQ(h.detector.SampleCount(), 21u);
    EXPECT_EQ(h.detector.CurrentFrame().FrameIndex, 9u);
    h.detector.EndOfStream();
    EXPECT_EQ(h.scenes, (std::vector<Scene>{{0, 5}, {5, 10}}));

    // A stream of no DV frame has no scene at all.
    Harness none;
    none.detector.StartStreaming(0);
    none.detector.ProcessSample(odd);
    none.detector.EndOfStream();
    EXPECT_TRUE(none.scenes.empty());
    EXPECT_EQ(none.events, (std::vector<std::string>{"eos"}));
}

TEST(DvSceneDetect, ModeOnceShowsForTheDisplayDuration) {
    Harness h;
    h.detector.SetMode(Tdv_sceneDetect::kShowOnce);
    h.detector.SetDisplayDuration(5);
    h.detector.StartStreaming(400000);
    EXPECT_EQ(h.detector.DisplayDurationFrames(), 125);
    for (int i = 0; i < 200; ++i) h.PushDated(i / 25.0);
    h.detector.EndOfStream();
    EXPECT_EQ(h.displays, (std::vector<Display>{{0, "2003-7-14", ""}, {123, "", ""}}));
}

TEST(DvSceneDetect, ModeEachSceneShowsAfterEveryJump) {
    Harness h;
    h.detector.SetMode(Tdv_sceneDetect::kShowEachScene);
    h.detector.SetDisplayDuration(5);
    h.detector.StartStreaming(400000);
    for (int i = 0; i < 500; ++i) h.PushDated(i < 300 ? i / 25.0 : 3600 + i / 25.0);
    h.detector.EndOfStream();
    EXPECT_EQ(h.displays,
              (std::vector<Display>{
                  {0, "2003-7-14", ""}, {125, "", ""}, {300, "2003-7-14", ""}, {425, "", ""}}));
}

TEST(DvSceneDetect, ModeEachDayShowsAgainAfterMidnight) {
    Harness h;
    h.base = 37816.0 + (23 * 3600 + 59 * 60 + 50) / kSecondsPerDay;  // 23:59:50
    h.detector.SetMode(Tdv_sceneDetect::kShowEachDay);
    h.detector.SetDisplayDuration(5);
    h.detector.StartStreaming(400000);
    for (int i = 0; i < 600; ++i) h.PushDated(i / 25.0);
    h.detector.EndOfStream();
    EXPECT_EQ(h.displays,
              (std::vector<Display>{
                  {0, "2003-7-14", ""}, {125, "", ""}, {250, "2003-7-15", ""}, {375, "", ""}}));
}

TEST(DvSceneDetect, ModeAlwaysReportsOnlyChanges) {
    auto lines = std::make_shared<DateLines>();
    lines->withSeconds = true;
    Harness h(lines);
    h.detector.StartStreaming(400000);
    for (int i = 0; i < 60; ++i) h.PushDated(i / 25.0);
    h.PushDated(std::nullopt);
    h.detector.EndOfStream();
    EXPECT_EQ(h.displays, (std::vector<Display>{{0, "2003-7-14", "36000"},
                                                {25, "2003-7-14", "36001"},
                                                {50, "2003-7-14", "36002"},
                                                {60, "", ""}}));
}

TEST(DvSceneDetect, DisplayDurationFollowsTheFrameRate) {
    // Set before the frame rate is known; an interleaved NTSC stream carries
    // no frame duration in its format, its frames tell it.
    Harness h;
    h.standard = TStandard::Ntsc;
    h.detector.SetMode(Tdv_sceneDetect::kShowOnce);
    h.detector.SetDisplayDuration(5);
    EXPECT_EQ(h.detector.DisplayDurationFrames(), 125);
    h.detector.StartStreaming(0);
    for (int i = 0; i < 200; ++i) h.PushDated(i / 30.0);
    EXPECT_EQ(h.detector.FrameDurationHns(), kFrameDuration525Hns);
    EXPECT_EQ(h.detector.DisplayDurationFrames(), 150);
    h.detector.EndOfStream();
    ASSERT_EQ(h.displays.size(), 2u);
    EXPECT_EQ(h.displays[1].frame, 148u);

    // Known duration: the setting converts at once.
    h.detector.StartStreaming(400000);
    h.detector.SetDisplayDuration(2);
    EXPECT_EQ(h.detector.DisplayDurationFrames(), 50);
}

TEST(DvSceneDetect, EndOfStreamOrderAndReset) {
    Harness h;
    h.detector.StartStreaming(400000);
    for (int i = 0; i < 10; ++i) h.PushDated(i / 25.0);
    h.detector.EndOfStream();
    EXPECT_EQ(h.events, (std::vector<std::string>{"show", "scene", "clear", "eos"}));
    EXPECT_EQ(h.scenes, (std::vector<Scene>{{0, 10}}));

    // The next run counts from 0 again, and has no display callback until the
    // pipeline sets one.
    h.events.clear();
    h.scenes.clear();
    h.detector.StartStreaming(400000);
    for (int i = 0; i < 4; ++i) h.PushDated(100 + i / 25.0);
    h.detector.EndOfStream();
    EXPECT_EQ(h.events, (std::vector<std::string>{"scene", "eos"}));
    EXPECT_EQ(h.scenes, (std::vector<Scene>{{0, 4}}));
}

TEST(DvSceneDetect, CurrentFrameAndHeaderSnapshot) {
    Harness h;
    h.detector.StartStreaming(0);
    test::TFrameSpec recipe;
    recipe.Standard = TStandard::Ntsc;
    recipe.Datecode = test::Datecode(2024, 7, 8, 19, 55, 58);
    recipe.Timecode = TTimecode{1, 2, 3, 4};
    recipe.DisplayMode = 2;
    recipe.AudioRateCode = 2;
    recipe.AudioQuantCode = 1;
    auto frame = test::MakeFrame(recipe);
    h.detector.ProcessSample(std::vector<std::uint8_t>(5, 0));
    h.detector.ProcessSample(frame);

    const TFrameInfo f = h.detector.CurrentFrame();
    EXPECT_EQ(f.FrameIndex, 0u);
    EXPECT_TRUE(f.HasDatecode);
    EXPECT_TRUE(f.HasTimecode);
    EXPECT_TRUE(f.HasFormat);
    TDateTime expected = 0;
    ASSERT_TRUE(DatecodeToDateTime(*recipe.Datecode, expected));
    EXPECT_EQ(f.Datecode, expected);
    EXPECT_EQ(f.Timecode, (TTimecode{1, 2, 3, 4}));
    EXPECT_TRUE(f.Is16x9);
    EXPECT_TRUE(f.IsNtsc);
    EXPECT_EQ(f.AudioRate, 32000);
    EXPECT_EQ(f.AudioBits, 12);
    EXPECT_EQ(f.AudioChannels, 2);

    THeaderSnapshot snapshot;
    h.detector.CopyHeaderSnapshot(snapshot);
    for (int s = 0; s < 10; ++s) {
        EXPECT_TRUE(std::equal(snapshot[s].Bytes.begin(), snapshot[s].Bytes.end(),
                               frame.begin() + s * kDifSequenceSize));
        EXPECT_EQ(snapshot[s].SampleCounter, 1u);
    }

    // A frame whose date packs make no date has no datecode, and a value of 0.
    test::PutPack(frame, 0, test::TPackArea::Subcode, 1,
                  TPack{kPackRecDate, 0xFF, 0xC0, 0xE0, 0x24});
    h.detector.ProcessSample(frame);
    EXPECT_FALSE(h.detector.CurrentFrame().HasDatecode);
    EXPECT_EQ(h.detector.CurrentFrame().Datecode, 0.0);
}

TEST(DvSceneDetect, RandomBuffersNeverCrash) {
    std::mt19937 rng(20261210);
    Harness h;
    h.lines->withSeconds = true;
    h.detector.SetMode(Tdv_sceneDetect::kShowEachScene);
    test::TFrameSpec recipe;
    recipe.Datecode = test::Datecode(2024, 1, 1, 0, 0, 0);
    recipe.Timecode = TTimecode{0, 0, 0, 0};
    const auto pal = test::MakeFrame(recipe);
    recipe.Standard = TStandard::Ntsc;
    const auto ntsc = test::MakeFrame(recipe);
    std::uint32_t dvFrames = 0;
    for (int run = 0; run < 3; ++run) {
        h.Attach();
        h.detector.StartStreaming(run == 1 ? 0 : 400000);
        for (int i = 0; i < 300; ++i) {
            std::vector<std::uint8_t> buffer;
            switch (rng() % 4) {
                case 0:
                    buffer.resize(rng() % 200000);
                    break;
                case 1:
                    buffer.resize(rng() % 2 ? kFrameSize625 : kFrameSize525);
                    break;
                default:
                    buffer = rng() % 2 ? pal : ntsc;
                    break;
            }
            // Random bytes everywhere, or damage in the header and audio areas.
            const bool everywhere = buffer != pal && buffer != ntsc;
            const std::size_t flips = everywhere ? buffer.size() : 200;
            for (std::size_t k = 0; k < flips && !buffer.empty(); ++k) {
                const std::size_t at =
                    everywhere ? k
                               : (rng() % (buffer.size() / kDifSequenceSize)) * kDifSequenceSize +
                                     rng() % 1800;
                buffer[at] = static_cast<std::uint8_t>(rng());
            }
            if (SequencesForLength(buffer.size())) ++dvFrames;
            h.detector.ProcessSample(buffer);
        }
        h.detector.EndOfStream();
    }
    for (const auto& [start, end] : h.scenes) EXPECT_LT(start, end);
    EXPECT_GT(dvFrames, 0u);
}

}  // namespace
}  // namespace tavrel
