#include "avi/AviPatch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "avi/AviParam.h"
#include "support/RiffBuilder.h"

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using test::Chunk;
using test::List;
using test::MakeDvAvi;
using test::Riff;
using test::TAviSpec;
using test::TBytes;
using test::TRiffImage;

// Positions where two files of the same length differ.
std::vector<std::uint64_t> Differences(const TBytes& a, const TBytes& b) {
    std::vector<std::uint64_t> at;
    EXPECT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i]) at.push_back(i);
    return at;
}

std::vector<std::uint64_t> Span(std::uint64_t from, std::uint64_t count) {
    std::vector<std::uint64_t> v;
    for (std::uint64_t i = 0; i < count; ++i) v.push_back(from + i);
    return v;
}

std::vector<std::uint64_t> Join(std::vector<std::uint64_t> a, const std::vector<std::uint64_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

test::TChunk Strl(const std::string& type, const std::string& handler, test::TBytes format) {
    return List("strl",
                {Chunk("strh", test::StrhPayload(type, handler, 1, 25, 0), "strh-" + handler),
                 Chunk("strf", std::move(format), "strf-" + handler)});
}

TRiffImage AviOf(std::vector<test::TChunk> strls) {
    std::vector<test::TChunk> hdrl = {
        Chunk("avih", test::AvihPayload(40000, 2, 2, 720, 576), "avih")};
    for (auto& s : strls) hdrl.push_back(std::move(s));
    return test::Build(
        {Riff("AVI ", {List("hdrl", hdrl), List("movi", {Chunk("00dc", TBytes(16, 7))}),
                       Chunk("idx1", TBytes(16, 0))})});
}

fs::perms ModeOf(const fs::path& p) {
    return fs::status(p).permissions();
}

TEST(AviPatchScan, FindsTheFieldsOfTheVideoStreamHeader) {
    TAviSpec type1;
    type1.Type = 1;
    TAviSpec odml;
    odml.AvixRiffs = 3;
    TAviSpec longStrh;
    longStrh.StrhSize = 64;
    longStrh.OddJunk = true;
    struct Case {
        const char* name;
        TAviSpec recipe;
        bool bitmap;
    } cases[] = {{"type 2", {}, true},
                 {"type 1", type1, false},
                 {"OpenDML", odml, true},
                 {"long strh, odd chunks", longStrh, true}};
    for (const Case& c : cases) {
        const TRiffImage image = MakeDvAvi(c.recipe);
        TMemorySource source(image.Bytes);
        const TAviHeaderPositions at = ScanAviHeaders(source);
        EXPECT_EQ(at.CodecPos, static_cast<std::int64_t>(image.At("strh0") + 4)) << c.name;
        EXPECT_EQ(at.ScalePos, static_cast<std::int64_t>(image.At("strh0") + 20)) << c.name;
        EXPECT_EQ(at.CompressionPos,
                  c.bitmap ? static_cast<std::int64_t>(image.At("strf0") + 16) : -1)
            << c.name;
    }
}

TEST(AviPatchScan, LastVideoStreamWinsAndPositionsStayWithOneStream) {
    // Two "vids": the second one is patched.
    const TRiffImage two =
        AviOf({Strl("vids", "CDVC", test::BitmapInfoPayload("CDVC", 720, 576, false)),
               Strl("auds", "", test::WaveFormatPayload(2, 48000, 16)),
               Strl("vids", "dvsd", test::BitmapInfoPayload("dvsd", 720, 576, true))});
    TMemorySource twoSource(two.Bytes);
    TAviHeaderPositions at = ScanAviHeaders(twoSource);
    EXPECT_EQ(at.CodecPos, static_cast<std::int64_t>(two.At("strh-dvsd") + 4));
    EXPECT_EQ(at.CompressionPos, static_cast<std::int64_t>(two.At("strf-dvsd") + 16));

    // A "vids" then an "iavs": the bitmap header of the first stream does not
    // go with the stream header of the second.
    const TRiffImage mixed =
        AviOf({Strl("vids", "CDVC", test::BitmapInfoPayload("CDVC", 720, 576, false)),
               Strl("iavs", "dvsd", test::DvInfoPayload(true))});
    TMemorySource mixedSource(mixed.Bytes);
    at = ScanAviHeaders(mixedSource);
    EXPECT_EQ(at.CodecPos, static_cast<std::int64_t>(mixed.At("strh-dvsd") + 4));
    EXPECT_EQ(at.CompressionPos, -1);

    // A bitmap header too short for biCompression is not a position.
    const TRiffImage shortFormat = AviOf({Strl("vids", "dvsd", TBytes(12, 0))});
    TMemorySource shortSource(shortFormat.Bytes);
    at = ScanAviHeaders(shortSource);
    EXPECT_GE(at.CodecPos, 0);
    EXPECT_EQ(at.CompressionPos, -1);
}

TEST(AviPatchScan, NoPositionsInFilesWithoutAVideoHeader) {
    const std::string text = "pas un AVI";
    auto junkFirst = test::Build({Chunk("JUNK", TBytes(4, 0))}).Bytes;
    const auto good = MakeDvAvi({}).Bytes;
    junkFirst.insert(junkFirst.end(), good.begin(), good.end());
    const TBytes cases[] = {
        {},
        TBytes(text.begin(), text.end()),
        junkFirst,
        AviOf({Strl("auds", "", test::WaveFormatPayload(2, 48000, 16))}).Bytes,
        test::Build({Riff("AVI ", {})}).Bytes,
    };
    for (const TBytes& bytes : cases) {
        TMemorySource source(bytes);
        EXPECT_EQ(ScanAviHeaders(source), TAviHeaderPositions{});
    }
}

TEST(AviPatchCodec, Type2WritesStreamHeaderAndBitmapHeader) {
    test::TTempFolder folder;
    const fs::path file = folder / "clip.avi";
    const TRiffImage image = MakeDvAvi({});
    test::WriteFile(file, image.Bytes);

    const TPatchResult result = PatchAviCodec(file, MakeFourCC("CDVC"));
    EXPECT_TRUE(result);
    EXPECT_EQ(result.Status, TPatchStatus::Written);
    EXPECT_EQ(Differences(image.Bytes, test::ReadFile(file)),
              Join(Span(image.At("strh0") + 4, 4), Span(image.At("strf0") + 16, 4)));
    EXPECT_EQ(ReadAviCodec(file), MakeFourCC("CDVC"));
    EXPECT_EQ(TAviParam(file).CodecFourCC(), "CDVC");

    // And back: the file is byte for byte what it was.
    EXPECT_TRUE(PatchAviCodec(file, kFccDvsd));
    EXPECT_EQ(ReadAviCodec(file), kFccDvsd);
    EXPECT_EQ(test::ReadFile(file), image.Bytes);
}

TEST(AviPatchCodec, Type1WritesOnlyTheStreamHeader) {
    test::TTempFolder folder;
    const fs::path file = folder / "type1.avi";
    TAviSpec recipe;
    recipe.Type = 1;
    recipe.AvixRiffs = 1;
    const TRiffImage image = MakeDvAvi(recipe);
    test::WriteFile(file, image.Bytes);

    EXPECT_TRUE(PatchAviCodec(file, MakeFourCC("dvsd")));  // unchanged value: no difference
    EXPECT_EQ(test::ReadFile(file), image.Bytes);
    EXPECT_TRUE(PatchAviCodec(file, MakeFourCC("DVSD")));
    EXPECT_EQ(Differences(image.Bytes, test::ReadFile(file)), Span(image.At("strh0") + 4, 4));
    EXPECT_EQ(ReadAviCodec(file), MakeFourCC("DVSD"));
}

TEST(AviPatchFrameRate, WritesScaleAndRateOfTheVideoStreamOnly) {
    struct Case {
        double fps;
        std::uint32_t scale;
    } cases[] = {{25.0, 40000}, {29.97, 33367}, {30000.0 / 1001.0, 33367}, {50.0, 20000}};
    for (const Case& c : cases) {
        test::TTempFolder folder;
        const fs::path file = folder / "clip.avi";
        TAviSpec recipe;
        recipe.AudioStreams = 2;
        const TRiffImage image = MakeDvAvi(recipe);
        test::WriteFile(file, image.Bytes);

        EXPECT_TRUE(PatchAviFrameRate(file, c.fps)) << c.fps;
        const TBytes after = test::ReadFile(file);
        const std::uint64_t scalePos = image.At("strh0") + 20;
        EXPECT_EQ(test::Get32(after, scalePos), c.scale) << c.fps;
        EXPECT_EQ(test::Get32(after, scalePos + 4), 1000000u) << c.fps;
        for (std::uint64_t at : Differences(image.Bytes, after)) {
            EXPECT_GE(at, scalePos);
            EXPECT_LT(at, scalePos + 8);
        }
        EXPECT_NEAR(TAviParam(file).VideoStream()->FrameRate(), c.fps, 0.001);
    }
}

TEST(AviPatchFrameRate, ScaleOfAFrameRate) {
    EXPECT_EQ(FrameRateScale(25), 40000u);
    EXPECT_EQ(FrameRateScale(29.97), 33367u);
    EXPECT_EQ(FrameRateScale(1000000), 1u);
    for (double bad :
         {0.0, -25.0, std::nan(""), std::numeric_limits<double>::infinity(), 1e-4, 3e6})
        EXPECT_EQ(FrameRateScale(bad), 0u) << bad;
}

TEST(AviPatchRefuses, NothingIsWrittenWhenInDoubt) {
    test::TTempFolder folder;
    const std::string text = "Ceci n'est pas une vidéo\n";
    auto junkFirst = test::Build({Chunk("JUNK", TBytes(4, 0))}).Bytes;
    const auto good = MakeDvAvi({}).Bytes;
    junkFirst.insert(junkFirst.end(), good.begin(), good.end());
    // A video stream header of 24 bytes: a codec, but no room for Rate.
    const TBytes shortStrh =
        test::Build(
            {Riff("AVI ",
                  {List("hdrl", {List("strl", {Chunk("strh", test::StrhPayload("vids", "dvsd", 1,
                                                                               25, 0, 24))})}),
                   List("movi", {})})})
            .Bytes;
    const TBytes tinyStrh =
        test::Build(
            {Riff("AVI ",
                  {List("hdrl", {List("strl", {Chunk("strh", test::StrhPayload("vids", "dvsd", 1,
                                                                               25, 0, 6))})})})})
            .Bytes;

    enum Op { Codec, Rate };
    struct Case {
        const char* name;
        TBytes bytes;
        Op op;
        double fps;
        TPatchStatus expected;
    } cases[] = {
        {"text file named .avi", TBytes(text.begin(), text.end()), Codec, 0,
         TPatchStatus::NoPosition},
        {"text file named .avi", TBytes(text.begin(), text.end()), Rate, 25,
         TPatchStatus::NoPosition},
        {"first chunk not RIFF", junkFirst, Codec, 0, TPatchStatus::NoPosition},
        {"audio only", AviOf({Strl("auds", "", test::WaveFormatPayload(2, 48000, 16))}).Bytes,
         Codec, 0, TPatchStatus::NoPosition},
        {"strh too short for Rate", shortStrh, Rate, 25, TPatchStatus::NoPosition},
        {"strh too short for a codec", tinyStrh, Codec, 0, TPatchStatus::NoPosition},
        {"frame rate 0", good, Rate, 0, TPatchStatus::BadValue},
        {"frame rate not a number", good, Rate, std::nan(""), TPatchStatus::BadValue},
    };
    for (const Case& c : cases) {
        const fs::path file = folder / "case.avi";
        test::WriteFile(file, c.bytes);
        const TPatchResult r = c.op == Codec ? PatchAviCodec(file, MakeFourCC("CDVC"))
                                             : PatchAviFrameRate(file, c.fps);
        EXPECT_FALSE(r) << c.name;
        EXPECT_EQ(r.Status, c.expected) << c.name;
        EXPECT_EQ(test::ReadFile(file), c.bytes) << c.name;
    }

    // A missing file is neither written nor created.
    const fs::path absent = folder / "absent.avi";
    EXPECT_EQ(PatchAviCodec(absent, kFccDvsd).Status, TPatchStatus::NoPosition);
    EXPECT_EQ(PatchAviFrameRate(absent, 25).Status, TPatchStatus::NoPosition);
    EXPECT_EQ(ReadAviCodec(absent), 0u);
    EXPECT_FALSE(fs::exists(absent));

    // The codec still goes into the short header that holds one.
    const fs::path file = folder / "short.avi";
    test::WriteFile(file, shortStrh);
    EXPECT_TRUE(PatchAviCodec(file, MakeFourCC("CDVC")));
    EXPECT_EQ(ReadAviCodec(file), MakeFourCC("CDVC"));
}

TEST(AviPatchReadOnly, RefusedUnlessAskedThenTheModeIsPutBackExactly) {
    test::TTempFolder folder;
    const fs::path file = folder / "locked.avi";
    const TRiffImage image = MakeDvAvi({});
    for (const fs::perms mode :
         {fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
          fs::perms::owner_read | fs::perms::group_read | fs::perms::group_write,
          fs::perms::owner_read | fs::perms::owner_exec}) {
        fs::remove(file);
        test::WriteFile(file, image.Bytes);
        fs::permissions(file, mode, fs::perm_options::replace);

        const TPatchResult refused = PatchAviCodec(file, MakeFourCC("CDVC"));
        EXPECT_EQ(refused.Status, TPatchStatus::ReadOnly);
        EXPECT_EQ(ModeOf(file), mode);
        EXPECT_EQ(test::ReadFile(file), image.Bytes);

        EXPECT_TRUE(PatchAviCodec(file, MakeFourCC("CDVC"), TReadOnlyFile::LiftForWrite));
        EXPECT_EQ(ModeOf(file), mode);
        EXPECT_EQ(ReadAviCodec(file), MakeFourCC("CDVC"));

        EXPECT_TRUE(PatchAviFrameRate(file, 29.97, TReadOnlyFile::LiftForWrite));
        EXPECT_EQ(ModeOf(file), mode);
        EXPECT_EQ(test::Get32(test::ReadFile(file), image.At("strh0") + 20), 33367u);
    }

    // With nothing to patch the mode is not even touched.
    const fs::path text = folder / "text.avi";
    const std::string words = "texte";
    test::WriteFile(text, TBytes(words.begin(), words.end()));
    fs::permissions(text, fs::perms::owner_read, fs::perm_options::replace);
    EXPECT_EQ(PatchAviCodec(text, kFccDvsd, TReadOnlyFile::LiftForWrite).Status,
              TPatchStatus::NoPosition);
    EXPECT_EQ(ModeOf(text), fs::perms::owner_read);
}

TEST(AviPatchTruncated, SizesAreCutToTheEndOfTheFile) {
    test::TTempFolder folder;
    const fs::path file = folder / "cut.avi";
    TAviSpec recipe;
    recipe.AvixRiffs = 2;
    TRiffImage image = MakeDvAvi(recipe);
    image.Bytes.resize(image.At("movi1") + 30);  // inside the first AVIX
    test::WriteFile(file, image.Bytes);

    EXPECT_EQ(ScanAviHeaders(file).CodecPos, static_cast<std::int64_t>(image.At("strh0") + 4));
    EXPECT_TRUE(PatchAviFrameRate(file, 25));
    EXPECT_TRUE(PatchAviCodec(file, MakeFourCC("CDVC")));
    const TBytes after = test::ReadFile(file);
    EXPECT_EQ(after.size(), image.Bytes.size());
    const std::uint64_t strh = image.At("strh0");
    const std::uint64_t compression = image.At("strf0") + 16;
    for (std::uint64_t at : Differences(image.Bytes, after))
        EXPECT_TRUE((at >= strh + 4 && at < strh + 8) || (at >= strh + 20 && at < strh + 28) ||
                    (at >= compression && at < compression + 4))
            << at;
    EXPECT_EQ(ReadAviCodec(file), MakeFourCC("CDVC"));
}

}  // namespace
}  // namespace tavrel
