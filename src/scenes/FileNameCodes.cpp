#include "scenes/FileNameCodes.h"

#include <QDateTime>
#include <memory>

#include "scenes/TextCodes.h"

namespace tavrel {

namespace {

struct TFileNameValues {
    QString F, E, D, T, C, I, A, U;
};

QString Expand(const QString& pattern, const TFileNameValues& v) {
    QString text = pattern;
    text = ReplaceCode(text, QStringLiteral("%F"), v.F, false);
    text = ReplaceCode(text, QStringLiteral("%E"), v.E, false);
    text = ReplaceCode(text, QStringLiteral("%D"), v.D, false);
    text = ReplaceCode(text, QStringLiteral("%T"), v.T, false);
    text = ReplaceCode(text, QStringLiteral("%C"), v.C, false);
    text = ReplaceCode(text, QStringLiteral("%I"), v.I, false);
    text = ReplaceCode(text, QStringLiteral("%A"), v.A, false);
    text = ReplaceCode(text, QStringLiteral("%U"), v.U, false);
    return ReplaceForbiddenFileNameChars(text);
}

QString FormatWith(const QString& format, TDateTime value, const TFormatSettings* regional) {
    if (regional) return FormatDateValue(format, value, *regional);
    const std::shared_ptr<const TFormatSettings> settings = DefaultFormatSettings();
    return FormatDateValue(format, value, *settings);
}

}  // namespace

QString ReplaceForbiddenFileNameChars(const QString& name) {
    QString out = name;
    for (QChar& c : out) {
        switch (c.unicode()) {
            case '<':
            case '>':
            case '"':
            case '/':
            case '\\':
            case '|':
                c = QLatin1Char('_');
                break;
            case ':':
                c = QLatin1Char('.');
                break;
            default:
                break;
        }
    }
    return out;
}

QString ExpandFileNameText(const QString& pattern, const QString& dateFormat,
                           const TaviFichier& file, const TFormatSettings* regional) {
    TFileNameValues v;
    v.F = file.BareName;
    // The extension as the file has it: a rename keeps "MOV.AVI" as it is.
    v.E = file.ShortName.mid(file.BareName.size());
    v.D = file.Datecode != 0 ? FormatWith(dateFormat, file.Datecode + file.TimeShift, regional)
                             : file.DatecodeText;
    v.T = file.TimecodeText;
    v.C = file.Codec;
    v.I = file.ImageText;
    v.A = file.AudioText;
    v.U = file.DurationText;
    return Expand(pattern, v);
}

QString ExpandFileName(const QString& pattern, const QString& dateFormat, const TaviFichier& file,
                       const TFormatSettings* regional) {
    return file.Folder + ExpandFileNameText(pattern, dateFormat, file, regional);
}

QString FileNamePreview(const QString& pattern, const QString& dateFormat, TDateTime now,
                        const TFormatSettings* regional) {
    TFileNameValues v;
    v.F = QStringLiteral("Vidéo");
    v.E = QStringLiteral(".avi");
    v.D = FormatWith(dateFormat, now, regional);
    v.T = QStringLiteral("0.54.32.10");
    v.C = QStringLiteral("dvsd");
    v.I = QStringLiteral("640x480");
    v.A = QStringLiteral("48000Hz 16bits stéréo");
    v.U = QStringLiteral("30s 12fr");
    return Expand(pattern, v);
}

}  // namespace tavrel
