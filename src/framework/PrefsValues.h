#pragma once
// The composite values a setting can hold besides numbers and texts: a font
// with its colour and styles, and a rectangle of four signed coordinates.
// They are kept in the program's own shape (the one the settings files store)
// and converted to Qt's types where something is drawn or placed.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <cstdint>

namespace tavrel {

// Where the settings are kept between runs.
enum class TSavePreferences : int {
    spRegistre = 0,  // the per-user store in the configuration folder ("mode normal")
    spPortable = 1,  // the ini file beside the program ("mode portable")
    spNone = 2,      // nowhere: reads give defaults, writes are dropped
};

// A colour value as the settings files store it: red in the low byte, then
// green, then blue. Values with the high byte 0x80 name a system colour.
using TColorValue = std::int32_t;

// A font setting: family, size in points, colour and styles, plus the
// character set, pitch and resolution the settings files carry along.
struct TFontValue {
    QString Name = QStringLiteral("Sans Serif");
    std::int32_t Size = 8;  // points
    TColorValue Color = 0;
    std::int32_t Charset = 1;  // "default" character set
    std::int32_t Pitch = 0;    // 0 default, 1 variable, 2 fixed
    std::int32_t PixelsPerInch = 96;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;

    bool operator==(const TFontValue&) const = default;

    QFont ToQFont() const;
    QColor ToQColor() const;
    static TFontValue FromQFont(const QFont& font, const QColor& color = Qt::black);
};

// Turns a colour value into a Qt colour; system colours become black, the
// colour of window text.
QColor ColorValueToQColor(TColorValue value);
TColorValue QColorToColorValue(const QColor& color);

// A rectangle by its edges; Right and Bottom are the first column and row
// outside it, so the width is Right - Left.
struct TRectValue {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;

    bool operator==(const TRectValue&) const = default;

    QRect ToQRect() const;
    static TRectValue FromQRect(const QRect& rect);
};

}  // namespace tavrel
