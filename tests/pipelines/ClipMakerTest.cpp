#include "pipelines/ClipMaker.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>

#include "support/DemuxReadBack.h"
#include "support/MediaInfo.h"
#include "support/TestClips.h"

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using test::TTestClip;
using test::TTestClipId;

std::string Describe(const TDatecode& d) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", d.Year, d.Month, d.Day,
                  d.Hour, d.Minute, d.Second);
    return text;
}

// The packs of one frame against what the clip's recipe says of it.
void CheckFrame(const TTestClip& clip, std::int64_t k, std::span<const std::uint8_t> f) {
    SCOPED_TRACE("frame " + std::to_string(k));
    const int nSeq = clip.Ntsc() ? kSequences525 : kSequences625;
    ASSERT_EQ(SequencesForLength(f.size()), nSeq);
    bool is525 = !clip.Ntsc();
    ASSERT_TRUE(ReadDvStandard(f, is525));
    EXPECT_EQ(is525, clip.Ntsc());
    EXPECT_EQ(f[4] & 0x07, 0);  // consumer DV

    TTimecode tc;
    ASSERT_TRUE(ReadTimecode(f, nSeq, tc));
    EXPECT_EQ(tc, clip.TimecodeAt(k));

    TDatecode expected, read;
    if (clip.DatecodeAt(k, expected)) {
        ASSERT_TRUE(ReadDatecode(f, nSeq, read));
        EXPECT_EQ(Describe(read), Describe(expected));
    } else {
        TDateTime value;
        EXPECT_FALSE(ReadDatecodeValue(f, nSeq, value));
    }

    bool wide = !clip.Wide();
    ASSERT_TRUE(ReadIs16x9(f, nSeq, wide));
    EXPECT_EQ(wide, clip.Wide());
    TPack source{};
    ASSERT_TRUE(FindPack(f, kPackVauxSource, nSeq, source));
    EXPECT_EQ((source[3] & 0x20) != 0, !clip.Ntsc());  // 50 or 60 fields

    std::int32_t rate = 0, bits = 0, channels = 0;
    if (clip.AudioRate()) {
        ASSERT_TRUE(ReadAudioInfo(f, nSeq, rate, bits, channels));
        EXPECT_EQ(rate, clip.AudioRate());
        EXPECT_EQ(bits, clip.DvAudioBits());
        EXPECT_EQ(channels, 2);
        TDifBlock block;
        ASSERT_TRUE(FindAudioBlock(f, kPackAudioSource, nSeq, block));
        const int minimum =
            clip.AudioRate() == 48000 ? (clip.Ntsc() ? 1580 : 1896) : (clip.Ntsc() ? 1053 : 1264);
        EXPECT_EQ(minimum + (block[4] & 0x3F), ClipAudioSamplesAt(clip.Recipe, k));
    } else {
        EXPECT_FALSE(ReadAudioInfo(f, nSeq, rate, bits, channels));
    }
}

class ClipFixture : public ::testing::TestWithParam<TTestClip> {};

TEST_P(ClipFixture, ReadsBackAsItsSpecSays) {
    const TTestClip& clip = GetParam();
    ASSERT_TRUE(fs::exists(clip.Path())) << clip.Path();
    const test::TDemuxResult r = test::DemuxAvi(clip.Path());
    ASSERT_TRUE(r.Ok) << r.Error;
    ASSERT_EQ(r.Streams.size(), std::size_t(1 + clip.AudioStreams()));
    const test::TDemuxedStream* video = r.Find("video_0");
    ASSERT_TRUE(video);
    EXPECT_EQ(video->SystemStream, clip.DvType() == 1) << video->Caps;
    if (clip.DvType() == 2) {
        EXPECT_EQ(video->Height, clip.Ntsc() ? 480 : 576);
        EXPECT_EQ(video->FpsN, clip.Ntsc() ? 30000 : 25);
    }
    ASSERT_EQ(static_cast<std::int64_t>(video->Data.size()), clip.FrameCount());
    for (std::size_t k = 0; k < video->Data.size(); ++k) {
        CheckFrame(clip, static_cast<std::int64_t>(k), video->Data[k]);
        if (HasFatalFailure() || HasNonfatalFailure()) break;
    }
    for (int s = 0; s < clip.AudioStreams(); ++s) {
        const test::TDemuxedStream* audio = r.Find("audio_" + std::to_string(s));
        ASSERT_TRUE(audio);
        EXPECT_EQ(audio->Rate, clip.AudioRate());
        EXPECT_EQ(audio->Channels, 2);
        EXPECT_EQ(audio->Bytes, std::uint64_t(clip.AudioSamples()) * 4);
    }
}

TEST_P(ClipFixture, MediaInfoDescribesIt) {
    const TTestClip& clip = GetParam();
    const test::TMediaInfo m = test::RunMediaInfo(clip.Path());
    if (!m.Available) GTEST_SKIP() << m.Error;
    EXPECT_EQ(m.Get("General", "Format"), "AVI");
    EXPECT_EQ(m.Get("General", "Format_Profile"), clip.Id == TTestClipId::OpenDml ? "OpenDML" : "");
    EXPECT_EQ(m.Get("Video", "Format"), "DV");
    EXPECT_EQ(m.Get("Video", "FrameCount"), std::to_string(clip.FrameCount()));
    EXPECT_EQ(m.Get("Video", "FrameRate"), clip.Ntsc() ? "29.970" : "25.000");
    EXPECT_EQ(m.Get("Video", "Width"), "720");
    EXPECT_EQ(m.Get("Video", "Height"), clip.Ntsc() ? "480" : "576");
    EXPECT_EQ(m.Get("Video", "Standard"), clip.Ntsc() ? "NTSC" : "PAL");
    EXPECT_EQ(m.Get("Video", "DisplayAspectRatio"), clip.Wide() ? "1.778" : "1.333");
    if (clip.DvType() == 2) {
        ASSERT_EQ(m.Count("Audio"), clip.AudioStreams());
        for (int s = 0; s < clip.AudioStreams(); ++s) {
            EXPECT_EQ(m.Get("Audio", "SamplingRate", s), std::to_string(clip.AudioRate()));
            EXPECT_EQ(m.Get("Audio", "BitDepth", s), "16");
        }
    } else {
        // Type 1: the DV audio itself, as its AAUX packs describe it.
        EXPECT_EQ(m.Get("Audio", "SamplingRate"), std::to_string(clip.AudioRate()));
        EXPECT_EQ(m.Get("Audio", "BitDepth"), std::to_string(clip.DvAudioBits()));
    }
}

TEST_P(ClipFixture, IsRealDvThatDecodes) {
    const TTestClip& clip = GetParam();
    test::TDemuxOptions options;
    options.KeepData = false;
    options.SplitDv = true;
    options.DecodeVideo = true;
    const test::TDemuxResult r = test::DemuxAvi(clip.Path(), options);
    ASSERT_TRUE(r.Ok) << r.Error;
    const test::TDemuxedStream* video = r.Find(clip.DvType() == 1 ? "dv/video" : "video_0");
    ASSERT_TRUE(video);
    EXPECT_EQ(video->Media, "video/x-raw") << video->Caps;
    EXPECT_EQ(video->Width, 720);
    EXPECT_EQ(video->Height, clip.Ntsc() ? 480 : 576);
    EXPECT_EQ(video->Buffers, clip.FrameCount());
    if (clip.DvType() == 1) {
        // dvdemux finds the sound from the AAUX packs, or no audio at all.
        const test::TDemuxedStream* audio = r.Find("dv/audio");
        ASSERT_EQ(audio != nullptr, clip.AudioRate() != 0);
        if (audio) {
            EXPECT_EQ(audio->Rate, clip.AudioRate());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(TestClips, ClipFixture, ::testing::ValuesIn(test::TestClips()),
                         [](const ::testing::TestParamInfo<TTestClip>& info) {
                             std::string name = info.param.FileName;
                             name = name.substr(0, name.find('.'));
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

double MeanLumaDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    const std::size_t luma = 720 * 576;
    double sum = 0;
    for (std::size_t i = 0; i < luma; ++i) sum += std::abs(int(a[i]) - int(b[i]));
    return sum / luma;
}

TEST(ClipRecordings, ThePictureChangesWhereARecordingBegins) {
    const TTestClip& clip = test::TestClip(TTestClipId::ThreeRecordings);
    test::TDemuxOptions options;
    options.DecodeVideo = true;
    const test::TDemuxResult r = test::DemuxAvi(clip.Path(), options);
    ASSERT_TRUE(r.Ok) << r.Error;
    const test::TDemuxedStream* video = r.Find("video_0");
    ASSERT_TRUE(video);
    ASSERT_EQ(static_cast<std::int64_t>(video->Data.size()), clip.FrameCount());
    for (int rec = 1; rec < clip.RecordingCount(); ++rec) {
        const std::int64_t first = clip.FirstFrame(rec);
        const double across = MeanLumaDifference(video->Data[first - 1], video->Data[first]);
        const double within = MeanLumaDifference(video->Data[first], video->Data[first + 1]);
        EXPECT_GT(across, 10.0) << rec;
        EXPECT_LT(within, 2.0) << rec;
    }
}

class ClipMakerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("tavrel-clipmaker-" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                 "-" + std::to_string(getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    fs::path m_dir;
};

bool IsVideoBlock(std::size_t offsetInSequence) {
    const std::size_t block = offsetInSequence / kDifBlockSize;
    return block >= 6 && (block - 6) % 16 != 0;
}

TEST_F(ClipMakerTest, ReusesPicturesBackAndForthWithFreshPacks) {
    TClipSpec recipe;
    recipe.Type = TDvAviType::Type1;
    TDatecode impossible;  // no calendar date: written as it stands
    impossible.Year = 2020;
    impossible.Month = 13;
    impossible.Day = 2;
    recipe.Recordings = {{impossible, 8}};
    recipe.DistinctPictures = 3;
    recipe.StartTimecode = {0, 0, 0, 20};
    const fs::path path = m_dir / "reuse.avi";
    std::string error;
    std::vector<std::int64_t> told;
    ASSERT_TRUE(MakeClip(recipe, path, error, [&](std::int64_t done, std::int64_t total) {
        told.push_back(done * 100 + total);
        return true;
    })) << error;
    EXPECT_EQ(told.size(), 8u);
    EXPECT_EQ(told.back(), 808);

    const test::TDemuxResult r = test::DemuxAvi(path);
    ASSERT_TRUE(r.Ok) << r.Error;
    const auto& frames = r.Find("video_0")->Data;
    ASSERT_EQ(frames.size(), 8u);
    const int picture[] = {0, 1, 2, 1, 0, 1, 2, 1};
    for (std::size_t k = 0; k < frames.size(); ++k) {
        bool same = true, sameAsNext = k + 1 < frames.size();
        for (std::size_t i = 0; i < frames[k].size(); ++i) {
            if (!IsVideoBlock(i % kDifSequenceSize)) continue;
            same = same && frames[k][i] == frames[picture[k]][i];
            if (k + 1 < frames.size()) sameAsNext = sameAsNext && frames[k][i] == frames[k + 1][i];
        }
        EXPECT_TRUE(same) << k;
        EXPECT_FALSE(sameAsNext) << k;  // consecutive pictures differ
        TTimecode tc;
        ASSERT_TRUE(ReadTimecode(frames[k], 12, tc));
        EXPECT_EQ(tc, (TTimecode{0, 0, static_cast<std::uint8_t>((20 + k) / 25),
                                 static_cast<std::uint8_t>((20 + k) % 25)}));
        TDatecode d;
        ASSERT_TRUE(ReadDatecode(frames[k], 12, d));
        EXPECT_EQ(d.Month, 13);
        TDateTime value;
        EXPECT_FALSE(ReadDatecodeValue(frames[k], 12, value));
    }
}

TEST_F(ClipMakerTest, RefusesImpossibleSpecsAndStopsWhenAsked) {
    TClipSpec good;
    good.Recordings = {{std::nullopt, 10}};
    struct Case {
        const char* name;
        std::function<void(TClipSpec&)> change;
        const char* message;
    };
    const Case cases[] = {
        {"no recording", [](TClipSpec& s) { s.Recordings.clear(); }, "aucun enregistrement"},
        {"empty recording",
         [](TClipSpec& s) {
             s.Recordings.push_back({std::nullopt, 0});
         },
         "aucune image"},
        {"12 bits at 48 kHz",
         [](TClipSpec& s) {
             s.Audio = TClipAudio{48000, 12, 1};
         },
         "12 bits"},
        {"odd rate",
         [](TClipSpec& s) {
             s.Audio = TClipAudio{22050, 16, 1};
         },
         "22050"},
        {"three streams",
         [](TClipSpec& s) {
             s.Audio = TClipAudio{48000, 16, 3};
         },
         "flux"},
        {"no pictures", [](TClipSpec& s) { s.DistinctPictures = 0; }, "images distinctes"},
    };
    const fs::path path = m_dir / "clip.avi";
    for (const Case& c : cases) {
        TClipSpec recipe = good;
        c.change(recipe);
        std::string error;
        EXPECT_FALSE(MakeClip(recipe, path, error)) << c.name;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
    }
    EXPECT_TRUE(fs::is_empty(m_dir));

    std::string error;
    EXPECT_FALSE(
        MakeClip(good, path, error, [](std::int64_t done, std::int64_t) { return done < 5; }));
    EXPECT_NE(error.find("interrompue"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_empty(m_dir));
}

TEST(ClipSpecValues, DatecodesCountOnWithinEachRecording) {
    const TTestClip& three = test::TestClip(TTestClipId::ThreeRecordings);
    TDatecode d;
    ASSERT_TRUE(three.DatecodeAt(39, d));  // 1.56 s into the first recording
    EXPECT_EQ(Describe(d), "2021-06-12 10:15:31");
    ASSERT_TRUE(three.DatecodeAt(40, d));  // the second one starts
    EXPECT_EQ(Describe(d), "2021-06-12 14:02:05");
    EXPECT_EQ(three.FirstFrame(2), 70);
    EXPECT_EQ(ClipRecordingOfFrame(three.Recipe, 70), 2);
    EXPECT_EQ(ClipRecordingOfFrame(three.Recipe, 120), -1);

    // Over midnight and the new year.
    const TTestClip& pal = test::TestClip(TTestClipId::Type2Pal43);
    ASSERT_TRUE(pal.DatecodeAt(74, d));
    EXPECT_EQ(Describe(d), "2010-01-01 00:00:00");

    // NTSC seconds last 30 frames less one in a thousand; the timecode drops labels.
    const TTestClip& ntsc = test::TestClip(TTestClipId::Type1Ntsc43);
    ASSERT_TRUE(ntsc.DatecodeAt(29, d));
    EXPECT_EQ(d.Second, 0);
    ASSERT_TRUE(ntsc.DatecodeAt(30, d));
    EXPECT_EQ(d.Second, 1);
    EXPECT_EQ(ntsc.TimecodeAt(10), (TTimecode{0, 13, 0, 2}));
    EXPECT_EQ(ClipAudioSamplesAt(ntsc.Recipe, 0) + ClipAudioSamplesAt(ntsc.Recipe, 1) +
                  ClipAudioSamplesAt(ntsc.Recipe, 2) + ClipAudioSamplesAt(ntsc.Recipe, 3) +
                  ClipAudioSamplesAt(ntsc.Recipe, 4),
              8008);
    EXPECT_FALSE(test::TestClip(TTestClipId::NoDatecode).DatecodeAt(0, d));
}

}  // namespace
}  // namespace tavrel
