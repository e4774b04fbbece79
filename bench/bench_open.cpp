// Building the media file records of 100 DV clips, as the file list does
// when a folder is opened: the median time per file is the figure to watch
// (goal: under 10 ms).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "avi/AviFichier.h"
#include "filters/gst/OwnElements.h"
#include "pipelines/ClipMaker.h"

namespace {

namespace fs = std::filesystem;
using namespace tavrel;

constexpr int kFiles = 100;

fs::path MakeFolder() {
    const fs::path folder = fs::temp_directory_path() / "tavrel-bench-open";
    const fs::path first = folder / "clip000.avi";
    if (fs::exists(folder / "clip099.avi")) return folder;
    fs::create_directories(folder);
    TClipSpec recipe;
    TDatecode dc;
    dc.Year = 2005;
    dc.Month = 6;
    dc.Day = 18;
    dc.Hour = 14;
    recipe.Recordings = {{dc, 50}};
    std::string error;
    if (!MakeClip(recipe, first, error)) return {};
    for (int i = 1; i < kFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "clip%03d.avi", i);
        fs::copy_file(first, folder / name, fs::copy_options::overwrite_existing);
    }
    return folder;
}

void BM_OpenRecords(benchmark::State& state) {
    RegisterOwnElements();
    const fs::path folder = MakeFolder();
    if (folder.empty()) {
        state.SkipWithError("cannot write the clips");
        return;
    }
    std::vector<double> ms;
    for (auto _ : state) {
        for (int i = 0; i < kFiles; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "clip%03d.avi", i);
            const auto start = std::chrono::steady_clock::now();
            TaviFichier record(QString::fromStdString((folder / name).string()));
            benchmark::DoNotOptimize(record.DatecodeKey);
            ms.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count());
        }
    }
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["max_ms"] = ms.back();
    state.SetItemsProcessed(static_cast<std::int64_t>(ms.size()));
}
BENCHMARK(BM_OpenRecords)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
