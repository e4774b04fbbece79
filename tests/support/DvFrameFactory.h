#pragma once
// Synthetic DV frames for tests and benchmarks: a correct DIF layout (block
// ids, header block with the system byte, subcode, VAUX, audio and video
// blocks in their places, empty pack slots 0xFF) with the packs a camcorder
// writes, and the means to put any pack anywhere.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "dv/DvFrame.h"

namespace tavrel::test {

enum class TStandard { Pal, Ntsc };

enum class TPackArea { Subcode, Vaux };

struct TFrameSpec {
    TStandard Standard = TStandard::Pal;
    std::optional<TDatecode> Datecode;
    std::optional<TTimecode> Timecode;
    std::uint8_t DisplayMode = 0;          // bits 2-0 of the 0x61 pack; 2 is 16:9
    bool Aspect = true;                    // write the 0x61 pack at all
    bool Audio = true;                     // write the AAUX source and control packs
    int AudioRateCode = 0;                 // 0 48 kHz, 1 44.1 kHz, 2 32 kHz
    int AudioQuantCode = 0;                // 0 16 bits, 1 12 bits
    std::uint8_t AudioChannelBits = 0x00;  // bits 5-4 of PC2 of the 0x50 pack
    std::uint8_t Apt = 0;                  // bits 2-0 of byte 4 of each header block
    bool DateInSubcode = true;             // also put the date and time packs in the subcode
};

int Sequences(TStandard standard);

// A frame with every pack slot empty.
std::vector<std::uint8_t> BlankFrame(TStandard standard);

// A frame laid out as a consumer camcorder writes it: timecode and date
// packs in the subcode, 0x60-0x63 in the VAUX of every sequence (slots 39-42
// of even sequences, 0-3 of odd ones), 0x50-0x54 in the audio blocks.
std::vector<std::uint8_t> MakeFrame(const TFrameSpec& recipe);

// Frame offset of pack slot `slot` (subcode 0..11, VAUX 0..44) of sequence `seq`.
std::size_t PackOffset(int seq, TPackArea area, int slot);
void PutPack(std::span<std::uint8_t> frame, int seq, TPackArea area, int slot, const TPack& pack);
void ClearAllPacks(std::span<std::uint8_t> frame, std::uint8_t packId);

TPack DatePack(const TDatecode& d);
TPack TimePack(const TDatecode& d);
TPack TimecodePack(const TTimecode& t);
TPack VauxControlPack(std::uint8_t displayMode);
TPack AudioSourcePack(int rateCode, int quantCode, std::uint8_t channelBits);

TDatecode Datecode(int year, int month, int day, int hour, int minute, int second);

}  // namespace tavrel::test
