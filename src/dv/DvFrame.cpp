#include "dv/DvFrame.h"

namespace tavrel {

namespace {

constexpr std::array<std::uint16_t, kPackSlotsPerSequence> MakeSlotOffsets() {
    std::array<std::uint16_t, kPackSlotsPerSequence> offsets{};
    int i = 0;
    for (int block = 0; block < 2; ++block)
        for (int k = 0; k < 6; ++k)
            offsets[i++] =
                static_cast<std::uint16_t>(kSubcodeOffset + block * kDifBlockSize + 6 + 8 * k);
    for (int block = 0; block < 3; ++block)
        for (int k = 0; k < 15; ++k)
            offsets[i++] =
                static_cast<std::uint16_t>(kVauxOffset + block * kDifBlockSize + 3 + 5 * k);
    return offsets;
}

constexpr auto kSlotOffsets = MakeSlotOffsets();

bool Usable(std::span<const std::uint8_t> frame, int nSeq) {
    return nSeq >= 1 && nSeq <= kMaxSequences &&
           frame.size() >= static_cast<std::size_t>(nSeq) * kDifSequenceSize;
}

const std::uint8_t* FindPackPtr(std::span<const std::uint8_t> frame, std::uint8_t packId,
                                int nSeq) {
    if (!Usable(frame, nSeq)) return nullptr;
    const std::uint8_t* base = frame.data();
    for (int s = 0; s < nSeq; ++s) {
        const std::uint8_t* seq = base + s * kDifSequenceSize;
        for (std::uint16_t offset : kSlotOffsets)
            if (seq[offset] == packId) return seq + offset;
    }
    return nullptr;
}

const std::uint8_t* FindAudioBlockPtr(std::span<const std::uint8_t> frame, std::uint8_t packId,
                                      int nSeq) {
    if (!Usable(frame, nSeq)) return nullptr;
    for (int s = 0; s < nSeq; ++s) {
        for (int k = 0; k < kAudioBlocksPerSequence; ++k) {
            const std::uint8_t* block =
                frame.data() + s * kDifSequenceSize + kAudioOffset + k * kAudioBlockStep;
            if (block[3] == packId) return block;
        }
    }
    return nullptr;
}

int Bcd(std::uint8_t byte, std::uint8_t tensMask) {
    return ((byte & tensMask) >> 4) * 10 + (byte & 0x0F);
}

// Decimal digits of the fields a datecode uses: no nibble above 9.
bool DatecodeDigitsValid(const std::uint8_t* date, const std::uint8_t* time) {
    auto ok = [](std::uint8_t byte, std::uint8_t tensMask) {
        return (byte & 0x0F) <= 9 && ((byte & tensMask) >> 4) <= 9;
    };
    return ok(date[2], 0x30) && ok(date[3], 0x10) && ok(date[4], 0xF0) && ok(time[2], 0x70) &&
           ok(time[3], 0x70) && ok(time[4], 0x30);
}

bool LocateDatecodePacks(std::span<const std::uint8_t> frame, int nSeq, const std::uint8_t*& date,
                         const std::uint8_t*& time) {
    if (!Usable(frame, nSeq)) return false;
    time = FindPackPtr(frame, kPackRecTime, nSeq);
    date = time ? FindPackPtr(frame, kPackRecDate, nSeq) : nullptr;
    if (date && time) return true;
    const std::uint8_t* fallbackDate = frame.data() + kFallbackDateOffset;
    const std::uint8_t* fallbackTime = frame.data() + kFallbackTimeOffset;
    if ((fallbackDate[0] == kPackRecDate || fallbackDate[0] == 0x00) &&
        (fallbackTime[0] == kPackRecTime || fallbackTime[0] == 0x00)) {
        date = fallbackDate;
        time = fallbackTime;
        return true;
    }
    return false;
}

TDatecode DecodeDatecode(const std::uint8_t* date, const std::uint8_t* time) {
    TDatecode d;
    d.Second = static_cast<std::uint8_t>(Bcd(time[2], 0x70));
    d.Minute = static_cast<std::uint8_t>(Bcd(time[3], 0x70));
    d.Hour = static_cast<std::uint8_t>(Bcd(time[4], 0x30));
    d.Day = static_cast<std::uint8_t>(Bcd(date[2], 0x30));
    d.Month = static_cast<std::uint8_t>(Bcd(date[3], 0x10));
    d.Year = YearFromTwoDigits(Bcd(date[4], 0xF0));
    return d;
}

// Units always replace bits 3-0; the tens replace their field only when they
// fit in it.
void PutField(std::uint8_t& byte, int value, int maxTens, std::uint8_t keepMask) {
    const int tens = value / 10;
    const int units = value % 10;
    byte = static_cast<std::uint8_t>((byte & 0xF0) | units);
    if (tens <= maxTens) byte = static_cast<std::uint8_t>((byte & keepMask) | (tens << 4));
}

// Application ID of the track: the aspect test is true when it is not 0.
bool AspectTest(const std::uint8_t* sequence) {
    return (sequence[kAptOffset] & 0x07) != 0;
}

}  // namespace

int SequencesForLength(std::size_t length) {
    if (length == kFrameSize525) return kSequences525;
    if (length == kFrameSize625) return kSequences625;
    return 0;
}

std::size_t PackSlotOffset(int slot) {
    return slot >= 0 && slot < kPackSlotsPerSequence ? kSlotOffsets[slot] : 0;
}

int YearFromTwoDigits(int yy) {
    return yy < 90 ? 2000 + yy : 1900 + yy;
}

bool FindPack(std::span<const std::uint8_t> frame, std::uint8_t packId, int nSeq, TPack& out) {
    const std::uint8_t* pack = FindPackPtr(frame, packId, nSeq);
    if (!pack) return false;
    for (int i = 0; i < 5; ++i) out[i] = pack[i];
    return true;
}

bool FindAudioBlock(std::span<const std::uint8_t> frame, std::uint8_t packId, int nSeq,
                    TDifBlock& out) {
    const std::uint8_t* block = FindAudioBlockPtr(frame, packId, nSeq);
    if (!block) return false;
    for (std::size_t i = 0; i < kDifBlockSize; ++i) out[i] = block[i];
    return true;
}

bool ReadTimecode(std::span<const std::uint8_t> frame, int nSeq, TTimecode& out) {
    const std::uint8_t* pack = FindPackPtr(frame, kPackTimecode, nSeq);
    if (!pack) return false;
    out.Frames = static_cast<std::uint8_t>(Bcd(pack[1], 0x30));
    out.Seconds = static_cast<std::uint8_t>(Bcd(pack[2], 0x70));
    out.Minutes = static_cast<std::uint8_t>(Bcd(pack[3], 0x70));
    out.Hours = static_cast<std::uint8_t>(Bcd(pack[4], 0x30));
    return true;
}

bool ReadDatecode(std::span<const std::uint8_t> frame, int nSeq, TDatecode& out) {
    const std::uint8_t* date = nullptr;
    const std::uint8_t* time = nullptr;
    if (!LocateDatecodePacks(frame, nSeq, date, time)) return false;
    out = DecodeDatecode(date, time);
    return true;
}

bool ReadDatecodeValue(std::span<const std::uint8_t> frame, int nSeq, TDateTime& out) {
    const std::uint8_t* date = nullptr;
    const std::uint8_t* time = nullptr;
    if (!LocateDatecodePacks(frame, nSeq, date, time)) return false;
    if (!DatecodeDigitsValid(date, time)) return false;
    return DatecodeToDateTime(DecodeDatecode(date, time), out);
}

void PutRecDate(std::span<std::uint8_t, 5> pack, const TDatecode& d) {
    PutField(pack[2], d.Day, 3, 0xCF);
    PutField(pack[3], d.Month, 1, 0xEF);
    const int year = ((d.Year % 100) + 100) % 100;
    pack[4] = static_cast<std::uint8_t>(((year / 10) << 4) | (year % 10));
}

void PutRecTime(std::span<std::uint8_t, 5> pack, const TDatecode& d) {
    PutField(pack[2], d.Second, 7, 0x8F);
    PutField(pack[3], d.Minute, 7, 0x8F);
    PutField(pack[4], d.Hour, 3, 0xCF);
}

void WriteDatecode(std::span<std::uint8_t> frame, int nSeq, const TDatecode& datecode) {
    if (!Usable(frame, nSeq)) return;
    for (int s = 0; s < nSeq; ++s) {
        std::uint8_t* seq = frame.data() + s * kDifSequenceSize;
        bool nextIsDate = true;
        for (int slot = 0; slot < kSubcodeSlotsPerSequence; ++slot) {
            std::span<std::uint8_t, 5> pack(seq + kSlotOffsets[slot], 5);
            switch (pack[0]) {
                case kPackRecDate:
                    PutRecDate(pack, datecode);
                    nextIsDate = false;
                    break;
                case kPackRecTime:
                    PutRecTime(pack, datecode);
                    nextIsDate = true;
                    break;
                case kPackEmpty:
                    if (nextIsDate) {
                        PutRecDate(pack, datecode);
                        pack[0] = kPackRecDate;
                    } else {
                        PutRecTime(pack, datecode);
                        pack[0] = kPackRecTime;
                    }
                    nextIsDate = !nextIsDate;
                    break;
                default:
                    break;
            }
        }
        for (int slot = kSubcodeSlotsPerSequence; slot < kPackSlotsPerSequence; ++slot) {
            std::span<std::uint8_t, 5> pack(seq + kSlotOffsets[slot], 5);
            if (pack[0] == kPackRecDate)
                PutRecDate(pack, datecode);
            else if (pack[0] == kPackRecTime)
                PutRecTime(pack, datecode);
        }
    }
}

bool ReadDvStandard(std::span<const std::uint8_t> frame, bool& is525_60) {
    if (frame.size() < 4) return false;
    if (frame[3] == 0x3F) {
        is525_60 = true;
        return true;
    }
    if (frame[3] == 0xBF) {
        is525_60 = false;
        return true;
    }
    return false;
}

bool ReadAudioInfo(std::span<const std::uint8_t> frame, int nSeq, std::int32_t& sampleRate,
                   std::int32_t& bitsPerSample, std::int32_t& channels) {
    const std::uint8_t* block = FindAudioBlockPtr(frame, kPackAudioSource, nSeq);
    if (!block) return false;
    const std::uint8_t* pack = block + 3;
    switch ((pack[4] >> 3) & 0x07) {
        case 0:
            sampleRate = 48000;
            break;
        case 1:
            sampleRate = 44100;
            break;
        case 2:
            sampleRate = 32000;
            break;
        default:
            sampleRate = 0;
            break;
    }
    switch (pack[4] & 0x07) {
        case 0:
            bitsPerSample = 16;
            break;
        case 1:
            bitsPerSample = 12;
            break;
        default:
            bitsPerSample = 0;
            break;
    }
    if ((pack[2] & 0x0F) != 0) {
        channels = 0;
    } else {
        channels = ((pack[2] & 0x20) ? 1 : 2) * ((pack[2] & 0x10) ? 2 : 1);
    }
    return true;
}

bool ReadIs16x9(std::span<const std::uint8_t> frame, int nSeq, bool& is16x9) {
    const std::uint8_t* pack = FindPackPtr(frame, kPackVauxControl, nSeq);
    if (!pack) return false;
    const int mode = pack[2] & 0x07;
    is16x9 = mode == 2 || (mode == 7 && !AspectTest(frame.data()));
    return true;
}

void WriteAspect(std::span<std::uint8_t> frame, int nSeq, bool is16x9) {
    if (!Usable(frame, nSeq)) return;
    for (int s = 0; s < nSeq; ++s) {
        std::uint8_t* seq = frame.data() + s * kDifSequenceSize;
        const std::uint8_t mode = !is16x9 ? 0 : (AspectTest(seq) ? 2 : 7);
        for (std::uint16_t offset : kSlotOffsets) {
            std::uint8_t* pack = seq + offset;
            if (pack[0] == kPackVauxControl)
                pack[2] = static_cast<std::uint8_t>((pack[2] & 0xF8) | mode);
        }
    }
}

void PutTimecode(std::span<std::uint8_t, 5> pack, const TTimecode& t, bool dropFrame) {
    PutField(pack[1], t.Frames, 3, 0xCF);
    if (dropFrame) pack[1] = static_cast<std::uint8_t>(pack[1] | 0x40);
    PutField(pack[2], t.Seconds, 7, 0x8F);
    PutField(pack[3], t.Minutes, 7, 0x8F);
    PutField(pack[4], t.Hours, 3, 0xCF);
}

void WriteTimecode(std::span<std::uint8_t> frame, int nSeq, const TTimecode& timecode) {
    if (!Usable(frame, nSeq)) return;
    const bool dropFrame = nSeq == kSequences525;
    for (int s = 0; s < nSeq; ++s) {
        std::uint8_t* seq = frame.data() + s * kDifSequenceSize;
        const bool firstHalf = s < nSeq / 2;
        for (int slot = 0; slot < kPackSlotsPerSequence; ++slot) {
            std::span<std::uint8_t, 5> pack(seq + kSlotOffsets[slot], 5);
            const bool timecodeSlot =
                slot < kSubcodeSlotsPerSequence && (firstHalf || slot % 3 == 0);
            if (pack[0] == kPackEmpty && timecodeSlot) {
                pack[0] = kPackTimecode;
            } else if (pack[0] != kPackTimecode) {
                continue;
            }
            PutTimecode(pack, timecode, dropFrame);
        }
    }
}

TTimecode AdvanceTimecode(const TTimecode& start, std::int64_t frames, bool is525_60) {
    const std::int64_t h = start.Hours, m = start.Minutes, s = start.Seconds, f = start.Frames;
    TTimecode out;
    if (!is525_60) {
        constexpr std::int64_t kPerDay = 24LL * 3600 * 25;
        std::int64_t n = ((h * 3600 + m * 60 + s) * 25 + f + frames) % kPerDay;
        out.Frames = static_cast<std::uint8_t>(n % 25);
        n /= 25;
        out.Seconds = static_cast<std::uint8_t>(n % 60);
        out.Minutes = static_cast<std::uint8_t>(n / 60 % 60);
        out.Hours = static_cast<std::uint8_t>(n / 3600);
        return out;
    }
    // Drop-frame: 17982 frames every ten minutes, 1798 in each minute but the
    // tenth, whose labels 0 and 1 do not exist.
    constexpr std::int64_t kPerTenMinutes = 17982;
    constexpr std::int64_t kPerDay = 144 * kPerTenMinutes;
    const std::int64_t minutes = h * 60 + m;
    std::int64_t n = (minutes * 60 + s) * 30 + f - 2 * (minutes - minutes / 10);
    n = ((n + frames) % kPerDay + kPerDay) % kPerDay;
    const std::int64_t tens = n / kPerTenMinutes;
    const std::int64_t rest = n % kPerTenMinutes;
    const std::int64_t dropped = rest < 2 ? 0 : 2 * ((rest - 2) / 1798);
    const std::int64_t label = n + 18 * tens + dropped;
    out.Frames = static_cast<std::uint8_t>(label % 30);
    out.Seconds = static_cast<std::uint8_t>(label / 30 % 60);
    out.Minutes = static_cast<std::uint8_t>(label / 1800 % 60);
    out.Hours = static_cast<std::uint8_t>(label / 108000 % 24);
    return out;
}

}  // namespace tavrel
