#include "support/TestClips.h"

namespace tavrel::test {

namespace {

TDatecode Date(int year, int month, int day, int hour, int minute, int second) {
    TDatecode d;
    d.Year = year;
    d.Month = static_cast<std::uint8_t>(month);
    d.Day = static_cast<std::uint8_t>(day);
    d.Hour = static_cast<std::uint8_t>(hour);
    d.Minute = static_cast<std::uint8_t>(minute);
    d.Second = static_cast<std::uint8_t>(second);
    return d;
}

TClipSpec Recipe(bool ntsc, bool wide, TDvAviType type, std::vector<TClipRecording> recordings,
                 std::optional<TClipAudio> audio = TClipAudio{}) {
    TClipSpec recipe;
    recipe.Ntsc = ntsc;
    recipe.Wide = wide;
    recipe.Type = type;
    recipe.Recordings = std::move(recordings);
    recipe.Audio = audio;
    return recipe;
}

std::vector<TTestClip> MakeTable() {
    using enum TTestClipId;
    constexpr auto T1 = TDvAviType::Type1;
    constexpr auto T2 = TDvAviType::Type2;
    const TClipAudio pcm48{48000, 16, 1};
    const TClipAudio dv32{32000, 12, 1};
    std::vector<TTestClip> clips;

    TClipSpec type1Ntsc = Recipe(true, false, T1, {{Date(2007, 8, 15, 14, 30, 0), 60}}, pcm48);
    type1Ntsc.StartTimecode = {0, 12, 59, 20};  // 00:13:00;02 follows 00:12:59;29
    clips.push_back({Type1Ntsc43, "type1-ntsc-4x3.avi", type1Ntsc});
    clips.push_back({Type1Pal169, "type1-pal-16x9.avi",
                     Recipe(false, true, T1, {{Date(2010, 2, 16, 21, 36, 28), 50}}, dv32)});
    clips.push_back({Type2Pal43, "type2-pal-4x3.avi",
                     Recipe(false, false, T2, {{Date(2009, 12, 31, 23, 59, 58), 75}}, pcm48)});
    clips.push_back({Type2Pal169, "type2-pal-16x9.avi",
                     Recipe(false, true, T2, {{Date(2015, 5, 1, 8, 0, 0), 50}}, pcm48)});
    clips.push_back(
        {Type2TwoAudio, "type2-two-audio.avi",
         Recipe(false, false, T2, {{Date(2004, 3, 7, 11, 22, 33), 40}}, TClipAudio{32000, 12, 2})});
    clips.push_back({Type2Pal32k12, "type2-pal-32k12.avi",
                     Recipe(false, false, T2, {{Date(2003, 11, 2, 16, 5, 9), 40}}, dv32)});
    clips.push_back(
        {NoDatecode, "no-datecode.avi", Recipe(false, false, T2, {{std::nullopt, 40}}, pcm48)});

    TClipSpec three = Recipe(false, false, T2,
                             {{Date(2021, 6, 12, 10, 15, 30), 40},
                              {Date(2021, 6, 12, 14, 2, 5), 30},
                              {Date(2021, 6, 13, 9, 0, 0), 50}},
                             pcm48);
    three.StartTimecode = {1, 0, 0, 0};
    clips.push_back({ThreeRecordings, "three-recordings.avi", three});
    clips.push_back({LostDatecode, "lost-datecode.avi",
                     Recipe(false, false, T2,
                            {{Date(2012, 8, 20, 18, 0, 0), 30},
                             {std::nullopt, 20},
                             {Date(2012, 8, 20, 18, 45, 10), 30}},
                            pcm48)});

    TClipSpec odml = Recipe(true, true, T2, {{Date(2019, 9, 9, 9, 9, 9), 90}}, pcm48);
    odml.RiffSizeLimit = 3 << 19;  // 1.5 MiB: about a dozen frames a RIFF
    clips.push_back({OpenDml, "opendml.avi", odml});
    clips.push_back({Silent, "silent.avi",
                     Recipe(false, false, T2, {{Date(2018, 1, 2, 3, 4, 5), 30}}, std::nullopt)});
    return clips;
}

}  // namespace

std::filesystem::path TTestClip::Path() const {
    return TestClipsDir() / FileName;
}

int TTestClip::AudioStreams() const {
    return Recipe.Type == TDvAviType::Type2 && Recipe.Audio ? Recipe.Audio->Streams : 0;
}

std::filesystem::path TestClipsDir() {
    return std::filesystem::path(TAVREL_TEST_CLIPS_DIR);
}

const std::vector<TTestClip>& TestClips() {
    static const std::vector<TTestClip> clips = MakeTable();
    return clips;
}

const TTestClip& TestClip(TTestClipId id) {
    for (const TTestClip& clip : TestClips())
        if (clip.Id == id) return clip;
    return TestClips().front();
}

}  // namespace tavrel::test
