#include "scenes/OverlayCodes.h"

#include "avi/AviFichier.h"
#include "framework/Settings.h"
#include "scenes/DateFormat.h"
#include "scenes/TitleCodes.h"

namespace tavrel {

namespace {

QString Replace(const QString& text, const char* code, const QString& value) {
    return ReplaceCode(text, QLatin1String(code), value, false);
}

const QString kCrLf = QStringLiteral("\r\n");

}  // namespace

QString ExpandOverlayPattern(const QString& pattern, int line, const TaviFichier* target) {
    if (!target) return pattern;
    QString t = Replace(pattern, "%D", line == 1 ? QStringLiteral("%D1") : QStringLiteral("%D2"));
    const TFileCodeValues v = FileCodeValues(*target);
    t = Replace(t, "%F", v.Name);
    t = Replace(t, "%E", v.Extension);
    t = Replace(t, "%P", v.Folder);
    t = Replace(t, "%C", v.Codec);
    t = Replace(t, "%I", v.Picture);
    t = Replace(t, "%A", v.Audio);
    return Replace(t, "%U", v.Duration);
}

std::pair<QString, QString> OverlayLinePatterns(const TaviFichier* target) {
    const TSettings& settings = TSettings::Global();
    switch (settings.Integer("WhatIncrust")) {
        case kIncrustTimecode:
            return {QString(), QStringLiteral("%T")};
        case kIncrustCustom:
            return {ExpandOverlayPattern(settings.Text("IncrustPerso1"), 1, target),
                    ExpandOverlayPattern(settings.Text("IncrustPerso2"), 2, target)};
        default:
            return {QStringLiteral("%D1"), QStringLiteral("%D2")};
    }
}

TDisplaySettings OverlayDisplaySettings(const TaviFichier* target) {
    const TSettings& settings = TSettings::Global();
    TDisplaySettings d;
    std::tie(d.Line1Pattern, d.Line2Pattern) = OverlayLinePatterns(target);
    d.FormatDatecode1 = settings.Text("FormatDatecode1");
    d.FormatDatecode2 = settings.Text("FormatDatecode2");
    d.DecalageDisplay = settings.Double("DecalageDisplay");
    d.Regional = DefaultFormatSettings();
    return d;
}

QString OverlaySampleLine(const QString& linePattern, const QString& format1,
                          const QString& format2, const TaviFichier* video, TDateTime now) {
    const TDateTime date = video && video->Datecode != 0 ? video->Datecode : now;
    const QString timecode = video && video->TimecodeText.size() > 3 ? video->TimecodeText
                                                                     : QStringLiteral("0:00:00:00");
    QString t = Replace(linePattern, "%D1", FormatDateValue(format1, date));
    t = Replace(t, "%D2", FormatDateValue(format2, date));
    return Replace(t, "%T", timecode);
}

QString OverlayDatecodeSample(const QString& format1, const QString& format2,
                              const TaviFichier* video, TDateTime now) {
    return OverlaySampleLine(QStringLiteral("%D1"), format1, format2, video, now) + kCrLf +
           OverlaySampleLine(QStringLiteral("%D2"), format1, format2, video, now);
}

QString OverlayCustomSample(const QString& pattern1, const QString& pattern2,
                            const QString& format1, const QString& format2,
                            const TaviFichier* video, TDateTime now) {
    return OverlaySampleLine(ExpandOverlayPattern(pattern1, 1, video), format1, format2, video,
                             now) +
           kCrLf +
           OverlaySampleLine(ExpandOverlayPattern(pattern2, 2, video), format1, format2, video,
                             now);
}

}  // namespace tavrel
