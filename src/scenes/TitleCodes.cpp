#include "scenes/TitleCodes.h"

#include <cmath>

#include "avi/AviFichier.h"
#include "avi/MediaFormat.h"
#include "framework/Settings.h"
#include "scenes/DateFormat.h"
#include "scenes/SceneClass.h"
#include "scenes/TextCodes.h"

namespace tavrel {

namespace {

const QString kNotAvailable = QStringLiteral("N/A");

QString Replace(const QString& text, const char* code, const QString& value) {
    return ReplaceCode(text, QLatin1String(code), value, false);
}

}  // namespace

TFileCodeValues FileCodeValues(const TaviFichier& video) {
    TFileCodeValues v;
    v.Name = video.BareName;
    v.Folder = video.Folder;
    // The record keeps its extension lower-cased for sorting; titles show
    // the name as it is written.
    v.Extension = video.ShortName.mid(video.BareName.size());
    v.Codec = video.Codec;
    v.Picture = video.ImageText + video.AspectText;
    v.Audio = video.AudioText;
    v.Duration = video.DurationText;
    return v;
}

QString FormatDuration(std::uint32_t frames, double frameRate, int format) {
    if (!(frameRate > 0) || !std::isfinite(frameRate)) return QStringLiteral("??");
    const double f = static_cast<double>(frames);
    const double wholeSeconds = std::trunc(f / frameRate);
    auto s = static_cast<std::int64_t>(wholeSeconds);
    std::int64_t fr = RoundHalfEven(f - wholeSeconds * frameRate);
    if (fr < 0) fr = 0;
    if (static_cast<double>(fr) >= frameRate) {
        ++s;
        fr = 0;
    }
    const long long h = s / 3600;
    const long long m = (s / 60) % 60;
    const long long sec = s % 60;
    const long long ff = fr;
    switch (format) {
        case kDurationFrames:
            if (h > 0) return QString::asprintf("%lld:%02lld:%02lld:%02lld", h, m, sec, ff);
            if (m > 0) return QString::asprintf("%02lld:%02lld:%02lld", m, sec, ff);
            return QString::asprintf("%02lld:%02lld", sec, ff);
        case kDurationWords:
            if (h > 0) return QString::asprintf("%lldh %02lldmn %02llds %02lldfr", h, m, sec, ff);
            if (m > 0) return QString::asprintf("%lldmn %02llds %02lldfr", m, sec, ff);
            if (sec > 0) return QString::asprintf("%llds %02lldfr", sec, ff);
            return QString::asprintf("%lldfr", ff);
        default:
            if (h > 0) return QString::asprintf("%lld:%02lld:%02lld.%02lld", h, m, sec, ff);
            if (m > 0) return QString::asprintf("%02lld:%02lld.%02lld", m, sec, ff);
            return QString::asprintf("%02lld.%02lld", sec, ff);
    }
}

QString FormatDuration(std::uint32_t frames, double frameRate) {
    return FormatDuration(frames, frameRate, TSettings::Global().Integer("FormatDuree"));
}

bool SceneHasDatecode(const TSceneClass& scene) {
    return scene.Datecode != 0 && scene.DatecodeText != kNotAvailable;
}

QString ExpandTitle(const QString& pattern, TSceneClass& scene, const TaviFichier* shownVideo) {
    if (!shownVideo) return pattern;
    QString t = Replace(pattern, "%N", QString::number(scene.Number));
    if (SceneHasDatecode(scene)) {
        bool ok = false;
        const QString text = FormatDateValue(TSettings::Global().Text("FormatAfficherDatecode"),
                                             scene.Datecode, &ok);
        scene.DatecodeText = ok ? text : kNotAvailable;
    }
    const TFileCodeValues v = FileCodeValues(*shownVideo);
    t = Replace(t, "%F", v.Name);
    t = Replace(t, "%P", v.Folder);
    t = Replace(t, "%E", v.Extension);
    t = Replace(t, "%D", scene.DatecodeText);
    t = Replace(t, "%T", scene.TimecodeText);
    t = Replace(t, "%C", v.Codec);
    t = Replace(t, "%I", v.Picture);
    t = Replace(t, "%A", v.Audio);
    return Replace(t, "%U", FormatDuration(scene.FrameCount(), shownVideo->Fps));
}

QString PatternFromTitle(const QString& text, const TSceneClass* scene,
                         const TaviFichier* shownVideo) {
    if (!scene || !shownVideo) return text;
    const QString number = QString::number(scene->Number);
    const QString word = QStringLiteral("Scène");
    QString t = ReplaceCode(text, number, QStringLiteral("%N"), true);
    t = ReplaceCode(t, word + number, word + QStringLiteral("%N"), true);
    t = ReplaceCode(t, word + QLatin1Char(':') + number, word + QStringLiteral(":%N"), true);
    t = ReplaceCode(t, word + QLatin1Char('=') + number, word + QStringLiteral("=%N"), true);

    const QString code = QStringLiteral("%U");
    for (int format : {kDurationColons, kDurationFrames, kDurationWords})
        t = ReplaceCode(t, FormatDuration(scene->FrameCount(), shownVideo->Fps, format), code,
                        false);

    const QString date = QStringLiteral("%D");
    t = ReplaceCode(t, scene->DatecodeText, date, false);
    if (scene->Datecode != 0) {
        // The datecode as it reads in the two usual display formats, for
        // titles written while another display format was in force.
        for (const char* format : {"ddddd tt", "dddddd tt"}) {
            bool ok = false;
            const QString shown = FormatDateValue(QLatin1String(format), scene->Datecode, &ok);
            if (ok) t = ReplaceCode(t, shown, date, false);
        }
    }

    const TFileCodeValues v = FileCodeValues(*shownVideo);
    t = ReplaceCode(t, v.Name, QStringLiteral("%F"), false);
    t = ReplaceCode(t, v.Folder, QStringLiteral("%P"), false);
    t = ReplaceCode(t, v.Extension, QStringLiteral("%E"), false);
    t = ReplaceCode(t, scene->TimecodeText, QStringLiteral("%T"), false);
    t = ReplaceCode(t, v.Codec, QStringLiteral("%C"), false);
    t = ReplaceCode(t, v.Picture, QStringLiteral("%I"), false);
    return ReplaceCode(t, v.Audio, QStringLiteral("%A"), false);
}

}  // namespace tavrel
