#include "avi/RecordTexts.h"

#include <QLocale>

#include "framework/Settings.h"
#include "scenes/DateFormat.h"

namespace tavrel {

namespace {

QString Bool(bool b) {
    return b ? QStringLiteral("true") : QStringLiteral("false");
}
QString Number(double v) {
    return QString::number(v, 'g', 17);
}

}  // namespace

TNamedTexts RecordFieldTexts(const TaviFichier& r) {
    return {
        {"DatecodeKey", r.DatecodeKey},
        {"DatecodeText", r.DatecodeText},
        {"Datecode", Number(r.Datecode)},
        {"TimeShift", Number(r.TimeShift)},
        {"TimeShiftText", r.TimeShiftText},
        {"TimecodeText", r.TimecodeText},
        {"Codec", r.Codec},
        {"DvType", QString::number(r.DvType)},
        {"Type2Iavs", Bool(r.Type2Iavs)},
        {"ImageText", r.ImageText},
        {"AspectText", r.AspectText},
        {"Width", QString::number(r.Width)},
        {"Height", QString::number(r.Height)},
        {"Duration", QString::number(r.Duration)},
        {"DurationText", r.DurationText},
        {"FrameCount", QString::number(r.FrameCount)},
        {"Fps", Number(r.Fps)},
        {"AudioText", r.AudioText},
        {"AudioDurationText", r.AudioDurationText},
        {"VAuxSrc", QStringLiteral("0x%1").arg(r.VAuxSrc, 8, 16, QLatin1Char('0'))},
        {"VideoBitRate", QString::number(r.VideoBitRate)},
        {"AudioFormatText", r.AudioFormatText},
        {"Standard", QString::number(r.Standard)},
        {"HasScn", Bool(r.HasScn)},
        {"HasSrt", Bool(r.HasSrt)},
        {"IsDV", Bool(r.IsDV)},
        {"Is16x9", Bool(r.Is16x9)},
        {"AudioRate", QString::number(r.AudioRate)},
        {"AudioBits", QString::number(r.AudioBits)},
        {"ChannelsText", r.ChannelsText},
        {"DatecodeSortKey", r.DatecodeSortKey},
        {"TimecodeSortKey", r.TimecodeSortKey},
        {"DurationSortKey", r.DurationSortKey},
    };
}

TNamedTexts InformationPanelTexts(const TaviFichier& r) {
    const QString displayFormat = TSettings::Global().Text("FormatAfficherDatecode");
    TNamedTexts rows;
    rows.emplace_back("Nom", r.ShortName);
    rows.emplace_back("Datecode",
                      r.Datecode > 0 ? FormatDateValue(displayFormat, r.Datecode) : r.DatecodeText);
    if (r.TimeShift != 0)
        rows.emplace_back(
            "Décalage", r.TimeShift > 0 ? QStringLiteral("+") + r.TimeShiftText : r.TimeShiftText);
    rows.emplace_back("Timecode", r.TimecodeText);
    QString codec = r.Codec;
    if (r.IsDV) {
        if (r.DvType == 1)
            codec += QStringLiteral(" (type 1)");
        else if (r.DvType == 2)
            codec += r.Type2Iavs ? QStringLiteral(" (type 2 iavs)") : QStringLiteral(" (type 2)");
        else
            codec += QStringLiteral(" (atypique)");
    }
    rows.emplace_back("codec", codec);
    rows.emplace_back("Image", r.ImageText + r.AspectText);
    QString duration = r.DurationText;
    if (!r.AudioDurationText.isEmpty() && r.AudioDurationText != r.DurationText)
        duration += QStringLiteral(" (") + r.AudioDurationText + QStringLiteral(")");
    rows.emplace_back("Durée", duration);
    rows.emplace_back("Fps", r.Fps > 0 ? QLocale().toString(r.Fps, 'g', 15) : QString());
    rows.emplace_back("Audio", r.AudioText);
    rows.emplace_back("Audio", r.AudioFormatText);
    if (r.HasScn) rows.emplace_back("scn", "scn");
    if (r.HasSrt) rows.emplace_back("srt", "srt");
    rows.emplace_back("Fichier", r.FullName);
    rows.emplace_back("Taille", QLocale().toString(static_cast<qulonglong>(r.Size())));
    rows.emplace_back("Modifié", FormatDateValue(displayFormat, r.Modified));
    return rows;
}

}  // namespace tavrel
