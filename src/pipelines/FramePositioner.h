#pragma once
// Shows given frames of a video for the scene details: a pipeline paused
// over the file (filesrc, avidemux, a datecode reader of its own, and, when
// GStreamer's DV decoder is installed, dvdemux for interleaved DV,
// avdec_dvvideo, videoconvert to RGB and a sink that keeps the last
// picture). PositionOn seeks exactly to the frame and waits until that frame
// has passed the reader and the picture has been decoded.

#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "pipelines/DvReaderGraph.h"
#include "scenes/ScenePositioner.h"

namespace tavrel {

struct TPositionerProbe;

class TGstFramePositioner : public TScenePositioner {
  public:
    // Nothing when the file cannot be opened or has no DV stream; error then
    // says why, in French.
    static std::unique_ptr<TGstFramePositioner> Open(const QString& path, int timeoutMs,
                                                     QString* error = nullptr);
    ~TGstFramePositioner() override;

    // The reader's record of the frame, FrameIndex set to the frame; nothing
    // for a frame at or beyond the end, or when the frame did not come in
    // time.
    std::optional<TFrameInfo> PositionOn(std::uint32_t frame) override;
    QImage Picture() override;

    // Frames of the DV stream, as avidemux counts them; -1 when it cannot
    // tell (frames are then sought without a bound, and one beyond the end
    // gives nothing when the time-out ends).
    std::int64_t FrameCount() const { return m_frameCount; }

  private:
    TGstFramePositioner() = default;
    bool SeekTime(std::uint32_t frame, GstClockTime& time) const;

    std::mutex m_mutex;  // one positioning at a time
    // Declared before the graph, so that it outlives the pipeline whose
    // probes point into it.
    std::shared_ptr<TPositionerProbe> m_probe;
    TDvReaderGraph m_graph;
    GstElement* m_pictureSink = nullptr;  // owned by the pipeline; null without a decoder
    GstPad* m_demuxPad = nullptr;         // owned reference: the avidemux output read
    std::int64_t m_frameCount = -1;
    int m_fpsNum = 25;
    int m_fpsDen = 1;
    int m_timeoutMs = 5000;
    bool m_hasPicture = false;  // the last positioning decoded its frame
    QImage m_picture;
};

}  // namespace tavrel
