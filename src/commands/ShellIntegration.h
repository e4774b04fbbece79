#pragma once
// Where Tavrel meets the Linux desktop: the trash, opening documents and web
// addresses with their programs, showing a file in the file manager, the
// "send to" entry (a desktop entry in the user's applications folder that
// offers the program for AVI files), and the user's documents and videos
// folders. Also a few small text routines of the dialogs.
//
// Whatever starts a program or changes the desktop goes through a TShell,
// so that tests put their own in its place (SetDefaultShell) and never touch
// the real desktop. Folders come from QStandardPaths, which tests redirect
// with QStandardPaths::setTestModeEnabled or by passing explicit folders.
//
// No routine here throws or shows a message: the desktop may refuse, and
// callers go on either way.

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <cstdint>
#include <utility>

namespace tavrel {

class TShell {
  public:
    virtual ~TShell();
    // QFile::moveToTrash: the freedesktop trash of the file's drive.
    virtual bool MoveToTrash(const QString& path);
    // QDesktopServices::openUrl (needs the GUI application).
    virtual bool OpenUrl(const QUrl& url);
    // The file manager's org.freedesktop.FileManager1.ShowItems on the
    // session bus; false when no file manager answers.
    virtual bool ShowItems(const QList<QUrl>& items);
    // Starts a program with its arguments, detached from this process
    // (QProcess::startDetached); false when it could not be started.
    virtual bool StartProgram(const QString& program, const QStringList& arguments);
};

// The shell in use: the desktop's unless one was set. SetDefaultShell(nullptr)
// puts the desktop's back.
TShell& DefaultShell();
void SetDefaultShell(TShell* shell);

// The user's documents folder; the home folder when the desktop has none.
QString DocumentsFolder();
// The user's videos folder; the documents folder when the desktop has none.
QString VideosFolder();
// The user's applications folder, where the send-to entry goes.
QString ApplicationsFolder();

// The file name of path without its folder and extension ("/opt/x/tool.bin"
// gives "tool").
QString FileTitle(const QString& path);

// Writes a desktop entry at entryPath that starts target with the files it is
// given, for AVI files, in workingFolder, with description as its comment.
// The entry is written whole or not at all.
bool WriteDesktopEntry(const QString& entryPath, const QString& target,
                       const QString& workingFolder, const QString& description);
// The path of the send-to entry of a program: FileTitle + ".desktop" in
// folder (the applications folder when folder is empty).
QString SendToEntryPath(const QString& programPath, const QString& folder = {});
// Writes the send-to entry: named after the program, "Raccourci vers " +
// its name as description, the home folder as working folder.
bool CreateSendToShortcut(const QString& programPath, const QString& folder = {});
// Deletes the send-to entry, also when it is read-only; true when no entry
// is left.
bool RemoveSendToShortcut(const QString& programPath, const QString& folder = {});

// Shows path selected in the file manager; without one, opens its folder.
void ShowInExplorer(const QString& path, TShell& shell = DefaultShell());
// Opens a document path or a web address with its program; a final NUL
// character is dropped.
void ShellOpen(const QString& text, TShell& shell = DefaultShell());

// The text without its surrounding blanks as a 32-bit integer; 0 when it is
// not one.
std::int32_t StrToIntZero(const QString& text);
// The same for a decimal number with the locale's decimal separator.
double StrToFloatZero(const QString& text, const QLocale& locale = QLocale());
// The first and second lines of a text (CR LF, LF or CR breaks); a missing
// line is empty, further lines are dropped.
std::pair<QString, QString> SplitTwoLines(const QString& text);

}  // namespace tavrel
