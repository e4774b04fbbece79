#include "scenes/DateFormat.h"

#include <QDateTime>
#include <memory>
#include <mutex>

namespace tavrel {

namespace {

bool IsAsciiLetter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
}

char16_t Upper(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') ? static_cast<char16_t>(u - 32) : u;
}

bool StartsWithNoCase(const QString& s, qsizetype at, QLatin1StringView what) {
    return s.mid(at, what.size()).compare(what, Qt::CaseInsensitive) == 0;
}

// One formatting of one value; nested formats ("ddddd", "tt", "c") are
// expanded one level deep, as the regional formats cannot refer to themselves.
class TFormatter {
  public:
    TFormatter(TDateTime value, const TDateTimeParts& parts, const TFormatSettings& settings)
        : m_value(value), m_p(parts), m_s(settings) {}

    void Append(const QString& format, int level = 0) {
        if (level >= 2) return;
        char16_t lastToken = ' ';
        bool use12Hour = false;
        qsizetype i = 0;
        const qsizetype n = format.size();
        while (i < n) {
            const QChar starter = format[i++];
            char16_t token = Upper(starter);
            if (IsAsciiLetter(starter)) {
                if (token == 'M' && lastToken == 'H') token = 'N';
                lastToken = token;
            }
            auto count = [&]() {
                int c = 1;
                while (i < n && Upper(format[i]) == Upper(starter)) {
                    ++i;
                    ++c;
                }
                return c;
            };
            switch (token) {
                case 'Y': {
                    const int c = count();
                    if (c <= 2)
                        Number(m_p.Year % 100, 2);
                    else
                        Number(m_p.Year, 4);
                    break;
                }
                case 'M': {
                    const int c = count();
                    if (c <= 2)
                        Number(m_p.Month, c);
                    else if (c == 3)
                        m_out += m_s.ShortMonthNames[m_p.Month - 1];
                    else
                        m_out += m_s.LongMonthNames[m_p.Month - 1];
                    break;
                }
                case 'D': {
                    const int c = count();
                    if (c <= 2)
                        Number(m_p.Day, c);
                    else if (c == 3)
                        m_out += m_s.ShortDayNames[DayIndex()];
                    else if (c == 4)
                        m_out += m_s.LongDayNames[DayIndex()];
                    else if (c == 5)
                        Append(m_s.ShortDateFormat, level + 1);
                    else
                        Append(m_s.LongDateFormat, level + 1);
                    break;
                }
                case 'H': {
                    const int c = count();
                    use12Hour = use12Hour || AmPmFollows(format, i);
                    int h = m_p.Hour;
                    if (use12Hour) h = h == 0 ? 12 : (h > 12 ? h - 12 : h);
                    Number(h, c > 2 ? 2 : c);
                    break;
                }
                case 'N': {
                    const int c = count();
                    Number(m_p.Minute, c > 2 ? 2 : c);
                    break;
                }
                case 'S': {
                    const int c = count();
                    Number(m_p.Second, c > 2 ? 2 : c);
                    break;
                }
                case 'Z': {
                    const int c = count();
                    Number(m_p.Millisecond, c > 3 ? 3 : c);
                    break;
                }
                case 'T': {
                    const int c = count();
                    Append(c == 1 ? m_s.ShortTimeFormat : m_s.LongTimeFormat, level + 1);
                    break;
                }
                case 'C': {
                    count();
                    Append(m_s.ShortDateFormat, level + 1);
                    if (m_p.Hour != 0 || m_p.Minute != 0 || m_p.Second != 0) {
                        m_out += QLatin1Char(' ');
                        Append(m_s.LongTimeFormat, level + 1);
                    }
                    break;
                }
                case 'A':
                    AmPm(format, i, starter, use12Hour);
                    break;
                case '/':
                    if (!m_s.DateSeparator.isNull()) m_out += m_s.DateSeparator;
                    break;
                case ':':
                    if (!m_s.TimeSeparator.isNull()) m_out += m_s.TimeSeparator;
                    break;
                case '\'':
                case '"': {
                    const qsizetype end = format.indexOf(starter, i);
                    const qsizetype stop = end < 0 ? n : end;
                    m_out += QStringView(format).mid(i, stop - i);
                    i = end < 0 ? n : end + 1;
                    break;
                }
                default:
                    m_out += starter;
                    break;
            }
        }
    }

    QString Result() const { return m_out; }

  private:
    int DayIndex() const { return DayOfWeek(m_value) - 1; }

    void Number(int value, int digits) {
        m_out += QStringLiteral("%1").arg(value, digits, 10, QLatin1Char('0'));
    }

    // An "h" uses the 12-hour clock when the next am/pm marker, or the next
    // hour field, outside quotes, is an am/pm marker.
    static bool AmPmFollows(const QString& format, qsizetype from) {
        bool quoted = false;
        for (qsizetype p = from; p < format.size(); ++p) {
            const char16_t c = format[p].unicode();
            if (c == '\'' || c == '"') {
                quoted = !quoted;
            } else if (!quoted && (c == 'a' || c == 'A')) {
                return StartsWithNoCase(format, p, QLatin1StringView("am/pm")) ||
                       StartsWithNoCase(format, p, QLatin1StringView("a/p")) ||
                       StartsWithNoCase(format, p, QLatin1StringView("ampm"));
            } else if (!quoted && (c == 'h' || c == 'H')) {
                return false;
            }
        }
        return false;
    }

    // At "a": am/pm and a/p write the marker as the format spells it, ampm the
    // regional texts, aaa and aaaa the day names; a lone "a" is itself.
    void AmPm(const QString& format, qsizetype& i, QChar starter, bool& use12Hour) {
        const qsizetype at = i - 1;
        const bool pm = m_p.Hour >= 12;
        if (StartsWithNoCase(format, at, QLatin1StringView("am/pm"))) {
            m_out += format.mid(at + (pm ? 3 : 0), 2);
            i = at + 5;
            use12Hour = true;
        } else if (StartsWithNoCase(format, at, QLatin1StringView("a/p"))) {
            m_out += format.mid(at + (pm ? 2 : 0), 1);
            i = at + 3;
            use12Hour = true;
        } else if (StartsWithNoCase(format, at, QLatin1StringView("ampm"))) {
            m_out += pm ? m_s.TimePMString : m_s.TimeAMString;
            i = at + 4;
            use12Hour = true;
        } else if (StartsWithNoCase(format, at, QLatin1StringView("aaaa"))) {
            m_out += m_s.LongDayNames[DayIndex()];
            i = at + 4;
        } else if (StartsWithNoCase(format, at, QLatin1StringView("aaa"))) {
            m_out += m_s.ShortDayNames[DayIndex()];
            i = at + 3;
        } else {
            m_out += starter;
        }
    }

    TDateTime m_value;
    TDateTimeParts m_p;
    const TFormatSettings& m_s;
    QString m_out;
};

// Appends literal text so that none of it is read as a specifier.
void AppendLiteral(QString& out, const QString& text) {
    if (text.isEmpty()) return;
    bool plain = true;
    for (QChar c : text)
        if (IsAsciiLetter(c) || c == QLatin1Char('/') || c == QLatin1Char(':') ||
            c == QLatin1Char('\'') || c == QLatin1Char('"'))
            plain = false;
    if (plain) {
        out += text;
    } else if (!text.contains(QLatin1Char('"'))) {
        out += QLatin1Char('"') + text + QLatin1Char('"');
    } else {
        out += QLatin1Char('\'') + text + QLatin1Char('\'');
    }
}

QChar FirstSeparator(const QString& qtFormat, QChar fallback) {
    bool quoted = false;
    for (QChar c : qtFormat) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        else if (!quoted && !c.isLetterOrNumber() && !c.isSpace())
            return c;
    }
    return fallback;
}

std::mutex g_defaultMutex;
std::shared_ptr<const TFormatSettings> g_default;

}  // namespace

QString FormatFromQtPattern(const QString& qt, QChar dateSeparator, QChar timeSeparator) {
    QString out;
    QString literal;
    auto flush = [&]() {
        AppendLiteral(out, literal);
        literal.clear();
    };
    qsizetype i = 0;
    const qsizetype n = qt.size();
    while (i < n) {
        const QChar c = qt[i];
        if (c == QLatin1Char('\'')) {
            // Quoted text; '' is a quote character.
            ++i;
            if (i < n && qt[i] == QLatin1Char('\'')) {
                literal += QLatin1Char('\'');
                ++i;
                continue;
            }
            while (i < n) {
                if (qt[i] == QLatin1Char('\'')) {
                    if (i + 1 < n && qt[i + 1] == QLatin1Char('\'')) {
                        literal += QLatin1Char('\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                literal += qt[i++];
            }
            continue;
        }
        qsizetype run = 1;
        while (i + run < n && qt[i + run] == c) ++run;
        const char16_t u = c.unicode();
        QString field;
        switch (u) {
            case 'd':
                field = QString(run >= 4 ? 4 : run, QLatin1Char('d'));
                break;
            case 'M':
                field = QString(run >= 4 ? 4 : run, QLatin1Char('m'));
                break;
            case 'y':
                field = run == 2 ? QStringLiteral("yy") : QStringLiteral("yyyy");
                break;
            case 'h':
            case 'H':
                field = run >= 2 ? QStringLiteral("hh") : QStringLiteral("h");
                break;
            case 'm':
                field = run >= 2 ? QStringLiteral("nn") : QStringLiteral("n");
                break;
            case 's':
                field = run >= 2 ? QStringLiteral("ss") : QStringLiteral("s");
                break;
            case 'z':
                field = run >= 3 ? QStringLiteral("zzz") : QStringLiteral("z");
                break;
            case 'a':
            case 'A':
                field = QStringLiteral("ampm");
                if (i + run < n &&
                    (qt[i + run] == QLatin1Char('p') || qt[i + run] == QLatin1Char('P')))
                    ++run;
                break;
            case 't':
                // A time zone: left out, with the space that led to it.
                while (literal.endsWith(QLatin1Char(' '))) literal.chop(1);
                i += run;
                continue;
            default:
                break;
        }
        if (field.isEmpty()) {
            for (qsizetype k = 0; k < run; ++k) {
                if (c == dateSeparator && !dateSeparator.isNull()) {
                    flush();
                    out += QLatin1Char('/');
                } else if (c == timeSeparator && !timeSeparator.isNull()) {
                    flush();
                    out += QLatin1Char(':');
                } else {
                    literal += c;
                }
            }
        } else {
            flush();
            out += field;
        }
        i += run;
    }
    flush();
    return out.trimmed();
}

TFormatSettings TFormatSettings::FromLocale(const QLocale& locale) {
    TFormatSettings s;
    const QString shortDate = locale.dateFormat(QLocale::ShortFormat);
    const QString longTime = locale.timeFormat(QLocale::LongFormat);
    s.DateSeparator = FirstSeparator(shortDate, QLatin1Char('/'));
    s.TimeSeparator = FirstSeparator(longTime, QLatin1Char(':'));
    s.ShortDateFormat = FormatFromQtPattern(shortDate, s.DateSeparator, s.TimeSeparator);
    s.LongDateFormat = FormatFromQtPattern(locale.dateFormat(QLocale::LongFormat), s.DateSeparator,
                                           s.TimeSeparator);
    s.ShortTimeFormat = FormatFromQtPattern(locale.timeFormat(QLocale::ShortFormat),
                                            s.DateSeparator, s.TimeSeparator);
    s.LongTimeFormat = FormatFromQtPattern(longTime, s.DateSeparator, s.TimeSeparator);
    s.TimeAMString = locale.amText();
    s.TimePMString = locale.pmText();
    for (int d = 0; d < 7; ++d) {
        const int qtDay = d == 0 ? 7 : d;  // Qt counts from Monday
        s.ShortDayNames[d] = locale.dayName(qtDay, QLocale::ShortFormat);
        s.LongDayNames[d] = locale.dayName(qtDay, QLocale::LongFormat);
    }
    for (int m = 0; m < 12; ++m) {
        s.ShortMonthNames[m] = locale.monthName(m + 1, QLocale::ShortFormat);
        s.LongMonthNames[m] = locale.monthName(m + 1, QLocale::LongFormat);
    }
    return s;
}

std::shared_ptr<const TFormatSettings> DefaultFormatSettings() {
    std::lock_guard lock(g_defaultMutex);
    if (!g_default)
        g_default = std::make_shared<const TFormatSettings>(TFormatSettings::FromLocale(QLocale()));
    return g_default;
}

void SetDefaultFormatSettings(const TFormatSettings& settings) {
    std::lock_guard lock(g_defaultMutex);
    g_default = std::make_shared<const TFormatSettings>(settings);
}

QString FormatDateValue(const QString& format, TDateTime value, const TFormatSettings& settings,
                        bool* ok) {
    TDateTimeParts parts;
    if (!DecodeDateTime(value, parts)) {
        if (ok) *ok = false;
        return QString();
    }
    if (ok) *ok = true;
    TFormatter formatter(value, parts, settings);
    formatter.Append(format.isEmpty() ? QStringLiteral("c") : format);
    return formatter.Result();
}

QString FormatDateValue(const QString& format, TDateTime value, bool* ok) {
    return FormatDateValue(format, value, *DefaultFormatSettings(), ok);
}

TDateTime CurrentDateTime() {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    TDateTime value = 0;
    TryEncodeDateTime({d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec()},
                      value);
    return value;
}

}  // namespace tavrel
