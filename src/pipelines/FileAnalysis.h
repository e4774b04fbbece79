#pragma once
// The file analysis: which streams an AVI file holds, the format and the
// duration of its video, audio and interleaved DV streams, whether a stream
// is DV, and the datecode, timecode and aspect of its first DV frame. It runs
// a GStreamer pipeline of its own (filesrc, avidemux, the datecode reader,
// dvdemux for interleaved DV, fakesinks) up to preroll: no frame is decoded
// and nothing is written.
//
// The analysis and its results are process-wide, as the media file records
// that use them are built on several threads: hold AnalysisLock() from the
// analysis to the last read of its results.

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "avi/RiffStructs.h"
#include "dv/DvSceneDetect.h"
#include "pipelines/BytePatch.h"

namespace tavrel {

// The fields of a video info header the program reads.
struct TVideoInfo {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int64_t AvgTimePerFrameHns = 0;
    std::uint32_t BitRate = 0;
    std::array<char, 4> Compression{};  // FourCC, bytes in file order
};

struct TMediaAnalysis {
    bool HasVideo = false;
    TVideoInfo VideoInfo;
    std::int64_t VideoDuration = 0;  // 100-ns units
    bool HasAudio = false;
    TWaveFormatEx WaveFormat;
    std::int64_t AudioDuration = 0;  // 100-ns units
    bool HasInterleaved = false;
    TDvInfo DvInfo;
    std::int32_t StreamCount = 0;
    bool DvFound = false;
    // Of the first DV frame; meaningful only when DvFound.
    bool HasDatecode = false;
    TDateTime Datecode = 0;
    bool HasTimecode = false;
    TTimecode Timecode{};
    bool Is16x9 = false;
};

class TdmList {
  public:
    TdmList();
    ~TdmList();
    TdmList(const TdmList&) = delete;
    TdmList& operator=(const TdmList&) = delete;

    // Analyses the file and fills MediaAnalysis(). False when the file
    // cannot be opened, or when an interleaved DV stream of the file is not
    // taken as DV (a codec GStreamer does not know); true otherwise, whatever
    // was found. The format blocks are those the file declares for its
    // streams, as GStreamer describes none; the outputs of dvdemux, which
    // have none in the file, are described from their caps.
    bool AnalyseStreams(const QString& path);
    // The same, reading the file as if the given bytes were replaced (the
    // file itself is never written).
    bool AnalyseStreamsPatched(const QString& path, const std::vector<TBytePatch>& patches);

    const TMediaAnalysis& MediaAnalysis() const { return m_analysis; }

    // How long one analysis may wait for the first samples.
    void SetTimeoutMs(int ms) { m_timeoutMs = ms; }

    const std::shared_ptr<Tdv_sceneDetect>& Detector() const { return m_detector; }

  private:
    std::shared_ptr<Tdv_sceneDetect> m_detector;
    TMediaAnalysis m_analysis;
    int m_timeoutMs = 5000;
};

// The process-wide analysis and its lock.
TdmList& FileAnalysis();
std::recursive_mutex& AnalysisLock();

}  // namespace tavrel
