#include "scenes/DateFormat.h"

#include <gtest/gtest.h>

#include "support/FrenchSettings.h"

namespace tavrel {
namespace {

TDateTime At(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    TDateTime v = 0;
    EXPECT_TRUE(TryEncodeDateTime({y, mo, d, h, mi, s, ms}, v));
    return v;
}

struct Case {
    const char* format;
    TDateTime value;
    const char* expected;
};

// Friday 4 July 2003, 09:05:03.007, and Monday 14 July 2003, 21:45:30.
const TDateTime kFriday = At(2003, 7, 4, 9, 5, 3, 7);
const TDateTime kMonday = At(2003, 7, 14, 21, 45, 30);

void ExpectAll(const std::vector<Case>& cases, const TFormatSettings& settings) {
    for (const auto& c : cases) {
        bool ok = false;
        EXPECT_EQ(FormatDateValue(QString::fromUtf8(c.format), c.value, settings, &ok),
                  QString::fromUtf8(c.expected))
            << c.format;
        EXPECT_TRUE(ok) << c.format;
    }
}

TEST(FormatDateValue, EverySpecifierUnderFrenchSettings) {
    ExpectAll(
        {
            {"d", kFriday, "4"},
            {"dd", kFriday, "04"},
            {"ddd", kFriday, "ven."},
            {"dddd", kFriday, "vendredi"},
            {"ddddd", kFriday, "04/07/2003"},
            {"dddddd", kMonday, "lundi 14 juillet 2003"},
            {"ddddddd", kMonday, "lundi 14 juillet 2003"},
            {"m", kFriday, "7"},
            {"mm", kFriday, "07"},
            {"mmm", kFriday, "juil."},
            {"mmmm", At(2003, 8, 1, 0, 0, 0), "août"},
            {"yy", kFriday, "03"},
            {"y", kFriday, "03"},
            {"yyyy", kFriday, "2003"},
            {"yyyy", At(995, 1, 1, 0, 0, 0), "0995"},
            {"h", kFriday, "9"},
            {"hh", kFriday, "09"},
            {"hhh", kFriday, "09"},
            {"n", kFriday, "5"},
            {"nn", kFriday, "05"},
            {"s", kFriday, "3"},
            {"ss", kFriday, "03"},
            {"z", kFriday, "7"},
            {"zzz", kFriday, "007"},
            {"t", kFriday, "09:05"},
            {"tt", kFriday, "09:05:03"},
            {"c", kFriday, "04/07/2003 09:05:03"},
            {"c", At(2003, 7, 14, 0, 0, 0, 500), "14/07/2003"},  // midnight: no time
            {"", kMonday, "14/07/2003 21:45:30"},                // empty means c
            {"ddddd tt", kMonday, "14/07/2003 21:45:30"},
            {" ddddd tt", kMonday, " 14/07/2003 21:45:30"},
            {"dddddd tt", kMonday, "lundi 14 juillet 2003 21:45:30"},
            {"d mmm yyyy", kMonday, "14 juil. 2003"},
            {"dd-mm-yyyy", kMonday, "14-07-2003"},
        },
        test::FrenchFormatSettings());
}

TEST(FormatDateValue, MinutesAfterHoursQuotesAndCase) {
    ExpectAll(
        {
            // "m" directly after an hour field is minutes; elsewhere the month.
            {"hh:mm", kMonday, "21:45"},
            {"h:m", kFriday, "9:5"},
            {"hh'h'mm", kMonday, "21h45"},
            {"mm/dd hh:mm", kFriday, "07/04 09:05"},
            {"hh mm ss mm", kFriday, "09 05 03 07"},
            // Quoted text is itself, specifier letters included.
            {"dddddd 'à' hh:mm:ss", kMonday, "lundi 14 juillet 2003 à 21:45:30"},
            {"dddddd \"à\" tt", kMonday, "lundi 14 juillet 2003 à 21:45:30"},
            {"'d' d \"mm\"", kMonday, "d 14 mm"},
            {"'unterminated", kMonday, "unterminated"},
            // Without regard to case.
            {"DDDDD", kMonday, "14/07/2003"},
            {"HH:NN:SS", kMonday, "21:45:30"},
            {"YYYY MMMM", kMonday, "2003 juillet"},
            {"TT", kMonday, "21:45:30"},
        },
        test::FrenchFormatSettings());
}

TEST(FormatDateValue, TwelveHourClock) {
    const TDateTime halfPastMidnight = At(2003, 7, 14, 0, 30, 0);
    const TDateTime noon = At(2003, 7, 14, 12, 0, 0);
    ExpectAll(
        {
            {"hh:nn am/pm", kFriday, "09:05 am"},
            {"hh:nn am/pm", kMonday, "09:45 pm"},
            {"h:nn AM/PM", kMonday, "9:45 PM"},
            {"h:nn Am/Pm", kMonday, "9:45 Pm"},
            {"h a/p", kMonday, "9 p"},
            {"h A/P", kFriday, "9 A"},
            {"h ampm", kMonday, "9 PM"},
            {"h:nn am/pm", halfPastMidnight, "12:30 am"},
            {"h am/pm", noon, "12 pm"},
            // No marker: the 24-hour clock; the marker after another hour
            // field does not count for the first.
            {"h:nn", kMonday, "21:45"},
            {"h 'am/pm' h", kMonday, "21 am/pm 21"},
            {"aaaa", kMonday, "lundi"},
            {"aaa", kMonday, "lun."},
            {"a", kMonday, "a"},
        },
        test::FrenchFormatSettings());
}

TEST(FormatDateValue, RegionalSeparators) {
    TFormatSettings s = test::FrenchFormatSettings();
    s.DateSeparator = QLatin1Char('.');
    s.TimeSeparator = QLatin1Char('h');
    ExpectAll({{"dd/mm/yyyy", kMonday, "14.07.2003"},
               {"hh:nn", kMonday, "21h45"},
               {"ddddd", kMonday, "14.07.2003"}},
              s);
}

TEST(FormatDateValue, ValuesOutOfRangeGiveNothing) {
    for (TDateTime v : {1e7, -1e7, std::nan("")}) {
        bool ok = true;
        EXPECT_TRUE(FormatDateValue("c", v, test::FrenchFormatSettings(), &ok).isEmpty());
        EXPECT_FALSE(ok);
    }
}

TEST(FormatDateValue, SettingsFromQtLocales) {
    const TFormatSettings fr =
        TFormatSettings::FromLocale(QLocale(QLocale::French, QLocale::France));
    EXPECT_EQ(fr.ShortDateFormat, "dd/mm/yyyy");
    EXPECT_EQ(fr.ShortTimeFormat, "hh:nn");
    EXPECT_EQ(fr.LongTimeFormat, "hh:nn:ss");
    EXPECT_EQ(fr.DateSeparator, QLatin1Char('/'));
    EXPECT_EQ(fr.TimeSeparator, QLatin1Char(':'));
    EXPECT_EQ(fr.LongDayNames[1], "lundi");
    EXPECT_EQ(fr.LongDayNames[0], "dimanche");
    EXPECT_EQ(fr.LongMonthNames[6], "juillet");
    EXPECT_EQ(FormatDateValue("dddddd", kMonday, fr), "lundi 14 juillet 2003");
    EXPECT_EQ(FormatDateValue("ddddd tt", kMonday, fr), "14/07/2003 21:45:30");

    const TFormatSettings us =
        TFormatSettings::FromLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(FormatDateValue("tt", kMonday, us), "9:45:30 PM");
    const TFormatSettings de =
        TFormatSettings::FromLocale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(FormatDateValue("ddddd", kFriday, de), "04.07.03");
    EXPECT_EQ(FormatDateValue("dd/mm/yyyy", kFriday, de), "04.07.2003");

    // No time zone in any locale's time formats.
    for (const QLocale& locale : {QLocale(QLocale::French, QLocale::France),
                                  QLocale(QLocale::English, QLocale::UnitedStates),
                                  QLocale(QLocale::German, QLocale::Germany),
                                  QLocale(QLocale::Japanese, QLocale::Japan), QLocale::c()}) {
        const TFormatSettings s = TFormatSettings::FromLocale(locale);
        const QString text = FormatDateValue("c", kMonday, s);
        for (const char* zone : {"UTC", "GMT", "CET", "CEST", "+0", "heure"})
            EXPECT_FALSE(text.contains(QLatin1String(zone))) << text.toStdString();
        EXPECT_FALSE(s.LongTimeFormat.contains(QLatin1Char('t'))) << s.LongTimeFormat.toStdString();
    }
}

TEST(FormatDateValue, QtPatternsTranslate) {
    const std::pair<const char*, const char*> cases[] = {
        {"dd/MM/yyyy", "dd/mm/yyyy"},   {"dddd d MMMM yyyy", "dddd d mmmm yyyy"},
        {"HH:mm:ss t", "hh:nn:ss"},     {"t HH:mm", "hh:nn"},
        {"h:mm:ss AP", "h:nn:ss ampm"}, {"d 'de' MMMM 'de' yyyy", "d\" de \"mmmm\" de \"yyyy"},
        {"H'h'mm", "h\"h\"nn"},         {"yy-M-d", "yy-m-d"},
    };
    for (auto [qt, expected] : cases)
        EXPECT_EQ(FormatFromQtPattern(qt, QLatin1Char('/'), QLatin1Char(':')), expected) << qt;
    EXPECT_EQ(FormatFromQtPattern("dd.MM.yy", QLatin1Char('.'), QLatin1Char(':')), "dd/mm/yy");
    EXPECT_EQ(FormatFromQtPattern("dd/MM", QLatin1Char('.'), QLatin1Char(':')), "dd\"/\"mm");
}

}  // namespace
}  // namespace tavrel
