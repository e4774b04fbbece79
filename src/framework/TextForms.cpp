#include "framework/TextForms.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace tavrel {

std::optional<std::int32_t> ParseDecimalInt(const QString& text) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) {
        negative = t[i] == QLatin1Char('-');
        ++i;
    }
    if (i >= t.size()) return std::nullopt;
    std::int64_t magnitude = 0;
    for (; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c < u'0' || c > u'9') return std::nullopt;
        magnitude = magnitude * 10 + (c - u'0');
        if (magnitude > std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1)
            return std::nullopt;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    return std::int32_t(value);
}

QChar LocaleDecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 ? point[0] : QLatin1Char('.');
}

std::optional<double> ParseFloatText(const QString& text, QChar decimalSeparator) {
    QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    const QString upper = t.toUpper();
    if (upper == QLatin1String("NAN")) return std::numeric_limits<double>::quiet_NaN();
    if (upper == QLatin1String("INF") || upper == QLatin1String("+INF"))
        return std::numeric_limits<double>::infinity();
    if (upper == QLatin1String("-INF")) return -std::numeric_limits<double>::infinity();
    // Only one separator may appear: with no digit grouping allowed, a comma
    // or a point can only be the decimal separator.
    int separators = 0;
    for (QChar& c : t) {
        if (c == decimalSeparator || c == QLatin1Char(',') || c == QLatin1Char('.')) {
            c = QLatin1Char('.');
            ++separators;
        }
    }
    if (separators > 1) return std::nullopt;
    for (QChar c : t) {
        // Digits, sign, point and exponent only: no "inf" or hexadecimal forms.
        if (!(c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char('+') ||
              c == QLatin1Char('-') || c == QLatin1Char('e') || c == QLatin1Char('E')))
            return std::nullopt;
    }
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(t, &ok);
    if (!ok) return std::nullopt;
    return value;
}

QString FormatGeneralFloat(double value, QChar decimalSeparator) {
    if (std::isnan(value)) return QStringLiteral("NAN");
    if (std::isinf(value)) return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    QString text = QString::number(value, 'g', 15);
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    if (e >= 0) {
        // "1e+20" -> "1E20", "1.5e-07" -> "1.5E-7"
        QString mantissa = text.left(e);
        QString exponent = text.mid(e + 1);
        bool negative = false;
        if (exponent.startsWith(QLatin1Char('+')) || exponent.startsWith(QLatin1Char('-'))) {
            negative = exponent.startsWith(QLatin1Char('-'));
            exponent.remove(0, 1);
        }
        while (exponent.size() > 1 && exponent.startsWith(QLatin1Char('0'))) exponent.remove(0, 1);
        text =
            mantissa + QLatin1Char('E') + (negative ? QStringLiteral("-") : QString()) + exponent;
    }
    if (decimalSeparator != QLatin1Char('.')) text.replace(QLatin1Char('.'), decimalSeparator);
    return text;
}

bool BooleanFromText(const QString& text) {
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("true") || t == QLatin1String("vrai") || t == QLatin1String("t") ||
        t == QLatin1String("v"))
        return true;
    const auto number = ParseDecimalInt(t);
    return number && *number != 0;
}

namespace {

bool IsBlank(QChar c) {
    return c.unicode() >= 1 && c.unicode() <= 32;
}

}  // namespace

QStringList ListFromText(const QString& text) {
    QStringList items;
    // A NUL ends the text, as it ends the command line it came from.
    qsizetype end = text.indexOf(QChar(0));
    if (end < 0) end = text.size();
    qsizetype p = 0;
    const QChar quote = QLatin1Char('"');
    const QChar comma = QLatin1Char(',');
    while (p < end && IsBlank(text[p])) ++p;
    while (p < end) {
        QString item;
        if (text[p] == quote) {
            ++p;
            while (p < end) {
                if (text[p] == quote) {
                    ++p;
                    if (p >= end || text[p] != quote) break;
                }
                item += text[p];
                ++p;
            }
        } else {
            const qsizetype start = p;
            while (p < end && text[p].unicode() > 32 && text[p] != comma) ++p;
            item = text.mid(start, p - start);
        }
        items << item;
        while (p < end && IsBlank(text[p])) ++p;
        if (p < end && text[p] == comma) {
            if (p + 1 >= end) items << QString();
            do {
                ++p;
            } while (p < end && IsBlank(text[p]));
        }
    }
    return items;
}

std::optional<TRectValue> RectFromText(const QString& text) {
    const QString t = text.trimmed();
    if (t.size() < 2 || !t.startsWith(QLatin1Char('(')) || !t.endsWith(QLatin1Char(')')))
        return std::nullopt;
    const QString inner = t.mid(1, t.size() - 2);
    QStringList parts;
    qsizetype from = 0;
    for (int i = 0; i < 3; ++i) {
        const qsizetype comma = inner.indexOf(QLatin1Char(','), from);
        if (comma < 0) return std::nullopt;
        parts << inner.mid(from, comma - from);
        from = comma + 1;
    }
    parts << inner.mid(from);
    auto coordinate = [](const QString& part) { return ParseDecimalInt(part).value_or(0); };
    return TRectValue{coordinate(parts[0]), coordinate(parts[1]), coordinate(parts[2]),
                      coordinate(parts[3])};
}

QString PascalStringLiteral(const QString& text) {
    QString out;
    bool open = false;
    for (QChar c : text) {
        if (c.unicode() < 32) {
            if (open) out += QLatin1Char('\'');
            open = false;
            out += QLatin1Char('#') + QString::number(c.unicode());
            continue;
        }
        if (!open) out += QLatin1Char('\'');
        open = true;
        if (c == QLatin1Char('\'')) out += QLatin1Char('\'');
        out += c;
    }
    if (open) out += QLatin1Char('\'');
    if (out.isEmpty()) out = QStringLiteral("''");
    return out;
}

}  // namespace tavrel
