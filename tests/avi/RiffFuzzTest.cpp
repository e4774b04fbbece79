// Random and damaged RIFF files fed to the reader, the patch scanner and the
// report: nothing may crash, every position found must lie inside the file
// and inside a video stream header, and a file may change only through the
// patch operations, only at the positions a scan gives.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "avi/AviParam.h"
#include "avi/AviPatch.h"
#include "avi/RiffAnalyser.h"
#include "support/RiffBuilder.h"

namespace tavrel {
namespace {

using test::Chunk;
using test::List;
using test::TBytes;

class TFuzzer {
  public:
    explicit TFuzzer(std::uint32_t seed) : m_rng(seed) {}

    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }

    TBytes Random(std::size_t maxSize) {
        TBytes b(static_cast<std::size_t>(Int(0, static_cast<int>(maxSize))));
        for (auto& x : b) x = static_cast<std::uint8_t>(Int(0, 255));
        return b;
    }

    // A valid DV AVI of some kind, then damaged.
    TBytes Damaged() {
        test::TAviSpec recipe;
        recipe.Type = Int(1, 2);
        recipe.AudioStreams = Int(1, 3);
        recipe.AvixRiffs = Int(0, 2);
        recipe.OddJunk = Int(0, 1) == 1;
        recipe.StrhSize = Int(0, 3) == 0 ? static_cast<std::size_t>(Int(20, 80)) : 56;
        recipe.FrameBytes = static_cast<std::size_t>(Int(1, 40));
        if (Int(0, 2) == 0) recipe.InfoText = "Tavrel";
        TBytes b = test::MakeDvAvi(recipe).Bytes;
        const int damages = Int(1, 6);
        for (int i = 0; i < damages && !b.empty(); ++i) {
            const auto at = static_cast<std::size_t>(Int(0, static_cast<int>(b.size() - 1)));
            switch (Int(0, 4)) {
                case 0:
                    b[at] = static_cast<std::uint8_t>(Int(0, 255));
                    break;
                case 1: {  // a size field replaced by a value that hurts
                    static constexpr std::uint32_t kSizes[] = {
                        0,          1,          3,          4,          7,      0x38,
                        0x7FFFFFFF, 0xFFFFFFF7, 0xFFFFFFFF, 0x80000000, 0x10000};
                    const std::uint32_t v = kSizes[Int(0, 10)];
                    const std::size_t pos = at & ~std::size_t{3};
                    for (int k = 0; k < 4 && pos + k < b.size(); ++k)
                        b[pos + k] = static_cast<std::uint8_t>(v >> (8 * k));
                    break;
                }
                case 2:
                    b.resize(at);
                    break;
                case 3: {  // a chunk name where it does not belong
                    static const char* kNames[] = {"RIFF", "LIST", "strh", "strf", "indx", "ix00",
                                                   "movi", "strl", "hdrl", "avih", "ISFT", "idx1"};
                    const char* name = kNames[Int(0, 11)];
                    for (int k = 0; k < 4 && at + k < b.size(); ++k) b[at + k] = name[k];
                    break;
                }
                case 4:
                    b.insert(b.begin() + static_cast<std::ptrdiff_t>(at),
                             static_cast<std::size_t>(Int(1, 3)),
                             static_cast<std::uint8_t>(Int(0, 255)));
                    break;
            }
        }
        return b;
    }

    // A random tree of chunks with AVI names, sizes sometimes lying.
    TBytes Tree() {
        std::vector<test::TChunk> top;
        const int n = Int(1, 3);
        for (int i = 0; i < n; ++i) {
            test::TChunk riff = List(Int(0, 3) == 0 ? "AVIX" : "AVI ", Children(0));
            riff.Id = Int(0, 9) == 0 ? "JUNK" : "RIFF";
            top.push_back(std::move(riff));
        }
        TBytes b = test::Build(top).Bytes;
        if (Int(0, 3) == 0) b.resize(static_cast<std::size_t>(Int(0, static_cast<int>(b.size()))));
        return b;
    }

  private:
    std::vector<test::TChunk> Children(int depth) {
        static const char* kLists[] = {"hdrl", "strl", "odml", "movi", "INFO", "rec "};
        static const char* kChunks[] = {"avih", "strh", "strf", "indx", "dmlh", "idx1", "ix00",
                                        "00dc", "01wb", "ISFT", "IDIT", "JUNK", "00ix"};
        std::vector<test::TChunk> c;
        const int n = Int(0, 5);
        for (int i = 0; i < n; ++i) {
            test::TChunk chunk;
            if (depth < 4 && Int(0, 2) == 0) {
                chunk = List(kLists[Int(0, 5)], Children(depth + 1));
            } else {
                const char* name = kChunks[Int(0, 12)];
                TBytes payload = Random(120);
                if (std::string(name) == "strh" && payload.size() >= 4) {
                    static const char* kTypes[] = {"vids", "auds", "iavs", "txts"};
                    const char* type = kTypes[Int(0, 3)];
                    std::copy(type, type + 4, payload.begin());
                }
                chunk = Chunk(name, payload);
            }
            if (Int(0, 7) == 0) chunk.DeclaredSize = static_cast<std::uint32_t>(Int(0, 400));
            if (Int(0, 15) == 0) chunk.Pad = false;
            c.push_back(std::move(chunk));
        }
        return c;
    }

    std::mt19937 m_rng;
};

// The positions a scan gives are inside the file and where they claim to be.
void CheckPositions(const TBytes& b, const TAviHeaderPositions& at) {
    const auto size = static_cast<std::int64_t>(b.size());
    if (at.CodecPos >= 0) {
        ASSERT_GE(at.CodecPos, 12);
        ASSERT_LE(at.CodecPos + 4, size);
        const std::string type = test::GetFourCC(b, static_cast<std::uint64_t>(at.CodecPos - 4));
        EXPECT_TRUE(type == "vids" || type == "iavs") << type;
        EXPECT_EQ(test::GetFourCC(b, static_cast<std::uint64_t>(at.CodecPos - 12)), "strh");
    }
    if (at.ScalePos >= 0) {
        EXPECT_EQ(at.ScalePos, at.CodecPos + 16);
        EXPECT_LE(at.ScalePos + 8, size);
    }
    if (at.CompressionPos >= 0) {
        EXPECT_GE(at.CodecPos, 0);
        EXPECT_LE(at.CompressionPos + 4, size);
        EXPECT_EQ(test::GetFourCC(b, static_cast<std::uint64_t>(at.CompressionPos - 24)), "strf");
    }
}

void CheckInMemory(const TBytes& b) {
    TMemorySource source(b);
    const TAviParam avi(source);
    EXPECT_LE(avi.Streams().size(), TAviParam::kMaxStreams);
    EXPECT_LT(avi.VideoStreamIndex(), static_cast<std::int32_t>(avi.Streams().size()));
    EXPECT_LT(avi.AudioStreamIndex(), static_cast<std::int32_t>(avi.Streams().size()));
    EXPECT_EQ(avi.CodecFourCC().size(), 4u);
    EXPECT_LE(avi.MoviPosition(), b.size());
    EXPECT_LE(avi.Idx1Position(), b.size());
    for (const TAvistream& s : avi.Streams())
        EXPECT_LE(s.Format().size(), TAvistream::kMaxFormatBytes);

    CheckPositions(b, ScanAviHeaders(source));

    TRiffReportOptions options;
    options.ProgramText = "fuzz";
    const TRiffReport report = TRiffAnalyser(options).AnalyseSource(source, "fuzz.avi");
    ASSERT_FALSE(report.Lines.empty());
    EXPECT_EQ(report.Lines.back(), std::string(50, '-'));
}

std::set<std::uint64_t> Allowed(const TAviHeaderPositions& at, bool codec) {
    std::set<std::uint64_t> s;
    auto add = [&s](std::int64_t pos, int n) {
        if (pos >= 0)
            for (int i = 0; i < n; ++i) s.insert(static_cast<std::uint64_t>(pos) + i);
    };
    if (codec) {
        add(at.CodecPos, 4);
        add(at.CompressionPos, 4);
    } else {
        add(at.ScalePos, 8);
    }
    return s;
}

void ExpectChangedOnlyAt(const TBytes& before, const TBytes& after,
                         const std::set<std::uint64_t>& allowed) {
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t i = 0; i < before.size(); ++i)
        if (before[i] != after[i]) {
            EXPECT_TRUE(allowed.count(i)) << "byte " << i << " changed";
        }
}

// Returns whether the file had a codec to patch.
bool CheckOnDisk(const TBytes& b, const std::filesystem::path& file) {
    test::WriteFile(file, b);
    // Reading never writes.
    {
        const TAviParam avi(file);
        EXPECT_TRUE(avi.Opened());
        ReadAviCodec(file);
        TRiffReportOptions options;
        options.ProgramText = "fuzz";
        TRiffAnalyser(options).AnalyseFile(file);
    }
    const TAviHeaderPositions at = ScanAviHeaders(file);
    EXPECT_EQ(test::ReadFile(file), b);
    CheckPositions(b, at);

    const TPatchResult codec = PatchAviCodec(file, MakeFourCC("ABCD"));
    EXPECT_EQ(static_cast<bool>(codec), at.CodecPos >= 0);
    TBytes after = test::ReadFile(file);
    ExpectChangedOnlyAt(b, after, Allowed(at, true));

    const TBytes beforeRate = after;
    const TPatchResult rate = PatchAviFrameRate(file, 29.97);
    EXPECT_EQ(static_cast<bool>(rate), at.ScalePos >= 0);
    ExpectChangedOnlyAt(beforeRate, test::ReadFile(file), Allowed(at, false));
    return at.CodecPos >= 0;
}

TEST(RiffFuzz, RandomBytes) {
    TFuzzer fuzz(1);
    for (int i = 0; i < 10000; ++i) {
        TBytes b = fuzz.Random(300);
        // Half of them start like an AVI file, so the walk gets further.
        if (i % 2 == 0 && b.size() >= 12) {
            const char head[] = "RIFF\0\0\0\0AVI ";
            std::copy(head, head + 12, b.begin());
            const auto size = static_cast<std::uint32_t>(fuzz.Int(0, static_cast<int>(b.size())));
            for (int k = 0; k < 4; ++k) b[4 + k] = static_cast<std::uint8_t>(size >> (8 * k));
        }
        CheckInMemory(b);
        if (HasFatalFailure()) return;
    }
}

TEST(RiffFuzz, DamagedAviFiles) {
    TFuzzer fuzz(2);
    for (int i = 0; i < 10000; ++i) {
        CheckInMemory(fuzz.Damaged());
        if (HasFatalFailure()) return;
    }
}

TEST(RiffFuzz, RandomChunkTrees) {
    TFuzzer fuzz(3);
    for (int i = 0; i < 10000; ++i) {
        CheckInMemory(fuzz.Tree());
        if (HasFatalFailure()) return;
    }
}

TEST(RiffFuzz, FilesChangeOnlyThroughThePatches) {
    test::TTempFolder folder;
    TFuzzer fuzz(4);
    int patched = 0;
    for (int i = 0; i < 800; ++i) {
        const TBytes b = i % 3 == 0 ? fuzz.Tree() : fuzz.Damaged();
        patched += CheckOnDisk(b, folder / ("f" + std::to_string(i) + ".avi"));
        if (HasFailure()) return;
    }
    // Damaged files still reach the writes often enough to mean something.
    EXPECT_GT(patched, 200);
}

TEST(RiffFuzz, DeepNestingDoesNotExhaustTheStack) {
    // 50 000 lists inside one another, each holding the next.
    const int depth = 50000;
    TBytes b;
    for (int i = 0; i < depth; ++i) {
        const auto size = static_cast<std::uint32_t>(4 + 12 * (depth - 1 - i));
        test::PutFourCC(b, i == 0 ? "RIFF" : "LIST");
        test::Put32(b, size);
        test::PutFourCC(b, i == 0 ? "AVI " : "hdrl");
    }
    CheckInMemory(b);
}

}  // namespace
}  // namespace tavrel
