#include "support/DvFrameFactory.h"

#include <algorithm>

namespace tavrel::test {

namespace {

enum TSectionType : std::uint8_t { kHeader = 0, kSubcode = 1, kVaux = 2, kAudio = 3, kVideo = 4 };

void PutBlockId(std::uint8_t* block, TSectionType type, int seq, int number) {
    block[0] = static_cast<std::uint8_t>((type << 5) | 0x10 | 0x0F);
    block[1] = static_cast<std::uint8_t>((seq << 4) | 0x07);
    block[2] = static_cast<std::uint8_t>(number);
}

std::uint8_t* Sequence(std::span<std::uint8_t> frame, int seq) {
    return frame.data() + seq * kDifSequenceSize;
}

std::uint8_t* AudioBlock(std::span<std::uint8_t> frame, int seq, int k) {
    return Sequence(frame, seq) + kAudioOffset + k * kAudioBlockStep;
}

void PutAudioPack(std::span<std::uint8_t> frame, int seq, int k, const TPack& pack) {
    std::copy(pack.begin(), pack.end(), AudioBlock(frame, seq, k) + 3);
}

}  // namespace

int Sequences(TStandard standard) {
    return standard == TStandard::Pal ? kSequences625 : kSequences525;
}

std::vector<std::uint8_t> BlankFrame(TStandard standard) {
    const int nSeq = Sequences(standard);
    std::vector<std::uint8_t> frame(nSeq * kDifSequenceSize, 0xFF);
    for (int s = 0; s < nSeq; ++s) {
        std::uint8_t* seq = frame.data() + s * kDifSequenceSize;
        // Header block: system byte (DSF), APT and the track application ids.
        PutBlockId(seq, kHeader, s, 0);
        seq[3] = standard == TStandard::Pal ? 0xBF : 0x3F;
        seq[4] = 0x78;
        seq[5] = seq[6] = seq[7] = 0x78;
        // Subcode blocks: six sync blocks of 3 id bytes and a 5-byte pack.
        for (int b = 0; b < 2; ++b) {
            std::uint8_t* block = seq + kSubcodeOffset + b * kDifBlockSize;
            PutBlockId(block, kSubcode, s, b);
            for (int k = 0; k < 6; ++k) {
                const int syb = b * 6 + k;
                std::uint8_t* sync = block + 3 + 8 * k;
                sync[0] = (k == 0 || k == 5) ? 0x80 : 0xF0;
                sync[1] = static_cast<std::uint8_t>(0x50 | syb);
                sync[2] = 0xFF;
            }
        }
        for (int b = 0; b < 3; ++b) PutBlockId(seq + kVauxOffset + b * kDifBlockSize, kVaux, s, b);
        // 135 video blocks interleaved with 9 audio blocks: A V*15, nine times.
        int video = 0;
        for (int k = 0; k < kAudioBlocksPerSequence; ++k) {
            std::uint8_t* audio = seq + kAudioOffset + k * kAudioBlockStep;
            PutBlockId(audio, kAudio, s, k);
            std::fill(audio + 8, audio + kDifBlockSize, 0x00);  // silent samples
            for (int v = 0; v < 15; ++v, ++video) {
                std::uint8_t* block = audio + kDifBlockSize * (1 + v);
                PutBlockId(block, kVideo, s, video);
                block[3] = 0x0F;  // STA 0, QNO 15
                std::fill(block + 4, block + kDifBlockSize, static_cast<std::uint8_t>(video));
            }
        }
    }
    return frame;
}

std::size_t PackOffset(int seq, TPackArea area, int slot) {
    const int searchSlot = area == TPackArea::Subcode ? slot : kSubcodeSlotsPerSequence + slot;
    return seq * kDifSequenceSize + PackSlotOffset(searchSlot);
}

void PutPack(std::span<std::uint8_t> frame, int seq, TPackArea area, int slot, const TPack& pack) {
    std::copy(pack.begin(), pack.end(), frame.data() + PackOffset(seq, area, slot));
}

void ClearAllPacks(std::span<std::uint8_t> frame, std::uint8_t packId) {
    const int nSeq = SequencesForLength(frame.size());
    for (int s = 0; s < nSeq; ++s) {
        for (int slot = 0; slot < kPackSlotsPerSequence; ++slot) {
            std::uint8_t* pack = frame.data() + s * kDifSequenceSize + PackSlotOffset(slot);
            if (pack[0] == packId) std::fill(pack, pack + 5, 0xFF);
        }
        for (int k = 0; k < kAudioBlocksPerSequence; ++k) {
            std::uint8_t* pack = AudioBlock(frame, s, k) + 3;
            if (pack[0] == packId) std::fill(pack, pack + 5, 0xFF);
        }
    }
}

TPack DatePack(const TDatecode& d) {
    TPack pack{kPackRecDate, 0xFF, 0xFF, 0xFF, 0xFF};
    PutRecDate(pack, d);
    return pack;
}

TPack TimePack(const TDatecode& d) {
    TPack pack{kPackRecTime, 0xFF, 0xFF, 0xFF, 0xFF};
    PutRecTime(pack, d);
    return pack;
}

TPack TimecodePack(const TTimecode& t) {
    auto bcd = [](int v, int tensMask) {
        return static_cast<std::uint8_t>((((v / 10) << 4) & tensMask) | (v % 10));
    };
    return TPack{kPackTimecode, static_cast<std::uint8_t>(0xC0 | bcd(t.Frames, 0x30)),
                 static_cast<std::uint8_t>(0x80 | bcd(t.Seconds, 0x70)),
                 static_cast<std::uint8_t>(0x80 | bcd(t.Minutes, 0x70)),
                 static_cast<std::uint8_t>(0xC0 | bcd(t.Hours, 0x30))};
}

TPack VauxControlPack(std::uint8_t displayMode) {
    return TPack{kPackVauxControl, 0x03, static_cast<std::uint8_t>(0xC8 | (displayMode & 0x07)),
                 0xFC, 0xFF};
}

TPack AudioSourcePack(int rateCode, int quantCode, std::uint8_t channelBits) {
    return TPack{kPackAudioSource, 0xD0, static_cast<std::uint8_t>(channelBits & 0x30), 0xC0,
                 static_cast<std::uint8_t>(0xC0 | ((rateCode & 7) << 3) | (quantCode & 7))};
}

TDatecode Datecode(int year, int month, int day, int hour, int minute, int second) {
    TDatecode d;
    d.Year = year;
    d.Month = static_cast<std::uint8_t>(month);
    d.Day = static_cast<std::uint8_t>(day);
    d.Hour = static_cast<std::uint8_t>(hour);
    d.Minute = static_cast<std::uint8_t>(minute);
    d.Second = static_cast<std::uint8_t>(second);
    return d;
}

std::vector<std::uint8_t> MakeFrame(const TFrameSpec& recipe) {
    std::vector<std::uint8_t> frame = BlankFrame(recipe.Standard);
    const int nSeq = Sequences(recipe.Standard);
    const TPack source{kPackVauxSource, 0xFF, 0xFF,
                       static_cast<std::uint8_t>(recipe.Standard == TStandard::Pal ? 0xE0 : 0xC0),
                       0xFF};
    for (int s = 0; s < nSeq; ++s) {
        std::uint8_t* seq = frame.data() + s * kDifSequenceSize;
        seq[kAptOffset] = static_cast<std::uint8_t>(0x78 | (recipe.Apt & 0x07));

        // Subcode: timecode, date, time in both halves.
        for (int half = 0; half < 2; ++half) {
            const int first = half * 6;
            if (recipe.Timecode) {
                PutPack(frame, s, TPackArea::Subcode, first + 0, TimecodePack(*recipe.Timecode));
                PutPack(frame, s, TPackArea::Subcode, first + 3, TimecodePack(*recipe.Timecode));
            }
            if (recipe.Datecode && recipe.DateInSubcode) {
                PutPack(frame, s, TPackArea::Subcode, first + 1, DatePack(*recipe.Datecode));
                PutPack(frame, s, TPackArea::Subcode, first + 2, TimePack(*recipe.Datecode));
            }
        }

        // VAUX main packs.
        const int base = (s % 2 == 0) ? 39 : 0;
        PutPack(frame, s, TPackArea::Vaux, base, source);
        if (recipe.Aspect)
            PutPack(frame, s, TPackArea::Vaux, base + 1, VauxControlPack(recipe.DisplayMode));
        if (recipe.Datecode) {
            PutPack(frame, s, TPackArea::Vaux, base + 2, DatePack(*recipe.Datecode));
            PutPack(frame, s, TPackArea::Vaux, base + 3, TimePack(*recipe.Datecode));
        }

        // AAUX: 0x50..0x54 in audio blocks 3..7 of even sequences, 0..4 of odd ones.
        if (recipe.Audio) {
            const int first = (s % 2 == 0) ? 3 : 0;
            PutAudioPack(frame, s, first,
                         AudioSourcePack(recipe.AudioRateCode, recipe.AudioQuantCode,
                                         recipe.AudioChannelBits));
            PutAudioPack(frame, s, first + 1, TPack{kPackAudioControl, 0x03, 0xCF, 0xA0, 0xFF});
            if (recipe.Datecode) {
                TPack date = DatePack(*recipe.Datecode);
                TPack time = TimePack(*recipe.Datecode);
                date[0] = 0x52;
                time[0] = 0x53;
                PutAudioPack(frame, s, first + 2, date);
                PutAudioPack(frame, s, first + 3, time);
            }
        }
    }
    return frame;
}

}  // namespace tavrel::test
