#include "scenes/TextCodes.h"

namespace tavrel {

namespace {

bool IsWordBoundary(const QString& text, qsizetype index) {
    if (index < 0 || index >= text.size()) return true;
    const QChar c = text[index];
    return c.isSpace() || c.isPunct();
}

}  // namespace

QString ReplaceCode(const QString& text, const QString& oldText, const QString& newText,
                    bool wholeWord) {
    if (oldText.isEmpty()) return text;
    QString result = text;
    qsizetype from = 0;
    while (from <= result.size()) {
        const qsizetype at = result.indexOf(oldText, from, Qt::CaseInsensitive);
        if (at < 0) break;
        if (wholeWord &&
            !(IsWordBoundary(result, at - 1) && IsWordBoundary(result, at + oldText.size()))) {
            from = at + 1;
            continue;
        }
        result.replace(at, oldText.size(), newText);
        from = at + newText.size();
    }
    return result;
}

QString OverlayTimecodeText(const TFrameInfo& frame) {
    if (!frame.HasTimecode) return QString();
    const TTimecode& t = frame.Timecode;
    return QStringLiteral("%1:%2:%3:%4")
        .arg(t.Hours)
        .arg(t.Minutes, 2, 10, QLatin1Char('0'))
        .arg(t.Seconds, 2, 10, QLatin1Char('0'))
        .arg(t.Frames, 2, 10, QLatin1Char('0'));
}

QString ExpandLine(const QString& linePattern, const TFrameInfo& frame,
                   const TDisplaySettings& settings) {
    QString d1;
    QString d2;
    if (frame.HasDatecode) {
        const TDateTime shown = frame.Datecode + settings.DecalageDisplay;
        const TFormatSettings& regional =
            settings.Regional ? *settings.Regional : *DefaultFormatSettings();
        d1 = FormatDateValue(settings.FormatDatecode1, shown, regional);
        d2 = FormatDateValue(settings.FormatDatecode2, shown, regional);
    }
    QString line = ReplaceCode(linePattern, QStringLiteral("%D1"), d1, false);
    line = ReplaceCode(line, QStringLiteral("%D2"), d2, false);
    return ReplaceCode(line, QStringLiteral("%T"), OverlayTimecodeText(frame), false);
}

TOverlayLines::TOverlayLines(TDisplaySettings settings)
    : m_settings(std::make_shared<const TDisplaySettings>(std::move(settings))) {}

void TOverlayLines::SetSettings(TDisplaySettings settings) {
    auto next = std::make_shared<const TDisplaySettings>(std::move(settings));
    std::lock_guard lock(m_mutex);
    m_settings = std::move(next);
}

std::shared_ptr<const TDisplaySettings> TOverlayLines::Settings() const {
    std::lock_guard lock(m_mutex);
    return m_settings;
}

void TOverlayLines::ExpandLines(const TFrameInfo& frame, std::string& line1, std::string& line2) {
    const auto settings = Settings();
    line1 = ExpandLine(settings->Line1Pattern, frame, *settings).toStdString();
    line2 = ExpandLine(settings->Line2Pattern, frame, *settings).toStdString();
}

}  // namespace tavrel
