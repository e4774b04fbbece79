#pragma once
// The conversion module: the pipelines that commands run over a video, and
// the datecode reader they share.
//
// The reader's hooks (OnScene, OnEndOfStream, the display callback) and its
// line source belong to the command: it sets them before the run, either
// before or after calling the builder. A builder never clears them, and no
// frame reaches the reader before the run starts: the pipeline a builder
// returns has opened the file and linked its DV stream, and holds the first
// frame back until Start. The hooks are for one run only: when the run is
// over (its handle stopped, or destroyed without having been started) the
// module clears the three hooks, so that no hook of one command, nor the
// writer it holds, ever fires in the next conversion; the line source, the
// display mode and duration stay until changed. A hook set for a newer build
// is left alone by an older run that ends after it.
//
// The reader's OnScene and OnEndOfStream run on the streaming thread, before
// the run's done callback: when done is called the last scene has been
// reported and OnEndOfStream has returned. A run stopped before its end
// (interrupted) reports no end of stream: OnEndOfStream is not called, and the
// stop releases the hooks and whatever writers they hold.
//
// One conversion runs at a time: the engine stops each run before it builds
// the next one, as every run feeds the same reader.

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>

#include "commands/PipelineRun.h"
#include "dv/DvSceneDetect.h"
#include "scenes/ScenePositioner.h"

namespace tavrel {

class TCdm {
  public:
    TCdm();
    ~TCdm();
    TCdm(const TCdm&) = delete;
    TCdm& operator=(const TCdm&) = delete;

    // The datecode reader of the conversion pipelines, kept across runs.
    const std::shared_ptr<Tdv_sceneDetect>& SceneDetect() const { return m_sceneDetect; }

    // source -> avidemux -> (the first stream the reader accepts: DV video or
    // interleaved DV) reader -> fakesink; the file's other streams are not
    // read further. Nothing when the file cannot be opened, is not an AVI
    // file GStreamer reads, or has no DV stream; error then says why, in
    // French. The run's position and duration are the DV stream's.
    std::unique_ptr<TPipelineRun> BuildScnByDate(const QString& source, QString* error = nullptr);
    std::unique_ptr<TPipelineRun> BuildSrt(const QString& source, QString* error = nullptr);

    // How long a builder waits for the file to be opened and its first frame
    // to come.
    void SetOpenTimeoutMs(int ms) { m_openTimeoutMs = ms; }

  private:
    std::unique_ptr<TPipelineRun> BuildReaderScan(const QString& source, QString* error);

    std::shared_ptr<Tdv_sceneDetect> m_sceneDetect;
    std::shared_ptr<std::atomic<std::uint64_t>> m_buildGeneration;
    int m_openTimeoutMs = 10000;
};

// The conversion module of the process.
TCdm& ConversionModule();

// Positions a video on frames for scene details: a paused pipeline over the
// file, the frame sought exactly and passed through a datecode reader of its
// own. Nothing when the file cannot be opened or holds no DV stream.
// PositionOn waits at most timeoutMs for the frame; a frame at or beyond the
// end of the video gives nothing. Picture() is the frame as decoded (no
// overlay yet), RGB, or a null image when no DV decoder is installed.
std::unique_ptr<TScenePositioner> MakeFramePositioner(const QString& videoPath,
                                                      int timeoutMs = 5000);

}  // namespace tavrel
