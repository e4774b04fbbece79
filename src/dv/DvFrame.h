#pragma once
// Where the packs of a raw DV frame lie and how their bits are laid out: the
// tape timecode, the recording date and time (the datecode), the aspect and
// the audio parameters. Stateless operations over the caller's buffer: no
// allocation, no exception. A buffer shorter than nSeq DIF sequences, or an
// nSeq outside 1..12, finds nothing and is never written.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "dv/DateTimeValue.h"

namespace tavrel {

inline constexpr std::size_t kDifBlockSize = 80;
inline constexpr std::size_t kDifSequenceSize = 12000;
inline constexpr int kSequences525 = 10;  // NTSC
inline constexpr int kSequences625 = 12;  // PAL
inline constexpr int kMaxSequences = 12;
inline constexpr std::size_t kFrameSize525 = 120000;
inline constexpr std::size_t kFrameSize625 = 144000;

// Frame durations in 100-nanosecond units.
inline constexpr std::int64_t kFrameDuration525Hns = 333667;
inline constexpr std::int64_t kFrameDuration625Hns = 400000;

// Offsets inside a DIF sequence.
inline constexpr std::size_t kSubcodeOffset = 80;  // blocks 1 and 2
inline constexpr std::size_t kVauxOffset = 240;    // blocks 3, 4 and 5
inline constexpr std::size_t kAudioOffset = 480;   // block 6, then every 16 blocks
inline constexpr std::size_t kAudioBlockStep = 1280;
inline constexpr int kAudioBlocksPerSequence = 9;
inline constexpr int kSubcodeSlotsPerSequence = 12;
inline constexpr int kVauxSlotsPerSequence = 45;
inline constexpr int kPackSlotsPerSequence = kSubcodeSlotsPerSequence + kVauxSlotsPerSequence;
inline constexpr std::size_t kHeaderBytesPerSequence = 480;  // header, subcode and VAUX blocks

// Fallback positions of the date and time packs: first sequence, third VAUX
// block, slots 11 and 12.
inline constexpr std::size_t kFallbackDateOffset = 458;
inline constexpr std::size_t kFallbackTimeOffset = 463;

// Header byte of a sequence whose low three bits are the application ID of
// the track (APT): 0 for consumer (IEC 61834) frames.
inline constexpr std::size_t kAptOffset = 4;

enum TPackId : std::uint8_t {
    kPackTimecode = 0x13,
    kPackAudioSource = 0x50,
    kPackAudioControl = 0x51,
    kPackVauxSource = 0x60,
    kPackVauxControl = 0x61,
    kPackRecDate = 0x62,
    kPackRecTime = 0x63,
    kPackEmpty = 0xFF,
};

#pragma pack(push, 1)
// The datecode as the packs hold it. Year -1 means no datecode.
struct TDatecode {
    std::int32_t Year = -1;
    std::uint8_t Month = 0;
    std::uint8_t Day = 0;
    std::uint8_t Hour = 0;
    std::uint8_t Minute = 0;
    std::uint8_t Second = 0;
};
#pragma pack(pop)
static_assert(sizeof(TDatecode) == 9);

// The tape timecode. Hours 0xFF means no timecode.
struct TTimecode {
    std::uint8_t Hours = 0xFF;
    std::uint8_t Minutes = 0;
    std::uint8_t Seconds = 0;
    std::uint8_t Frames = 0;
};

inline bool operator==(const TDatecode& a, const TDatecode& b) {
    return a.Year == b.Year && a.Month == b.Month && a.Day == b.Day && a.Hour == b.Hour &&
           a.Minute == b.Minute && a.Second == b.Second;
}
inline bool operator==(const TTimecode& a, const TTimecode& b) {
    return a.Hours == b.Hours && a.Minutes == b.Minutes && a.Seconds == b.Seconds &&
           a.Frames == b.Frames;
}

using TPack = std::array<std::uint8_t, 5>;
using TDifBlock = std::array<std::uint8_t, kDifBlockSize>;

// 10 for a 120000-byte frame, 12 for a 144000-byte frame, 0 for any other length.
int SequencesForLength(std::size_t length);

// Offset inside a sequence of pack slot 0..56 in search order: the 12
// subcode slots, then the 45 VAUX slots.
std::size_t PackSlotOffset(int slot);

bool FindPack(std::span<const std::uint8_t> frame, std::uint8_t packId, int nSeq, TPack& out);
bool FindAudioBlock(std::span<const std::uint8_t> frame, std::uint8_t packId, int nSeq,
                    TDifBlock& out);

bool ReadTimecode(std::span<const std::uint8_t> frame, int nSeq, TTimecode& out);

// Decodes the recording date and time arithmetically (no digit check); the
// two-digit year reads 2000 + yy below 90, else 1900 + yy.
bool ReadDatecode(std::span<const std::uint8_t> frame, int nSeq, TDatecode& out);

// The datecode as a date-time value, or false when the packs are missing,
// hold a digit above 9, or make no calendar date: a frame without datecode.
bool ReadDatecodeValue(std::span<const std::uint8_t> frame, int nSeq, TDateTime& out);

void WriteDatecode(std::span<std::uint8_t> frame, int nSeq, const TDatecode& datecode);

// Byte 3 of the frame: 0x3F is 525/60, 0xBF is 625/50; anything else leaves
// is525_60 untouched and answers false.
bool ReadDvStandard(std::span<const std::uint8_t> frame, bool& is525_60);

bool ReadAudioInfo(std::span<const std::uint8_t> frame, int nSeq, std::int32_t& sampleRate,
                   std::int32_t& bitsPerSample, std::int32_t& channels);

bool ReadIs16x9(std::span<const std::uint8_t> frame, int nSeq, bool& is16x9);
void WriteAspect(std::span<std::uint8_t> frame, int nSeq, bool is16x9);

// Write the date or time fields into one 5-byte pack; its id and the bits
// not belonging to the fields are kept.
void PutRecDate(std::span<std::uint8_t, 5> pack, const TDatecode& datecode);
void PutRecTime(std::span<std::uint8_t, 5> pack, const TDatecode& datecode);

// The century window of two-digit years.
int YearFromTwoDigits(int yy);

// Write the timecode fields into one 0x13 pack; its id and the bits not
// belonging to the fields are kept, except the drop-frame flag (bit 6 of
// PC1), which is set when dropFrame is true and otherwise left as it is.
void PutTimecode(std::span<std::uint8_t, 5> pack, const TTimecode& timecode, bool dropFrame);

// Writes the timecode into every 0x13 pack of the frame, and into the empty
// subcode slots where a camcorder keeps it: every slot of the first half of
// the sequences, and slots 0 and 3 of each subcode block in the second half,
// where the other slots stay free for the date and time that WriteDatecode
// puts beside them. 525/60 frames count drop-frame, so their packs get the
// drop-frame flag.
void WriteTimecode(std::span<std::uint8_t> frame, int nSeq, const TTimecode& timecode);

// The timecode `frames` frames after `start` (frames >= 0): 25 frames a second
// for 625/50; drop-frame for 525/60 (frame numbers 0 and 1 are skipped at
// every minute but each tenth). Hours wrap after 23. A start that is not a
// valid timecode of its standard is taken field by field as it stands.
TTimecode AdvanceTimecode(const TTimecode& start, std::int64_t frames, bool is525_60);

}  // namespace tavrel
