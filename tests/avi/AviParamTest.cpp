#include "avi/AviParam.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/RiffBuilder.h"

namespace tavrel {
namespace {

using test::Chunk;
using test::List;
using test::MakeDvAvi;
using test::Riff;
using test::TAviSpec;
using test::TBytes;
using test::TRiffImage;

// A source that remembers every range it was asked for.
class TRecordingSource final : public TByteSource {
  public:
    explicit TRecordingSource(std::span<const std::uint8_t> bytes) : m_inner(bytes) {}
    std::uint64_t Size() const override { return m_inner.Size(); }
    bool ReadAt(std::uint64_t pos, std::span<std::uint8_t> out) override {
        Ranges.push_back({pos, pos + out.size()});
        return m_inner.ReadAt(pos, out);
    }
    std::vector<std::pair<std::uint64_t, std::uint64_t>> Ranges;

  private:
    TMemorySource m_inner;
};

TEST(AviParamTypes, Type2DvFileDeclaresItsStreamsAndCodec) {
    const TRiffImage image = MakeDvAvi({});
    TMemorySource source(image.Bytes);
    const TAviParam avi(source);

    ASSERT_TRUE(avi.IsAvi());
    EXPECT_EQ(avi.RiffCount(), 1);
    ASSERT_EQ(avi.Streams().size(), 2u);
    EXPECT_EQ(avi.VideoStreamIndex(), 0);
    EXPECT_EQ(avi.AudioStreamIndex(), 1);
    EXPECT_EQ(avi.CodecFourCC(), "dvsd");
    EXPECT_EQ(avi.MoviPosition(), image.At("movi") + 4);
    EXPECT_EQ(avi.Idx1Position(), image.At("idx1"));
    EXPECT_FALSE(avi.HasOdml());
    EXPECT_EQ(avi.MainHeader().Streams, 2u);
    EXPECT_EQ(avi.MainHeader().Height, 576u);

    const TAvistream& video = *avi.VideoStream();
    EXPECT_EQ(video.FourccType(), kFccVids);
    EXPECT_DOUBLE_EQ(video.FrameRate(), 25.0);
    ASSERT_TRUE(video.HasBitmapInfo());
    EXPECT_EQ(video.BitmapInfo().Compression, kFccDvsd);
    ASSERT_TRUE(video.HasDvInfo());
    EXPECT_EQ(video.DvInfo().DVVAuxSrc, 0xFF20FF00u);
    EXPECT_FALSE(video.HasIndex());

    const TAvistream& audio = *avi.AudioStream();
    EXPECT_EQ(audio.FourccType(), kFccAuds);
    EXPECT_EQ(audio.WaveFormat().SamplesPerSec, 48000u);
    EXPECT_EQ(audio.WaveFormat().Channels, 2u);
    EXPECT_FALSE(audio.HasDvInfo());
}

TEST(AviParamTypes, Type1InterleavedStreamIsTheVideoStream) {
    TAviSpec recipe;
    recipe.Type = 1;
    recipe.Pal = false;
    const TRiffImage image = MakeDvAvi(recipe);
    TMemorySource source(image.Bytes);
    const TAviParam avi(source);

    ASSERT_TRUE(avi.IsAvi());
    ASSERT_EQ(avi.Streams().size(), 1u);
    EXPECT_EQ(avi.VideoStreamIndex(), 0);
    EXPECT_EQ(avi.AudioStreamIndex(), -1);
    EXPECT_EQ(avi.AudioStream(), nullptr);
    EXPECT_EQ(avi.CodecFourCC(), "dvsd");
    const TAvistream& video = *avi.VideoStream();
    EXPECT_EQ(video.FourccType(), kFccIavs);
    EXPECT_NEAR(video.FrameRate(), 29.97, 0.001);
    EXPECT_FALSE(video.HasBitmapInfo());
    ASSERT_TRUE(video.HasDvInfo());
    EXPECT_EQ(video.DvInfo().DVVAuxSrc, 0xFF00FF00u);  // 50/60 flag clear: NTSC
}

TEST(AviParamTypes, FirstStreamOfEachKindWins) {
    TAviSpec recipe;
    recipe.AudioStreams = 2;
    const TRiffImage twoAudio = MakeDvAvi(recipe);
    TMemorySource audioSource(twoAudio.Bytes);
    const TAviParam a(audioSource);
    ASSERT_EQ(a.Streams().size(), 3u);
    EXPECT_EQ(a.AudioStreamIndex(), 1);
    EXPECT_EQ(a.Streams()[2].FourccType(), kFccAuds);

    // An audio stream first, then two video streams with different codecs.
    auto strl = [](const std::string& type, const std::string& handler) {
        return List("strl", {Chunk("strh", test::StrhPayload(type, handler, 1, 25, 0)),
                             Chunk("strf", test::BitmapInfoPayload(handler, 720, 576, false))});
    };
    const TRiffImage twoVideo = test::Build(
        {Riff("AVI ", {List("hdrl", {Chunk("avih", test::AvihPayload(40000, 0, 3, 720, 576)),
                                     strl("auds", ""), strl("vids", "CDVC"), strl("vids", "dvsd")}),
                       List("movi", {})})});
    TMemorySource videoSource(twoVideo.Bytes);
    const TAviParam v(videoSource);
    ASSERT_TRUE(v.IsAvi());
    EXPECT_EQ(v.AudioStreamIndex(), 0);
    EXPECT_EQ(v.VideoStreamIndex(), 1);
    EXPECT_EQ(v.CodecFourCC(), "CDVC");
}

TEST(AviParamOpenDml, EveryAvixRiffIsWalkedAndTheSuperIndexKept) {
    TAviSpec recipe;
    recipe.AvixRiffs = 3;
    const TRiffImage image = MakeDvAvi(recipe);
    TMemorySource source(image.Bytes);
    const TAviParam avi(source);

    ASSERT_TRUE(avi.IsAvi());
    EXPECT_EQ(avi.RiffCount(), 4);
    EXPECT_TRUE(avi.HasOdml());
    EXPECT_EQ(avi.OdmlTotalFrames(), 8u);
    EXPECT_EQ(avi.MoviPosition(), image.At("movi3") + 4);  // the last movi met
    EXPECT_EQ(avi.Idx1Position(), image.At("idx1"));

    const TAvistream& video = *avi.VideoStream();
    ASSERT_TRUE(video.HasIndex());
    EXPECT_EQ(video.IndexEntriesPosition(), image.At("indx0") + 24);
    EXPECT_EQ(video.IndexHeader().IndexType, kAviIndexOfIndexes);
    EXPECT_EQ(video.IndexHeader().ChunkId, MakeFourCC("00dc"));
    const auto entries = video.SuperIndexEntries();
    ASSERT_EQ(entries.size(), 4u);
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(entries[r].Offset, image.At("ix" + std::to_string(r)) - 8) << r;
        EXPECT_EQ(test::GetFourCC(image.Bytes, entries[r].Offset), "ix00");
        EXPECT_EQ(entries[r].Duration, 2u);
    }
    // The audio stream's index declares no entry in use.
    EXPECT_TRUE(avi.AudioStream()->HasIndex());
    EXPECT_TRUE(avi.AudioStream()->SuperIndexEntries().empty());
}

TEST(AviParamOpenDml, TheWalkNeverReadsMediaData) {
    TAviSpec recipe;
    recipe.AvixRiffs = 2;
    recipe.FrameBytes = 4000;
    const TRiffImage image = MakeDvAvi(recipe);
    TRecordingSource source(image.Bytes);
    const TAviParam avi(source);
    ASSERT_TRUE(avi.IsAvi());

    // Only the list type of each movi is read, nothing past it.
    for (const char* label : {"movi", "movi1", "movi2"}) {
        const std::uint64_t data = image.At(label) + 4;
        const std::uint64_t end = data + test::Get32(image.Bytes, image.At(label) - 4) - 4;
        for (const auto& [from, to] : source.Ranges)
            EXPECT_TRUE(to <= data || from >= end) << label << " read at " << from;
    }
    for (const auto& [from, to] : source.Ranges) EXPECT_LE(to - from, 248u);
    EXPECT_LT(source.Ranges.size(), 40u);
}

TEST(AviParamLayout, OddSizedChunksAreFollowedByTheirPadByte) {
    TAviSpec recipe;
    recipe.OddJunk = true;
    recipe.FrameBytes = 63;
    const TRiffImage image = MakeDvAvi(recipe);
    TMemorySource source(image.Bytes);
    const TAviParam avi(source);
    ASSERT_TRUE(avi.IsAvi());
    EXPECT_EQ(avi.Streams().size(), 2u);
    EXPECT_EQ(avi.MoviPosition(), image.At("movi") + 4);
    EXPECT_EQ(avi.Idx1Position(), image.At("idx1"));
}

TEST(AviParamLayout, ManyPadBytesDoNotShiftTheNextRiff) {
    // Twelve odd chunks before movi: the pad bytes add up to more than a
    // chunk header, and the AVIX RIFF after must still be found as such.
    std::vector<test::TChunk> avi = {List(
        "hdrl", {Chunk("avih", test::AvihPayload(40000, 0, 1, 720, 576)),
                 List("strl", {Chunk("strh", test::StrhPayload("vids", "dvsd", 1, 25, 0)),
                               Chunk("strf", test::BitmapInfoPayload("dvsd", 720, 576, true))})})};
    for (int i = 0; i < 12; ++i) avi.push_back(Chunk("JUNK", TBytes(1, 0)));
    avi.push_back(List("movi", {Chunk("00dc", TBytes(9, 1))}, "movi"));
    const TRiffImage image = test::Build(
        {Riff("AVI ", avi), Riff("AVIX", {List("movi", {Chunk("00dc", TBytes(9, 1))}, "movi1")})});
    TMemorySource source(image.Bytes);
    const TAviParam reader(source);
    ASSERT_TRUE(reader.IsAvi());
    EXPECT_EQ(reader.RiffCount(), 2);
    EXPECT_EQ(reader.MoviPosition(), image.At("movi1") + 4);
}

TEST(AviParamLayout, StreamHeaderLongerThan56BytesIsSkippedPastItsEnd) {
    TAviSpec recipe;
    recipe.StrhSize = 64;
    recipe.AudioStreams = 2;
    const TRiffImage image = MakeDvAvi(recipe);
    TMemorySource source(image.Bytes);
    const TAviParam avi(source);
    ASSERT_TRUE(avi.IsAvi());
    ASSERT_EQ(avi.Streams().size(), 3u);
    EXPECT_EQ(avi.CodecFourCC(), "dvsd");
    EXPECT_EQ(avi.VideoStream()->BitmapInfo().Compression, kFccDvsd);
    EXPECT_EQ(avi.Streams()[2].WaveFormat().SamplesPerSec, 48000u);
}

TEST(AviParamLayout, ListSizesThatLieBelowTheRiffAreTolerated) {
    // The second strl claims far more than its hdrl holds; the walk keeps
    // both streams and still finds what follows hdrl.
    test::TChunk strl0 = List("strl", {Chunk("strh", test::StrhPayload("vids", "dvsd", 1, 25, 0))});
    test::TChunk strl1 = List("strl", {Chunk("strh", test::StrhPayload("auds", "", 1, 48000, 0))});
    strl1.DeclaredSize = 0x7FFFFFF0;
    const TRiffImage image =
        test::Build({Riff("AVI ", {List("hdrl", {strl0, strl1}), List("movi", {}, "movi"),
                                   Chunk("idx1", {}, "idx1")})});
    TMemorySource source(image.Bytes);
    const TAviParam avi(source);
    ASSERT_TRUE(avi.IsAvi());
    EXPECT_EQ(avi.Streams().size(), 2u);
    EXPECT_EQ(avi.AudioStreamIndex(), 1);
    EXPECT_EQ(avi.MoviPosition(), image.At("movi") + 4);
    EXPECT_EQ(avi.Idx1Position(), image.At("idx1"));
}

TEST(AviParamLayout, IndexTooShortForFourEntriesIsNotKept) {
    test::TChunk strl =
        List("strl", {Chunk("strh", test::StrhPayload("vids", "dvsd", 1, 25, 0)),
                      Chunk("indx", test::SuperIndexPayload("00dc", {}, 1)),
                      Chunk("strf", test::BitmapInfoPayload("dvsd", 720, 576, true))});
    const TRiffImage image = test::Build({Riff("AVI ", {List("hdrl", {strl}), List("movi", {})})});
    TMemorySource source(image.Bytes);
    const TAviParam avi(source);
    ASSERT_TRUE(avi.IsAvi());
    EXPECT_FALSE(avi.VideoStream()->HasIndex());
    EXPECT_TRUE(avi.VideoStream()->Format().empty());  // the short index ended the strl
}

TEST(AviParamRejects, FilesThatAreNoAvi) {
    const TRiffImage good = MakeDvAvi({});
    auto truncated = good.Bytes;
    truncated.resize(truncated.size() - 100);
    auto junkFirst = test::Build({Chunk("JUNK", TBytes(8, 0))}).Bytes;
    junkFirst.insert(junkFirst.end(), good.Bytes.begin(), good.Bytes.end());
    const std::string text = "Ceci est un fichier texte, pas une vidéo.\n";
    struct Case {
        const char* name;
        TBytes bytes;
    } cases[] = {
        {"empty", {}},
        {"text named .avi", TBytes(text.begin(), text.end())},
        {"RIFF WAVE",
         test::Build({Riff("WAVE", {Chunk("fmt ", test::WaveFormatPayload(2, 48000, 16))})}).Bytes},
        {"first chunk not RIFF", junkFirst},
        {"truncated inside the first RIFF", truncated},
        {"RIFF too short for a form type", test::Build({Chunk("RIFF", TBytes(2, 0))}).Bytes},
    };
    for (const Case& c : cases) {
        TMemorySource source(c.bytes);
        const TAviParam avi(source);
        EXPECT_FALSE(avi.IsAvi()) << c.name;
        EXPECT_EQ(avi.CodecFourCC(), "####") << c.name;
        EXPECT_EQ(avi.RiffCount(), 0) << c.name;
    }
}

TEST(AviParamRejects, LowerCaseAviFormQualifies) {
    const TRiffImage image = test::Build({Riff(
        "avi ",
        {List("hdrl",
              {List("strl", {Chunk("strh", test::StrhPayload("vids", "dvsd", 1, 25, 0))})})})});
    TMemorySource source(image.Bytes);
    EXPECT_TRUE(TAviParam(source).IsAvi());
}

TEST(AviParamRejects, TruncatedLastAvixKeepsTheRiffsBefore) {
    TAviSpec recipe;
    recipe.AvixRiffs = 2;
    TRiffImage image = MakeDvAvi(recipe);
    image.Bytes.resize(image.At("movi2") + 20);
    TMemorySource source(image.Bytes);
    const TAviParam avi(source);
    EXPECT_TRUE(avi.IsAvi());
    EXPECT_EQ(avi.RiffCount(), 2);
    EXPECT_EQ(avi.MoviPosition(), image.At("movi1") + 4);
    EXPECT_EQ(avi.CodecFourCC(), "dvsd");
}

TEST(AviParamFiles, OpensFromDiskAndReportsOpeningErrors) {
    test::TTempFolder folder;
    const TRiffImage image = MakeDvAvi({});
    test::WriteFile(folder / "clip.avi", image.Bytes);
    const TFriendlyAviParam avi(folder / "clip.avi");
    EXPECT_TRUE(avi.Opened());
    EXPECT_TRUE(avi.IsAvi());
    EXPECT_EQ(avi.FileSize(), image.Bytes.size());
    EXPECT_EQ(avi.CodecFourCC(), "dvsd");

    const TFriendlyAviParam missing(folder / "absent.avi");
    EXPECT_FALSE(missing.Opened());
    EXPECT_EQ(missing.OpenError(), std::errc::no_such_file_or_directory);
    EXPECT_FALSE(missing.IsAvi());
    EXPECT_EQ(missing.CodecFourCC(), "####");

    const TFriendlyAviParam folderItself(folder.Path());
    EXPECT_FALSE(folderItself.Opened());
    EXPECT_FALSE(folderItself.IsAvi());
}

}  // namespace
}  // namespace tavrel
