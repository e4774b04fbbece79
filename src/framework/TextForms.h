#pragma once
// The texts through which settings travel: numbers in settings files and on
// the command line, the boolean, list and rectangle texts of switches, and
// the literals of recorded script lines.

#include <QChar>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

#include "framework/PrefsValues.h"

namespace tavrel {

// A decimal integer: optional blanks around it, an optional sign, digits
// only, within 32 bits. Nothing for any other text ("12a", "$1F", "").
std::optional<std::int32_t> ParseDecimalInt(const QString& text);

// A number written with the given decimal separator; a point is accepted as
// well, so files and command lines written under another locale still read.
// No digit grouping. Nothing for any other text.
std::optional<double> ParseFloatText(const QString& text, QChar decimalSeparator);

// The general number text of 15 significant digits ("0.5", "1E20",
// "1.5E-7") with the given decimal separator.
QString FormatGeneralFloat(double value, QChar decimalSeparator);

// The decimal separator of the user's locale.
QChar LocaleDecimalSeparator();

// Boolean text: trimmed, lower-cased, true for "true", "vrai", "t", "v" and
// any decimal integer other than 0; false for everything else.
bool BooleanFromText(const QString& text);

// List text: items separated by commas; blanks and control characters
// around an item are skipped; an item in double quotes may hold commas and
// blanks ("" inside stands for one quote); an unquoted item ends at the first
// blank, control character or comma; a comma at the very end adds an empty
// last item.
QStringList ListFromText(const QString& text);

// Rectangle text "(left, top, right, bottom)"; nothing without the brackets
// or with fewer than three commas. A coordinate that is not a decimal
// integer is 0.
std::optional<TRectValue> RectFromText(const QString& text);

// A script string literal: 'l''audio' with quotes doubled, control
// characters written as #13 between quoted runs; '' for the empty text.
QString PascalStringLiteral(const QString& text);

}  // namespace tavrel
