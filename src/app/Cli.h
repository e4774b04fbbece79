#pragma once
// The subcommands of tavrel-cli. Each returns the process exit status.

#include <QStringList>
#include <QTextStream>

namespace tavrel::cli {

int RunInfo(const QStringList& files, QTextStream& out, QTextStream& err);
int RunRiff(const QString& file, QTextStream& out, QTextStream& err);
int RunDemo(const QString& folder, QTextStream& out, QTextStream& err);

}  // namespace tavrel::cli
