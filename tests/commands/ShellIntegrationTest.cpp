#include "commands/ShellIntegration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdlib>

#include <gtest/gtest.h>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace tavrel {
namespace {

// Records what would have started a program, and answers as told.
class TFakeShell : public TShell {
  public:
    bool FileManager = true;
    QList<QUrl> Opened;
    QList<QUrl> Shown;
    bool OpenUrl(const QUrl& url) override {
        Opened << url;
        return true;
    }
    bool ShowItems(const QList<QUrl>& items) override {
        Shown << items;
        return FileManager;
    }
};

TEST(ShellOpen, DocumentsAndAddresses) {
    TFakeShell shell;
    ShellOpen("https://exemple.org/page?a=1", shell);
    ShellOpen(QStringLiteral("/films/été 2008.avi") + QChar(0), shell);
    ShellOpen("mailto:auteur@exemple.org", shell);
    ShellOpen("", shell);
    ASSERT_EQ(shell.Opened.size(), 3);
    EXPECT_EQ(shell.Opened[0], QUrl("https://exemple.org/page?a=1"));
    EXPECT_EQ(shell.Opened[1], QUrl::fromLocalFile(QString::fromUtf8("/films/été 2008.avi")));
    EXPECT_EQ(shell.Opened[2].scheme(), "mailto");
}

TEST(ShowInExplorer, FileManagerOrElseTheFolder) {
    TFakeShell shell;
    ShowInExplorer("/films/clip.avi", shell);
    ASSERT_EQ(shell.Shown.size(), 1);
    EXPECT_EQ(shell.Shown[0], QUrl::fromLocalFile("/films/clip.avi"));
    EXPECT_TRUE(shell.Opened.isEmpty());
    shell.FileManager = false;
    ShowInExplorer("/films/clip.avi", shell);
    ASSERT_EQ(shell.Opened.size(), 1);
    EXPECT_EQ(shell.Opened[0], QUrl::fromLocalFile("/films"));
}

TEST(SendTo, EntryIsWrittenAndRemovedEvenReadOnly) {
    QTemporaryDir dir;
    const QString program = QStringLiteral("/opt/mes apps/tool$1\\x.bin");
    ASSERT_TRUE(CreateSendToShortcut(program, dir.path()));
    const QString entry = dir.path() + "/tool$1\\x.desktop";
    EXPECT_EQ(SendToEntryPath(program, dir.path()), entry);
    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    file.close();
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(text.contains("\nType=Application\n"));
    EXPECT_TRUE(text.contains("\nName=tool$1\\\\x\n"));
    EXPECT_TRUE(text.contains("\nComment=Raccourci vers tool$1\\\\x\n"));
    // Quoted for the Exec rules, then escaped as a string value.
    EXPECT_TRUE(text.contains("\nExec=\"/opt/mes apps/tool\\\\$1\\\\\\\\x.bin\" %F\n"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("\nPath=" + QDir::homePath() + "\n"));
    EXPECT_TRUE(text.contains("MimeType=video/x-msvideo;"));

    ASSERT_TRUE(QFile::setPermissions(entry, QFileDevice::ReadOwner));
    EXPECT_TRUE(RemoveSendToShortcut(program, dir.path()));
    EXPECT_FALSE(QFileInfo::exists(entry));
    EXPECT_TRUE(RemoveSendToShortcut(program, dir.path()));  // nothing left to remove
}

TEST(SendTo, PercentSignsAreNoFieldCodes) {
    QTemporaryDir dir;
    ASSERT_TRUE(CreateSendToShortcut("/opt/100%/tavrel", dir.path()));
    QFile file(dir.path() + "/tavrel.desktop");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Exec=\"/opt/100%%/tavrel\" %F\n"));
}

// The real trash, in a home of its own.
TEST(Trash, FilesGoToTheFreedesktopTrash) {
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + "/.local/share").toUtf8());
    const QString path = home.path() + "/clip.avi";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("video");
    }
    const bool trashed = DefaultShell().MoveToTrash(path);
    qputenv("HOME", oldHome);
    if (oldData.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", oldData);
    ASSERT_TRUE(trashed);
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_TRUE(QFileInfo::exists(home.path() + "/.local/share/Trash/files/clip.avi"));
    EXPECT_TRUE(QFileInfo::exists(home.path() + "/.local/share/Trash/info/clip.avi.trashinfo"));
    EXPECT_FALSE(DefaultShell().MoveToTrash(home.path() + "/missing.avi"));
}

TEST(Folders, FallBackToHome) {
    EXPECT_FALSE(DocumentsFolder().isEmpty());
    EXPECT_FALSE(VideosFolder().isEmpty());
    EXPECT_TRUE(ApplicationsFolder().endsWith("applications"));
    EXPECT_EQ(FileTitle("/opt/x.y/tool.bin"), "tool");
    EXPECT_EQ(FileTitle("/opt/x.y/tool"), "tool");
}

TEST(SmallRoutines, NumbersAndLines) {
    EXPECT_EQ(StrToIntZero(" 12 "), 12);
    EXPECT_EQ(StrToIntZero("12a"), 0);
    EXPECT_EQ(StrToIntZero("-7"), -7);
    EXPECT_EQ(StrToIntZero("99999999999"), 0);
    EXPECT_EQ(StrToIntZero(""), 0);
    const QLocale french(QLocale::French, QLocale::France);
    EXPECT_DOUBLE_EQ(StrToFloatZero(" 1,5 ", french), 1.5);
    EXPECT_DOUBLE_EQ(StrToFloatZero("1.5", french), 0);
    EXPECT_DOUBLE_EQ(StrToFloatZero("-0.25", QLocale::c()), -0.25);
    EXPECT_DOUBLE_EQ(StrToFloatZero("abc", QLocale::c()), 0);
    struct Case {
        const char* text;
        const char* one;
        const char* two;
    };
    const Case cases[] = {{"a\r\nb\r\nc", "a", "b"}, {"a\nb", "a", "b"}, {"a\rb", "a", "b"},
                          {"seule", "seule", ""},    {"", "", ""},       {"\r\nb", "", "b"}};
    for (const Case& c : cases) {
        const auto [one, two] = SplitTwoLines(c.text);
        EXPECT_EQ(one, c.one) << c.text;
        EXPECT_EQ(two, c.two) << c.text;
    }
}

}  // namespace
}  // namespace tavrel
