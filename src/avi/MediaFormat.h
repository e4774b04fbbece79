#pragma once
// The texts of media quantities that the file list, the information panel,
// the scene exports and the subtitles show: durations with frames or with
// milliseconds, the name of an audio format tag, a frame position and an SRT
// time stamp. Stateless; numbers are printed in decimal without separators.
//
// Durations are signed 64-bit counts of 100-nanosecond units (10 000 000 per
// second). A negative duration or frame index is not a media quantity, but
// it is shown as "-" before the text of its magnitude rather than as a
// jumble of negative fields.

#include <QString>
#include <cstdint>

namespace tavrel {

inline constexpr std::int64_t kHnsPerSecond = 10'000'000;
inline constexpr std::int64_t kHnsPerMillisecond = 10'000;

// "1h 02mn 03s 04fr", "2mn 03s 04fr", "3s 04fr" or "4fr": whole frames of
// frameDurationHns within the current second, truncated. A frame duration of
// 0 or less (no known frame rate) gives the millisecond text instead.
QString FormatDurationFrames(std::int64_t durationHns, std::int64_t frameDurationHns);

// "1h 02mn 03s 040ms", "2mn 03s 040ms", "3s 040ms"; below one second the
// milliseconds followed by "millièmes" ("40millièmes").
QString FormatDurationMs(std::int64_t durationHns);

// The name of a wave format tag ("PCM", "MP3", ...); "Inconnu" for a tag the
// program does not know.
QString WaveFormatName(std::uint16_t formatTag);

// "h:mm:ss:ff", "mm:ss:ff" or "ss:ff" of a frame index at a frame rate:
// whole seconds, then the remaining frames rounded to the nearest (halves to
// the even one). At a rate that is not a whole number the remaining frames
// can round up to the rate itself; that position is shown as the next second
// with frame 00, since no second holds a frame of that number. "??" when the
// rate is 0, negative or not a finite number, or the position is too large.
QString FormatFramePosition(std::int32_t frameIndex, double frameRate);

// "hh:mm:ss,mmm", the SRT time of a frame: frameIndex × 1000 / frameRate
// milliseconds rounded to the nearest (halves to the even one); hours above
// 99 take more digits. An empty text when the rate is 0, negative or not a
// finite number: there is no time to write then, and the caller must not
// write a cue with it.
QString FormatSrtTime(std::uint32_t frameIndex, double frameRate);

// Rounds to the nearest integer, halves to the even one, whatever the
// floating-point rounding mode in force. The value must fit in 64 bits.
std::int64_t RoundHalfEven(double value);

}  // namespace tavrel
