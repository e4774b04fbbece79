#pragma once
// The real DV AVI clips that the fixture program make_test_clips writes once
// into the build tree (CTest fixture "test_clips"), and what each one holds.
// Tests that read them are registered with FIXTURES test_clips. Every
// expected value comes from the clip's recipe: the frame count, the datecode
// and timecode of any frame, the sound.

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <vector>

#include "pipelines/ClipMaker.h"

namespace tavrel::test {

enum class TTestClipId {
    Type1Ntsc43,      // type 1 NTSC 4:3, 48 kHz 16-bit; the timecode crosses a minute
    Type1Pal169,      // type 1 PAL 16:9, 32 kHz 12-bit
    Type2Pal43,       // type 2 PAL 4:3, 48 kHz 16-bit
    Type2Pal169,      // type 2 PAL 16:9, 48 kHz 16-bit
    Type2TwoAudio,    // type 2 PAL 4:3, 32 kHz 12-bit in two pairs: two audio streams
    Type2Pal32k12,    // type 2 PAL 4:3, 32 kHz 12-bit DV sound in one 16-bit stream
    NoDatecode,       // type 2 PAL 4:3, 48 kHz, no datecode in any frame
    ThreeRecordings,  // type 2 PAL 4:3, 48 kHz, three recordings: two datecode breaks
    LostDatecode,     // type 2 PAL 4:3, 48 kHz, a recording without datecode between two
    OpenDml,          // type 2 NTSC 16:9, 48 kHz, RIFFs of 1.5 MiB: several AVIX
    Silent,           // type 2 PAL 4:3 without sound: no AAUX packs, no audio stream
};

struct TTestClip {
    TTestClipId Id;
    const char* FileName;
    TClipSpec Recipe;

    std::filesystem::path Path() const;
    int DvType() const { return static_cast<int>(Recipe.Type); }
    bool Ntsc() const { return Recipe.Ntsc; }
    bool Wide() const { return Recipe.Wide; }
    std::int64_t FrameCount() const { return ClipFrameCount(Recipe); }
    int RecordingCount() const { return static_cast<int>(Recipe.Recordings.size()); }
    std::int64_t FirstFrame(int recording) const {
        return ClipFirstFrameOfRecording(Recipe, recording);
    }
    // PCM streams of a type 2 file; 0 for type 1 and for clips without sound.
    int AudioStreams() const;
    int AudioRate() const { return Recipe.Audio ? Recipe.Audio->SampleRate : 0; }
    int DvAudioBits() const { return Recipe.Audio ? Recipe.Audio->DvBits : 0; }
    std::int64_t AudioSamples() const { return ClipAudioSampleCount(Recipe); }
    bool DatecodeAt(std::int64_t frame, TDatecode& out) const {
        return ClipDatecodeAt(Recipe, frame, out);
    }
    TTimecode TimecodeAt(std::int64_t frame) const { return ClipTimecodeAt(Recipe, frame); }
};

// Test names and failure messages show the clip by its file name.
inline void PrintTo(const TTestClip& clip, std::ostream* os) {
    *os << clip.FileName;
}

std::filesystem::path TestClipsDir();
const std::vector<TTestClip>& TestClips();
const TTestClip& TestClip(TTestClipId id);

}  // namespace tavrel::test
