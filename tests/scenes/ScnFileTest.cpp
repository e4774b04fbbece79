#include "scenes/ScnFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "avi/AviFichier.h"
#include "framework/Settings.h"
#include "scenes/SceneList.h"
#include "scenes/WriteScene.h"

namespace tavrel {
namespace {

// Scene files built by hand from the layout, independently of the writer.
QByteArray Hex(const char* hex) {
    return QByteArray::fromHex(hex);
}

QByteArray U32(std::uint32_t v) {
    QByteArray b;
    for (int i = 0; i < 4; ++i) b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    return b;
}

QByteArray U16(std::uint16_t v) {
    return U32(v).left(2);
}

QByteArray Wide(const QString& text) {
    QByteArray b = Hex("fffeff");
    b.append(static_cast<char>(text.size()));
    for (QChar c : text) b.append(U16(c.unicode()));
    return b;
}

QByteArray Header(const QString& path, std::uint16_t count) {
    return Hex("63260100040000 00ffff03000a00") + "SourceTape" + Wide(path) +
           Hex("00000000 00000c00") + U16(count);
}

QByteArray FirstRecord(const QString& path, std::uint32_t end, std::int32_t offset = 0,
                       const QString& title = {}) {
    const char flagA = title.isEmpty() ? 0 : char(0x80);
    const char flagB = offset == 0 ? 0 : 0x40;
    QByteArray b = Hex("ffff01000400") + "Clip" + Hex("50");
    b.append(flagA).append(flagB).append('\0');
    b += Hex("ffff01000500") + "Scene" + Hex("00") + U32(0) + U32(end) + Hex("000000000180") +
         Wide(path) + U32(0) + U32(0) + U32(end);
    if (offset != 0) b += U32(static_cast<std::uint32_t>(offset));
    if (!title.isEmpty()) b += Wide(title);
    return b;
}

QByteArray NextRecord(std::uint32_t start, std::uint32_t count, std::int32_t offset = 0,
                      const QString& title = {}) {
    QByteArray b = Hex("0380f0");
    b.append(title.isEmpty() ? '\0' : char(0x80)).append(offset == 0 ? '\0' : char(0x40));
    b += Hex("000580") + Hex("fffeff00") + U32(start) + U32(count) + Hex("000000000700") +
         U32(start) + U32(count) + U32(start);
    if (offset != 0) b += U32(static_cast<std::uint32_t>(offset));
    if (!title.isEmpty()) b += Wide(title);
    return b;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

TSceneClass MakeScene(std::uint32_t start, std::uint32_t end, const QString& title = {},
                      const QString& subtitle = {}, std::int32_t offset = 0) {
    TSceneClass s(start, end);
    s.Title = title;
    s.Subtitle = subtitle;
    s.ThumbnailOffset = offset;
    return s;
}

class ScnFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        TSettings::Global().Reset();
        video = dir.filePath(QStringLiteral("cassette1.avi"));
        scn = dir.filePath(QStringLiteral("cassette1.scn"));
    }
    QTemporaryDir dir;
    QString video;
    QString scn;
};

TEST(ScnFilePath, ExtensionRule) {
    EXPECT_EQ(ScnFilePath("/films/cassette1.avi"), "/films/cassette1.scn");
    EXPECT_EQ(ScnFilePath("/films/cassette1"), "/films/cassette1.scn");
    EXPECT_EQ(ScnFilePath("/films.2003/cassette1"), "/films.2003/cassette1.scn");
    EXPECT_EQ(ScnFilePath("/films/a.b.AVI"), "/films/a.b.scn");
    EXPECT_EQ(ReplaceExtension("/films/cassette1.avi", "_scn.txt"), "/films/cassette1_scn.txt");
}

TEST_F(ScnFileTest, WrittenFileMatchesTheLayoutByteForByte) {
    {
        TwriteScene writer(video);
        EXPECT_TRUE(writer.WriteScene(MakeScene(0, 250, "Anniversaire", "")));
        EXPECT_TRUE(writer.WriteScene(MakeScene(250, 400, "", "", 37)));
        EXPECT_TRUE(writer.WriteScene(MakeScene(400, 1000, "", "Plage", -5)));
        EXPECT_TRUE(writer.Close());
        EXPECT_FALSE(writer.Failed());
    }
    const QByteArray expected = Header(video, 3) + FirstRecord(video, 250, 0, "Anniversaire\r\n") +
                                NextRecord(250, 150, 37) + NextRecord(400, 600, -5, "\r\nPlage");
    EXPECT_EQ(ReadAll(scn).toHex(' '), expected.toHex(' '));
}

TEST_F(ScnFileTest, FirstRecordIsWrittenFromFrameZero) {
    {
        TwriteScene writer(video);
        writer.WriteScene(MakeScene(12, 90));
    }
    EXPECT_EQ(ReadAll(scn), Header(video, 1) + FirstRecord(video, 90));
}

TEST_F(ScnFileTest, CountFollowsEachRecord) {
    // A 40-character path puts the count at 36 + 2 × 40.
    QString path = dir.path() + QStringLiteral("/");
    path += QString(40 - path.size() - 4, QLatin1Char('v')) + QStringLiteral(".avi");
    ASSERT_EQ(path.size(), 40);
    const QString scnPath = ScnFilePath(path);

    TwriteScene writer(path);
    EXPECT_EQ(ReadAll(scnPath).size(), 116);  // header only, no count yet
    const std::uint32_t starts[] = {0, 100, 200};
    for (int k = 0; k < 3; ++k) {
        ASSERT_TRUE(writer.WriteScene(MakeScene(starts[k], starts[k] + 100)));
        const QByteArray bytes = ReadAll(scnPath);
        ASSERT_GE(bytes.size(), 118);
        EXPECT_EQ(bytes.mid(116, 2), U16(static_cast<std::uint16_t>(k + 1)))
            << "after record " << k + 1;
        // Whatever was written so far reads back as a whole file.
        TSceneList list;
        EXPECT_TRUE(ReadScnFile(scnPath, list));
        EXPECT_EQ(list.Count(), k + 1);
    }
    EXPECT_EQ(writer.Count(), 3);
}

TEST_F(ScnFileTest, ReadsAHandBuiltFile) {
    const QString otherPath =
        QStringLiteral("D:\\Films\\cassette1.avi");  // as another program wrote it
    WriteAll(scn, Header(otherPath, 3) + FirstRecord(otherPath, 250, 0, "Anniversaire\r\nDe Léa") +
                      NextRecord(250, 150, 37) + NextRecord(400, 600, 0, "\r\nPlage"));
    TSceneList list;
    ASSERT_TRUE(ReadScnFile(scn, list));
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.DisplayText(0), "Scène 1: Anniversaire");
    EXPECT_EQ(list.Scene(0).Subtitle, "De Léa");
    EXPECT_EQ(list.Scene(0).StartFrame, 0u);
    EXPECT_EQ(list.Scene(0).EndFrame, 250u);
    EXPECT_EQ(list.Scene(1).StartFrame, 250u);
    EXPECT_EQ(list.Scene(1).EndFrame, 400u);
    EXPECT_EQ(list.Scene(1).ThumbnailOffset, 37);
    EXPECT_EQ(list.Scene(1).Title, "");
    EXPECT_EQ(list.DisplayText(1), "Scène 2: ");
    EXPECT_EQ(list.Scene(2).Title, "");
    EXPECT_EQ(list.Scene(2).Subtitle, "Plage");
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(list.Scene(k).Number, k + 1);
        EXPECT_FALSE(list.Scene(k).DetailsReady);
    }
}

TEST_F(ScnFileTest, SingleRecordAndStoredZeroOffset) {
    // N = 1: exactly one scene. A stored 0 under flag B reads as 0.
    QByteArray bytes = Header(video, 1) + FirstRecord(video, 75, 1);
    bytes.replace(bytes.size() - 4, 4, U32(0));
    WriteAll(scn, bytes);
    TSceneList list;
    ASSERT_TRUE(ReadScnFile(scn, list));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Scene(0).EndFrame, 75u);
    EXPECT_EQ(list.Scene(0).ThumbnailOffset, 0);
}

TEST_F(ScnFileTest, TitleLinesAndSingleByteStrings) {
    struct Case {
        QByteArray stored;  // the string block of the title
        const char* title;
        const char* subtitle;
    };
    auto single = [](const QByteArray& text) { return char(text.size()) + text; };
    auto longForm = [](const QByteArray& text) { return Hex("ff") + U16(text.size()) + text; };
    const Case cases[] = {
        {Wide("Un\rDeux\nTrois"), "Un", "Deux"},
        {Wide("Un\n\nTrois"), "Un", ""},
        {Wide("Seul"), "Seul", ""},
        {single("No\xc3\xabl\r\nF\xc3\xaate"), "Noël", "Fête"},  // UTF-8
        {single("No\xebl\r\nF\xeate \x80"), "Noël", "Fête €"},   // Windows-1252
        {longForm("Ann\xe9"
                  "e 2003"),
         "Année 2003", ""},       // long single-byte form
        {Hex("ff0000"), "", ""},  // long form of length 0
        {Hex("fffeff00"), "", ""},
    };
    for (const Case& c : cases) {
        QByteArray record = FirstRecord(video, 10, 0, "x");
        record.chop(Wide("x").size());
        WriteAll(scn, Header(video, 1) + record + c.stored);
        TSceneList list;
        ASSERT_TRUE(ReadScnFile(scn, list)) << c.title;
        EXPECT_EQ(list.Scene(0).Title, QString::fromUtf8(c.title));
        EXPECT_EQ(list.Scene(0).Subtitle, QString::fromUtf8(c.subtitle));
    }
    EXPECT_EQ(DecodeSingleByteText("\x93Oui\x94 \x9c"), QString::fromUtf8("“Oui” œ"));
}

TEST_F(ScnFileTest, TruncatedAndForeignFiles) {
    const QByteArray whole = Header(video, 3) + FirstRecord(video, 250) + NextRecord(250, 150) +
                             NextRecord(400, 600, 12, "Fin");
    const qsizetype third =
        Header(video, 3).size() + FirstRecord(video, 250).size() + NextRecord(250, 150).size();
    // Cut in the middle of record 3, and where only the offset and the
    // title that its flags announce are missing (14 bytes), or part of them.
    for (qsizetype cut :
         {third + 10, third + 30, whole.size() - 14, whole.size() - 10, whole.size() - 1}) {
        WriteAll(scn, whole.left(cut));
        TSceneList list;
        EXPECT_FALSE(ReadScnFile(scn, list)) << cut;
        EXPECT_EQ(list.Count(), 2) << cut;
    }
    WriteAll(scn, whole);
    TSceneList list;
    EXPECT_TRUE(ReadScnFile(scn, list));
    EXPECT_EQ(list.Count(), 3);

    // Files of other kinds, or none at all.
    for (const QByteArray& foreign :
         {QByteArray(), QByteArray("Ceci n'est pas un fichier scn.\r\n"), Header(video, 2)}) {
        WriteAll(scn, foreign);
        EXPECT_FALSE(ReadScnFile(scn, list));
        EXPECT_EQ(list.Count(), 0);
    }
    EXPECT_FALSE(ReadScnFile(dir.filePath("absent.scn"), list));
}

TEST_F(ScnFileTest, LongStringsAreRefusedNotTruncated) {
    WriteAll(scn, "old");
    // A path of 255 units: no file is touched.
    const QString longVideo = dir.path() + QStringLiteral("/") +
                              QString(255 - dir.path().size() - 5, QLatin1Char('x')) +
                              QStringLiteral(".avi");
    ASSERT_EQ(longVideo.size(), 255);
    {
        TwriteScene writer(longVideo);
        EXPECT_TRUE(writer.Failed());
        EXPECT_TRUE(writer.ErrorText().contains(QStringLiteral("trop long")));
        EXPECT_FALSE(writer.WriteScene(MakeScene(0, 10)));
        EXPECT_FALSE(writer.Close());
    }
    EXPECT_FALSE(QFile::exists(ScnFilePath(longVideo)));

    // A title + CR LF + subtitle of 254 units fits; 255 is refused, and the
    // writer then stops: the file holds the scenes before it, and says so.
    TwriteScene writer(video);
    EXPECT_TRUE(writer.WriteScene(MakeScene(0, 10, QString(252, 'a'))));
    EXPECT_FALSE(writer.WriteScene(MakeScene(10, 20, QString(200, 'a'), QString(53, 'b'))));
    EXPECT_TRUE(writer.ErrorText().contains(QStringLiteral("scène 2")));
    EXPECT_FALSE(writer.WriteScene(MakeScene(20, 30)));
    EXPECT_FALSE(writer.Close());
    TSceneList list;
    EXPECT_TRUE(ReadScnFile(scn, list));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Scene(0).Title, QString(252, 'a'));
}

TEST_F(ScnFileTest, FileThatCannotBeCreatedIsReported) {
    TwriteScene missingFolder(dir.filePath("absent/video.avi"));
    EXPECT_TRUE(missingFolder.Failed());
    EXPECT_FALSE(missingFolder.WriteScene(MakeScene(0, 10)));

    ASSERT_TRUE(QDir(dir.path()).mkdir("cassette1.scn"));  // a folder in the way
    TwriteScene blocked(video);
    EXPECT_TRUE(blocked.Failed());
    EXPECT_TRUE(blocked.ErrorText().contains(scn));
}

// Loading and saving the list of the edited video.
class SceneListFileTest : public ScnFileTest {
  protected:
    void SetUp() override {
        ScnFileTest::SetUp();
        record = std::make_unique<TaviFichier>(video, TaviFichier::TUnanalysed{});
        record->Fps = 25;
        record->FrameCount = 1500;
        record->Width = 720;
        record->Height = 540;
    }
    std::unique_ptr<TaviFichier> record;
};

TEST_F(SceneListFileTest, LoadsTheSingleSceneTheFileOrTheErrorEntry) {
    TSceneList list;
    EXPECT_EQ(LoadSceneList(list, *record), TSceneListOrigin::SingleScene);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.DisplayText(0), "1: Scène unique");
    EXPECT_EQ(list.Scene(0).Subtitle, "correspondant à vidéo non analysée");
    EXPECT_EQ(list.Scene(0).EndFrame, 1500u);
    EXPECT_EQ(list.Scene(0).Number, 1);
    EXPECT_EQ(list.Scene(0).DurationText, "01:00.00");
    EXPECT_EQ(list.Scene(0).ThumbnailSize, QSize(320, 240));
    EXPECT_FALSE(list.Modified());

    const QByteArray whole =
        Header(video, 3) + FirstRecord(video, 250) + NextRecord(250, 150) + NextRecord(400, 1100);
    WriteAll(scn, whole);
    EXPECT_EQ(LoadSceneList(list, *record), TSceneListOrigin::ScnFile);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Scene(1).DurationText, "06.00");

    WriteAll(scn, whole.left(whole.size() - 20));
    EXPECT_EQ(LoadSceneList(list, *record), TSceneListOrigin::ScnFileError);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.DisplayText(2), "1: Erreur dans le fichier scn");
    EXPECT_EQ(list.Scene(2).StartFrame, 0u);
    EXPECT_EQ(list.Scene(2).EndFrame, 0u);
    EXPECT_EQ(list.Scene(2).Number, 0);
}

TEST_F(SceneListFileTest, SavesAndRefusesBeforeTouchingTheOldFile) {
    TSceneList list;
    LoadSceneList(list, *record);
    list.Scene(0).ThumbnailOffset = 40;
    list.SetModified(true);
    QString error;
    ASSERT_TRUE(SaveSceneList(list, video, &error)) << error.toStdString();
    EXPECT_FALSE(list.Modified());
    const QByteArray saved = ReadAll(scn);
    EXPECT_EQ(saved,
              Header(video, 1) + FirstRecord(video, 1500, 40,
                                             "Scène unique\r\ncorrespondant à vidéo non analysée"));

    list.Scene(0).Title = QString(300, 'x');
    list.SetModified(true);
    EXPECT_FALSE(SaveSceneList(list, video, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("trop longs")));
    EXPECT_TRUE(list.Modified());
    EXPECT_EQ(ReadAll(scn), saved);
}

}  // namespace
}  // namespace tavrel
