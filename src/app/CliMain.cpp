// tavrel-cli: the program's catalogue and engine without a window.
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "app/Cli.h"
#include "filters/gst/OwnElements.h"

namespace {

const char* kUsage =
    "Utilisation : tavrel-cli COMMANDE [ARGUMENTS]\n"
    "\n"
    "Commandes :\n"
    "  info FICHIER...   affiche ce que Tavrel sait de chaque fichier\n"
    "  riff FICHIER      affiche la structure RIFF d'un fichier AVI\n"
    "  demo [DOSSIER]    écrit un clip DV de démonstration et affiche son chemin\n"
    "  commands [FICHIER]  liste les commandes (et celles offertes pour le fichier)\n"
    "  run COMMANDE [OPTIONS] FICHIER...  lance une commande sur les fichiers\n";

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavrel"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    if (args.isEmpty() || args.first() == QLatin1String("--help") ||
        args.first() == QLatin1String("-h")) {
        (args.isEmpty() ? err : out) << kUsage;
        return args.isEmpty() ? 2 : 0;
    }
    const QString command = args.takeFirst();
    if (!tavrel::RegisterOwnElements()) {
        err << "Impossible d'initialiser GStreamer." << Qt::endl;
        return 1;
    }
    if (command == QLatin1String("info")) {
        if (args.isEmpty()) {
            err << "info : indiquez au moins un fichier." << Qt::endl;
            return 2;
        }
        return tavrel::cli::RunInfo(args, out, err);
    }
    if (command == QLatin1String("riff")) {
        if (args.size() != 1) {
            err << "riff : indiquez un fichier." << Qt::endl;
            return 2;
        }
        return tavrel::cli::RunRiff(args.first(), out, err);
    }
    if (command == QLatin1String("demo")) {
        if (args.size() > 1) {
            err << "demo : indiquez au plus un dossier." << Qt::endl;
            return 2;
        }
        return tavrel::cli::RunDemo(args.value(0), out, err);
    }
    if (command == QLatin1String("commands")) return tavrel::cli::RunCommandList(args, out, err);
    if (command == QLatin1String("run")) return tavrel::cli::RunCommand(args, out, err);
    err << QStringLiteral("Commande inconnue : %1").arg(command) << Qt::endl << kUsage;
    return 2;
}
