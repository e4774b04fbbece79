// Cost of the datecode reader per DV frame. One frame is one item, so
// items_per_second reads as frames per second.
#include <benchmark/benchmark.h>

#include "dv/DvSceneDetect.h"
#include "scenes/TextCodes.h"
#include "support/DvFrameFactory.h"

namespace {

using namespace tavrel;

std::vector<std::vector<std::uint8_t>> MakeFrames(test::TStandard standard) {
    // A few frames a second apart, so that dates and timecodes change.
    std::vector<std::vector<std::uint8_t>> frames;
    for (int i = 0; i < 8; ++i) {
        test::TFrameSpec recipe;
        recipe.Standard = standard;
        recipe.Datecode = test::Datecode(2024, 7, 8, 19, 55, i);
        recipe.Timecode = TTimecode{0, 0, static_cast<std::uint8_t>(i), 17};
        frames.push_back(test::MakeFrame(recipe));
    }
    return frames;
}

void Run(benchmark::State& state, test::TStandard standard, bool display) {
    const auto frames = MakeFrames(standard);
    Tdv_sceneDetect detector(std::make_shared<TOverlayLines>());
    std::size_t scenes = 0;
    detector.OnScene = [&](const TFrameInfo&, const TFrameInfo&) { ++scenes; };
    if (display)
        detector.SetDisplayCallback([](const TFrameInfo&, const std::string& a,
                                       const std::string&) { benchmark::DoNotOptimize(a.data()); });
    detector.StartStreaming(0);
    std::size_t i = 0;
    for (auto _ : state) {
        detector.ProcessSample(frames[i++ % frames.size()]);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["frame_bytes"] = static_cast<double>(frames[0].size());
    benchmark::DoNotOptimize(scenes);
}

void BM_DetectorPal(benchmark::State& state) {
    Run(state, test::TStandard::Pal, false);
}
void BM_DetectorNtsc(benchmark::State& state) {
    Run(state, test::TStandard::Ntsc, false);
}
// With the display lines built and reported, as in the preview and subtitles.
void BM_DetectorPalWithDisplay(benchmark::State& state) {
    Run(state, test::TStandard::Pal, true);
}

BENCHMARK(BM_DetectorPal);
BENCHMARK(BM_DetectorNtsc);
BENCHMARK(BM_DetectorPalWithDisplay);

}  // namespace

BENCHMARK_MAIN();
