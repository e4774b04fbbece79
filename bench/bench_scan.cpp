// Speed of the scans that build a scene file by date and a subtitle file: the
// conversion module's reader pipeline (filesrc, avidemux, the datecode
// reader, fakesink) run to the end of a 10-minute PAL type 2 clip, with the
// reader's hooks writing a scn file or an srt file as the commands do, build
// included. Each scan is compared with reading the same file once with
// `dd bs=1M of=/dev/null` from the page cache (dd runs first, which also
// warms the cache): the counter ratio_to_dd is the scan's speed over dd's,
// and the goal is at least 0.33. items_per_second reads as frames per second.
//
// The clip is made once into a folder of the temporary directory and kept
// there, named after its frame count; TAVREL_BENCH_SCAN_FRAMES picks another
// length (the smoke test uses a short one).
#include <benchmark/benchmark.h>

#include <QString>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>
#include <memory>
#include <string>

#include "dv/DvSceneDetect.h"
#include "pipelines/ClipMaker.h"
#include "pipelines/ConversionPipelines.h"
#include "scenes/OverlayCodes.h"
#include "scenes/SceneClass.h"
#include "scenes/TextCodes.h"
#include "scenes/WriteScene.h"
#include "scenes/WriteSrt.h"

namespace {

using namespace tavrel;
namespace fs = std::filesystem;

int ClipFrames() {
    const char* text = std::getenv("TAVREL_BENCH_SCAN_FRAMES");
    const int frames = text ? std::atoi(text) : 0;
    return frames > 0 ? frames : 15000;  // 10 minutes at 25 frames per second
}

TClipSpec ScanClipSpec(int frames) {
    TClipSpec recipe;  // PAL 4:3 type 2, 48 kHz 16-bit sound
    TDatecode start;
    start.Year = 2024;
    start.Month = 7;
    start.Day = 14;
    start.Hour = 10;
    start.Minute = 30;
    // Three recordings, so that the scan finds scenes as it would on a tape.
    const int third = frames / 3;
    TDatecode second = start;
    second.Hour = 16;
    TDatecode last = start;
    last.Day = 15;
    recipe.Recordings = {{start, third}, {second, third}, {last, frames - 2 * third}};
    return recipe;
}

// The clip, made on first use and kept; a file of the right name and at least
// the size of its frames is taken as made (the clip maker writes under a
// temporary name and renames only a complete file).
const fs::path& ScanClip(std::string& error) {
    static fs::path path;
    static std::string failure;
    static bool tried = false;
    if (!tried) {
        tried = true;
        const int frames = ClipFrames();
        const fs::path dir = fs::temp_directory_path() / "tavrel-bench-scan";
        const fs::path candidate = dir / ("pal-type2-" + std::to_string(frames) + ".avi");
        std::error_code ec;
        fs::create_directories(dir, ec);
        const auto size = fs::file_size(candidate, ec);
        if (ec || size < std::uintmax_t(frames) * kFrameSize625) {
            MakeClip(ScanClipSpec(frames), candidate, failure);
        }
        if (failure.empty()) path = candidate;
    }
    error = failure;
    return path;
}

// Seconds dd takes to read the file to /dev/null, best of three; the first
// read warms the page cache.
double DdSeconds(const fs::path& file) {
    static double best = 0;
    if (best > 0) return best;
    const std::string command = "LC_ALL=C dd if='" + file.string() + "' bs=1M of=/dev/null 2>&1";
    for (int i = 0; i < 4; ++i) {
        const auto start = std::chrono::steady_clock::now();
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return 0;
        char line[512];
        double reported = 0;
        while (std::fgets(line, sizeof line, pipe)) {
            // "... bytes (...) copied, 0.25 s, 9.0 GB/s"
            if (const char* copied = std::strstr(line, "copied, "))
                reported = std::atof(copied + 8);
        }
        const int status = pclose(pipe);
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (status != 0) return 0;
        const double seconds = reported > 0 ? reported : wall;
        if (i > 0 && (best == 0 || seconds < best)) best = seconds;
    }
    return best;
}

// One scan as the engine runs it: build, no clock, play, wait for the end.
bool RunScan(std::unique_ptr<TPipelineRun> run, std::string& error) {
    if (!run) return false;
    std::promise<void> finished;
    auto future = finished.get_future();
    bool once = false;
    run->RemoveClock();
    if (!run->Start([&] {
            if (!once) {
                once = true;
                finished.set_value();
            }
        })) {
        error = run->ErrorText().toStdString();
        return false;
    }
    const bool done = future.wait_for(std::chrono::minutes(5)) == std::future_status::ready;
    run->Stop();
    if (!done) error = "la lecture ne s'est pas terminée";
    if (!run->ErrorText().isEmpty()) error = run->ErrorText().toStdString();
    return done && error.empty();
}

enum class TScanKind { ScnByDate, Srt };

void Scan(benchmark::State& state, TScanKind kind) {
    std::string error;
    const fs::path& clip = ScanClip(error);
    if (clip.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    const double ddSeconds = DdSeconds(clip);
    const QString video = QString::fromStdString(clip.string());
    TCdm& cdm = ConversionModule();
    auto detector = cdm.SceneDetect();
    auto lines = std::make_shared<TOverlayLines>(OverlayDisplaySettings(nullptr));
    int scenes = 0;

    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        QString buildError;
        std::unique_ptr<TPipelineRun> run;
        std::shared_ptr<TwriteScene> scn;
        std::shared_ptr<TWriteSrt> srt;
        if (kind == TScanKind::ScnByDate) {
            run = cdm.BuildScnByDate(video, &buildError);
            scn = std::make_shared<TwriteScene>(video);
            detector->OnScene = [&scn](const TFrameInfo& from, const TFrameInfo& to) {
                if (scn) scn->WriteScene(TSceneClass(from.FrameIndex, to.FrameIndex));
            };
            detector->OnEndOfStream = [&scn, &scenes] {
                scenes = scn ? scn->Count() : 0;
                scn.reset();
            };
        } else {
            run = cdm.BuildSrt(video, &buildError);
            detector->SetLineSource(lines);
            srt = std::make_shared<TWriteSrt>(video, 25.0);
            AttachSrtWriter(*detector, srt);
        }
        if (!run) {
            state.SkipWithError(buildError.toStdString().c_str());
            return;
        }
        if (!RunScan(std::move(run), error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (srt) scenes = static_cast<int>(srt->CueCount());
    }

    const auto frames = static_cast<std::int64_t>(ClipFrames());
    const auto bytes = static_cast<std::int64_t>(fs::file_size(clip));
    const double perScan = seconds / static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations() * frames);
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["fps"] = static_cast<double>(frames) / perScan;
    state.counters["dd_GBps"] = ddSeconds > 0 ? static_cast<double>(bytes) / ddSeconds / 1e9 : 0;
    state.counters["ratio_to_dd"] = ddSeconds > 0 ? ddSeconds / perScan : 0;
    state.counters[kind == TScanKind::Srt ? "cues" : "scenes"] = scenes;
}

void BM_CreerScnByDate(benchmark::State& state) {
    Scan(state, TScanKind::ScnByDate);
}
void BM_CreerSrt(benchmark::State& state) {
    Scan(state, TScanKind::Srt);
}

BENCHMARK(BM_CreerScnByDate)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CreerSrt)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
