#include "pipelines/FileAnalysis.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/RiffBuilder.h"
#include "support/Samples.h"
#include "support/TestClips.h"

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using test::TTestClipId;

QString Q(const fs::path& p) {
    return QString::fromStdString(p.string());
}

const TMediaAnalysis& Analyse(const fs::path& path, bool expectOk = true) {
    std::lock_guard lock(AnalysisLock());
    EXPECT_EQ(FileAnalysis().AnalyseStreams(Q(path)), expectOk) << path;
    return FileAnalysis().MediaAnalysis();
}

TEST(FileAnalysis, Type1GoesThroughDvdemux) {
    const auto& clip = test::TestClip(TTestClipId::Type1Ntsc43);
    const TMediaAnalysis& a = Analyse(clip.Path());
    EXPECT_EQ(a.StreamCount, 1);
    EXPECT_TRUE(a.DvFound);
    EXPECT_TRUE(a.HasInterleaved);
    // The 50/60 flag of the DV format block: clear for 525/60.
    EXPECT_EQ(a.DvInfo.DVVAuxSrc & (1u << 21), 0u);
    EXPECT_TRUE(a.HasVideo);
    EXPECT_EQ(a.VideoInfo.Width, 720);
    EXPECT_EQ(a.VideoInfo.Height, 480);
    EXPECT_EQ(a.VideoInfo.AvgTimePerFrameHns, 333667);
    EXPECT_TRUE(a.HasAudio);
    EXPECT_EQ(a.WaveFormat.SamplesPerSec, 48000u);
    EXPECT_EQ(a.WaveFormat.BitsPerSample, 16);
    EXPECT_EQ(a.VideoDuration, a.AudioDuration);
    EXPECT_NEAR(static_cast<double>(a.VideoDuration), clip.FrameCount() * 333667.0, 1000);
    EXPECT_TRUE(a.HasDatecode);
    EXPECT_TRUE(a.HasTimecode);
    EXPECT_EQ(a.Timecode, clip.TimecodeAt(0));
    EXPECT_FALSE(a.Is16x9);
}

TEST(FileAnalysis, Type2StreamsAreEachDescribed) {
    const TMediaAnalysis& a = Analyse(test::TestClip(TTestClipId::Type2Pal169).Path());
    EXPECT_EQ(a.StreamCount, 2);
    EXPECT_TRUE(a.DvFound);
    EXPECT_FALSE(a.HasInterleaved);
    EXPECT_TRUE(a.HasVideo);
    EXPECT_EQ(std::string(a.VideoInfo.Compression.data(), 4), "dvsd");
    EXPECT_EQ(a.VideoInfo.AvgTimePerFrameHns, 400000);
    EXPECT_EQ(a.VideoInfo.BitRate, 28800000u);
    EXPECT_TRUE(a.HasAudio);
    EXPECT_EQ(a.WaveFormat.FormatTag, 1);
    EXPECT_EQ(a.WaveFormat.Channels, 2);
    EXPECT_TRUE(a.Is16x9);

    // A second audio stream counts, only the first is described.
    const TMediaAnalysis& two = Analyse(test::TestClip(TTestClipId::Type2TwoAudio).Path());
    EXPECT_EQ(two.StreamCount, 3);
    EXPECT_EQ(two.WaveFormat.SamplesPerSec, 32000u);
}

TEST(FileAnalysis, FilesWithoutDvAndFilesThatAreNotAvi) {
    test::TTempFolder folder;
    // A DV analysis first, so that the reader's fields hold something.
    const TMediaAnalysis& dv = Analyse(test::TestClip(TTestClipId::Type2Pal43).Path());
    ASSERT_TRUE(dv.HasDatecode);
    const TDateTime datecode = dv.Datecode;

    test::TAviSpec recipe;
    test::TRiffImage image = test::MakeDvAvi(recipe);
    std::copy_n("MJPG", 4,
                image.Bytes.begin() + static_cast<std::ptrdiff_t>(image.At("strf0") + 16));
    const fs::path mjpeg = folder / "mjpeg.avi";
    test::WriteFile(mjpeg, image.Bytes);
    const TMediaAnalysis& a = Analyse(mjpeg);
    EXPECT_FALSE(a.DvFound);
    EXPECT_GE(a.StreamCount, 1);
    // The reader's fields are those of the last file it read.
    EXPECT_TRUE(a.HasDatecode);
    EXPECT_EQ(a.Datecode, datecode);

    const fs::path text = folder / "text.avi";
    test::WriteFile(text, std::vector<std::uint8_t>(1000, 'a'));
    const TMediaAnalysis& t = Analyse(text);
    EXPECT_EQ(t.StreamCount, 0);
    EXPECT_FALSE(t.HasVideo);
    EXPECT_FALSE(t.HasAudio);
    EXPECT_FALSE(t.DvFound);

    Analyse(folder / "missing.avi", /*expectOk=*/false);
}

// A first sample of the wrong length (a truncated frame) passes the reader
// unread: the datecode is that of the first whole DV frame.
TEST(FileAnalysis, ATruncatedFirstFrameIsPassedOver) {
    const auto truncated = test::ReadSample("exiftool_DV.dv");
    const auto frames = test::ReadSample("file-scraper_valid__pal_lossy.dv");
    if (truncated.empty() || frames.empty()) GTEST_SKIP() << "samples not found";
    using namespace test;
    std::vector<TBytes> chunks = {truncated, TBytes(frames.begin(), frames.begin() + kFrameSize625),
                                  TBytes(frames.begin() + kFrameSize625, frames.end())};
    std::vector<TChunk> movi;
    TBytes idx1;
    std::uint32_t offset = 4;
    for (const TBytes& c : chunks) {
        movi.push_back(Chunk("00dc", c));
        PutFourCC(idx1, "00dc");
        Put32(idx1, 0x10);
        Put32(idx1, offset);
        Put32(idx1, static_cast<std::uint32_t>(c.size()));
        offset += 8 + static_cast<std::uint32_t>((c.size() + 1) & ~std::size_t{1});
    }
    const TRiffImage image = Build({Riff(
        "AVI ",
        {List("hdrl", {Chunk("avih", AvihPayload(40000, 3, 1, 720, 576)),
                       List("strl", {Chunk("strh", StrhPayload("vids", "dvsd", 1, 25, 3)),
                                     Chunk("strf", BitmapInfoPayload("dvsd", 720, 576, true))})}),
         List("movi", movi), Chunk("idx1", idx1)})});
    TTempFolder folder;
    const fs::path path = folder / "truncated-first.avi";
    WriteFile(path, image.Bytes);
    const TMediaAnalysis& a = Analyse(path);
    EXPECT_TRUE(a.DvFound);
    ASSERT_TRUE(a.HasDatecode);
    TDateTime expected = 0;
    ASSERT_TRUE(TryEncodeDateTime({2070, 1, 1, 0, 0, 0, 0}, expected));
    EXPECT_EQ(a.Datecode, expected);
    EXPECT_TRUE(a.Is16x9);
}

TEST(FileAnalysis, OpenDmlClipIsDescribedWhole) {
    const auto& clip = test::TestClip(TTestClipId::OpenDml);
    const TMediaAnalysis& a = Analyse(clip.Path());
    EXPECT_TRUE(a.DvFound);
    EXPECT_NEAR(static_cast<double>(a.VideoDuration), clip.FrameCount() * 333667.0, 1000);
}

}  // namespace
}  // namespace tavrel
