#pragma once
// Makes real DV AVI clips, for the tests and the demonstration command: DV
// video encoded by GStreamer (avenc_dvvideo) from a moving test picture, with
// the packs a camcorder writes put in by our own pack code (timecode,
// datecode, aspect, audio source and control), cut into recordings with
// their own start datecodes, and written by TAviWriter as type 1 or type 2.
//
// Encoding is the slow part, so each recording encodes at most
// DistinctPictures pictures and plays them back and forth for as long as it
// lasts, every frame stamped anew; the picture only jumps where a recording
// begins (each recording has its own colours).

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "avi/AviWriter.h"
#include "dv/DvFrame.h"

namespace tavrel {

// One recording: the camcorder started, ran FrameCount frames and stopped.
struct TClipRecording {
    // The datecode of the first frame; the following frames count on from it.
    // None: the recording carries no datecode at all. A start whose fields
    // make no calendar date is written unchanged into every frame.
    std::optional<TDatecode> Datecode;
    int FrameCount = 0;
};

// The sound of the clip, as the DV audio of the frames says it is.
struct TClipAudio {
    int SampleRate = 48000;  // 48000, 44100 or 32000
    int DvBits = 16;         // 16, or 12 (only at 32000 Hz)
    // Type 2: the PCM streams of the file (1 or 2), 16-bit stereo at the DV
    // rate. With 12-bit sound, 2 streams also make the DV audio 4 channels.
    int Streams = 1;
};

struct TClipSpec {
    bool Ntsc = false;
    bool Wide = false;  // 16:9
    TDvAviType Type = TDvAviType::Type2;
    std::vector<TClipRecording> Recordings;
    // The tape timecode of the first frame; it runs on across the recordings
    // (drop-frame for NTSC).
    TTimecode StartTimecode{0, 0, 0, 0};
    // None: no sound, no AAUX packs, no audio stream.
    std::optional<TClipAudio> Audio = TClipAudio{};
    std::uint64_t RiffSizeLimit = kDefaultRiffSizeLimit;
    int DistinctPictures = 125;
    std::vector<TAviInfoEntry> Info;
};

// Told after each frame; answering false stops the clip, which is then not written.
using TClipProgress = std::function<bool(std::int64_t framesDone, std::int64_t frameCount)>;

// Writes the clip; false with a French message on failure, when nothing is
// left at `path`.
bool MakeClip(const TClipSpec& recipe, const std::filesystem::path& path, std::string& error,
              const TClipProgress& progress = {});

// What the packs of the clip's frames hold, frame index counted from 0 over
// the whole clip.
std::int64_t ClipFrameCount(const TClipSpec& recipe);
std::int64_t ClipFirstFrameOfRecording(const TClipSpec& recipe, int recording);
int ClipRecordingOfFrame(const TClipSpec& recipe, std::int64_t frame);  // -1 outside the clip
bool ClipDatecodeAt(const TClipSpec& recipe, std::int64_t frame, TDatecode& out);
TTimecode ClipTimecodeAt(const TClipSpec& recipe, std::int64_t frame);
// Audio sample frames that frame `frame` carries (and that type 2 streams
// hold beside it): the DV rate over the frame rate, spread evenly.
int ClipAudioSamplesAt(const TClipSpec& recipe, std::int64_t frame);
std::int64_t ClipAudioSampleCount(const TClipSpec& recipe);

// A demonstration clip: PAL 4:3 type 2, 48 kHz sound, two recordings of
// five seconds a day apart.
TClipSpec DemoClipSpec();

}  // namespace tavrel
