#pragma once
// The date-time value every part of Tavrel keeps dates in: days since
// 30 December 1899, with the time of day as the fraction. Before that day the
// integer part counts backwards and the fraction is still the time of day
// (-1.25 is 29 December 1899, 06:00). Whole milliseconds survive an
// encode/decode round trip exactly, for every year from 1 to 9999.

#include <cstdint>

namespace tavrel {

using TDateTime = double;

struct TDatecode;

struct TDateTimeParts {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
};

inline constexpr double kMsPerDay = 86400000.0;
inline constexpr double kSecondsPerDay = 86400.0;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Calendar encodings; false (and out unchanged) for impossible fields.
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& out);
bool TryEncodeDateTime(const TDateTimeParts& parts, TDateTime& out);

// Splits a value, rounded to the nearest millisecond. False for NaN, infinities
// and values outside the years 1 to 9999.
bool DecodeDateTime(TDateTime value, TDateTimeParts& out);

// 1 = Sunday ... 7 = Saturday; 0 when the value cannot be decoded.
int DayOfWeek(TDateTime value);

// The value of a datecode read from the packs, 0 milliseconds. False for
// impossible fields: such a frame counts as a frame without datecode.
bool DatecodeToDateTime(const TDatecode& datecode, TDateTime& out);

// The fields to write into packs: the value rounded to the nearest
// millisecond, the milliseconds then dropped.
bool DateTimeToDatecode(TDateTime value, TDatecode& out);

// Difference a - b in whole milliseconds, rounded. Datecodes are whole
// seconds, so thresholds compared this way are exact (5 s apart is not more
// than 5 s).
std::int64_t DifferenceMs(TDateTime a, TDateTime b);

}  // namespace tavrel
