// The riff and demo subcommands.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>

#include "app/Cli.h"
#include "avi/RiffAnalyser.h"
#include "pipelines/ClipMaker.h"

namespace tavrel::cli {

int RunRiff(const QString& file, QTextStream& out, QTextStream& err) {
    const QFileInfo info(file);
    if (!info.exists()) {
        err << QStringLiteral("Le fichier %1 est introuvable.").arg(file) << Qt::endl;
        return 1;
    }
    TRiffAnalyser analyser;
    const TRiffReport report = analyser.AnalyseFile(
        std::filesystem::path(QFile::encodeName(info.absoluteFilePath()).toStdString()));
    if (report.OpenError) {
        err << QStringLiteral("Impossible d'ouvrir le fichier %1 : %2")
                   .arg(file, QString::fromStdString(report.OpenError.message()))
            << Qt::endl;
        return 1;
    }
    out << QString::fromStdString(PlainTextOfReport(report.Lines));
    out.flush();
    return 0;
}

int RunDemo(const QString& folder, QTextStream& out, QTextStream& err) {
    const QDir dir(folder.isEmpty() ? QDir::currentPath() : folder);
    if (!dir.exists() && !QDir().mkpath(dir.absolutePath())) {
        err << QStringLiteral("Impossible de créer le dossier %1.").arg(dir.absolutePath())
            << Qt::endl;
        return 1;
    }
    const QString path = dir.absoluteFilePath(QStringLiteral("tavrel-demo.avi"));
    std::string error;
    if (!MakeClip(DemoClipSpec(), std::filesystem::path(QFile::encodeName(path).toStdString()),
                  error)) {
        err << QString::fromStdString(error) << Qt::endl;
        return 1;
    }
    out << path << Qt::endl;
    return 0;
}

}  // namespace tavrel::cli
