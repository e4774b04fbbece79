#include "dv/DvSceneDetect.h"

#include <cmath>
#include <cstring>

namespace tavrel {

Tdv_sceneDetect::Tdv_sceneDetect(std::shared_ptr<TLineSource> lines) : m_lines(std::move(lines)) {}

void Tdv_sceneDetect::SetMode(std::uint8_t mode) {
    m_mode.store(mode);
    m_countdown.store(m_displayFrames.load() - 1);
}

void Tdv_sceneDetect::SetDisplayDuration(int seconds) {
    m_displaySeconds.store(seconds);
    const std::int64_t duration = m_frameDurationHns.load();
    if (duration > 0)
        m_displayFrames.store(static_cast<int>(std::llround(seconds * 10000000.0 / duration)));
    m_countdown.store(m_displayFrames.load() - 1);
}

// The duration is often unknown when the user sets the display time (before
// the first run, or for interleaved DV whose format carries none), so the
// seconds are kept and turned into frames again once the input tells its
// frame duration.
void Tdv_sceneDetect::AdoptFrameDuration(std::int64_t frameDurationHns) {
    if (frameDurationHns <= 0 || frameDurationHns == m_frameDurationHns.load()) return;
    m_frameDurationHns.store(frameDurationHns);
    const int seconds = m_displaySeconds.load();
    if (seconds > 0)
        m_displayFrames.store(
            static_cast<int>(std::llround(seconds * 10000000.0 / frameDurationHns)));
}

void Tdv_sceneDetect::StartStreaming(std::int64_t frameDurationHns) {
    m_frameDurationFromCaps = frameDurationHns > 0;
    AdoptFrameDuration(frameDurationHns);
    m_countdown.store(m_displayFrames.load() - 1);
    m_shownLine1.clear();
    m_shownLine2.clear();
    m_sampleCounter.store(0);
    // A run never depends on the file streamed before it.
    m_current = TFrameInfo{};
    m_lastFrame = TFrameInfo{};
    m_sceneStart = TFrameInfo{};
    m_firstFrame = true;
    m_reference = 0;
    m_referenceValid = false;
    m_previousDatecode = 0;
}

void Tdv_sceneDetect::ProcessSample(std::span<const std::uint8_t> sample) {
    const int nSeq = SequencesForLength(sample.size());
    if (nSeq == 0) {
        m_sampleCounter.fetch_add(1);
        return;
    }
    if (m_firstFrame && !m_frameDurationFromCaps) {
        AdoptFrameDuration(nSeq == kSequences525 ? kFrameDuration525Hns : kFrameDuration625Hns);
        m_countdown.store(m_displayFrames.load() - 1);
    }
    m_lastFrame = m_current;
    ReadFrame(sample, nSeq);
    UpdateCountdown();
    UpdateDisplay();
    DetectBreaks();
    if (m_firstFrame) {
        m_sceneStart = m_current;
        m_firstFrame = false;
    }
    Publish(sample, nSeq);
    ++m_current.FrameIndex;
    m_sampleCounter.fetch_add(1);
}

void Tdv_sceneDetect::ReadFrame(std::span<const std::uint8_t> frame, int nSeq) {
    TFrameInfo& f = m_current;
    TDateTime value = 0;
    f.HasDatecode = ReadDatecodeValue(frame, nSeq, value);
    f.Datecode = f.HasDatecode ? value : 0;
    f.HasTimecode = ReadTimecode(frame, nSeq, f.Timecode);
    const bool audio = ReadAudioInfo(frame, nSeq, f.AudioRate, f.AudioBits, f.AudioChannels);
    const bool aspect = ReadIs16x9(frame, nSeq, f.Is16x9);
    ReadDvStandard(frame, f.IsNtsc);
    f.HasFormat = audio && aspect;
}

void Tdv_sceneDetect::UpdateCountdown() {
    if (m_countdown.load() > 0) m_countdown.fetch_sub(1);
    const TFrameInfo& f = m_current;
    const std::uint8_t mode = m_mode.load();
    if (f.HasDatecode) {
        bool restart = false;
        if (mode == kShowEachScene) {
            restart = DifferenceMs(f.Datecode, m_previousDatecode) > kDisplayJumpMs ||
                      f.Datecode < m_previousDatecode;
        } else if (mode == kShowEachDay) {
            TDateTimeParts now;
            TDateTimeParts before;
            const bool days = DecodeDateTime(f.Datecode, now) &&
                              DecodeDateTime(m_previousDatecode, before) && now.Day != before.Day;
            restart = days || std::fabs(f.Datecode - m_previousDatecode) > kDayChangeGuardDays;
        }
        if (restart) m_countdown.store(m_displayFrames.load());
    }
    m_previousDatecode = f.Datecode;
}

void Tdv_sceneDetect::UpdateDisplay() {
    if (!m_onDisplay) return;  // the lines are only ever used to be reported
    if (m_mode.load() == kShowAlways || m_countdown.load() > 0) {
        m_line1.clear();
        m_line2.clear();
        if (m_lines) m_lines->ExpandLines(m_current, m_line1, m_line2);
        if (m_line1 != m_shownLine1 || m_line2 != m_shownLine2) {
            m_onDisplay(m_current, m_line1, m_line2);
            m_shownLine1 = m_line1;
            m_shownLine2 = m_line2;
        }
    } else {
        ClearDisplay();
    }
}

void Tdv_sceneDetect::ClearDisplay() {
    if (!m_onDisplay || (m_shownLine1.empty() && m_shownLine2.empty())) return;
    m_shownLine1.clear();
    m_shownLine2.clear();
    m_onDisplay(m_current, m_shownLine1, m_shownLine2);
}

// Reports the scene that ends at the current frame and starts the next one
// there. A scene of no frames (two breaks on the same frame) is not reported.
void Tdv_sceneDetect::EndScene() {
    if (OnScene && m_current.FrameIndex != m_sceneStart.FrameIndex)
        OnScene(m_sceneStart, m_current);
    m_sceneStart = m_current;
}

void Tdv_sceneDetect::DetectBreaks() {
    const TFrameInfo& f = m_current;
    const TFrameInfo& s = m_sceneStart;
    if (s.HasFormat && f.HasFormat &&
        (s.Is16x9 != f.Is16x9 || s.IsNtsc != f.IsNtsc || s.AudioRate != f.AudioRate ||
         s.AudioBits != f.AudioBits)) {
        EndScene();
        m_referenceValid = false;
    }

    if (!f.HasDatecode) {
        if (m_lastFrame.HasDatecode && f.FrameIndex > 0) EndScene();
    } else if (!m_lastFrame.HasDatecode) {
        const std::uint32_t since = f.FrameIndex > m_sceneStart.FrameIndex
                                        ? f.FrameIndex - m_sceneStart.FrameIndex
                                        : m_sceneStart.FrameIndex - f.FrameIndex;
        if (since > kDatecodeGapFrames) EndScene();
        m_reference = f.Datecode;
    } else {
        if (m_referenceValid && std::llabs(DifferenceMs(f.Datecode, m_reference)) > kDateJumpMs)
            EndScene();
        m_reference = f.Datecode;
        m_referenceValid = true;
    }
}

void Tdv_sceneDetect::Publish(std::span<const std::uint8_t> frame, int nSeq) {
    const std::uint64_t counter = m_sampleCounter.load();
    std::lock_guard lock(m_publishMutex);
    m_published = m_current;
    for (int s = 0; s < nSeq; ++s) {
        THeaderSlot& slot = m_snapshot[s];
        std::memcpy(slot.Bytes.data(), frame.data() + s * kDifSequenceSize,
                    kHeaderBytesPerSequence);
        slot.SampleCounter = counter;
    }
}

void Tdv_sceneDetect::EndOfStream() {
    // The last scene ends at the frame after the last one; a stream that
    // carried no DV frame has no scene at all.
    if (!m_firstFrame && OnScene && m_current.FrameIndex != m_sceneStart.FrameIndex)
        OnScene(m_sceneStart, m_current);
    ClearDisplay();
    if (OnEndOfStream) OnEndOfStream();

    m_sceneStart = TFrameInfo{};
    m_firstFrame = true;
    m_current.FrameIndex = 0;
    m_reference = 0;
    m_referenceValid = false;
    m_countdown.store(0);
    m_onDisplay = nullptr;
}

TFrameInfo Tdv_sceneDetect::CurrentFrame() const {
    std::lock_guard lock(m_publishMutex);
    return m_published;
}

void Tdv_sceneDetect::CopyHeaderSnapshot(THeaderSnapshot& out) const {
    std::lock_guard lock(m_publishMutex);
    out = m_snapshot;
}

}  // namespace tavrel
