#include "dv/DateTimeValue.h"

#include <cmath>

#include "dv/DvFrame.h"

namespace tavrel {

namespace {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian), after
// Howard Hinnant's days_from_civil.
std::int64_t DaysFromCivil(int y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

// 1899-12-30 is day 0 of the value, day -25569 of the Unix calendar.
constexpr std::int64_t kEpochOffset = 25569;
constexpr std::int64_t kMinDay = -693593;  // 0001-01-01
constexpr std::int64_t kMaxDay = 2958465;  // 9999-12-31

// Splits a value into its day and its milliseconds in the day, following the
// convention that the fraction is the time of day on both sides of day 0.
bool SplitValue(TDateTime value, std::int64_t& day, std::int64_t& ms) {
    if (!std::isfinite(value)) return false;
    if (value < static_cast<double>(kMinDay - 1) || value > static_cast<double>(kMaxDay + 1))
        return false;
    const double whole = std::trunc(value);
    day = static_cast<std::int64_t>(whole);
    ms = std::llround(std::fabs(value - whole) * kMsPerDay);
    if (ms >= static_cast<std::int64_t>(kMsPerDay)) {
        ms -= static_cast<std::int64_t>(kMsPerDay);
        day += value < 0 ? -1 : 1;
    }
    return day >= kMinDay && day <= kMaxDay;
}

}  // namespace

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out) {
    if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
    if (day < 1 || day > DaysInMonth(year, month)) return false;
    out = static_cast<double>(DaysFromCivil(year, month, day) + kEpochOffset);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& out) {
    if (hour < 0 || hour >= 24 || minute < 0 || minute >= 60 || second < 0 || second >= 60 ||
        millisecond < 0 || millisecond >= 1000)
        return false;
    const std::int64_t ms =
        ((static_cast<std::int64_t>(hour) * 60 + minute) * 60 + second) * 1000 + millisecond;
    out = static_cast<double>(ms) / kMsPerDay;
    return true;
}

bool TryEncodeDateTime(const TDateTimeParts& p, TDateTime& out) {
    TDateTime date = 0;
    TDateTime time = 0;
    if (!TryEncodeDate(p.Year, p.Month, p.Day, date)) return false;
    if (!TryEncodeTime(p.Hour, p.Minute, p.Second, p.Millisecond, time)) return false;
    out = date < 0 ? date - time : date + time;
    return true;
}

bool DecodeDateTime(TDateTime value, TDateTimeParts& out) {
    std::int64_t day = 0;
    std::int64_t ms = 0;
    if (!SplitValue(value, day, ms)) return false;
    CivilFromDays(day - kEpochOffset, out.Year, out.Month, out.Day);
    out.Millisecond = static_cast<int>(ms % 1000);
    const std::int64_t seconds = ms / 1000;
    out.Second = static_cast<int>(seconds % 60);
    out.Minute = static_cast<int>((seconds / 60) % 60);
    out.Hour = static_cast<int>(seconds / 3600);
    return true;
}

int DayOfWeek(TDateTime value) {
    std::int64_t day = 0;
    std::int64_t ms = 0;
    if (!SplitValue(value, day, ms)) return 0;
    // Day 0 (1899-12-30) was a Saturday.
    const std::int64_t r = ((day % 7) + 7 + 6) % 7;  // 0 = Sunday
    return static_cast<int>(r) + 1;
}

bool DatecodeToDateTime(const TDatecode& datecode, TDateTime& out) {
    TDateTimeParts parts;
    parts.Year = datecode.Year;
    parts.Month = datecode.Month;
    parts.Day = datecode.Day;
    parts.Hour = datecode.Hour;
    parts.Minute = datecode.Minute;
    parts.Second = datecode.Second;
    return TryEncodeDateTime(parts, out);
}

bool DateTimeToDatecode(TDateTime value, TDatecode& out) {
    TDateTimeParts parts;
    if (!DecodeDateTime(value, parts)) return false;
    out.Year = parts.Year;
    out.Month = static_cast<std::uint8_t>(parts.Month);
    out.Day = static_cast<std::uint8_t>(parts.Day);
    out.Hour = static_cast<std::uint8_t>(parts.Hour);
    out.Minute = static_cast<std::uint8_t>(parts.Minute);
    out.Second = static_cast<std::uint8_t>(parts.Second);
    return true;
}

std::int64_t DifferenceMs(TDateTime a, TDateTime b) {
    return std::llround((a - b) * kMsPerDay);
}

}  // namespace tavrel
