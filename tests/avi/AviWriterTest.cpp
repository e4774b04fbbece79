#include "avi/AviWriter.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <fstream>
#include <iterator>

#include "support/DemuxReadBack.h"
#include "support/DvFrameFactory.h"
#include "support/MediaInfo.h"
#include "support/RiffWalk.h"

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using test::TStandard;

// A camcorder-like frame whose video bytes also carry its index, so that
// every frame of a file differs.
std::vector<std::uint8_t> TestFrame(TStandard standard, int index, std::uint8_t displayMode = 0) {
    test::TFrameSpec recipe;
    recipe.Standard = standard;
    recipe.Datecode = test::Datecode(2026, 12, 10, 9, 30, index / 25 % 60);
    recipe.Timecode = TTimecode{0, 0, static_cast<std::uint8_t>(index / 25 % 60),
                                static_cast<std::uint8_t>(index % 25)};
    recipe.DisplayMode = displayMode;
    auto frame = test::MakeFrame(recipe);
    for (int i = 0; i < 4; ++i) frame[1000 + i] = static_cast<std::uint8_t>(index >> (8 * i));
    return frame;
}

std::vector<std::uint8_t> TestPcm(int stream, int index, int samples, int blockAlign = 4) {
    std::vector<std::uint8_t> pcm(static_cast<std::size_t>(samples) * blockAlign);
    for (std::size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<std::uint8_t>(stream * 31 + index * 7 + i * 13);
    return pcm;
}

int SamplesOfFrame(TStandard standard, int rate, int index) {
    auto before = [&](std::int64_t k) {
        return standard == TStandard::Pal ? k * rate / 25 : k * rate * 1001 / 30000;
    };
    return static_cast<int>(before(index + 1) - before(index));
}

class AviWriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() /
                (std::string("tavrel-aviwriter-") + info->name() + "-" + std::to_string(getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path File(const std::string& name) const { return m_dir / name; }

    // What a test wrote, to compare with what comes back.
    struct TWritten {
        std::vector<std::vector<std::uint8_t>> Frames;
        std::vector<std::vector<std::vector<std::uint8_t>>> Audio;  // per stream, per chunk
    };

    // Writes `frames` frames, each followed by one audio chunk per stream.
    bool WriteFile(const fs::path& path, const TAviWriterOptions& options, TStandard standard,
                   int frames, TWritten* written = nullptr, std::uint8_t displayMode = 0) {
        TAviWriter writer;
        if (!writer.Open(path, options)) {
            ADD_FAILURE() << writer.ErrorMessage();
            return false;
        }
        if (written) written->Audio.assign(options.AudioStreams.size(), {});
        for (int i = 0; i < frames; ++i) {
            const auto frame = TestFrame(standard, i, displayMode);
            if (!writer.WriteVideoFrame(frame))
                return ADD_FAILURE() << writer.ErrorMessage(), false;
            if (written) written->Frames.push_back(frame);
            for (std::size_t s = 0; s < options.AudioStreams.size(); ++s) {
                const auto& a = options.AudioStreams[s];
                const auto pcm = TestPcm(static_cast<int>(s), i,
                                         SamplesOfFrame(standard, a.SampleRate, i), a.BlockAlign());
                if (!writer.WriteAudio(static_cast<int>(s), pcm))
                    return ADD_FAILURE() << writer.ErrorMessage(), false;
                if (written) written->Audio[s].push_back(pcm);
            }
        }
        if (!writer.Close()) return ADD_FAILURE() << writer.ErrorMessage(), false;
        return true;
    }

    fs::path m_dir;
};

TAviWriterOptions Options(TDvAviType type, int audioStreams = 0, int rate = 48000) {
    TAviWriterOptions o;
    o.Type = type;
    for (int i = 0; i < audioStreams; ++i)
        o.AudioStreams.push_back({static_cast<std::uint32_t>(rate), 2, 16});
    return o;
}

std::uint32_t PackWord(const std::vector<std::uint8_t>& frame, std::size_t offset) {
    return frame[offset + 1] | frame[offset + 2] << 8 | frame[offset + 3] << 16 |
           static_cast<std::uint32_t>(frame[offset + 4]) << 24;
}

TEST_F(AviWriterTest, HeadersDescribeTheStreamsOfEachTypeAndStandard) {
    struct Case {
        TDvAviType type;
        TStandard standard;
        int audioStreams;
    };
    const Case cases[] = {{TDvAviType::Type1, TStandard::Ntsc, 0},
                          {TDvAviType::Type1, TStandard::Pal, 0},
                          {TDvAviType::Type2, TStandard::Pal, 1},
                          {TDvAviType::Type2, TStandard::Ntsc, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.type) * 10 + (c.standard == TStandard::Ntsc));
        const bool ntsc = c.standard == TStandard::Ntsc;
        const std::uint32_t frameSize = ntsc ? 120000 : 144000;
        const int frames = 12;
        auto options = Options(c.type, c.audioStreams);
        options.Info = {{"ISFT", "Tavrel"}, {"ICRD", "2026-12-10"}};
        const fs::path path = File("headers.avi");
        TWritten written;
        ASSERT_TRUE(WriteFile(path, options, c.standard, frames, &written));

        test::TRiffFile f(path);
        ASSERT_TRUE(f.Ok()) << f.Error();
        ASSERT_EQ(f.Riffs().size(), 1u);
        const test::TRiffChunk& riff = f.Riffs()[0];
        EXPECT_EQ(riff.ListType, "AVI ");
        EXPECT_EQ(riff.End(), f.FileSize());

        // The order of a DV AVI file: hdrl, INFO, JUNK, movi, idx1.
        std::vector<std::string> order;
        for (const auto& ch : riff.Children) order.push_back(ch.Id + ch.ListType);
        EXPECT_EQ(order,
                  (std::vector<std::string>{"LISThdrl", "LISTINFO", "JUNK", "LISTmovi", "idx1"}));
        const test::TRiffChunk* movi = riff.Child("LIST", "movi");
        ASSERT_TRUE(movi);
        EXPECT_EQ(movi->Offset % 2048, 0u);

        const test::TRiffChunk* hdrl = riff.Child("LIST", "hdrl");
        const test::TRiffChunk* avih = hdrl->Child("avih");
        ASSERT_TRUE(avih);
        ASSERT_EQ(avih->Size, 56u);
        const std::uint64_t a = avih->DataOffset();
        const int streams = 1 + c.audioStreams;
        EXPECT_EQ(f.U32(a), ntsc ? 33367u : 40000u);
        const std::uint32_t audioRate = 192000 * c.audioStreams;
        EXPECT_EQ(f.U32(a + 4), (ntsc ? 3596404u : 3600000u) + audioRate);
        EXPECT_EQ(f.U32(a + 12), 0x910u);  // has index, interleaved, trust chunk types
        EXPECT_EQ(f.U32(a + 16), std::uint32_t(frames));
        EXPECT_EQ(f.U32(a + 24), std::uint32_t(streams));
        EXPECT_EQ(f.U32(a + 28), frameSize);
        EXPECT_EQ(f.U32(a + 32), 720u);
        EXPECT_EQ(f.U32(a + 36), ntsc ? 480u : 576u);

        const auto strls = f.StreamLists();
        ASSERT_EQ(strls.size(), std::size_t(streams));
        const std::uint64_t vh = strls[0]->Child("strh")->DataOffset();
        EXPECT_EQ(f.Fourcc(vh), c.type == TDvAviType::Type1 ? "iavs" : "vids");
        EXPECT_EQ(f.Fourcc(vh + 4), "dvsd");
        EXPECT_EQ(f.U32(vh + 20), ntsc ? 1001u : 1u);      // scale
        EXPECT_EQ(f.U32(vh + 24), ntsc ? 30000u : 25u);    // rate
        EXPECT_EQ(f.U32(vh + 32), std::uint32_t(frames));  // length
        EXPECT_EQ(f.U32(vh + 36), frameSize);              // suggested buffer
        EXPECT_EQ(f.U16(vh + 52), 720);
        EXPECT_EQ(f.U16(vh + 54), ntsc ? 480 : 576);

        // DVINFO: the AAUX packs of both halves of the first frame, then VAUX.
        const test::TRiffChunk* vf = strls[0]->Child("strf");
        std::uint64_t dvinfo = vf->DataOffset();
        if (c.type == TDvAviType::Type2) {
            ASSERT_EQ(vf->Size, 72u);
            EXPECT_EQ(f.U32(dvinfo), 40u);
            EXPECT_EQ(f.U32(dvinfo + 4), 720u);
            EXPECT_EQ(f.U32(dvinfo + 8), ntsc ? 480u : 576u);
            EXPECT_EQ(f.U16(dvinfo + 12), 1);
            EXPECT_EQ(f.U16(dvinfo + 14), 24);
            EXPECT_EQ(f.Fourcc(dvinfo + 16), "dvsd");
            EXPECT_EQ(f.U32(dvinfo + 20), frameSize);
            dvinfo += 40;
        } else {
            ASSERT_EQ(vf->Size, 32u);
        }
        const auto& first = written.Frames[0];
        const int half = ntsc ? 5 : 6;
        const std::size_t secondHalfAudio =
            half * kDifSequenceSize + kAudioOffset + (half % 2 == 0 ? 3 : 0) * kAudioBlockStep + 3;
        EXPECT_EQ(f.U32(dvinfo), PackWord(first, kAudioOffset + 3 * kAudioBlockStep + 3));
        EXPECT_EQ(f.U32(dvinfo + 4), PackWord(first, kAudioOffset + 4 * kAudioBlockStep + 3));
        EXPECT_EQ(f.U32(dvinfo + 8), PackWord(first, secondHalfAudio));
        EXPECT_EQ(f.U32(dvinfo + 12), PackWord(first, secondHalfAudio + kAudioBlockStep));
        EXPECT_EQ(f.U32(dvinfo + 16),
                  PackWord(first, test::PackOffset(0, test::TPackArea::Vaux, 39)));
        EXPECT_EQ(f.U32(dvinfo + 20),
                  PackWord(first, test::PackOffset(0, test::TPackArea::Vaux, 40)));
        EXPECT_EQ(f.U32(dvinfo + 24), 0u);
        EXPECT_EQ(f.U32(dvinfo + 28), 0u);

        for (int s = 1; s < streams; ++s) {
            const std::uint64_t ah = strls[s]->Child("strh")->DataOffset();
            EXPECT_EQ(f.Fourcc(ah), "auds");
            EXPECT_EQ(f.U32(ah + 20), 1u);
            EXPECT_EQ(f.U32(ah + 24), 48000u);
            std::uint32_t samples = 0, largest = 0;
            for (const auto& chunk : written.Audio[s - 1]) {
                samples += static_cast<std::uint32_t>(chunk.size() / 4);
                largest = std::max(largest, static_cast<std::uint32_t>(chunk.size()));
            }
            EXPECT_EQ(f.U32(ah + 32), samples);
            EXPECT_EQ(f.U32(ah + 36), largest);
            EXPECT_EQ(f.U32(ah + 44), 4u);  // sample size
            const test::TRiffChunk* af = strls[s]->Child("strf");
            ASSERT_EQ(af->Size, 18u);
            const std::uint64_t w = af->DataOffset();
            EXPECT_EQ(f.U16(w), 1);
            EXPECT_EQ(f.U16(w + 2), 2);
            EXPECT_EQ(f.U32(w + 4), 48000u);
            EXPECT_EQ(f.U32(w + 8), 192000u);
            EXPECT_EQ(f.U16(w + 12), 4);
            EXPECT_EQ(f.U16(w + 14), 16);
            EXPECT_EQ(f.U16(w + 16), 0);
        }

        const test::TRiffChunk* dmlh = hdrl->Child("LIST", "odml")->Child("dmlh");
        ASSERT_TRUE(dmlh);
        EXPECT_EQ(dmlh->Size, 248u);
        EXPECT_EQ(f.U32(dmlh->DataOffset()), std::uint32_t(frames));

        const test::TRiffChunk* info = riff.Child("LIST", "INFO");
        ASSERT_EQ(info->Children.size(), 2u);
        EXPECT_EQ(info->Children[0].Id, "ISFT");
        EXPECT_EQ(info->Children[0].Size, 7u);
        const auto isft = f.Read(info->Children[0].DataOffset(), 7);
        EXPECT_EQ(std::string(isft.begin(), isft.end()), std::string("Tavrel\0", 7));
        EXPECT_EQ(info->Children[1].Id, "ICRD");

        // Both indexes lead to every chunk of every stream, whose bytes are the ones written.
        for (int s = 0; s < streams; ++s) {
            const auto chunks = f.MoviChunks(s);
            std::vector<test::TIndexedChunk> odml, legacy;
            std::string why;
            ASSERT_TRUE(f.FollowOdmlIndex(s, odml, why)) << why;
            ASSERT_TRUE(f.FollowIdx1(s, legacy, why)) << why;
            EXPECT_EQ(odml, chunks);
            EXPECT_EQ(legacy, chunks);
            const auto& expected = s == 0 ? written.Frames : written.Audio[s - 1];
            ASSERT_EQ(chunks.size(), expected.size());
            for (std::size_t i = 0; i < chunks.size(); ++i)
                ASSERT_EQ(f.Read(chunks[i].DataOffset, chunks[i].Size), expected[i])
                    << s << "/" << i;
        }
    }
}

TEST_F(AviWriterTest, OpenDmlLayoutSpreadsRiffsAndIndexesOverTheFile) {
    constexpr std::uint64_t kLimit = 1 << 20;
    constexpr int kFrames = 40;
    auto options = Options(TDvAviType::Type2, 2);
    options.RiffSizeLimit = kLimit;
    const fs::path path = File("odml.avi");
    TWritten written;
    ASSERT_TRUE(WriteFile(path, options, TStandard::Pal, kFrames, &written));

    test::TRiffFile f(path);
    ASSERT_TRUE(f.Ok()) << f.Error();
    const auto& riffs = f.Riffs();
    ASSERT_GE(riffs.size(), 5u);
    EXPECT_EQ(riffs.back().End(), f.FileSize());
    EXPECT_EQ(riffs[0].ListType, "AVI ");
    std::int64_t framesInFirst = 0;
    for (std::size_t r = 0; r < riffs.size(); ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(riffs[r].Id, "RIFF");
        if (r > 0) {
            EXPECT_EQ(riffs[r].ListType, "AVIX");
        }
        EXPECT_LE(riffs[r].Size + 8u, kLimit);
        // Every RIFF holds one movi list with a standard index per stream at its end.
        const auto movis = riffs[r].All("LIST", "movi");
        ASSERT_EQ(movis.size(), 1u);
        const auto& children = movis[0]->Children;
        ASSERT_GE(children.size(), 3u);
        EXPECT_EQ(children[children.size() - 3].Id, "ix00");
        EXPECT_EQ(children[children.size() - 2].Id, "ix01");
        EXPECT_EQ(children[children.size() - 1].Id, "ix02");
        EXPECT_EQ(riffs[r].Child("idx1") != nullptr, r == 0);
        if (r == 0)
            for (const auto& c : children) framesInFirst += c.Id == "00dc";
    }

    const std::uint64_t avih = riffs[0].Child("LIST", "hdrl")->Child("avih")->DataOffset();
    EXPECT_EQ(f.U32(avih + 16), std::uint32_t(framesInFirst));  // the first RIFF only
    EXPECT_LT(framesInFirst, kFrames);
    const auto strls = f.StreamLists();
    EXPECT_EQ(f.U32(strls[0]->Child("strh")->DataOffset() + 32), std::uint32_t(kFrames));
    const auto* dmlh = riffs[0].Child("LIST", "hdrl")->Child("LIST", "odml")->Child("dmlh");
    EXPECT_EQ(f.U32(dmlh->DataOffset()), std::uint32_t(kFrames));

    for (int s = 0; s < 3; ++s) {
        SCOPED_TRACE(s);
        const auto chunks = f.MoviChunks(s);
        std::vector<test::TIndexedChunk> odml, legacy;
        std::string why;
        ASSERT_TRUE(f.FollowOdmlIndex(s, odml, why)) << why;
        EXPECT_EQ(odml, chunks);
        // One super index entry per RIFF.
        EXPECT_EQ(f.U32(strls[s]->Child("indx")->DataOffset() + 4), riffs.size());
        // idx1 covers the first RIFF only.
        ASSERT_TRUE(f.FollowIdx1(s, legacy, why)) << why;
        ASSERT_LT(legacy.size(), chunks.size());
        EXPECT_TRUE(std::equal(legacy.begin(), legacy.end(), chunks.begin()));
        EXPECT_LT(legacy.back().DataOffset, riffs[0].End());
        const auto& expected = s == 0 ? written.Frames : written.Audio[s - 1];
        ASSERT_EQ(chunks.size(), expected.size());
        for (std::size_t i = 0; i < chunks.size(); ++i)
            ASSERT_EQ(f.Read(chunks[i].DataOffset, chunks[i].Size), expected[i]) << i;
    }
}

TEST_F(AviWriterTest, AvidemuxReadsBackEveryFrameAndSample) {
    struct Case {
        const char* name;
        TDvAviType type;
        TStandard standard;
        int audioStreams;
        std::uint64_t limit;
    };
    const Case cases[] = {
        {"type1-ntsc", TDvAviType::Type1, TStandard::Ntsc, 0, kDefaultRiffSizeLimit},
        {"type2-pal", TDvAviType::Type2, TStandard::Pal, 1, kDefaultRiffSizeLimit},
        {"type2-ntsc-odml", TDvAviType::Type2, TStandard::Ntsc, 2, 1 << 20},
        {"type1-pal-odml", TDvAviType::Type1, TStandard::Pal, 0, 600000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool ntsc = c.standard == TStandard::Ntsc;
        auto options = Options(c.type, c.audioStreams, 32000);
        options.RiffSizeLimit = c.limit;
        const fs::path path = File(std::string(c.name) + ".avi");
        TWritten written;
        ASSERT_TRUE(WriteFile(path, options, c.standard, 30, &written));

        const test::TDemuxResult r = test::DemuxAvi(path);
        ASSERT_TRUE(r.Ok) << r.Error;
        ASSERT_EQ(r.Streams.size(), std::size_t(1 + c.audioStreams));
        const test::TDemuxedStream* video = r.Find("video_0");
        ASSERT_TRUE(video);
        EXPECT_EQ(video->Media, "video/x-dv") << video->Caps;
        EXPECT_EQ(video->SystemStream, c.type == TDvAviType::Type1) << video->Caps;
        if (c.type == TDvAviType::Type2) {
            EXPECT_EQ(video->Width, 720);
            EXPECT_EQ(video->Height, ntsc ? 480 : 576);
            EXPECT_EQ(video->FpsN, ntsc ? 30000 : 25);
            EXPECT_EQ(video->FpsD, ntsc ? 1001 : 1);
        }
        ASSERT_EQ(video->Data.size(), written.Frames.size());
        for (std::size_t i = 0; i < video->Data.size(); ++i)
            ASSERT_EQ(video->Data[i], written.Frames[i]) << "frame " << i;

        for (int s = 0; s < c.audioStreams; ++s) {
            const test::TDemuxedStream* audio = r.Find("audio_" + std::to_string(s));
            ASSERT_TRUE(audio);
            EXPECT_EQ(audio->Rate, 32000);
            EXPECT_EQ(audio->Channels, 2);
            std::vector<std::uint8_t> got, expected;
            for (const auto& b : audio->Data) got.insert(got.end(), b.begin(), b.end());
            for (const auto& b : written.Audio[s])
                expected.insert(expected.end(), b.begin(), b.end());
            EXPECT_EQ(got, expected) << "audio " << s;
        }
    }
}

TEST_F(AviWriterTest, MediaInfoSeesTheFormatAndTheWholeFrameCount) {
    struct Case {
        const char* name;
        TDvAviType type;
        TStandard standard;
        std::uint8_t displayMode;
        std::uint64_t limit;
        int frames;
    };
    const Case cases[] = {
        {"type2-pal-4x3", TDvAviType::Type2, TStandard::Pal, 0, kDefaultRiffSizeLimit, 25},
        {"type2-pal-16x9-odml", TDvAviType::Type2, TStandard::Pal, 7, 1 << 20, 60},
        {"type1-ntsc-odml", TDvAviType::Type1, TStandard::Ntsc, 0, 1 << 20, 70},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool ntsc = c.standard == TStandard::Ntsc;
        auto options = Options(c.type, c.type == TDvAviType::Type2 ? 1 : 0);
        options.RiffSizeLimit = c.limit;
        options.Info = {{"ISFT", "Tavrel"}};
        const fs::path path = File(std::string(c.name) + ".avi");
        ASSERT_TRUE(WriteFile(path, options, c.standard, c.frames, nullptr, c.displayMode));

        const test::TMediaInfo m = test::RunMediaInfo(path);
        if (!m.Available) GTEST_SKIP() << m.Error;
        EXPECT_EQ(m.Get("General", "Format"), "AVI");
        EXPECT_EQ(m.Get("General", "Encoded_Application"), "Tavrel");
        EXPECT_EQ(m.Get("General", "Format_Profile"), c.limit < (1u << 30) ? "OpenDML" : "");
        EXPECT_EQ(m.Get("Video", "Format"), "DV");
        EXPECT_EQ(m.Get("Video", "FrameCount"), std::to_string(c.frames));
        EXPECT_EQ(m.Get("Video", "FrameRate"), ntsc ? "29.970" : "25.000");
        EXPECT_EQ(m.Get("Video", "Width"), "720");
        EXPECT_EQ(m.Get("Video", "Height"), ntsc ? "480" : "576");
        EXPECT_EQ(m.Get("Video", "Standard"), ntsc ? "NTSC" : "PAL");
        EXPECT_EQ(m.Get("Video", "DisplayAspectRatio"), c.displayMode ? "1.778" : "1.333");
        if (c.type == TDvAviType::Type2) {
            EXPECT_EQ(m.Get("Audio", "SamplingRate"), "48000");
            EXPECT_EQ(m.Get("Audio", "Channels"), "2");
        } else {
            // The sound of a type 1 file is the DV audio that the AAUX packs describe.
            EXPECT_EQ(m.Get("Audio", "SamplingRate"), "48000");
        }
    }
}

TEST_F(AviWriterTest, CannotCreateTheFileSaysWhyAndLeavesNothing) {
    TAviWriter writer;
    const fs::path path = File("missing") / "clip.avi";
    EXPECT_FALSE(writer.Open(path, Options(TDvAviType::Type1)));
    EXPECT_NE(writer.ErrorMessage().find("clip.avi"), std::string::npos) << writer.ErrorMessage();
    EXPECT_NE(writer.ErrorMessage().find("le dossier n'existe pas"), std::string::npos)
        << writer.ErrorMessage();
    EXPECT_FALSE(writer.IsOpen());

    EXPECT_FALSE(writer.Open(m_dir, Options(TDvAviType::Type1)));  // a folder
    EXPECT_NE(writer.ErrorMessage().find("dossier"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(m_dir));
}

TEST_F(AviWriterTest, RefusedInputAbandonsTheFile) {
    const fs::path path = File("bad.avi");
    const auto pal = TestFrame(TStandard::Pal, 0);
    const auto ntsc = TestFrame(TStandard::Ntsc, 0);
    struct Case {
        const char* name;
        std::function<bool(TAviWriter&)> act;
        const char* message;
    };
    const Case cases[] = {
        {"short frame",
         [&](TAviWriter& w) { return w.WriteVideoFrame(std::span(pal).first(100000)); },
         "100000 octets"},
        {"standard changes",
         [&](TAviWriter& w) { return w.WriteVideoFrame(pal) && w.WriteVideoFrame(ntsc); }, "n° 2"},
        {"no frame at all", [](TAviWriter& w) { return w.Close(); }, "Aucune image"},
        {"unknown audio stream",
         [&](TAviWriter& w) {
             return w.WriteVideoFrame(pal) && w.WriteAudio(1, TestPcm(0, 0, 10));
         },
         "Flux audio 2"},
        {"partial sample frame",
         [&](TAviWriter& w) {
             return w.WriteVideoFrame(pal) && w.WriteAudio(0, std::vector<std::uint8_t>(6));
         },
         "incomplets"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TAviWriter writer;
        ASSERT_TRUE(writer.Open(path, Options(TDvAviType::Type2, 1)));
        EXPECT_FALSE(c.act(writer));
        EXPECT_NE(writer.ErrorMessage().find(c.message), std::string::npos)
            << writer.ErrorMessage();
        EXPECT_FALSE(writer.IsOpen());
        // Later calls fail too and keep the message of the first failure.
        const std::string first = writer.ErrorMessage();
        EXPECT_FALSE(writer.WriteVideoFrame(pal));
        EXPECT_FALSE(writer.Close());
        EXPECT_EQ(writer.ErrorMessage(), first);
        EXPECT_TRUE(fs::is_empty(m_dir));
    }

    // Options that make no file.
    TAviWriter writer;
    auto type1WithAudio = Options(TDvAviType::Type1, 1);
    EXPECT_FALSE(writer.Open(path, type1WithAudio));
    auto badInfo = Options(TDvAviType::Type1);
    badInfo.Info = {{"IS", "x"}};
    EXPECT_FALSE(writer.Open(path, badInfo));
    auto noLimit = Options(TDvAviType::Type1);
    noLimit.RiffSizeLimit = 0;
    EXPECT_FALSE(writer.Open(path, noLimit));
    EXPECT_TRUE(fs::is_empty(m_dir));
}

TEST_F(AviWriterTest, TooManyRiffsForTheSuperIndexIsAnError) {
    auto options = Options(TDvAviType::Type1);
    options.RiffSizeLimit = 200000;  // one frame a RIFF
    options.SuperIndexEntries = 3;
    TAviWriter writer;
    const fs::path path = File("many.avi");
    ASSERT_TRUE(writer.Open(path, options));
    bool ok = true;
    for (int i = 0; i < 6 && ok; ++i) ok = writer.WriteVideoFrame(TestFrame(TStandard::Pal, i));
    if (ok) ok = writer.Close();
    EXPECT_FALSE(ok);
    EXPECT_NE(writer.ErrorMessage().find("segments RIFF"), std::string::npos)
        << writer.ErrorMessage();
    EXPECT_TRUE(fs::is_empty(m_dir));

    // Exactly as many RIFFs as entries is fine.
    ASSERT_TRUE(WriteFile(path, options, TStandard::Pal, 3));
    test::TRiffFile f(path);
    EXPECT_EQ(f.Riffs().size(), 3u);
}

TEST_F(AviWriterTest, AFailedWriteRemovesThePartAndKeepsTheFileItWasToReplace) {
    const fs::path path = File("clip.avi");
    {
        std::ofstream old(path, std::ios::binary);
        old << "the previous file";
    }
    // The disk "fills up" after 2 MB: writes beyond the file size limit fail.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 2 << 20;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    TAviWriter writer;
    bool ok = writer.Open(path, Options(TDvAviType::Type1));
    for (int i = 0; i < 40 && ok; ++i) ok = writer.WriteVideoFrame(TestFrame(TStandard::Pal, i));
    if (ok) ok = writer.Close();
    setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_FALSE(ok);
    EXPECT_NE(writer.ErrorMessage().find("Erreur d'écriture du fichier"), std::string::npos)
        << writer.ErrorMessage();
    EXPECT_NE(writer.ErrorMessage().find("taille"), std::string::npos) << writer.ErrorMessage();
    EXPECT_FALSE(fs::exists(File("clip.avi.part")));
    std::ifstream in(path, std::ios::binary);
    const std::string kept((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(kept, "the previous file");

    // A write that succeeds replaces it.
    ASSERT_TRUE(WriteFile(path, Options(TDvAviType::Type1), TStandard::Pal, 2));
    EXPECT_EQ(fs::file_size(path), test::TRiffFile(path).Riffs()[0].End());
}

TEST_F(AviWriterTest, AnUnclosedWriterLeavesNoFile) {
    const fs::path path = File("open.avi");
    {
        TAviWriter writer;
        ASSERT_TRUE(writer.Open(path, Options(TDvAviType::Type1)));
        ASSERT_TRUE(writer.WriteVideoFrame(TestFrame(TStandard::Pal, 0)));
        EXPECT_TRUE(fs::exists(File("open.avi.part")));
        EXPECT_FALSE(fs::exists(path));  // never under its name before it is complete
    }
    EXPECT_TRUE(fs::is_empty(m_dir));

    TAviWriter writer;
    ASSERT_TRUE(writer.Open(path, Options(TDvAviType::Type1)));
    ASSERT_TRUE(writer.WriteVideoFrame(TestFrame(TStandard::Pal, 0)));
    writer.Abort();
    EXPECT_TRUE(fs::is_empty(m_dir));
    // The writer can be used again.
    ASSERT_TRUE(writer.Open(path, Options(TDvAviType::Type1)));
    ASSERT_TRUE(writer.WriteVideoFrame(TestFrame(TStandard::Pal, 0)));
    EXPECT_EQ(writer.FramesWritten(), 1);
    ASSERT_TRUE(writer.Close());
    EXPECT_TRUE(fs::exists(path));
}

}  // namespace
}  // namespace tavrel
