#include "framework/PrefsValues.h"

namespace tavrel {

QColor ColorValueToQColor(TColorValue value) {
    const auto bits = static_cast<std::uint32_t>(value);
    if ((bits & 0xFF000000u) != 0) return QColor(Qt::black);
    return QColor(int(bits & 0xFF), int((bits >> 8) & 0xFF), int((bits >> 16) & 0xFF));
}

TColorValue QColorToColorValue(const QColor& color) {
    const QColor rgb = color.toRgb();
    return TColorValue(std::uint32_t(rgb.red()) | (std::uint32_t(rgb.green()) << 8) |
                       (std::uint32_t(rgb.blue()) << 16));
}

QFont TFontValue::ToQFont() const {
    QFont font(Name);
    if (Size > 0) font.setPointSize(Size);
    font.setBold(Bold);
    font.setItalic(Italic);
    font.setUnderline(Underline);
    font.setStrikeOut(StrikeOut);
    if (Pitch == 2) font.setFixedPitch(true);
    return font;
}

QColor TFontValue::ToQColor() const {
    return ColorValueToQColor(Color);
}

TFontValue TFontValue::FromQFont(const QFont& font, const QColor& color) {
    TFontValue value;
    value.Name = font.family();
    if (font.pointSize() > 0) value.Size = font.pointSize();
    value.Color = QColorToColorValue(color);
    value.Pitch = font.fixedPitch() ? 2 : 0;
    value.Bold = font.bold();
    value.Italic = font.italic();
    value.Underline = font.underline();
    value.StrikeOut = font.strikeOut();
    return value;
}

QRect TRectValue::ToQRect() const {
    return QRect(Left, Top, Right - Left, Bottom - Top);
}

TRectValue TRectValue::FromQRect(const QRect& rect) {
    return TRectValue{rect.left(), rect.top(), rect.left() + rect.width(),
                      rect.top() + rect.height()};
}

}  // namespace tavrel
