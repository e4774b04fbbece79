// The commands that change a file in place: the codec and the frame rate
// written in its AVI headers, and its dates.
#include <fcntl.h>
#include <sys/stat.h>

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "avi/AviFichier.h"
#include "avi/AviPatch.h"
#include "commands/Catalogue.h"
#include "commands/CatalogueInternal.h"
#include "scenes/DateFormat.h"

namespace tavrel {

using namespace catalogue;

namespace {

std::filesystem::path NativePath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// The message of a patch that did not go through, or of a read-only mode
// that could not be put back; empty when all went well.
QString PatchFailure(const TPatchResult& result) {
    if (result.Status == TPatchStatus::Written) return {};
    QString text = QString::fromUtf8(PatchStatusMessage(result.Status));
    if (result.Error)
        text += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(result.Error.message()));
    return text;
}

// Sets the last-write time of a file to a local date-time, keeping its
// last-access time. The creation time of a Linux file cannot be set.
bool SetFileModified(const QString& path, TDateTime local, QString& error) {
    TDateTimeParts parts;
    if (!DecodeDateTime(local, parts)) {
        error = QStringLiteral("La date n'est pas valide.");
        return false;
    }
    const QDateTime when(QDate(parts.Year, parts.Month, parts.Day),
                         QTime(parts.Hour, parts.Minute, parts.Second, parts.Millisecond),
                         Qt::LocalTime);
    const qint64 ms = when.toMSecsSinceEpoch();
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(std::floor(static_cast<double>(ms) / 1000.0));
    times[1].tv_nsec =
        static_cast<long>((ms - static_cast<qint64>(times[1].tv_sec) * 1000) * 1000000);
    if (::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

QString DateText(TDateTime value) {
    return FormatDateValue(QStringLiteral("ddddd tt"), value);
}

}  // namespace

bool ParseFourCC(const QString& text, std::uint32_t& code) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 4) return false;
    char chars[4] = {' ', ' ', ' ', ' '};
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        const char16_t c = trimmed.at(i).unicode();
        if (c < 0x20 || c > 0x7E) return false;
        chars[i] = static_cast<char>(c);
    }
    code = MakeFourCC(chars[0], chars[1], chars[2], chars[3]);
    return true;
}

QString DateFichierQuestion(const TaviFichier& file) {
    const QString dates =
        QStringLiteral("\r\n\r\nDate de création actuelle: ") + DateText(file.Created) +
        QStringLiteral("\r\nDate de modification actuelle:  ") + DateText(file.Modified) +
        QStringLiteral("\r\nNouvelle date : ") + DateText(file.Datecode + file.TimeShift);
    const QString question =
        QStringLiteral("Voulez-vous vraiment modifier les dates du fichier '") + file.ShortName +
        QStringLiteral("'") + dates;
    if (question.size() > 254)
        return QStringLiteral("Voulez-vous vraiment modifier les dates de ce fichier?") + dates;
    return question;
}

void TdmAction::AttachHeaderHandlers() {
    const auto standardFileVerification = [this](TAbstractListFichier*, const QStringList&,
                                                 TCommandEngine&,
                                                 int) { return m_host.SkipScnQuestion(); };
    // The preview lets go of the file before it is written.
    const auto release = [this](TCommandEngine& ce, const QString& path) {
        ce.OnUserThread([&] { m_host.ReleaseFile(path); });
    };

    // --- Codec -------------------------------------------------------------------
    auto& codec = Command<TFastCmd_np>("ModifierCodec");
    codec.OnFileVerification = standardFileVerification;
    codec.OnFileConFirmation = [](TAbstractListFichier* f, const QStringList& params,
                                  TCommandEngine&, int) {
        const TaviFichier* avi = AsAvi(f);
        return QStringLiteral("Voulez-vous changer le codec \"") + (avi ? avi->Codec : QString()) +
               QStringLiteral("\" de ") + ShortNameOf(f) + QStringLiteral(" en \"") +
               FirstParam(params) + QStringLiteral("\" ?");
    };
    codec.OnExecution = [&codec, release](TAbstractListFichier* f, const QStringList& params,
                                          TCommandEngine& ce, int passe) {
        if (!RequireSource(ce, codec, f, passe)) return;
        TFourCC code = 0;
        if (!ParseFourCC(FirstParam(params), code)) {
            ReportFailure(ce, codec, f, passe,
                          QStringLiteral("« %1 » n'est pas un codec : il faut de 1 à 4 caractères "
                                         "ASCII ; le fichier n'a pas été modifié.")
                              .arg(FirstParam(params)));
            return;
        }
        const QString path = FullNameOf(f);
        release(ce, path);
        // A read-only file is patched too, and keeps its mode.
        const TPatchResult result =
            PatchAviCodec(NativePath(path), code, TReadOnlyFile::LiftForWrite);
        if (const QString failure = PatchFailure(result); !failure.isEmpty())
            ReportFailure(ce, codec, f, passe, failure);
    };

    // --- Frame rate ------------------------------------------------------------------
    auto& frequence = Command<TFastCmd_np>("FrequenceVideo");
    frequence.OnFileCondition = [](TAbstractListFichier* f, bool& visible, bool& enabled) {
        const TaviFichier* avi = AsAvi(f);
        visible = true;
        enabled = !(avi && avi->IsDV && avi->DvType == 1);
    };
    frequence.OnFileVerification = standardFileVerification;
    frequence.OnFileConFirmation = [](TAbstractListFichier* f, const QStringList& params,
                                      TCommandEngine&, int) {
        const TaviFichier* avi = AsAvi(f);
        const double fps = avi ? avi->Fps : 0;
        return QStringLiteral("Voulez-vous changer la fréquence ") +
               QLocale().toString(fps, 'g', QLocale::FloatingPointShortest) +
               QStringLiteral(" de ") + ShortNameOf(f) + QStringLiteral(" en ") +
               FirstParam(params) + QStringLiteral(" ?");
    };
    frequence.OnExecution = [&frequence, release](TAbstractListFichier* f,
                                                  const QStringList& params, TCommandEngine& ce,
                                                  int passe) {
        if (!RequireSource(ce, frequence, f, passe)) return;
        double fps = 0;
        if (!ParseDecimal(FirstParam(params), fps) || FrameRateScale(fps) == 0) {
            ReportFailure(ce, frequence, f, passe,
                          QStringLiteral("« %1 » n'est pas une fréquence d'images valide ; le "
                                         "fichier n'a pas été modifié.")
                              .arg(FirstParam(params)));
            return;
        }
        const QString path = FullNameOf(f);
        release(ce, path);
        const TPatchResult result =
            PatchAviFrameRate(NativePath(path), fps, TReadOnlyFile::LiftForWrite);
        if (const QString failure = PatchFailure(result); !failure.isEmpty())
            ReportFailure(ce, frequence, f, passe, failure);
    };

    // --- File dates ---------------------------------------------------------------------
    auto& dates = Command<TFastCmd_np>("DateFichier");
    dates.OnFileCondition = [](TAbstractListFichier* f, bool& visible, bool& enabled) {
        const TaviFichier* avi = AsAvi(f);
        SetCondition(visible, enabled, avi && HasDatecode(*avi), true);
    };
    dates.OnFileVerification = standardFileVerification;
    dates.OnFileConFirmation = [](TAbstractListFichier* f, const QStringList&, TCommandEngine&,
                                  int) {
        const TaviFichier* avi = AsAvi(f);
        return avi ? DateFichierQuestion(*avi) : QString();
    };
    dates.OnExecution = [&dates, release](TAbstractListFichier* f, const QStringList&,
                                          TCommandEngine& ce, int passe) {
        const TaviFichier* avi = AsAvi(f);
        if (!avi || !RequireSource(ce, dates, f, passe)) return;
        // The record's own shift is the display shift of this file (the
        // window loads it at the start of the file).
        const TDateTime when = avi->Datecode + avi->TimeShift;
        const QString path = avi->FullName;
        release(ce, path);
        QString error;
        if (!SetFileModified(path, when, error))
            ReportFailure(ce, dates, f, passe,
                          QStringLiteral("la date n'a pas pu être changée (%1).").arg(error));
    };
}

}  // namespace tavrel
