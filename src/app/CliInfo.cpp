#include <QFileInfo>

#include "app/Cli.h"
#include "avi/AviFichier.h"
#include "avi/RecordTexts.h"

namespace tavrel::cli {

int RunInfo(const QStringList& files, QTextStream& out, QTextStream& err) {
    int status = 0;
    bool first = true;
    for (const QString& file : files) {
        const QFileInfo info(file);
        if (!info.exists()) {
            err << QStringLiteral("Le fichier %1 est introuvable.").arg(file) << Qt::endl;
            status = 1;
            continue;
        }
        if (!first) out << Qt::endl;
        first = false;
        const TaviFichier record(info.absoluteFilePath());
        out << "File: " << record.FullName << Qt::endl;
        for (const auto& [name, value] : RecordFieldTexts(record))
            out << name << ": " << value << Qt::endl;
        for (const auto& [caption, value] : InformationPanelTexts(record))
            out << "Panel " << caption << ": " << value << Qt::endl;
    }
    return status;
}

}  // namespace tavrel::cli
