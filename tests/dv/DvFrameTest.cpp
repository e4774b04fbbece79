#include "dv/DvFrame.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/DvFrameFactory.h"
#include "support/Samples.h"

namespace tavrel {
namespace {

using test::TPackArea;
using test::TStandard;

std::vector<std::uint8_t> Frame(TStandard standard = TStandard::Pal) {
    return test::BlankFrame(standard);
}

TEST(DvFrameLayout, BlankFrameHasTheDifLayout) {
    for (TStandard standard : {TStandard::Pal, TStandard::Ntsc}) {
        const auto f = Frame(standard);
        const int nSeq = test::Sequences(standard);
        ASSERT_EQ(SequencesForLength(f.size()), nSeq);
        EXPECT_EQ(f[3], standard == TStandard::Pal ? 0xBF : 0x3F);
        for (int s = 0; s < nSeq; ++s) {
            const std::uint8_t* seq = f.data() + s * kDifSequenceSize;
            EXPECT_EQ(seq[0] >> 5, 0);                          // header
            EXPECT_EQ(seq[80] >> 5, 1);                         // subcode
            EXPECT_EQ(seq[240] >> 5, 2);                        // VAUX
            EXPECT_EQ(seq[480] >> 5, 3);                        // audio
            EXPECT_EQ(seq[560] >> 5, 4);                        // video
            EXPECT_EQ(seq[480 + 8 * kAudioBlockStep] >> 5, 3);  // last audio block
            EXPECT_EQ(seq[1] >> 4, s);
            for (int slot = 0; slot < kPackSlotsPerSequence; ++slot)
                EXPECT_EQ(seq[PackSlotOffset(slot)], 0xFF);
        }
    }
    EXPECT_EQ(SequencesForLength(100000), 0);
    EXPECT_EQ(SequencesForLength(0), 0);
}

TEST(DvFramePacks, SearchVisitsSequencesInOrderSubcodeThenVaux) {
    auto f = Frame();
    const TPack inVaux{kPackRecDate, 1, 2, 3, 4};
    const TPack inNextSubcode{kPackRecDate, 9, 9, 9, 9};
    test::PutPack(f, 0, TPackArea::Vaux, 44, inVaux);
    test::PutPack(f, 1, TPackArea::Subcode, 0, inNextSubcode);
    TPack found{};
    ASSERT_TRUE(FindPack(f, kPackRecDate, 12, found));
    EXPECT_EQ(found, inVaux);

    // Within a sequence the subcode comes first, block 1 before block 2.
    const TPack inSubcode2{kPackRecDate, 5, 5, 5, 5};
    test::PutPack(f, 0, TPackArea::Subcode, 6, inSubcode2);
    ASSERT_TRUE(FindPack(f, kPackRecDate, 12, found));
    EXPECT_EQ(found, inSubcode2);

    EXPECT_FALSE(FindPack(f, kPackTimecode, 12, found));
    // A pack beyond the sequences the caller names is not seen.
    test::PutPack(f, 11, TPackArea::Vaux, 0, TPack{kPackTimecode, 0, 0, 0, 0});
    EXPECT_FALSE(FindPack(f, kPackTimecode, 10, found));
    EXPECT_TRUE(FindPack(f, kPackTimecode, 12, found));
}

TEST(DvFramePacks, AudioBlockSearchCopiesTheWholeBlock) {
    auto f = Frame();
    std::uint8_t* block = f.data() + 2 * kDifSequenceSize + kAudioOffset + 4 * kAudioBlockStep;
    block[3] = kPackAudioSource;
    block[79] = 0x5A;
    TDifBlock out{};
    ASSERT_TRUE(FindAudioBlock(f, kPackAudioSource, 12, out));
    EXPECT_TRUE(std::equal(out.begin(), out.end(), block));
    EXPECT_FALSE(FindAudioBlock(f, 0x51, 12, out));
}

TEST(DvFramePacks, TimecodeFields) {
    struct Case {
        TPack pack;
        TTimecode expected;
    };
    const Case cases[] = {
        {{0x13, 0xD7, 0x82, 0x80, 0xC0}, {0, 0, 2, 17}},
        {{0x13, 0x24, 0x59, 0x59, 0x23}, {23, 59, 59, 24}},
        // Bits outside the fields are ignored.
        {{0x13, 0xC0, 0x80, 0x80, 0xC0}, {0, 0, 0, 0}},
        // Digits are not checked: a units nibble of 15 is added as it is.
        {{0x13, 0x0F, 0x0F, 0x7F, 0x3F}, {45, 85, 15, 15}},
    };
    for (const auto& c : cases) {
        auto f = Frame(TStandard::Ntsc);
        test::PutPack(f, 0, TPackArea::Subcode, 0, c.pack);
        TTimecode t;
        ASSERT_TRUE(ReadTimecode(f, 10, t));
        EXPECT_EQ(t, c.expected) << int(t.Hours) << ":" << int(t.Minutes) << ":" << int(t.Seconds)
                                 << ":" << int(t.Frames);
    }
    TTimecode t;
    EXPECT_FALSE(ReadTimecode(Frame(), 12, t));
}

TDatecode ReadBack(const std::vector<std::uint8_t>& f) {
    TDatecode d;
    EXPECT_TRUE(ReadDatecode(f, SequencesForLength(f.size()), d));
    return d;
}

TEST(DvFramePacks, DatecodeEncodeDecodeEveryField) {
    const TDatecode cases[] = {
        test::Datecode(2024, 7, 8, 19, 55, 58), test::Datecode(1999, 12, 31, 23, 59, 59),
        test::Datecode(2000, 1, 1, 0, 0, 0),    test::Datecode(2010, 2, 16, 21, 36, 28),
        test::Datecode(1995, 10, 30, 9, 7, 1),  test::Datecode(2089, 11, 29, 20, 40, 50),
    };
    for (const auto& d : cases) {
        auto f = Frame();
        test::PutPack(f, 0, TPackArea::Subcode, 1, test::DatePack(d));
        test::PutPack(f, 0, TPackArea::Subcode, 2, test::TimePack(d));
        EXPECT_EQ(ReadBack(f), d) << d.Year;
    }
}

TEST(DvFramePacks, PutKeepsTheBitsOutsideTheFields) {
    TPack date{kPackRecDate, 0xAB, 0xFF, 0xFF, 0xFF};
    PutRecDate(date, test::Datecode(2009, 7, 8, 0, 0, 0));
    EXPECT_EQ(date[0], kPackRecDate);
    EXPECT_EQ(date[1], 0xAB);  // time zone byte untouched
    EXPECT_EQ(date[2], 0xC8);  // day 08, bits 7-6 kept
    EXPECT_EQ(date[3], 0xE7);  // month 07, bits 7-5 kept
    EXPECT_EQ(date[4], 0x09);  // year digits 0 and 9

    PutRecDate(date, test::Datecode(1999, 12, 31, 0, 0, 0));
    EXPECT_EQ(date[2], 0xF1);
    EXPECT_EQ(date[3], 0xF2);
    EXPECT_EQ(date[4], 0x99);

    TPack time{kPackRecTime, 0x12, 0x80, 0x80, 0xC0};
    PutRecTime(time, test::Datecode(2000, 1, 1, 23, 59, 58));
    EXPECT_EQ(time[1], 0x12);
    EXPECT_EQ(time[2], 0xD8);
    EXPECT_EQ(time[3], 0xD9);
    EXPECT_EQ(time[4], 0xE3);

    // A tens digit that does not fit its field is not written; the units are.
    TPack over{kPackRecTime, 0xFF, 0x80, 0x80, 0xC0};
    PutRecTime(over, test::Datecode(2000, 1, 1, 45, 99, 85));
    EXPECT_EQ(over[2], 0x85);  // tens 8 > 7: bits 6-4 kept (0), units 5
    EXPECT_EQ(over[3], 0x89);
    EXPECT_EQ(over[4], 0xC5);  // tens 4 > 3
}

TEST(DvFramePacks, CenturyWindow) {
    const std::pair<int, int> cases[] = {{0, 2000},  {24, 2024}, {25, 2025}, {26, 2026},
                                         {89, 2089}, {90, 1990}, {95, 1995}, {99, 1999}};
    for (auto [yy, year] : cases) {
        EXPECT_EQ(YearFromTwoDigits(yy), year);
        auto f = Frame();
        TPack date{kPackRecDate, 0xFF, 0xC1, 0xE1,
                   static_cast<std::uint8_t>(((yy / 10) << 4) | (yy % 10))};
        test::PutPack(f, 0, TPackArea::Vaux, 41, date);
        test::PutPack(f, 0, TPackArea::Vaux, 42, test::TimePack(test::Datecode(0, 0, 0, 1, 2, 3)));
        EXPECT_EQ(ReadBack(f).Year, year);
        // Written back, the two digits are those read.
        TDatecode d = ReadBack(f);
        WriteDatecode(f, 12, d);
        EXPECT_EQ(f[test::PackOffset(0, TPackArea::Vaux, 41) + 4], date[4]);
    }
}

TEST(DvFramePacks, FallbackPositionsOfTheFirstSequence) {
    ASSERT_EQ(test::PackOffset(0, TPackArea::Vaux, 41), kFallbackDateOffset);
    ASSERT_EQ(test::PackOffset(0, TPackArea::Vaux, 42), kFallbackTimeOffset);
    const TDatecode d = test::Datecode(2003, 7, 14, 10, 20, 30);

    // Zeroed ids, fields with digits: decoded from the two positions.
    auto zeroed = Frame();
    test::PutPack(zeroed, 0, TPackArea::Vaux, 41, test::DatePack(d));
    test::PutPack(zeroed, 0, TPackArea::Vaux, 42, test::TimePack(d));
    zeroed[kFallbackDateOffset] = 0x00;
    zeroed[kFallbackTimeOffset] = 0x00;
    EXPECT_EQ(ReadBack(zeroed), d);

    // A date pack elsewhere but no time pack anywhere: only the fallback can
    // give a datecode, and only when its id bytes allow it.
    auto dateOnly = Frame();
    test::PutPack(dateOnly, 3, TPackArea::Subcode, 0, test::DatePack(d));
    TDatecode out;
    EXPECT_FALSE(ReadDatecode(dateOnly, 12, out));  // 463 holds 0xFF
    dateOnly[kFallbackTimeOffset] = 0x00;
    dateOnly[kFallbackDateOffset] = 0x00;
    EXPECT_TRUE(ReadDatecode(dateOnly, 12, out));
    dateOnly[kFallbackDateOffset] = 0x13;
    EXPECT_FALSE(ReadDatecode(dateOnly, 12, out));
}

TEST(DvFramePacks, DigitsAboveNineDecodeArithmeticallyButMakeNoDatecode) {
    auto f = Frame();
    test::PutPack(f, 0, TPackArea::Subcode, 1, TPack{kPackRecDate, 0xFF, 0xC8, 0xE7, 0x24});
    test::PutPack(f, 0, TPackArea::Subcode, 2, TPack{kPackRecTime, 0xFF, 0x8F, 0x80, 0xC0});
    TDatecode d;
    ASSERT_TRUE(ReadDatecode(f, 12, d));
    EXPECT_EQ(d.Second, 15);  // units nibble 0xF added as it is
    TDateTime value = 0;
    EXPECT_FALSE(ReadDatecodeValue(f, 12, value));

    // Year tens nibble above 9.
    test::PutPack(f, 0, TPackArea::Subcode, 2, TPack{kPackRecTime, 0xFF, 0x80, 0x80, 0xC0});
    test::PutPack(f, 0, TPackArea::Subcode, 1, TPack{kPackRecDate, 0xFF, 0xC8, 0xE7, 0xA4});
    EXPECT_FALSE(ReadDatecodeValue(f, 12, value));
    // An impossible calendar date (30 February).
    test::PutPack(f, 0, TPackArea::Subcode, 1, TPack{kPackRecDate, 0xFF, 0xF0, 0xE2, 0x24});
    ASSERT_TRUE(ReadDatecode(f, 12, d));
    EXPECT_FALSE(ReadDatecodeValue(f, 12, value));
    // And a good one.
    test::PutPack(f, 0, TPackArea::Subcode, 1, TPack{kPackRecDate, 0xFF, 0xE9, 0xE2, 0x24});
    ASSERT_TRUE(ReadDatecodeValue(f, 12, value));
    TDateTimeParts p;
    ASSERT_TRUE(DecodeDateTime(value, p));
    EXPECT_EQ(p.Year, 2024);
    EXPECT_EQ(p.Month, 2);
    EXPECT_EQ(p.Day, 29);
}

TEST(DvFramePacks, WriteDatecodeFillsEmptySubcodeSlotsAlternately) {
    auto f = Frame();
    const auto before = f;
    const TDatecode d = test::Datecode(2009, 5, 6, 7, 8, 9);
    WriteDatecode(f, 12, d);
    for (int s = 0; s < 12; ++s) {
        for (int slot = 0; slot < 12; ++slot)
            EXPECT_EQ(f[test::PackOffset(s, TPackArea::Subcode, slot)],
                      slot % 2 == 0 ? kPackRecDate : kPackRecTime)
                << s << "/" << slot;
        for (int slot = 0; slot < 45; ++slot)
            EXPECT_EQ(f[test::PackOffset(s, TPackArea::Vaux, slot)], 0xFF);
    }
    EXPECT_EQ(ReadBack(f), d);
    EXPECT_EQ(f[test::PackOffset(0, TPackArea::Subcode, 0) + 4], 0x09);
    // Nothing but the subcode packs changed.
    for (std::size_t i = 0; i < f.size(); ++i) {
        const std::size_t inSeq = i % kDifSequenceSize;
        if (inSeq >= 80 && inSeq < 240) continue;
        ASSERT_EQ(f[i], before[i]) << i;
    }
}

TEST(DvFramePacks, WriteDatecodeUpdatesExistingPacksAndKeepsOthers) {
    auto f = Frame();
    const TDatecode old = test::Datecode(2001, 1, 1, 1, 1, 1);
    const TPack timecode = test::TimecodePack({1, 2, 3, 4});
    // Subcode: timecode, time, empty, timecode, empty...; VAUX: date and time.
    test::PutPack(f, 0, TPackArea::Subcode, 0, timecode);
    test::PutPack(f, 0, TPackArea::Subcode, 1, test::TimePack(old));
    test::PutPack(f, 0, TPackArea::Subcode, 3, timecode);
    test::PutPack(f, 0, TPackArea::Vaux, 41, test::DatePack(old));
    test::PutPack(f, 0, TPackArea::Vaux, 42, test::TimePack(old));
    const TDatecode d = test::Datecode(2026, 12, 10, 9, 47, 19);
    WriteDatecode(f, 12, d);
    auto id = [&](int slot) { return f[test::PackOffset(0, TPackArea::Subcode, slot)]; };
    EXPECT_EQ(id(0), kPackTimecode);
    EXPECT_EQ(id(1), kPackRecTime);
    EXPECT_EQ(id(2), kPackRecDate);   // after a time pack, a date
    EXPECT_EQ(id(3), kPackTimecode);  // left alone, the flag unchanged
    EXPECT_EQ(id(4), kPackRecTime);
    EXPECT_EQ(id(5), kPackRecDate);
    TTimecode t;
    ASSERT_TRUE(ReadTimecode(f, 12, t));
    EXPECT_EQ(t, (TTimecode{1, 2, 3, 4}));
    EXPECT_EQ(ReadBack(f), d);
    TPack vauxDate{};
    std::copy_n(f.begin() + kFallbackDateOffset, 5, vauxDate.begin());
    EXPECT_EQ(vauxDate, test::DatePack(d));

    // A subcode full of other packs and no date pack anywhere: nothing added.
    auto full = Frame();
    for (int s = 0; s < 12; ++s)
        for (int slot = 0; slot < 12; ++slot)
            test::PutPack(full, s, TPackArea::Subcode, slot, timecode);
    const auto copy = full;
    WriteDatecode(full, 12, d);
    EXPECT_EQ(full, copy);
}

TEST(DvFramePacks, StandardByte) {
    const std::pair<std::uint8_t, int> cases[] = {{0x3F, 1}, {0xBF, 0}, {0x1F, -1}, {0xFF, -1}};
    for (auto [byte, expected] : cases) {
        auto f = Frame();
        f[3] = byte;
        bool is525 = true;
        const bool known = ReadDvStandard(f, is525);
        EXPECT_EQ(known, expected >= 0) << int(byte);
        if (known) {
            EXPECT_EQ(is525, expected == 1);
        } else {
            EXPECT_TRUE(is525);  // untouched
        }
    }
    bool is525 = false;
    EXPECT_FALSE(ReadDvStandard(std::span<const std::uint8_t>(), is525));
}

TEST(DvFramePacks, AudioParameters) {
    struct Case {
        std::uint8_t pc2;
        std::uint8_t pc4;
        int rate, bits, channels;
    };
    const Case cases[] = {
        {0x00, 0xC0, 48000, 16, 2},
        {0x10, 0xC8, 44100, 16, 4},
        {0x20, 0xD1, 32000, 12, 1},
        {0x30, 0xD1, 32000, 12, 2},
        {0x00, 0xD8, 0, 16, 2},
        {0x00, 0xC2, 48000, 0, 2},
        {0x00, 0xFF, 0, 0, 2},
        // Audio mode not 0: no channel count, rate and quantisation still read.
        {0x01, 0xD1, 32000, 12, 0},
        {0x3F, 0xC0, 48000, 16, 0},
    };
    for (const auto& c : cases) {
        auto f = Frame();
        std::uint8_t* block = f.data() + kAudioOffset + 3 * kAudioBlockStep;
        const std::uint8_t pack[5] = {kPackAudioSource, 0xD0, c.pc2, 0xC0, c.pc4};
        std::copy(pack, pack + 5, block + 3);
        std::int32_t rate = -1, bits = -1, channels = -1;
        ASSERT_TRUE(ReadAudioInfo(f, 12, rate, bits, channels));
        EXPECT_EQ(rate, c.rate) << int(c.pc4);
        EXPECT_EQ(bits, c.bits) << int(c.pc4);
        EXPECT_EQ(channels, c.channels) << int(c.pc2);
    }
    std::int32_t rate, bits, channels;
    EXPECT_FALSE(ReadAudioInfo(Frame(), 12, rate, bits, channels));
}

TEST(DvFramePacks, AspectReadAndWrite) {
    struct Case {
        std::uint8_t mode;
        std::uint8_t apt;
        bool is16x9;
    };
    // Mode 7 is 16:9 only on consumer frames (application id 0).
    const Case cases[] = {{0, 0, false}, {2, 0, true},  {2, 1, true}, {7, 0, true},
                          {7, 1, false}, {1, 0, false}, {3, 0, false}};
    for (const auto& c : cases) {
        test::TFrameSpec recipe;
        recipe.DisplayMode = c.mode;
        recipe.Apt = c.apt;
        const auto f = test::MakeFrame(recipe);
        bool is16x9 = !c.is16x9;
        ASSERT_TRUE(ReadIs16x9(f, 12, is16x9));
        EXPECT_EQ(is16x9, c.is16x9) << int(c.mode) << "/" << int(c.apt);
    }
    bool is16x9 = true;
    EXPECT_FALSE(ReadIs16x9(Frame(), 12, is16x9));
    EXPECT_TRUE(is16x9);

    for (std::uint8_t apt : {0, 1}) {
        test::TFrameSpec recipe;
        recipe.Apt = apt;
        auto f = test::MakeFrame(recipe);
        // An extra 0x61 pack in the subcode is rewritten as well.
        test::PutPack(f, 5, TPackArea::Subcode, 4, TPack{kPackVauxControl, 0, 0xF8, 0, 0});
        WriteAspect(f, 12, true);
        for (int s = 0; s < 12; ++s)
            for (int slot = 0; slot < kPackSlotsPerSequence; ++slot) {
                const std::uint8_t* p = f.data() + s * kDifSequenceSize + PackSlotOffset(slot);
                if (p[0] == kPackVauxControl) {
                    EXPECT_EQ(p[2] & 0x07, apt == 0 ? 7 : 2);
                }
            }
        ASSERT_TRUE(ReadIs16x9(f, 12, is16x9));
        EXPECT_TRUE(is16x9);
        WriteAspect(f, 12, false);
        for (int s = 0; s < 12; ++s)
            for (int slot = 0; slot < kPackSlotsPerSequence; ++slot) {
                const std::uint8_t* p = f.data() + s * kDifSequenceSize + PackSlotOffset(slot);
                if (p[0] == kPackVauxControl) {
                    EXPECT_EQ(p[2] & 0x07, 0) << s;
                }
            }
        // Bits 7-3 are kept.
        EXPECT_EQ(f[test::PackOffset(0, TPackArea::Vaux, 40) + 2], 0xC8);
        EXPECT_EQ(f[test::PackOffset(5, TPackArea::Subcode, 4) + 2], 0xF8);
        ASSERT_TRUE(ReadIs16x9(f, 12, is16x9));
        EXPECT_FALSE(is16x9);
    }
    // A frame without 0x61 packs is not changed.
    auto none = Frame();
    const auto copy = none;
    WriteAspect(none, 12, true);
    EXPECT_EQ(none, copy);
}

TEST(DvFramePacks, ShortBuffersFindNothingAndAreNeverWritten) {
    test::TFrameSpec recipe;
    recipe.Datecode = test::Datecode(2024, 1, 2, 3, 4, 5);
    recipe.Timecode = TTimecode{0, 0, 1, 2};
    const auto full = test::MakeFrame(recipe);
    for (std::size_t length : {std::size_t(0), std::size_t(3), std::size_t(470), std::size_t(11999),
                               std::size_t(143999)}) {
        std::vector<std::uint8_t> f(full.begin(), full.begin() + length);
        const auto copy = f;
        TPack pack;
        TDifBlock block;
        TTimecode t;
        TDatecode d;
        TDateTime v;
        std::int32_t a, b, c;
        bool flag;
        EXPECT_FALSE(FindPack(f, kPackRecDate, 12, pack));
        EXPECT_FALSE(FindAudioBlock(f, kPackAudioSource, 12, block));
        EXPECT_FALSE(ReadTimecode(f, 12, t));
        EXPECT_FALSE(ReadDatecode(f, 12, d));
        EXPECT_FALSE(ReadDatecodeValue(f, 12, v));
        EXPECT_FALSE(ReadAudioInfo(f, 12, a, b, c));
        EXPECT_FALSE(ReadIs16x9(f, 12, flag));
        WriteDatecode(f, 12, d);
        WriteAspect(f, 12, true);
        EXPECT_EQ(f, copy);
    }
    // nSeq outside 1..12 is refused even on a long enough buffer.
    TPack pack;
    EXPECT_FALSE(FindPack(full, kPackRecDate, 0, pack));
    EXPECT_FALSE(FindPack(full, kPackRecDate, 13, pack));
    EXPECT_TRUE(FindPack(full, kPackRecDate, 1, pack));
}

TEST(DvFrameSamples, RealNtscCamcorderFrames) {
    const auto data = test::ReadSample("dv-toolbox_sony_good_quality.dv");
    if (data.empty()) GTEST_SKIP() << "samples not found in " << test::SamplesDir();
    ASSERT_EQ(data.size(), 5 * kFrameSize525);
    for (int i = 0; i < 5; ++i) {
        std::span<const std::uint8_t> f(data.data() + i * kFrameSize525, kFrameSize525);
        bool ntsc = false;
        ASSERT_TRUE(ReadDvStandard(f, ntsc));
        EXPECT_TRUE(ntsc);
        TDatecode d;
        ASSERT_TRUE(ReadDatecode(f, 10, d));
        EXPECT_EQ(d, test::Datecode(2024, 7, 8, 19, 55, 58));
        TTimecode t;
        ASSERT_TRUE(ReadTimecode(f, 10, t));
        if (i == 0) {
            EXPECT_EQ(t, (TTimecode{0, 0, 2, 17}));
        }
        std::int32_t rate, bits, channels;
        ASSERT_TRUE(ReadAudioInfo(f, 10, rate, bits, channels));
        EXPECT_EQ(rate, 32000);
        EXPECT_EQ(bits, 12);
        bool wide = true;
        ASSERT_TRUE(ReadIs16x9(f, 10, wide));
        EXPECT_FALSE(wide);
    }
}

TEST(DvFrameSamples, TruncatedPalFrameAndEncoderFrames) {
    const auto truncated = test::ReadSample("exiftool_DV.dv");
    const auto encoded = test::ReadSample("file-scraper_valid__pal_lossy.dv");
    if (truncated.empty() || encoded.empty()) GTEST_SKIP() << "samples not found";

    // A frame of the wrong length is not a frame.
    EXPECT_EQ(SequencesForLength(truncated.size()), 0);
    TDatecode d;
    EXPECT_FALSE(ReadDatecode(truncated, 12, d));
    // Its first 4,400 bytes hold a whole first header; padded out it reads as
    // the camcorder recorded it: 16:9 by display mode 7 on a consumer frame.
    std::vector<std::uint8_t> padded = truncated;
    padded.resize(kFrameSize625, 0xFF);
    ASSERT_TRUE(ReadDatecode(padded, 12, d));
    EXPECT_EQ(d, test::Datecode(2010, 2, 16, 21, 36, 28));
    TTimecode t;
    ASSERT_TRUE(ReadTimecode(padded, 12, t));
    EXPECT_EQ(t, (TTimecode{0, 0, 4, 24}));
    bool wide = false;
    ASSERT_TRUE(ReadIs16x9(padded, 12, wide));
    EXPECT_TRUE(wide);

    ASSERT_EQ(encoded.size(), 2 * kFrameSize625);
    std::span<const std::uint8_t> f(encoded.data(), kFrameSize625);
    ASSERT_TRUE(ReadIs16x9(f, 12, wide));
    EXPECT_TRUE(wide);
    ASSERT_TRUE(ReadTimecode(f, 12, t));
    EXPECT_EQ(t, (TTimecode{0, 0, 0, 0}));
    // The encoder's 1970 placeholder reads through the century window.
    ASSERT_TRUE(ReadDatecode(f, 12, d));
    EXPECT_EQ(d, test::Datecode(2070, 1, 1, 0, 0, 0));
    std::int32_t rate, bits, channels;
    EXPECT_FALSE(ReadAudioInfo(f, 12, rate, bits, channels));
}

TEST(DvFrameTimecode, WriteTimecodeLaysOutTheSubcodeAsACamcorderDoes) {
    for (TStandard standard : {TStandard::Pal, TStandard::Ntsc}) {
        const int nSeq = test::Sequences(standard);
        auto f = Frame(standard);
        const auto before = f;
        const TTimecode tc{23, 59, 58, 24};
        WriteTimecode(f, nSeq, tc);
        TTimecode read;
        ASSERT_TRUE(ReadTimecode(f, nSeq, read));
        EXPECT_EQ(read, tc);
        // First half: every subcode slot; second half: slots 0 and 3 of each block.
        for (int s = 0; s < nSeq; ++s)
            for (int slot = 0; slot < 12; ++slot) {
                const bool expected = s < nSeq / 2 || slot % 3 == 0;
                const std::uint8_t* p = f.data() + test::PackOffset(s, TPackArea::Subcode, slot);
                EXPECT_EQ(p[0], expected ? kPackTimecode : kPackEmpty) << s << "/" << slot;
                if (expected) {
                    // Fields in an empty slot: its spare bits stay set.
                    EXPECT_EQ(p[1], 0xE4) << s;
                    EXPECT_EQ(p[2], 0xD8);
                    EXPECT_EQ(p[3], 0xD9);
                    EXPECT_EQ(p[4], 0xE3);
                }
            }
        for (std::size_t i = 0; i < f.size(); ++i) {
            const std::size_t inSeq = i % kDifSequenceSize;
            if (inSeq >= 80 && inSeq < 240) continue;
            ASSERT_EQ(f[i], before[i]) << i;
        }
        // The date and time then take the free slots of the second half.
        WriteDatecode(f, nSeq, test::Datecode(2024, 7, 8, 19, 55, 58));
        for (int slot = 0; slot < 12; ++slot) {
            const std::uint8_t id = f[test::PackOffset(nSeq - 1, TPackArea::Subcode, slot)];
            EXPECT_EQ(id, slot % 3 == 0   ? kPackTimecode
                          : slot % 3 == 1 ? kPackRecDate
                                          : kPackRecTime);
            EXPECT_EQ(f[test::PackOffset(0, TPackArea::Subcode, slot)], kPackTimecode);
        }
        ASSERT_TRUE(ReadTimecode(f, nSeq, read));
        EXPECT_EQ(read, tc);
        EXPECT_EQ(ReadBack(f), test::Datecode(2024, 7, 8, 19, 55, 58));
    }
}

TEST(DvFrameTimecode, WriteTimecodeRewritesExistingPacksAndKeepsTheirSpareBits) {
    test::TFrameSpec recipe;
    recipe.Standard = TStandard::Ntsc;
    recipe.Timecode = TTimecode{1, 2, 3, 4};
    recipe.Datecode = test::Datecode(2005, 5, 5, 5, 5, 5);
    auto f = test::MakeFrame(recipe);
    // A timecode pack in the VAUX, its spare bits clear, drop-frame flag clear.
    test::PutPack(f, 1, TPackArea::Vaux, 20, TPack{kPackTimecode, 0x00, 0x00, 0x00, 0x00});
    WriteTimecode(f, 10, TTimecode{12, 34, 56, 7});
    TTimecode read;
    ASSERT_TRUE(ReadTimecode(f, 10, read));
    EXPECT_EQ(read, (TTimecode{12, 34, 56, 7}));
    const std::uint8_t* vaux = f.data() + test::PackOffset(1, TPackArea::Vaux, 20);
    EXPECT_EQ(vaux[1], 0x47);  // drop frame, 07
    EXPECT_EQ(vaux[2], 0x56);
    EXPECT_EQ(vaux[3], 0x34);
    EXPECT_EQ(vaux[4], 0x12);
    // The date and time packs of the subcode are not displaced.
    EXPECT_EQ(ReadBack(f), test::Datecode(2005, 5, 5, 5, 5, 5));
    EXPECT_EQ(f[test::PackOffset(0, TPackArea::Subcode, 1)], kPackRecDate);
    EXPECT_EQ(f[test::PackOffset(0, TPackArea::Subcode, 2)], kPackRecTime);

    // A PAL frame keeps the flag as it found it.
    auto pal = Frame(TStandard::Pal);
    test::PutPack(pal, 0, TPackArea::Subcode, 0, TPack{kPackTimecode, 0x00, 0x00, 0x00, 0x00});
    WriteTimecode(pal, 12, TTimecode{0, 0, 0, 12});
    EXPECT_EQ(pal[test::PackOffset(0, TPackArea::Subcode, 0) + 1], 0x12);

    // A subcode full of other packs gets nothing new, and short buffers are never written.
    auto full = Frame();
    for (int s = 0; s < 12; ++s)
        for (int slot = 0; slot < 12; ++slot)
            test::PutPack(full, s, TPackArea::Subcode, slot,
                          test::DatePack(recipe.Datecode.value()));
    const auto copy = full;
    WriteTimecode(full, 12, TTimecode{1, 1, 1, 1});
    EXPECT_EQ(full, copy);
    std::vector<std::uint8_t> shortFrame(copy.begin(), copy.begin() + 11999);
    const auto shortCopy = shortFrame;
    WriteTimecode(shortFrame, 12, TTimecode{1, 1, 1, 1});
    EXPECT_EQ(shortFrame, shortCopy);
}

TEST(DvFrameTimecode, AdvanceCountsPalFramesAndNtscDropFrame) {
    struct Case {
        bool ntsc;
        TTimecode start;
        std::int64_t frames;
        TTimecode expected;
    };
    const Case cases[] = {
        {false, {0, 0, 0, 0}, 0, {0, 0, 0, 0}},
        {false, {0, 0, 0, 24}, 1, {0, 0, 1, 0}},
        {false, {0, 59, 59, 24}, 1, {1, 0, 0, 0}},
        {false, {23, 59, 59, 24}, 1, {0, 0, 0, 0}},
        {false, {0, 0, 0, 0}, 25 * 3600 * 24 + 30, {0, 0, 1, 5}},
        // Labels 00 and 01 do not exist at the start of a minute...
        {true, {0, 0, 59, 29}, 1, {0, 1, 0, 2}},
        {true, {0, 12, 59, 20}, 10, {0, 13, 0, 2}},
        // ...but every tenth minute keeps them.
        {true, {0, 9, 59, 29}, 1, {0, 10, 0, 0}},
        {true, {0, 0, 0, 0}, 17982, {0, 10, 0, 0}},
        {true, {0, 0, 0, 0}, 1800, {0, 1, 0, 2}},
        {true, {0, 0, 0, 0}, 107892, {1, 0, 0, 0}},  // an hour of 29.97 frames a second
        {true, {23, 59, 59, 29}, 1, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const TTimecode t = AdvanceTimecode(c.start, c.frames, c.ntsc);
        EXPECT_EQ(t, c.expected) << c.ntsc << " +" << c.frames << " -> " << int(t.Hours) << ":"
                                 << int(t.Minutes) << ":" << int(t.Seconds) << ":" << int(t.Frames);
    }
    // Stepping one frame at a time never shows a dropped label.
    TTimecode t{0, 0, 0, 0};
    for (int i = 0; i < 17982; ++i) {
        t = AdvanceTimecode(t, 1, true);
        if (t.Seconds == 0 && t.Minutes % 10 != 0) {
            ASSERT_GE(t.Frames, 2) << i;
        }
    }
    EXPECT_EQ(t, (TTimecode{0, 10, 0, 0}));
}

}  // namespace
}  // namespace tavrel
