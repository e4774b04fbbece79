#include "dv/DateTimeValue.h"

#include <gtest/gtest.h>

#include <cmath>

#include "dv/DvFrame.h"

namespace tavrel {
namespace {

TDateTime Encode(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    TDateTime v = -999999;
    EXPECT_TRUE(TryEncodeDateTime({y, mo, d, h, mi, s, ms}, v)) << y << "-" << mo << "-" << d;
    return v;
}

TEST(DateTimeValue, KnownDays) {
    EXPECT_EQ(Encode(1899, 12, 30), 0.0);
    EXPECT_EQ(Encode(1900, 1, 1), 2.0);
    EXPECT_EQ(Encode(2000, 1, 1), 36526.0);
    EXPECT_EQ(Encode(2003, 7, 14), 37816.0);
    EXPECT_EQ(Encode(1899, 12, 29, 6), -1.25);
    EXPECT_DOUBLE_EQ(Encode(2003, 7, 14, 18), 37816.75);
    EXPECT_EQ(DayOfWeek(Encode(2003, 7, 14)), 2);   // Monday
    EXPECT_EQ(DayOfWeek(Encode(1899, 12, 30)), 7);  // Saturday
    EXPECT_EQ(DayOfWeek(Encode(1899, 12, 24)), 1);  // Sunday
}

TEST(DateTimeValue, RoundTripIsExactToTheMillisecond) {
    const TDateTimeParts cases[] = {
        {1, 1, 1, 0, 0, 0, 0},        {1899, 12, 29, 23, 59, 59, 999}, {1899, 12, 30, 0, 0, 0, 1},
        {1995, 2, 28, 12, 0, 0, 0},   {2000, 2, 29, 23, 59, 59, 999},  {2024, 7, 8, 19, 55, 58, 0},
        {2089, 12, 31, 0, 0, 1, 500}, {9999, 12, 31, 23, 59, 59, 999},
    };
    for (const auto& c : cases) {
        TDateTime v = 0;
        ASSERT_TRUE(TryEncodeDateTime(c, v));
        TDateTimeParts back;
        ASSERT_TRUE(DecodeDateTime(v, back));
        EXPECT_EQ(back.Year, c.Year);
        EXPECT_EQ(back.Month, c.Month);
        EXPECT_EQ(back.Day, c.Day);
        EXPECT_EQ(back.Hour, c.Hour);
        EXPECT_EQ(back.Minute, c.Minute);
        EXPECT_EQ(back.Second, c.Second);
        EXPECT_EQ(back.Millisecond, c.Millisecond) << c.Year;
    }
    // Every second of a day survives.
    const TDateTime day = Encode(2026, 12, 10);
    for (int s = 0; s < 86400; s += 7) {
        TDateTime t = 0;
        ASSERT_TRUE(TryEncodeTime(s / 3600, (s / 60) % 60, s % 60, 0, t));
        TDateTimeParts back;
        ASSERT_TRUE(DecodeDateTime(day + t, back));
        ASSERT_EQ(back.Hour * 3600 + back.Minute * 60 + back.Second, s);
        ASSERT_EQ(back.Millisecond, 0);
    }
}

TEST(DateTimeValue, ImpossibleFieldsAreRefused) {
    const TDateTimeParts bad[] = {
        {2023, 2, 29, 0, 0, 0, 0}, {1900, 2, 29, 0, 0, 0, 0}, {2024, 13, 1, 0, 0, 0, 0},
        {2024, 0, 1, 0, 0, 0, 0},  {2024, 4, 31, 0, 0, 0, 0}, {2024, 1, 0, 0, 0, 0, 0},
        {2024, 1, 1, 24, 0, 0, 0}, {2024, 1, 1, 0, 60, 0, 0}, {2024, 1, 1, 0, 0, 60, 0},
        {0, 1, 1, 0, 0, 0, 0},     {10000, 1, 1, 0, 0, 0, 0}, {2024, 1, 1, 0, 0, 0, 1000},
    };
    for (const auto& c : bad) {
        TDateTime v = 123;
        EXPECT_FALSE(TryEncodeDateTime(c, v)) << c.Year << "-" << c.Month << "-" << c.Day;
        EXPECT_EQ(v, 123);
    }
    TDateTime v = 0;
    EXPECT_TRUE(TryEncodeDate(2024, 2, 29, v));
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29, v));
}

TEST(DateTimeValue, DecodeRefusesValuesOutOfRange) {
    TDateTimeParts p;
    EXPECT_FALSE(DecodeDateTime(NAN, p));
    EXPECT_FALSE(DecodeDateTime(INFINITY, p));
    EXPECT_FALSE(DecodeDateTime(3e6, p));
    EXPECT_FALSE(DecodeDateTime(-7e5, p));
    EXPECT_EQ(DayOfWeek(NAN), 0);
}

TEST(DateTimeValue, DatecodeConversions) {
    TDatecode d;
    d.Year = 2024;
    d.Month = 7;
    d.Day = 8;
    d.Hour = 19;
    d.Minute = 55;
    d.Second = 58;
    TDateTime v = 0;
    ASSERT_TRUE(DatecodeToDateTime(d, v));
    EXPECT_EQ(DifferenceMs(v, Encode(2024, 7, 8, 19, 55, 58)), 0);
    d.Month = 2;
    d.Day = 30;
    EXPECT_FALSE(DatecodeToDateTime(d, v));

    // Rounded to the millisecond, then the milliseconds dropped: 23:59:59.9996
    // is midnight of the next day, 23:59:59.999 stays.
    TDatecode out;
    ASSERT_TRUE(DateTimeToDatecode(Encode(2024, 12, 31, 23, 59, 59) + 0.9996 / 86400, out));
    EXPECT_EQ(out.Year, 2025);
    EXPECT_EQ(out.Month, 1);
    EXPECT_EQ(out.Day, 1);
    EXPECT_EQ(out.Hour, 0);
    ASSERT_TRUE(DateTimeToDatecode(Encode(2024, 12, 31, 23, 59, 59, 999), out));
    EXPECT_EQ(out.Year, 2024);
    EXPECT_EQ(out.Second, 59);
}

TEST(DateTimeValue, DifferencesOfWholeSecondsAreExact) {
    const TDateTime a = Encode(2024, 7, 8, 10, 0, 0);
    for (int s = 0; s < 120; ++s) {
        const TDateTime b = Encode(2024, 7, 8, 10, s / 60, s % 60);
        EXPECT_EQ(DifferenceMs(b, a), s * 1000);
        EXPECT_EQ(DifferenceMs(a, b), -s * 1000);
    }
}

}  // namespace
}  // namespace tavrel
