#include "commands/ShellIntegration.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <atomic>

namespace tavrel {

namespace {

std::atomic<TShell*> g_shell{nullptr};

// A value of a desktop entry: the escapes of the "string" type.
QString EscapeValue(const QString& value) {
    QString out;
    for (const QChar c : value) {
        switch (c.unicode()) {
            case '\\':
                out += QLatin1String("\\\\");
                break;
            case '\n':
                out += QLatin1String("\\n");
                break;
            case '\r':
                out += QLatin1String("\\r");
                break;
            case '\t':
                out += QLatin1String("\\t");
                break;
            default:
                out += c;
        }
    }
    return out;
}

// One argument of an Exec line, quoted: inside quotes ", `, $ and \ take a
// backslash; a percent sign is doubled so that it is no field code.
QString QuoteExecArgument(const QString& argument) {
    QString out = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        if (c == QLatin1Char('%')) out += QLatin1Char('%');
        out += c;
    }
    out += QLatin1Char('"');
    return out;
}

}  // namespace

// --- The shell -------------------------------------------------------------

TShell::~TShell() = default;

bool TShell::MoveToTrash(const QString& path) {
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) return false;
    // Qt puts the home trash in the user's data folder but does not make that
    // folder when a new account has none yet.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty() || !QDir().mkpath(data)) return false;
    return QFile::moveToTrash(path);
}

bool TShell::OpenUrl(const QUrl& url) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
    return QDesktopServices::openUrl(url);
}

bool TShell::StartProgram(const QString& program, const QStringList& arguments) {
    if (program.isEmpty()) return false;
    return QProcess::startDetached(program, arguments);
}

bool TShell::ShowItems(const QList<QUrl>& items) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    QStringList uris;
    for (const QUrl& url : items) uris << url.toString(QUrl::FullyEncoded);
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << uris << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

TShell& DefaultShell() {
    static TShell desktop;
    TShell* shell = g_shell.load();
    return shell ? *shell : desktop;
}

void SetDefaultShell(TShell* shell) {
    g_shell = shell;
}

// --- Folders ---------------------------------------------------------------

QString DocumentsFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return folder.isEmpty() ? QDir::homePath() : folder;
}

QString VideosFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    return folder.isEmpty() ? DocumentsFolder() : folder;
}

QString ApplicationsFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
}

QString FileTitle(const QString& path) {
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

// --- The send-to entry -----------------------------------------------------

bool WriteDesktopEntry(const QString& entryPath, const QString& target,
                       const QString& workingFolder, const QString& description) {
    const QString folder = QFileInfo(entryPath).absolutePath();
    if (!QDir().mkpath(folder)) return false;
    QSaveFile file(entryPath);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const QString name = FileTitle(target);
    QString text;
    text += QLatin1String("[Desktop Entry]\n");
    text += QLatin1String("Type=Application\n");
    text += QLatin1String("Version=1.0\n");
    text += QLatin1String("Name=") + EscapeValue(name) + QLatin1Char('\n');
    text += QLatin1String("Comment=") + EscapeValue(description) + QLatin1Char('\n');
    text +=
        QLatin1String("Exec=") + EscapeValue(QuoteExecArgument(target)) + QLatin1String(" %F\n");
    text += QLatin1String("Path=") + EscapeValue(workingFolder) + QLatin1Char('\n');
    text += QLatin1String("Terminal=false\n");
    text += QLatin1String("MimeType=video/x-msvideo;video/avi;video/msvideo;video/vnd.avi;\n");
    file.write(text.toUtf8());
    return file.commit();
}

QString SendToEntryPath(const QString& programPath, const QString& folder) {
    QString base = folder.isEmpty() ? ApplicationsFolder() : folder;
    if (!base.endsWith(QLatin1Char('/'))) base += QLatin1Char('/');
    return base + FileTitle(programPath) + QLatin1String(".desktop");
}

bool CreateSendToShortcut(const QString& programPath, const QString& folder) {
    const QString name = FileTitle(programPath);
    if (name.isEmpty()) return false;
    return WriteDesktopEntry(SendToEntryPath(programPath, folder), programPath, QDir::homePath(),
                             QStringLiteral("Raccourci vers ") + name);
}

bool RemoveSendToShortcut(const QString& programPath, const QString& folder) {
    const QString path = SendToEntryPath(programPath, folder);
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) return true;
    QFile file(path);
    if (!info.isSymLink()) file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
    return file.remove();
}

// --- Opening ---------------------------------------------------------------

void ShowInExplorer(const QString& path, TShell& shell) {
    if (path.isEmpty()) return;
    const QFileInfo info(path);
    if (shell.ShowItems({QUrl::fromLocalFile(info.absoluteFilePath())})) return;
    shell.OpenUrl(QUrl::fromLocalFile(info.absolutePath()));
}

void ShellOpen(const QString& text, TShell& shell) {
    QString target = text;
    if (target.endsWith(QChar(0))) target.chop(1);
    if (target.isEmpty()) return;
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    const bool address = !target.startsWith(QLatin1Char('/')) && scheme.match(target).hasMatch();
    shell.OpenUrl(address ? QUrl(target, QUrl::TolerantMode) : QUrl::fromLocalFile(target));
}

// --- Small text routines ---------------------------------------------------

std::int32_t StrToIntZero(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : 0;
}

double StrToFloatZero(const QString& text, const QLocale& locale) {
    QLocale strict = locale;
    strict.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = strict.toDouble(text.trimmed(), &ok);
    return ok ? value : 0;
}

std::pair<QString, QString> SplitTwoLines(const QString& text) {
    static const QRegularExpression breaks(QStringLiteral("\r\n|\n|\r"));
    const QStringList lines = text.split(breaks);
    return {lines.value(0), lines.value(1)};
}

}  // namespace tavrel
