#pragma once
// The datecode reader. Fed every sample of a DV stream (one whole frame per
// sample), it decodes each frame's packs, cuts the stream into scenes where
// the recording date jumps, where the datecode vanishes or comes back and
// where the recording format changes, builds the two date lines to show, and
// keeps the record and the header blocks of the last frame for other parts.
//
// The class knows nothing of the media framework: its element adapter only
// forwards the start of streaming, the buffers and the end of stream.
// Per-frame work and callbacks run on the streaming thread; SetMode and
// SetDisplayDuration may be called from any thread; CurrentFrame and
// CopyHeaderSnapshot give consistent copies to any thread.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "dv/DvFrame.h"

namespace tavrel {

// The reader's record of one frame.
struct TFrameInfo {
    std::uint32_t FrameIndex = 0;
    bool HasDatecode = false;
    bool HasTimecode = false;
    bool HasFormat = false;  // audio parameters and aspect both found
    TDateTime Datecode = 0;
    TTimecode Timecode{};
    bool Is16x9 = false;
    bool IsNtsc = false;
    std::int32_t AudioRate = 0;
    std::int32_t AudioBits = 0;
    std::int32_t AudioChannels = 0;
};

// Bytes 0 to 479 of one DIF sequence (header, subcode and VAUX blocks) and
// the number of the sample they came from.
struct THeaderSlot {
    std::array<std::uint8_t, kHeaderBytesPerSequence> Bytes{};
    std::uint64_t SampleCounter = 0;
};
using THeaderSnapshot = std::array<THeaderSlot, kMaxSequences>;

// Builds the two display lines of a frame from the line patterns and date
// formats in force (the overlay settings live above this layer).
class TLineSource {
  public:
    virtual ~TLineSource() = default;
    virtual void ExpandLines(const TFrameInfo& frame, std::string& line1, std::string& line2) = 0;
};

class Tdv_sceneDetect {
  public:
    using TSceneCallback = std::function<void(const TFrameInfo& start, const TFrameInfo& end)>;
    using TDisplayCallback = std::function<void(const TFrameInfo& frame, const std::string& line1,
                                                const std::string& line2)>;
    using TEndOfStreamCallback = std::function<void()>;

    static constexpr std::int64_t kDateJumpMs = 5000;
    static constexpr std::uint32_t kDatecodeGapFrames = 12;
    static constexpr std::int64_t kDisplayJumpMs = 2000;
    static constexpr double kDayChangeGuardDays = 1.0;

    // Display modes (setting iaWhenIncrust).
    static constexpr std::uint8_t kShowAlways = 0;
    static constexpr std::uint8_t kShowOnce = 1;
    static constexpr std::uint8_t kShowEachScene = 2;
    static constexpr std::uint8_t kShowEachDay = 3;

    static constexpr int kDefaultDisplayFrames = 125;

    explicit Tdv_sceneDetect(std::shared_ptr<TLineSource> lines = nullptr);

    // Callbacks are attached by the owning pipeline before a run, while no
    // stream is flowing. OnDisplay is removed at every end of stream.
    TSceneCallback OnScene;
    TEndOfStreamCallback OnEndOfStream;
    void SetDisplayCallback(TDisplayCallback callback) { m_onDisplay = std::move(callback); }
    void SetLineSource(std::shared_ptr<TLineSource> lines) { m_lines = std::move(lines); }

    void SetMode(std::uint8_t mode);
    std::uint8_t Mode() const { return m_mode.load(); }
    void SetDisplayDuration(int seconds);
    int DisplayDurationFrames() const { return m_displayFrames.load(); }
    std::int64_t FrameDurationHns() const { return m_frameDurationHns.load(); }

    // frameDurationHns: the average time per frame of the connected format, or
    // 0 when the format carries none (interleaved DV); the frames' own length
    // then gives it.
    void StartStreaming(std::int64_t frameDurationHns);
    void ProcessSample(std::span<const std::uint8_t> sample);
    void EndOfStream();

    TFrameInfo CurrentFrame() const;
    void CopyHeaderSnapshot(THeaderSnapshot& out) const;
    std::uint64_t SampleCount() const { return m_sampleCounter.load(); }

  private:
    void ReadFrame(std::span<const std::uint8_t> frame, int nSeq);
    void AdoptFrameDuration(std::int64_t frameDurationHns);
    void UpdateCountdown();
    void UpdateDisplay();
    void ClearDisplay();
    void DetectBreaks();
    void EndScene();
    void Publish(std::span<const std::uint8_t> frame, int nSeq);

    std::shared_ptr<TLineSource> m_lines;
    TDisplayCallback m_onDisplay;

    TFrameInfo m_current;
    TFrameInfo m_lastFrame;
    TFrameInfo m_sceneStart;
    TDateTime m_reference = 0;
    bool m_referenceValid = false;
    TDateTime m_previousDatecode = 0;
    bool m_firstFrame = true;
    bool m_frameDurationFromCaps = false;

    std::atomic<std::uint8_t> m_mode{kShowAlways};
    std::atomic<int> m_displaySeconds{0};  // 0: never set, keep the frame count
    std::atomic<int> m_displayFrames{kDefaultDisplayFrames};
    std::atomic<int> m_countdown{0};
    std::atomic<std::int64_t> m_frameDurationHns{0};
    std::atomic<std::uint64_t> m_sampleCounter{0};

    std::string m_shownLine1;
    std::string m_shownLine2;
    std::string m_line1;
    std::string m_line2;

    mutable std::mutex m_publishMutex;
    TFrameInfo m_published;
    THeaderSnapshot m_snapshot{};
};

}  // namespace tavrel
