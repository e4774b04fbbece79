// Cost of writing DV AVI files: TAviWriter alone (a type 2 PAL file with
// 48 kHz sound, frames already in memory) and the clip maker, which encodes a
// few seconds of pictures and stamps every frame. One frame is one item, so
// items_per_second reads as frames per second; a 10-minute clip is 15000 frames.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "avi/AviWriter.h"
#include "pipelines/ClipMaker.h"
#include "support/DvFrameFactory.h"

namespace {

using namespace tavrel;
namespace fs = std::filesystem;

fs::path BenchFile(const char* name) {
    return fs::temp_directory_path() /
           (std::string(name) + "-" + std::to_string(getpid()) + ".avi");
}

void BM_AviWriterType2Pal(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    test::TFrameSpec recipe;
    recipe.Datecode = test::Datecode(2024, 7, 8, 19, 55, 0);
    const auto frame = test::MakeFrame(recipe);
    const std::vector<std::uint8_t> pcm(1920 * 4, 0);
    const fs::path path = BenchFile("tavrel-bench-writer");
    TAviWriterOptions options;
    options.AudioStreams = {{48000, 2, 16}};
    for (auto _ : state) {
        TAviWriter writer;
        bool ok = writer.Open(path, options);
        for (int i = 0; i < frames && ok; ++i)
            ok = writer.WriteVideoFrame(frame) && writer.WriteAudio(0, pcm);
        if (!ok || !writer.Close()) state.SkipWithError(writer.ErrorMessage().c_str());
    }
    fs::remove(path);
    state.SetItemsProcessed(state.iterations() * frames);
    state.SetBytesProcessed(state.iterations() * frames * (frame.size() + pcm.size()));
}
BENCHMARK(BM_AviWriterType2Pal)->Arg(1500)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MakeClip(benchmark::State& state) {
    TClipSpec recipe = DemoClipSpec();
    for (auto& r : recipe.Recordings)
        r.FrameCount =
            static_cast<int>(state.range(0) / static_cast<std::int64_t>(recipe.Recordings.size()));
    const fs::path path = BenchFile("tavrel-bench-clip");
    for (auto _ : state) {
        std::string error;
        if (!MakeClip(recipe, path, error)) state.SkipWithError(error.c_str());
    }
    fs::remove(path);
    state.SetItemsProcessed(state.iterations() * ClipFrameCount(recipe));
}
BENCHMARK(BM_MakeClip)->Arg(1500)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
