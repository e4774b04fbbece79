#pragma once
// The subtitle file of a video (".srt" beside it) showing what the overlay
// lines show: each time the pair of lines changes, the cue shown until then
// is written, lasting from the frame at which its text appeared to the frame
// at which it changed. Every cue has two lines (an empty line is written as
// a single space); cues are numbered from 1 and timed at the frame rate of
// the video being subtitled.
//
// Fed from the streaming thread of the subtitle command's pipeline, one call
// at a time; AttachSrtWriter connects it to a datecode reader.

#include <QString>
#include <cstdint>
#include <memory>

#include "scenes/WriteFile.h"

namespace tavrel {

class Tdv_sceneDetect;

class TWriteSrt : public TwriteFile {
  public:
    // frameRate: frames per second of the video; 0 when not known yet (see
    // SetFrameRate).
    TWriteSrt(const QString& videoPath, double frameRate);
    ~TWriteSrt() override;

    // From frame on, the lines shown are line1 and line2; an empty pair
    // means nothing is shown. Frames never decrease from call to call.
    void SubtitleChange(std::uint32_t frame, const QString& line1, const QString& line2);

    // The end of the stream: writes the cue still shown, ending at endFrame
    // (the frame after the last one), and closes the file. False when
    // anything went wrong. Destroying the writer without it closes the file
    // without that cue, whose end is not known.
    bool Finish(std::uint32_t endFrame);

    void SetFrameRate(double frameRate) { m_frameRate = frameRate; }
    double FrameRate() const { return m_frameRate; }
    std::uint32_t CueCount() const { return m_cueCount; }

  private:
    void WritePendingCue(std::uint32_t endFrame);

    double m_frameRate = 0;
    std::uint32_t m_cueStart = 0;
    std::uint32_t m_cueCount = 0;
    bool m_pending = false;
    QString m_line1;
    QString m_line2;
};

// The path of the subtitle file of a video.
QString SrtFilePath(const QString& videoPath);

// Makes the reader feed the writer: its display callback becomes the
// writer's SubtitleChange (lines decoded from UTF-8), and its end-of-stream
// hook finishes the writer at the frame after the last frame. When the
// writer has no frame rate, the reader's frame duration gives it. The
// reader's OnEndOfStream is taken over; keep the writer to read its
// ErrorText() after the run.
void AttachSrtWriter(Tdv_sceneDetect& detector, std::shared_ptr<TWriteSrt> writer);

}  // namespace tavrel
