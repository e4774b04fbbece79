// What walking a large OpenDML file costs the AVI reader, the header patch
// scanner and the RIFF report: a sparse file of about 4 GB (one "AVI " RIFF
// and three AVIX RIFFs of 1 GiB, with their headers, standard indexes and
// super indexes in place, holes everywhere else) is walked through a counting
// source. The counters "reads" and "bytes_read" are per walk; the goal is a
// few dozen small reads, whatever the size of the media data.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <stdexcept>

#include "avi/AviParam.h"
#include "avi/AviPatch.h"
#include "avi/RiffAnalyser.h"
#include "support/RiffBuilder.h"

namespace {

using namespace tavrel;
namespace fs = std::filesystem;
using test::Chunk;
using test::List;
using test::TBytes;

constexpr std::uint64_t kRiffBytes = 1ull << 30;
constexpr int kRiffs = 4;
constexpr std::uint32_t kFramesPerRiff = 7000;  // 144000-byte PAL frames fill a GiB
constexpr std::uint32_t kFrameBytes = 144000;

TBytes Header(const char* id, std::uint32_t size, const char* type) {
    TBytes b;
    test::PutFourCC(b, id);
    test::Put32(b, size);
    if (type) test::PutFourCC(b, type);
    return b;
}

class TSparseFile {
  public:
    explicit TSparseFile(const fs::path& path) : m_path(path) {
        std::ofstream create(path, std::ios::binary | std::ios::trunc);
    }
    void Resize(std::uint64_t size) { fs::resize_file(m_path, size); }
    void Put(std::uint64_t pos, const TBytes& bytes) {
        std::fstream f(m_path, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(pos));
        f.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
        if (!f) throw std::runtime_error("cannot write the sparse file");
    }

  private:
    fs::path m_path;
};

// The ix00 chunk of a RIFF sits at the end of its movi list.
std::uint64_t IndexChunkPos(int riff) {
    const std::uint64_t ixBytes = 8 + 24 + 8ull * kFramesPerRiff;
    const std::uint64_t idx1Bytes = riff == 0 ? 8 + 16ull * kFramesPerRiff : 0;
    return riff * kRiffBytes + kRiffBytes - idx1Bytes - ixBytes;
}

TBytes Hdrl() {
    std::vector<test::TIndexEntry> entries;
    for (int r = 0; r < kRiffs; ++r)
        entries.push_back({IndexChunkPos(r), 8 + 24 + 8 * kFramesPerRiff, kFramesPerRiff});
    const std::uint32_t frames = kFramesPerRiff * kRiffs;
    return test::Build(
               {List("hdrl",
                     {Chunk("avih", test::AvihPayload(40000, kFramesPerRiff, 2, 720, 576)),
                      List("strl", {Chunk("strh", test::StrhPayload("vids", "dvsd", 1, 25, frames)),
                                    Chunk("strf", test::BitmapInfoPayload("dvsd", 720, 576, true)),
                                    Chunk("indx", test::SuperIndexPayload("00dc", entries, 32))}),
                      List("strl",
                           {Chunk("strh", test::StrhPayload("auds", "", 1, 48000, frames * 1920)),
                            Chunk("strf", test::WaveFormatPayload(2, 48000, 16)),
                            Chunk("indx", test::SuperIndexPayload("01wb", {}, 32))}),
                      List("odml", {Chunk("dmlh", test::DmlhPayload(frames))})}),
                Chunk("JUNK", TBytes(1800, 0))})
        .Bytes;
}

void BuildFile(const fs::path& path) {
    TSparseFile file(path);
    file.Resize(kRiffs * kRiffBytes);
    for (int r = 0; r < kRiffs; ++r) {
        const std::uint64_t base = r * kRiffBytes;
        std::uint64_t pos = base;
        file.Put(pos, Header("RIFF", static_cast<std::uint32_t>(kRiffBytes - 8),
                             r == 0 ? "AVI " : "AVIX"));
        pos += 12;
        if (r == 0) {
            const TBytes hdrl = Hdrl();
            file.Put(pos, hdrl);
            pos += hdrl.size();
        }
        const std::uint64_t ix = IndexChunkPos(r);
        file.Put(pos, Header("LIST",
                             static_cast<std::uint32_t>(ix + 8 + 24 + 8 * kFramesPerRiff - pos - 8),
                             "movi"));
        // The first frame chunk, and the standard index of the RIFF's frames.
        file.Put(pos + 12, Header("00dc", kFrameBytes, nullptr));
        TBytes index = Header("ix00", 24 + 8 * kFramesPerRiff, nullptr);
        const TBytes entries =
            test::StandardIndexPayload("00dc", pos + 12, kFramesPerRiff, kFrameBytes);
        index.insert(index.end(), entries.begin(), entries.end());
        file.Put(ix, index);
        if (r == 0) {
            TBytes idx1 = Header("idx1", 16 * kFramesPerRiff, nullptr);
            idx1.resize(idx1.size() + 16ull * kFramesPerRiff, 0);
            file.Put(ix + index.size(), idx1);
        }
    }
}

// One file for the whole run, removed at exit.
struct TBigFile {
    TBigFile() {
        path = fs::temp_directory_path() /
               ("tavrel-bench-opendml-" + std::to_string(getpid()) + ".avi");
        BuildFile(path);
    }
    ~TBigFile() {
        std::error_code ec;
        fs::remove(path, ec);
    }
    fs::path path;
};

const fs::path& BigFile() {
    static TBigFile file;
    return file.path;
}

template <typename Walk>
void Run(benchmark::State& state, Walk walk) {
    TFileSource file;
    if (file.Open(BigFile(), TFileSource::TMode::ReadOnly)) {
        state.SkipWithError("cannot open the sparse file");
        return;
    }
    TCountingSource counted(file);
    for (auto _ : state) walk(counted);
    const double walks = static_cast<double>(state.iterations());
    state.counters["reads"] = static_cast<double>(counted.Reads()) / walks;
    state.counters["bytes_read"] = static_cast<double>(counted.BytesRead()) / walks;
    state.counters["file_gib"] = static_cast<double>(file.Size()) / (1ull << 30);
}

void BM_AviReaderOpenDml(benchmark::State& state) {
    Run(state, [&state](TByteSource& source) {
        const TAviParam avi(source);
        if (!avi.IsAvi() || avi.RiffCount() != kRiffs) state.SkipWithError("the walk went wrong");
        benchmark::DoNotOptimize(avi.CodecFourCC());
    });
}

void BM_PatchScanOpenDml(benchmark::State& state) {
    Run(state, [&state](TByteSource& source) {
        const TAviHeaderPositions at = ScanAviHeaders(source);
        if (at.CodecPos < 0) state.SkipWithError("no codec position");
        benchmark::DoNotOptimize(at);
    });
}

void BM_RiffReportOpenDml(benchmark::State& state) {
    TRiffReportOptions options;
    options.ProgramText = "bench";
    Run(state, [&](TByteSource& source) {
        const TRiffReport report = TRiffAnalyser(options).AnalyseSource(source, BigFile());
        if (report.UnexpectedEnd) state.SkipWithError("unexpected end");
        benchmark::DoNotOptimize(report.Lines.data());
    });
}

BENCHMARK(BM_AviReaderOpenDml);
BENCHMARK(BM_PatchScanOpenDml);
BENCHMARK(BM_RiffReportOpenDml);

}  // namespace

BENCHMARK_MAIN();
