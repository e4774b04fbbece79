#pragma once
// The date-time format language of every datecode setting ("ddddd tt",
// "dddddd 'à' hh:mm:ss", ...), applied with regional settings: the short and
// long date and time formats, the separators, the day and month names and
// the am/pm texts. The regional settings come from the system locale unless
// they are set explicitly. No time zone ever appears in a formatted datecode.

#include <QLocale>
#include <QString>
#include <array>
#include <memory>

#include "dv/DateTimeValue.h"

namespace tavrel {

struct TFormatSettings {
    // Formats in the language below ("dd/mm/yyyy", "hh:nn:ss").
    QString ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    QString LongDateFormat = QStringLiteral("dddd d mmmm yyyy");
    QString ShortTimeFormat = QStringLiteral("hh:nn");
    QString LongTimeFormat = QStringLiteral("hh:nn:ss");
    QChar DateSeparator = QLatin1Char('/');
    QChar TimeSeparator = QLatin1Char(':');
    QString TimeAMString = QStringLiteral("AM");
    QString TimePMString = QStringLiteral("PM");
    // Index 0 is Sunday, as for DayOfWeek() - 1.
    std::array<QString, 7> ShortDayNames;
    std::array<QString, 7> LongDayNames;
    // Index 0 is January.
    std::array<QString, 12> ShortMonthNames;
    std::array<QString, 12> LongMonthNames;

    // The settings of a locale, its formats turned into this language.
    static TFormatSettings FromLocale(const QLocale& locale);
};

// Turns a date or time format of Qt's language ("dd/MM/yyyy", "HH:mm:ss t")
// into this one ("dd/mm/yyyy", "hh:nn:ss"); time-zone fields are left out.
QString FormatFromQtPattern(const QString& qtFormat, QChar dateSeparator, QChar timeSeparator);

// Process-wide regional settings: those of the system locale until set.
std::shared_ptr<const TFormatSettings> DefaultFormatSettings();
void SetDefaultFormatSettings(const TFormatSettings& settings);

// Formats a date-time value. An empty format means "c". A value that cannot
// be split into a date (NaN, beyond the years 1 to 9999) gives an empty
// text and *ok false.
QString FormatDateValue(const QString& format, TDateTime value, const TFormatSettings& settings,
                        bool* ok = nullptr);
QString FormatDateValue(const QString& format, TDateTime value, bool* ok = nullptr);

// The current local date and time, to the millisecond.
TDateTime CurrentDateTime();

}  // namespace tavrel
