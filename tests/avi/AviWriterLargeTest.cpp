// A DV AVI file beyond 4 GiB, written and read back whole: several RIFFs of
// the default size, indexes whose positions need 64 bits. It writes 4.3 GB,
// so it carries the CTest label "large" and stays out of the default run
// (see tests/avi/CMakeLists.txt).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <mutex>

#include "avi/AviWriter.h"
#include "support/DemuxReadBack.h"
#include "support/DvFrameFactory.h"
#include "support/MediaInfo.h"
#include "support/RiffWalk.h"

namespace tavrel {
namespace {

namespace fs = std::filesystem;

constexpr int kFrames = 28500;  // 19 minutes of PAL with 48 kHz sound: 4.32 GB
constexpr int kSamples = 1920;

void StampIndex(std::vector<std::uint8_t>& frame, int index) {
    for (int i = 0; i < 4; ++i) frame[1000 + i] = static_cast<std::uint8_t>(index >> (8 * i));
}

std::vector<std::uint8_t> Pcm(int index) {
    std::vector<std::uint8_t> pcm(kSamples * 4);
    for (std::size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<std::uint8_t>(index + i);
    return pcm;
}

TEST(AviWriterLarge, AFileBeyondFourGigabytesIsReadBackWhole) {
    const fs::path dir =
        fs::temp_directory_path() / ("tavrel-aviwriter-large-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path path = dir / "large.avi";
    struct TCleanup {
        fs::path Dir;
        ~TCleanup() { fs::remove_all(Dir); }
    } cleanup{dir};

    test::TFrameSpec recipe;
    recipe.Datecode = test::Datecode(2026, 12, 10, 12, 0, 0);
    recipe.Timecode = TTimecode{0, 0, 0, 0};
    const std::vector<std::uint8_t> base = test::MakeFrame(recipe);

    TAviWriterOptions options;
    options.AudioStreams = {{48000, 2, 16}};
    TAviWriter writer;
    ASSERT_TRUE(writer.Open(path, options)) << writer.ErrorMessage();
    std::vector<std::uint8_t> frame = base;
    for (int i = 0; i < kFrames; ++i) {
        StampIndex(frame, i);
        ASSERT_TRUE(writer.WriteVideoFrame(frame)) << writer.ErrorMessage();
        ASSERT_TRUE(writer.WriteAudio(0, Pcm(i))) << writer.ErrorMessage();
    }
    ASSERT_TRUE(writer.Close()) << writer.ErrorMessage();

    test::TRiffFile f(path);
    ASSERT_TRUE(f.Ok()) << f.Error();
    EXPECT_GT(f.FileSize(), 4ull << 30);
    ASSERT_EQ(f.Riffs().size(), 5u);
    for (const auto& riff : f.Riffs()) EXPECT_LE(riff.Size + 8ull, kDefaultRiffSizeLimit);
    for (int s = 0; s < 2; ++s) {
        std::vector<test::TIndexedChunk> indexed;
        std::string why;
        ASSERT_TRUE(f.FollowOdmlIndex(s, indexed, why)) << why;
        const auto chunks = f.MoviChunks(s);
        EXPECT_EQ(chunks.size(), std::size_t(kFrames));
        EXPECT_TRUE(indexed == chunks);
        EXPECT_GT(chunks.back().DataOffset, 4ull << 30);
    }
    const auto* dmlh = f.Riffs()[0].Child("LIST", "hdrl")->Child("LIST", "odml")->Child("dmlh");
    EXPECT_EQ(f.U32(dmlh->DataOffset()), std::uint32_t(kFrames));

    // Every frame and sample back through avidemux, in order.
    std::mutex mutex;
    int nextFrame = 0, badFrames = 0;
    std::uint64_t audioBytes = 0;
    int badAudio = 0;
    std::vector<std::uint8_t> expected = base;
    test::TDemuxOptions demux;
    demux.KeepData = false;
    demux.TimeoutSeconds = 600;
    demux.OnBuffer = [&](const std::string& pad, std::span<const std::uint8_t> data) {
        std::lock_guard lock(mutex);
        if (pad == "video_0") {
            StampIndex(expected, nextFrame);
            if (data.size() != expected.size() ||
                std::memcmp(data.data(), expected.data(), expected.size()) != 0)
                ++badFrames;
            ++nextFrame;
        } else {
            // Chunks may be merged or split: compare by position in the stream.
            for (std::size_t i = 0; i < data.size(); ++i, ++audioBytes) {
                const std::uint64_t chunk = audioBytes / (kSamples * 4);
                const std::uint64_t within = audioBytes % (kSamples * 4);
                if (data[i] != static_cast<std::uint8_t>(chunk + within)) ++badAudio;
            }
        }
    };
    const test::TDemuxResult r = test::DemuxAvi(path, demux);
    ASSERT_TRUE(r.Ok) << r.Error;
    EXPECT_EQ(nextFrame, kFrames);
    EXPECT_EQ(badFrames, 0);
    EXPECT_EQ(audioBytes, std::uint64_t(kFrames) * kSamples * 4);
    EXPECT_EQ(badAudio, 0);

    const test::TMediaInfo m = test::RunMediaInfo(path);
    if (!m.Available) GTEST_SKIP() << m.Error;
    EXPECT_EQ(m.Get("General", "Format_Profile"), "OpenDML");
    EXPECT_EQ(m.Get("Video", "FrameCount"), std::to_string(kFrames));
    EXPECT_EQ(m.Get("Audio", "SamplingRate"), "48000");
}

}  // namespace
}  // namespace tavrel
