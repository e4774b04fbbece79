#include "avi/AviFichier.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "avi/AviPatch.h"
#include "avi/AviWriter.h"
#include "framework/Settings.h"
#include "pipelines/FileAnalysis.h"
#include "scenes/DateFormat.h"
#include "support/FrenchSettings.h"
#include "support/MediaInfo.h"
#include "support/RiffBuilder.h"
#include "support/Samples.h"
#include "support/TestClips.h"

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using test::TTestClip;

class RecordEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        SetDefaultFormatSettings(test::FrenchFormatSettings());
        TSettings::Global().Reset();
    }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new RecordEnvironment);

QString Q(const fs::path& p) {
    return QString::fromStdString(p.string());
}

QString TimecodeText(const TTimecode& t) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(t.Hours, 2, 10, QLatin1Char('0'))
        .arg(t.Minutes, 2, 10, QLatin1Char('0'))
        .arg(t.Seconds, 2, 10, QLatin1Char('0'))
        .arg(t.Frames, 2, 10, QLatin1Char('0'));
}

class RecordOfClip : public ::testing::TestWithParam<TTestClip> {};

TEST_P(RecordOfClip, HoldsWhatTheClipHolds) {
    const TTestClip& clip = GetParam();
    const TaviFichier r(Q(clip.Path()));
    const bool ntsc = clip.Ntsc();
    EXPECT_TRUE(r.IsDV);
    EXPECT_EQ(r.DvType, clip.DvType());
    EXPECT_FALSE(r.Type2Iavs);
    EXPECT_EQ(r.Codec, "dvsd");
    EXPECT_EQ(r.Standard, ntsc ? 1 : 0);
    EXPECT_EQ(r.Is16x9, clip.Wide());
    EXPECT_EQ(r.ImageText, ntsc ? "720 x 480 (NTSC" : "720 x 576 (Pal");
    EXPECT_EQ(r.AspectText, clip.Wide() ? " 16x9)" : " 4x3)");
    EXPECT_EQ(r.Width, 720);
    EXPECT_EQ(r.Height, clip.Wide() ? 405 : 540);
    EXPECT_EQ(r.FrameCount, clip.FrameCount());
    // Type 1 takes the exact rate of its standard; type 2 the rate of its
    // header to two decimals.
    const double fps =
        clip.DvType() == 1 ? (ntsc ? 30000.0 / 1001.0 : 25.0) : (ntsc ? 29.97 : 25.0);
    EXPECT_DOUBLE_EQ(r.Fps, fps);
    const std::int64_t frameHns = ntsc ? 333667 : 400000;
    EXPECT_NEAR(static_cast<double>(r.Duration), static_cast<double>(clip.FrameCount() * frameHns),
                clip.FrameCount());

    TDatecode dc;
    if (clip.DatecodeAt(0, dc)) {
        TDateTime value = 0;
        ASSERT_TRUE(DatecodeToDateTime(dc, value));
        EXPECT_EQ(DifferenceMs(r.Datecode, value), 0);
        EXPECT_EQ(r.DatecodeText, FormatDateValue(" ddddd tt", value));
        EXPECT_EQ(r.DatecodeKey, FormatDateValue("yyyymmddhhnnss", value));
    } else {
        EXPECT_EQ(r.DatecodeText, "N/A");
        EXPECT_EQ(r.DatecodeKey, "N/A");
        EXPECT_EQ(r.Datecode, 0.0);
    }
    EXPECT_EQ(r.TimecodeText, TimecodeText(clip.TimecodeAt(0)));

    if (clip.AudioRate() == 0) {
        EXPECT_EQ(r.AudioText, "N/A");
        EXPECT_TRUE(r.AudioFormatText.isEmpty());
    } else {
        EXPECT_EQ(r.AudioRate, clip.AudioRate());
        // 32 kHz sound of DV is 12-bit sound given as 16-bit samples.
        EXPECT_EQ(r.AudioText, clip.AudioRate() == 32000 ? "32000Hz 12(16) bits  stéréo"
                                                         : "48000Hz 16 bits  stéréo");
        EXPECT_TRUE(r.AudioFormatText.startsWith("PCM "));
    }
    const QString tieBreak = r.ShortName.toLower() + r.FullName;
    EXPECT_EQ(r.DatecodeSortKey, r.DatecodeKey + tieBreak);
    EXPECT_EQ(r.TimecodeSortKey, r.TimecodeText + tieBreak);
    EXPECT_TRUE(r.DurationSortKey.startsWith(
        QStringLiteral("%1").arg(r.Duration, 12, 10, QLatin1Char('0'))));
}

// What another program reads in the same file: standard, aspect, frame
// rate, sound, duration and the recording date of the first frame.
TEST_P(RecordOfClip, AgreesWithMediainfo) {
    const TTestClip& clip = GetParam();
    const test::TMediaInfo info = test::RunMediaInfo(clip.Path());
    if (!info.Available) GTEST_SKIP() << "mediainfo: " << info.Error;
    const TaviFichier r(Q(clip.Path()));

    EXPECT_EQ(info.Get("Video", "Standard"), r.Standard == 1 ? "NTSC" : "PAL");
    EXPECT_NEAR(std::stod(info.Get("Video", "DisplayAspectRatio")), r.Is16x9 ? 16.0 / 9 : 4.0 / 3,
                0.001);
    EXPECT_NEAR(std::stod(info.Get("Video", "FrameRate")), r.Fps, 0.001);
    EXPECT_NEAR(std::stod(info.Get("Video", "Duration")) * 1e7, static_cast<double>(r.Duration),
                1e4);
    if (r.AudioRate > 0) {
        EXPECT_EQ(std::stoi(info.Get("Audio", "SamplingRate")), r.AudioRate);
    }
    const std::string recorded = info.Get("General", "Recorded_Date");
    if (r.Datecode > 0) {
        EXPECT_EQ(recorded.substr(0, 19),
                  FormatDateValue("yyyy-mm-dd hh:nn:ss", r.Datecode).toStdString());
    }
}

INSTANTIATE_TEST_SUITE_P(Clips, RecordOfClip, ::testing::ValuesIn(test::TestClips()),
                         [](const ::testing::TestParamInfo<TTestClip>& p) {
                             std::string name = p.param.FileName;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// The real camcorder frames of the samples, wrapped by our writer as type 1
// and as type 2 files.
TEST(RecordOfRealFrames, NtscCamcorderFramesAsType1AndType2) {
    const auto frames = test::ReadSample("dv-toolbox_sony_good_quality.dv");
    if (frames.empty()) GTEST_SKIP() << "samples not found";
    test::TTempFolder folder;
    for (TDvAviType type : {TDvAviType::Type1, TDvAviType::Type2}) {
        const fs::path path = folder / (type == TDvAviType::Type1 ? "sony1.avi" : "sony2.avi");
        TAviWriterOptions options;
        options.Type = type;
        if (type == TDvAviType::Type2) options.AudioStreams = {TAviAudioFormat{32000, 2, 16}};
        TAviWriter writer;
        ASSERT_TRUE(writer.Open(path, options)) << writer.ErrorMessage();
        const std::vector<std::uint8_t> silence(1068 * 4, 0);
        for (std::size_t at = 0; at + kFrameSize525 <= frames.size(); at += kFrameSize525) {
            ASSERT_TRUE(writer.WriteVideoFrame({frames.data() + at, kFrameSize525}));
            if (type == TDvAviType::Type2) {
                ASSERT_TRUE(writer.WriteAudio(0, silence));
            }
        }
        ASSERT_TRUE(writer.Close()) << writer.ErrorMessage();

        const TaviFichier r(Q(path));
        EXPECT_TRUE(r.IsDV);
        EXPECT_EQ(r.DvType, type == TDvAviType::Type1 ? 1 : 2);
        EXPECT_EQ(r.Standard, 1);
        EXPECT_EQ(r.ImageText, "720 x 480 (NTSC");
        EXPECT_EQ(r.AspectText, " 4x3)");
        TDateTime expected = 0;
        ASSERT_TRUE(TryEncodeDateTime({2024, 7, 8, 19, 55, 58, 0}, expected));
        EXPECT_EQ(DifferenceMs(r.Datecode, expected), 0);
        EXPECT_EQ(r.DatecodeKey, "20240708195558");
        EXPECT_EQ(r.TimecodeText, "00.00.02.17");
        EXPECT_TRUE(r.AudioText.startsWith("32000Hz 12(16) bits ")) << r.AudioText.toStdString();
        EXPECT_EQ(r.FrameCount, 5);
    }
}

// A file whose codec GStreamer does not take as DV is analysed as "dvsd",
// and keeps its own codec: the file is never written.
TEST(RecordOfClip, CodecRefusedByGStreamerIsRetriedAsDvsdWithoutTouchingTheFile) {
    test::TTempFolder folder;
    const fs::path path = folder / "cdvc.avi";
    fs::copy_file(test::TestClip(test::TTestClipId::Type1Ntsc43).Path(), path);
    ASSERT_TRUE(PatchAviCodec(path, MakeFourCC("CDVC")));
    const test::TBytes before = test::ReadFile(path);
    const auto modified = fs::last_write_time(path);
    {
        std::lock_guard lock(AnalysisLock());
        EXPECT_FALSE(FileAnalysis().AnalyseStreams(Q(path)));
    }

    const TaviFichier r(Q(path));
    EXPECT_TRUE(r.IsDV);
    EXPECT_EQ(r.DvType, 1);
    // The video of an interleaved stream is described by dvdemux, as DV.
    EXPECT_EQ(r.Codec, "dvsd");
    EXPECT_EQ(r.Standard, 1);
    EXPECT_NE(r.DatecodeText, "N/A");
    EXPECT_EQ(ReadAviCodec(path), MakeFourCC("CDVC"));
    EXPECT_EQ(test::ReadFile(path), before);
    EXPECT_EQ(fs::last_write_time(path), modified);
}

TEST(RecordOfBadInput, ForeignAndBrokenFilesGetTheirMarkers) {
    test::TTempFolder folder;

    // A text file named .avi.
    const fs::path text = folder / "notes.avi";
    const std::string words = "pas une vidéo\n";
    test::WriteFile(text, std::vector<std::uint8_t>(words.begin(), words.end()));
    const TaviFichier t(Q(text));
    EXPECT_EQ(t.DatecodeKey, "\u00FF");
    EXPECT_TRUE(t.DatecodeText.isEmpty());
    EXPECT_TRUE(t.TimecodeText.isEmpty());
    EXPECT_EQ(t.ImageText, "N/A");
    EXPECT_EQ(t.AudioText, "N/A");
    EXPECT_FALSE(t.IsDV);
    EXPECT_EQ(t.Standard, 2);
    EXPECT_TRUE(t.DurationSortKey.startsWith("000000000000"));

    // An AVI file without DV.
    test::TAviSpec recipe;
    recipe.Handler = "MJPG";
    const fs::path mjpeg = folder / "mjpeg.avi";
    test::TRiffImage image = test::MakeDvAvi(recipe);
    // The stand-in frames are no JPEG, but nothing reads them as DV either.
    const std::uint64_t compression = image.At("strf0") + 16;
    std::copy_n("MJPG", 4, image.Bytes.begin() + static_cast<std::ptrdiff_t>(compression));
    test::WriteFile(mjpeg, image.Bytes);
    const TaviFichier m(Q(mjpeg));
    EXPECT_FALSE(m.IsDV);
    EXPECT_EQ(m.DatecodeText, "-");
    EXPECT_EQ(m.TimecodeText, "-");
    EXPECT_EQ(m.DatecodeKey, "\u00FE");
    EXPECT_EQ(m.Standard, 2);
    EXPECT_EQ(m.Codec, "MJPG");

    // A clip cut in the middle (an interrupted copy): still listed, nothing
    // thrown, whatever could be read is shown.
    const fs::path cut = folder / "cut.avi";
    test::TBytes bytes = test::ReadFile(test::TestClip(test::TTestClipId::Type2Pal43).Path());
    bytes.resize(bytes.size() / 2);
    test::WriteFile(cut, bytes);
    const TaviFichier c(Q(cut));
    EXPECT_EQ(c.ShortName, "cut.avi");
    EXPECT_LE(c.FrameCount, test::TestClip(test::TTestClipId::Type2Pal43).FrameCount());

    // A missing file.
    const TaviFichier missing(Q(folder / "absent.avi"));
    EXPECT_FALSE(missing.Found);
    EXPECT_EQ(missing.DatecodeKey, "\u00FF");
    EXPECT_FALSE(missing.IsDV);
}

TEST(RecordSortKeys, OrdersByDatecodeThenUndatedThenForeign) {
    test::TTempFolder folder;
    const fs::path text = folder / "a.avi";
    test::WriteFile(text, std::vector<std::uint8_t>{'x'});
    const TaviFichier dated(Q(test::TestClip(test::TTestClipId::Type2Pal43).Path()));
    const TaviFichier undated(Q(test::TestClip(test::TTestClipId::NoDatecode).Path()));
    const TaviFichier foreign(Q(text));
    const TSortIndex& byDate = SortIndexByName("datecode");
    EXPECT_LT(dated.GetSortKey(byDate), undated.GetSortKey(byDate));
    EXPECT_LT(undated.GetSortKey(byDate), foreign.GetSortKey(byDate));
    EXPECT_EQ(dated.GetSortKey(SortIndexByName("duree")), dated.DurationSortKey);
    EXPECT_EQ(dated.GetSortKey(SortIndexByName("timecode")), dated.TimecodeSortKey);
    EXPECT_EQ(SortIndexByName("nimportequoi").Id, "alpha");
    EXPECT_EQ(dated.GetSortKey(SortIndexByName("alpha")), dated.AlphaKey);
}

}  // namespace
}  // namespace tavrel
