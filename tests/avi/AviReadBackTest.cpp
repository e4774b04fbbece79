// The files our writer makes, read back by our own reader: every header
// value the writer put is found again.
#include <gtest/gtest.h>

#include "avi/AviParam.h"
#include "support/TestClips.h"

namespace tavrel {
namespace {

using test::TTestClip;

class ReaderOfWrittenClip : public ::testing::TestWithParam<TTestClip> {};

TEST_P(ReaderOfWrittenClip, FindsWhatTheWriterWrote) {
    const TTestClip& clip = GetParam();
    const TFriendlyAviParam avi(clip.Path());
    ASSERT_TRUE(avi.Opened());
    ASSERT_TRUE(avi.IsAvi());
    EXPECT_EQ(avi.CodecFourCC(), "dvsd");
    EXPECT_TRUE(avi.HasOdml());
    EXPECT_EQ(avi.OdmlTotalFrames(), static_cast<std::uint32_t>(clip.FrameCount()));
    if (clip.Id == test::TTestClipId::OpenDml) {
        EXPECT_GT(avi.RiffCount(), 1);
    } else {
        EXPECT_EQ(avi.MainHeader().TotalFrames, static_cast<std::uint32_t>(clip.FrameCount()));
    }
    EXPECT_EQ(avi.MainHeader().Width, 720u);
    EXPECT_EQ(avi.MainHeader().Height, clip.Ntsc() ? 480u : 576u);

    const std::size_t expectedStreams = 1 + static_cast<std::size_t>(clip.AudioStreams());
    ASSERT_EQ(avi.Streams().size(), expectedStreams);
    const TAvistream* video = avi.VideoStream();
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(avi.VideoStreamIndex(), 0);
    EXPECT_EQ(FourCCBytes(video->FourccType()), clip.DvType() == 1 ? "iavs" : "vids");
    const TAviStreamHeader strh = video->Header();
    EXPECT_EQ(strh.Rate, clip.Ntsc() ? 30000u : 25u);
    EXPECT_EQ(strh.Scale, clip.Ntsc() ? 1001u : 1u);
    EXPECT_EQ(strh.Length, static_cast<std::uint32_t>(clip.FrameCount()));
    EXPECT_TRUE(video->HasDvInfo());
    // The 50/60 flag of the VAUX source pack.
    EXPECT_EQ((video->DvInfo().DVVAuxSrc >> 21) & 1, clip.Ntsc() ? 0u : 1u);
    if (clip.DvType() == 2) {
        ASSERT_TRUE(video->HasBitmapInfo());
        EXPECT_EQ(FourCCBytes(video->BitmapInfo().Compression), "dvsd");
    }
    for (int s = 0; s < clip.AudioStreams(); ++s) {
        const TAvistream& audio = avi.Streams()[1 + s];
        EXPECT_EQ(FourCCBytes(audio.FourccType()), "auds");
        EXPECT_EQ(audio.WaveFormat().SamplesPerSec, static_cast<std::uint32_t>(clip.AudioRate()));
        EXPECT_EQ(audio.WaveFormat().BitsPerSample, 16);
        EXPECT_EQ(audio.Header().Length, static_cast<std::uint32_t>(clip.AudioSamples()));
    }
    EXPECT_EQ(avi.AudioStreamIndex(), clip.AudioStreams() > 0 ? 1 : -1);
    for (const TAvistream& s : avi.Streams()) EXPECT_TRUE(s.HasIndex());
}

INSTANTIATE_TEST_SUITE_P(Clips, ReaderOfWrittenClip, ::testing::ValuesIn(test::TestClips()),
                         [](const ::testing::TestParamInfo<TTestClip>& p) {
                             std::string name = p.param.FileName;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
}  // namespace tavrel
