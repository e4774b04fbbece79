#pragma once
// The subcommands of tavrel-cli. Each returns the process exit status.

#include <QStringList>
#include <QTextStream>

namespace tavrel {
class TSettings;
}

namespace tavrel::cli {

int RunInfo(const QStringList& files, QTextStream& out, QTextStream& err);
int RunRiff(const QString& file, QTextStream& out, QTextStream& err);
int RunDemo(const QString& folder, QTextStream& out, QTextStream& err);

// commands [FICHIER]: the catalogue's commands and their captions; with a
// file, whether each is shown and offered for it.
int RunCommandList(const QStringList& args, QTextStream& out, QTextStream& err);
// run COMMANDE [--param V] [--yes-all | --no-all | --ask] [--set CLE=V]... FICHIER...
int RunCommand(const QStringList& args, QTextStream& out, QTextStream& err);

// The key of the preferences store under which the desktop program keeps
// the settings of its main window.
inline constexpr const char* kPreferencesSection = "UIForm";
// Reads the settings the desktop program saved (its ini file beside the
// program when there is one, else its per-user store), without writing
// anything; returns the file read, empty when there was none.
QString LoadDesktopPreferences(TSettings& settings);

}  // namespace tavrel::cli
