#include "scenes/WriteScnText.h"

#include "scenes/DateFormat.h"
#include "scenes/ProgramInfo.h"
#include "scenes/SceneClass.h"
#include "scenes/SceneList.h"
#include "scenes/ScenePositioner.h"
#include "scenes/ScnFile.h"

namespace tavrel {

namespace {

const QString kRule = QStringLiteral("//") + QString(50, QLatin1Char('-'));

}  // namespace

QString ScnTextFilePath(const QString& videoPath) {
    return ReplaceExtension(videoPath, QStringLiteral("_scn.txt"));
}

TWriteScn_text::TWriteScn_text(const QString& videoPath, TClock clock)
    : TwriteFile(ScnTextFilePath(videoPath)), m_clock(std::move(clock)) {
    if (!m_clock) m_clock = CurrentDateTime;
    const QString lines[] = {
        kRule,
        QStringLiteral("// Liste des scènes du fichier:"),
        QStringLiteral("//"),
        QStringLiteral("// ***   ") + videoPath.toLower() + QStringLiteral("   ***"),
        QStringLiteral("//"),
        QStringLiteral("// exportée par %1 version %2 %3")
            .arg(QLatin1String(kProductName), ProgramVersionText(), QLatin1String(kLanguageCode)),
        QStringLiteral("// sous la forme:"),
        QStringLiteral("// numéro de scène, début, fin, durée, datecode,timecode, titre"),
        QStringLiteral("//"),
        kRule,
        QString(),
    };
    bool ok = !Failed();
    for (const QString& line : lines) ok = ok && WriteLine(line);
    if (!ok)
        ReplaceError(QString::fromUtf8(kScnTextHeaderError) + QStringLiteral(" (") + ErrorText() +
                     QStringLiteral(")"));
}

TWriteScn_text::~TWriteScn_text() {
    Finish();
}

bool TWriteScn_text::WriteSceneRow(const TSceneClass& scene) {
    ++m_rows;
    const QString sep = QStringLiteral(", ");
    return WriteLine(QStringLiteral("  ") + QString::number(m_rows) + sep + scene.StartText + sep +
                     scene.EndText + sep + scene.DurationText + sep + scene.DatecodeText + sep +
                     scene.TimecodeText + sep + scene.Title + sep + scene.Subtitle);
}

bool TWriteScn_text::Finish() {
    if (!m_finished) {
        m_finished = true;
        WriteLine(QString());
        WriteLine(kRule);
        WriteLine(QStringLiteral("// Terminé le ") +
                  FormatDateValue(QStringLiteral("dddddd 'à' hh:mm:ss"), m_clock()));
        WriteLine(kRule);
    }
    return Close();
}

bool ExportSceneListText(const QString& videoPath, TSceneList& list, const TaviFichier* video,
                         TScenePositioner* positioner, QString* error,
                         TWriteScn_text::TClock clock) {
    TWriteScn_text writer(videoPath, std::move(clock));
    for (int j = 0; j < list.Count() && !writer.Failed(); ++j) {
        TSceneClass& scene = list.Scene(j);
        if (!scene.DetailsReady) FillSceneDetails(scene, video, positioner);
        writer.WriteSceneRow(scene);
    }
    const bool ok = writer.Finish();
    if (!ok && error) *error = writer.ErrorText();
    return ok;
}

}  // namespace tavrel
