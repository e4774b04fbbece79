#include "commands/FileNaming.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>

#include "scenes/FileNameCodes.h"

namespace tavrel {

namespace {

const QString kCompanions[] = {QStringLiteral(".scn"), QStringLiteral(".srt")};

// More names than any folder holds: a search that gets this far gives up.
constexpr int kMaxCounter = 1000000;

qsizetype NameStart(const QString& path) {
    return path.lastIndexOf(QLatin1Char('/')) + 1;
}

// The file name of path without its extension, and that extension.
void SplitName(const QString& path, QString& folder, QString& bare, QString& extension) {
    const qsizetype start = NameStart(path);
    folder = path.left(start);
    extension = FileExtension(path);
    bare = path.mid(start, path.size() - start - extension.size());
}

bool UsableName(const QString& name) {
    return !name.trimmed().isEmpty() && name != QLatin1String(".") && name != QLatin1String("..");
}

QString RenameDestination(const TaviFichier& file, const QString& pattern,
                          const QString& dateFormat, const TFormatSettings* regional) {
    const QString name = ExpandFileNameText(pattern, dateFormat, file, regional);
    if (!UsableName(name)) return {};
    return UniqueRenameTarget(file.Folder + name, file.FullName);
}

}  // namespace

QString FileExtension(const QString& path) {
    const qsizetype start = NameStart(path);
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot >= start ? path.mid(dot) : QString();
}

QString ChangeFileExtension(const QString& path, const QString& extension) {
    return path.left(path.size() - FileExtension(path).size()) + extension;
}

QString MakeDestination(const QString& source, const QString& suffix, const TSettings& settings) {
    QString folder = settings.Boolean(QStringLiteral("SameFolder"))
                         ? QString()
                         : settings.Text(QStringLiteral("DossierSave"));
    // An output folder that was never set must not send files to the root.
    if (folder.isEmpty()) return ChangeFileExtension(source, suffix);
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return folder + ChangeFileExtension(source.mid(NameStart(source)), suffix);
}

QString BesideDestination(const QString& source, const QString& suffix) {
    return ChangeFileExtension(source, suffix);
}

QString ShiftSuffix(double shiftDays) {
    const QString sign = shiftDays >= 0 ? QStringLiteral("+") : QStringLiteral("-");
    const double a = std::isfinite(shiftDays) ? std::fabs(shiftDays) : 0.0;
    // Whole milliseconds, so that 1.5 days is 1 day and 12 hours exactly.
    const qint64 ms = std::llround(a * kMsPerDay);
    const qint64 msPerDay = static_cast<qint64>(kMsPerDay);
    const qint64 days = ms / msPerDay;
    const qint64 rest = ms % msPerDay;
    const qint64 hours = rest / 3600000;
    const qint64 minutes = rest / 60000 % 60;
    const qint64 seconds = rest / 1000 % 60;
    QString text;
    if (days > 0) text += QString::number(days) + QLatin1String("jours");
    if (hours != 0) text += QString::number(hours) + QLatin1String("h");
    if (minutes != 0) text += QString::number(minutes) + QLatin1String("mn");
    if (seconds != 0) text += QString::number(seconds) + QLatin1String("s");
    return QStringLiteral("_(") + sign + text + QStringLiteral(").avi");
}

bool PathTaken(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString UniqueRenameTarget(const QString& candidate, const QString& source) {
    const auto taken = [&](const QString& name) {
        if (PathTaken(name)) return true;
        if (source.isEmpty()) return false;
        for (const QString& extension : kCompanions)
            if (PathTaken(ChangeFileExtension(source, extension)) &&
                PathTaken(ChangeFileExtension(name, extension)))
                return true;
        return false;
    };
    if (!taken(candidate)) return candidate;
    const QString extension = FileExtension(candidate);
    for (int n = 1; n < kMaxCounter; ++n) {
        const QString name =
            ChangeFileExtension(candidate, QLatin1Char('_') + QString::number(n) + extension);
        if (!taken(name)) return name;
    }
    return {};
}

bool RenameWithCompanions(const QString& source, const QString& destination) {
    if (source.isEmpty() || destination.isEmpty() || PathTaken(destination)) return false;
    if (!QFile::rename(source, destination)) return false;
    for (const QString& extension : kCompanions) {
        const QString from = ChangeFileExtension(source, extension);
        const QString to = ChangeFileExtension(destination, extension);
        if (from != to && QFileInfo::exists(from) && !PathTaken(to)) QFile::rename(from, to);
    }
    return true;
}

bool IsRemovableTail(const QString& tail) {
    static const QStringList known = {QStringLiteral("type2"), QStringLiteral("type1"),
                                      QStringLiteral("in"),    QStringLiteral("ntsc"),
                                      QStringLiteral("pal"),   QStringLiteral("16x9"),
                                      QStringLiteral("4x3"),   QStringLiteral("am"),
                                      QStringLiteral("pm"),    QStringLiteral("dvtype2")};
    const QString t = tail.toLower().trimmed();
    if (known.contains(t)) return true;
    if (t.startsWith(QLatin1Char('(')) && t.endsWith(QLatin1Char(')'))) return true;
    for (qsizetype i = 0; i + 1 < t.size(); ++i)
        if (t[i] >= QLatin1Char('a') && t[i] <= QLatin1Char('z')) return false;
    return true;
}

QString PurgeName(const QString& source) {
    QString folder, name, extension;
    SplitName(source, folder, name, extension);
    // Only the file name is shortened: a "_" in a folder name is no tail.
    while (name.contains(QLatin1Char('_'))) {
        const qsizetype underscore = name.lastIndexOf(QLatin1Char('_'));
        if (!IsRemovableTail(name.mid(underscore + 1))) break;
        name.truncate(underscore);
    }
    const QString candidate = folder + name + extension;
    if (!PathTaken(candidate)) return candidate;
    for (int n = 1; n < kMaxCounter; ++n) {
        const QString numbered = folder + name + QLatin1Char('_') + QString::number(n) + extension;
        if (!PathTaken(numbered)) return numbered;
    }
    return {};
}

bool CanPurge(const QString& source) {
    QString folder, name, extension;
    SplitName(source, folder, name, extension);
    const qsizetype underscore = name.lastIndexOf(QLatin1Char('_'));
    return underscore >= 0 && IsRemovableTail(name.mid(underscore + 1));
}

QString AjouterDatecodePattern(bool datecodeAvant) {
    return datecodeAvant ? QStringLiteral("%D_%F%E") : QStringLiteral("%F_%D%E");
}

QString AjouterTimecodePattern(bool timecodeAvant) {
    return timecodeAvant ? QStringLiteral("%T_%F%E") : QStringLiteral("%F_%T%E");
}

QString AjouterDatecodeDestination(const TaviFichier& file, const TSettings& settings,
                                   const TFormatSettings* regional) {
    return RenameDestination(
        file, AjouterDatecodePattern(settings.Boolean(QStringLiteral("DatecodeAvant"))),
        settings.Text(QStringLiteral("FormatAjouterDatecode")), regional);
}

QString AjouterTimecodeDestination(const TaviFichier& file, const TSettings& settings,
                                   const TFormatSettings* regional) {
    return RenameDestination(
        file, AjouterTimecodePattern(settings.Boolean(QStringLiteral("TimecodeAvant"))), QString(),
        regional);
}

QString RenommerDestination(const TaviFichier& file, const TSettings& settings,
                            const TFormatSettings* regional) {
    return RenameDestination(file, settings.Text(QStringLiteral("TemplateRenommer")),
                             settings.Text(QStringLiteral("FormatRenommer")), regional);
}

QString PurgerNomDestination(const TAbstractListFichier& file) {
    return PurgeName(file.FullName);
}

QString RenommerPreview(TDateTime now, const TSettings& settings, const TFormatSettings* regional) {
    return FileNamePreview(settings.Text(QStringLiteral("TemplateRenommer")),
                           settings.Text(QStringLiteral("FormatRenommer")), now, regional);
}

QString AjouterDatecodePreview(TDateTime now, const TSettings& settings,
                               const TFormatSettings* regional) {
    return FileNamePreview(
        AjouterDatecodePattern(settings.Boolean(QStringLiteral("DatecodeAvant"))),
        settings.Text(QStringLiteral("FormatAjouterDatecode")), now, regional);
}

QString AjouterTimecodePreview(TDateTime now, const TSettings& settings,
                               const TFormatSettings* regional) {
    return FileNamePreview(
        AjouterTimecodePattern(settings.Boolean(QStringLiteral("TimecodeAvant"))), QString(), now,
        regional);
}

}  // namespace tavrel
