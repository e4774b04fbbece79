#include "framework/IniPreferencesMan.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryDir>

namespace tavrel {
namespace {

class IniStore : public ::testing::Test {
  protected:
    QString Path() const { return dir.filePath("Tavrel.ini"); }
    void WriteBytes(const QByteArray& bytes) {
        QFile f(Path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray FileBytes() const {
        QFile f(Path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The file as the program writes it: mark, UTF-16LE, CR LF after each line.
    void ExpectWellFormed() {
        const QByteArray bytes = FileBytes();
        ASSERT_GE(bytes.size(), 2);
        EXPECT_EQ(bytes.left(2), QByteArray("\xFF\xFE", 2));
        EXPECT_EQ(bytes.size() % 2, 0);
        QStringDecoder decoder(QStringConverter::Utf16LE);
        const QString text = decoder.decode(bytes.mid(2));
        EXPECT_FALSE(decoder.hasError());
        EXPECT_TRUE(text.endsWith("\r\n"));
        EXPECT_FALSE(text.contains(QRegularExpression("\r(?!\n)|(?<!\r)\n"))) << "bare CR or LF";
        const QStringList lines = text.split("\r\n");
        EXPECT_TRUE(lines.contains("[]"));
    }
    QTemporaryDir dir;
};

TEST_F(IniStore, EveryKindAndCompositeRoundTrips) {
    TFontValue font;
    font.Name = "Arial";
    font.Size = 14;
    font.Color = 0x0000FF;
    font.Pitch = 2;
    font.Bold = true;
    font.StrikeOut = true;
    const QStringList list = {"C:\\Vidéos\\été 2003.avi", "", "a=b", "[x]"};
    {
        TIniPreferencesMan ini(Path());
        ASSERT_TRUE(ini.OpenKey("UIForm", true));
        EXPECT_TRUE(ini.WriteString("waTitre", "Vacances d'été = 2003"));
        EXPECT_TRUE(ini.WriteBool("baOui", true));
        EXPECT_TRUE(ini.WriteBool("baNon", false));
        EXPECT_TRUE(ini.WriteInteger("iaVolume", -2500));
        EXPECT_TRUE(ini.WriteFloat("daDecalage", 1.0 / 24));
        EXPECT_TRUE(ini.WriteStrings("saFichiers", list));
        EXPECT_TRUE(ini.WriteFont("faPolice", font));
        EXPECT_TRUE(ini.WriteRect("raFenetre", TRectValue{10, 20, 810, 620}));
        ini.CloseKey();
        EXPECT_TRUE(ini.Flush());
    }
    ExpectWellFormed();

    TIniPreferencesMan ini(Path());
    ASSERT_TRUE(ini.OpenKey("uiform", false));
    QString s;
    EXPECT_TRUE(ini.ReadString("WATITRE", s));
    EXPECT_EQ(s, "Vacances d'été = 2003");
    bool b = false;
    EXPECT_TRUE(ini.ReadBool("baOui", b));
    EXPECT_TRUE(b);
    EXPECT_TRUE(ini.ReadBool("baNon", b));
    EXPECT_FALSE(b);
    std::int32_t i = 0;
    EXPECT_TRUE(ini.ReadInteger("iaVolume", i));
    EXPECT_EQ(i, -2500);
    double d = 0;
    EXPECT_TRUE(ini.ReadFloat("daDecalage", d));
    EXPECT_NEAR(d, 1.0 / 24, 1e-15);
    QStringList readList;
    EXPECT_TRUE(ini.ReadStrings("saFichiers", readList));
    EXPECT_EQ(readList, list);
    TFontValue readFont;
    EXPECT_TRUE(ini.ReadFont("faPolice", readFont));
    EXPECT_EQ(readFont, font);
    TRectValue rect;
    EXPECT_TRUE(ini.ReadRect("raFenetre", rect));
    EXPECT_EQ(rect, (TRectValue{10, 20, 810, 620}));
}

TEST_F(IniStore, KeysAndValuesLandWhereTheFileFormatPutsThem) {
    TIniPreferencesMan ini(Path());
    EXPECT_EQ(ini.Lines(), QStringList{"[]"});
    ini.OpenKey("UIForm", true);
    ini.WriteInteger("ia", 1);
    ini.WriteRect("ra", TRectValue{1, 2, 3, 4});
    ini.WriteInteger("ib", 2);
    ini.CloseKey();
    ini.WriteString("Version", "8.2.3");
    ini.WriteInteger("ia", 5);  // replaces nothing: another key
    ini.OpenKey("UIForm", true);
    ini.WriteInteger("IA", 7);  // replaces, in place
    const QStringList expected = {
        "[]", "Version=8.2.3", "ia=5",   "",      "[UIForm]", "IA=7",    "ib=2",
        "",   "[UIForm\\ra]",  "Left=1", "Top=2", "Right=3",  "Bottom=4"};
    EXPECT_EQ(ini.Lines(), expected);
    EXPECT_TRUE(ini.DeleteValue("ib"));
    EXPECT_FALSE(ini.DeleteValue("ib"));

    QStringList keys;
    ini.CloseKey();
    ini.GetKeyNames(keys);
    EXPECT_EQ(keys, QStringList{"UIForm"});
    QStringList values;
    ini.GetValueNames(values);
    EXPECT_EQ(values, (QStringList{"Version", "ia"}));
}

TEST_F(IniStore, TypedReadsOfHandWrittenValues) {
    WriteBytes(
        QByteArray("[]\r\n\r\n[UIForm]\r\nbaLower=true\r\nbaTrue=True\r\nbaVrai=Vrai\r\n"
                   "iaLetters=12a\r\niaSpaced= 12 \r\ndaText=abc\r\ndaComma=2,5\r\n"
                   "daPoint=2.5\r\nnoequals\r\n"));
    TIniPreferencesMan ini(Path());
    ASSERT_TRUE(ini.OpenKey("UIForm", false));
    bool b = true;
    EXPECT_FALSE(ini.ReadBool("baLower", b)) << "only True and False are booleans";
    EXPECT_FALSE(ini.ReadBool("baVrai", b));
    EXPECT_TRUE(b) << "a failed read leaves the variable";
    EXPECT_TRUE(ini.ReadBool("baTrue", b));
    std::int32_t i = 99;
    EXPECT_TRUE(ini.ReadInteger("iaLetters", i));
    EXPECT_EQ(i, 0);
    EXPECT_TRUE(ini.ReadInteger("iaSpaced", i));
    EXPECT_EQ(i, 12);
    EXPECT_FALSE(ini.ReadInteger("iaMissing", i));
    double d = 9;
    EXPECT_TRUE(ini.ReadFloat("daText", d));
    EXPECT_EQ(d, 0.0);
    EXPECT_TRUE(ini.ReadFloat("daComma", d));
    EXPECT_EQ(d, 2.5);
    EXPECT_TRUE(ini.ReadFloat("daPoint", d));
    EXPECT_EQ(d, 2.5);
    d = 9;
    EXPECT_FALSE(ini.ReadFloat("daMissing", d));
    QStringList names;
    ini.GetValueNames(names);
    EXPECT_FALSE(names.contains("noequals"));
}

TEST_F(IniStore, ListsFontsAndMissingComposites) {
    TIniPreferencesMan ini(Path());
    ini.OpenKey("UIForm", true);
    ASSERT_TRUE(ini.WriteStrings("saTrois", {"un", "deux", "trois"}));
    QStringList list;
    ASSERT_TRUE(ini.ReadStrings("saTrois", list));
    EXPECT_EQ(list, (QStringList{"un", "deux", "trois"}));

    // Another value in a list's key reads as one more item.
    ini.OpenKey("saTrois", false);
    ini.WriteString("Autre", "quatre");
    ini.CloseKey();
    list.clear();
    ASSERT_TRUE(ini.ReadStrings("saTrois", list));
    EXPECT_EQ(list, (QStringList{"un", "deux", "trois", "quatre"}));
    // A shorter list replaces every value, the extra one included.
    ASSERT_TRUE(ini.WriteStrings("saTrois", {"seul"}));
    list.clear();
    ini.ReadStrings("saTrois", list);
    EXPECT_EQ(list, QStringList{"seul"});

    TFontValue font;
    font.Bold = font.Underline = true;
    ASSERT_TRUE(ini.WriteFont("faPolice", font));
    TFontValue read;
    read.Italic = read.StrikeOut = true;
    ASSERT_TRUE(ini.ReadFont("faPolice", read));
    EXPECT_TRUE(read.Bold && read.Underline);
    EXPECT_FALSE(read.Italic || read.StrikeOut);

    // Reading what was never saved fails and leaves no empty key behind.
    const QStringList before = ini.Lines();
    EXPECT_FALSE(ini.ReadStrings("saJamais", list));
    EXPECT_FALSE(ini.ReadFont("faJamais", read));
    TRectValue rect;
    EXPECT_FALSE(ini.ReadRect("raJamais", rect));
    EXPECT_EQ(ini.Lines(), before);
}

TEST_F(IniStore, FontWithAMissingStyleFails) {
    WriteBytes(
        "[]\r\n\r\n[f]\r\nCharset=1\r\nColor=255\r\nName=Arial\r\nPitch=0\r\n"
        "PixelsperInch=96\r\nSize=12\r\nBold=True\r\nItalic=False\r\nStrikeOut=False\r\n");
    TIniPreferencesMan ini(Path());
    TFontValue font;
    EXPECT_FALSE(ini.ReadFont("f", font));
}

TEST_F(IniStore, ValuesWithLineBreaksStayOnOneLine) {
    const QString multi = "ligne 1\r\nligne 2\n[UIForm]\rfin \\ ok";
    const QString lookalike = "@Lignes(rien)";
    {
        TIniPreferencesMan ini(Path());
        ini.OpenKey("UIForm", true);
        ini.WriteString("waTexte", multi);
        ini.WriteString("waPiege", lookalike);
        ini.WriteString("waApres", "intact");
        EXPECT_EQ(ini.Lines().size(), 6);
    }
    TIniPreferencesMan ini(Path());
    ini.OpenKey("UIForm", false);
    QString s;
    ASSERT_TRUE(ini.ReadString("waTexte", s));
    EXPECT_EQ(s, multi);
    ASSERT_TRUE(ini.ReadString("waPiege", s));
    EXPECT_EQ(s, lookalike);
    ASSERT_TRUE(ini.ReadString("waApres", s));
    EXPECT_EQ(s, "intact");
}

TEST_F(IniStore, DoublesUseTheLocaleSeparator) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    {
        TIniPreferencesMan ini(Path());
        ini.WriteFloat("da", 0.5);
        EXPECT_TRUE(ini.Lines().contains("da=0,5"));
        double d = 0;
        EXPECT_TRUE(ini.ReadFloat("da", d));
        EXPECT_EQ(d, 0.5);
    }
    QLocale::setDefault(saved);
    // Read back under another locale, the value is still the same.
    TIniPreferencesMan ini(Path());
    double d = 0;
    EXPECT_TRUE(ini.ReadFloat("da", d));
    EXPECT_EQ(d, 0.5);
}

// Damaged or foreign files: every readable value is read, nothing crashes,
// and the next save writes a well-formed file.
TEST_F(IniStore, DamagedAndForeignFiles) {
    auto utf16 = [](const QString& text, QStringConverter::Encoding e) {
        QStringEncoder enc(e);
        return QByteArray(enc.encode(text));
    };
    const QString body = "[]\r\n\r\n[UIForm]\r\nwaTitre=Été à Noël\r\niaVolume=3\r\n";
    struct Case {
        const char* what;
        QByteArray bytes;
        const char* expectedTitle;  // nullptr: no value expected
    };
    QByteArray truncated = QByteArray("\xFF\xFE", 2) + utf16(body, QStringConverter::Utf16LE);
    truncated.chop(7);  // mid-character, inside the last line
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i) garbage += char((i * 131 + 17) & 0xFF);
    const Case cases[] = {
        {"UTF-16LE with mark", QByteArray("\xFF\xFE", 2) + utf16(body, QStringConverter::Utf16LE),
         "Été à Noël"},
        {"UTF-16BE with mark", QByteArray("\xFE\xFF", 2) + utf16(body, QStringConverter::Utf16BE),
         "Été à Noël"},
        {"UTF-8 with mark", QByteArray("\xEF\xBB\xBF") + body.toUtf8(), "Été à Noël"},
        {"UTF-8 without mark", body.toUtf8(), "Été à Noël"},
        {"Windows-1252",
         QByteArray("[]\r\n\r\n[UIForm]\r\nwaTitre=\xC9t\xE9 \xE0 No\xEBl \x80\r\n"),
         "Été à Noël €"},
        {"UTF-16LE without mark", utf16(body, QStringConverter::Utf16LE), "Été à Noël"},
        {"Unix line ends", QByteArray("[]\n\n[UIForm]\nwaTitre=Ete\n"), "Ete"},
        {"truncated UTF-16", truncated, "Été à Noël"},
        {"no root header", QByteArray("[UIForm]\r\nwaTitre=x\r\n"), "x"},
        {"binary garbage", garbage, nullptr},
        {"empty file", QByteArray(), nullptr},
        {"only a mark", QByteArray("\xFF\xFE", 2), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(c.bytes);
        {
            TIniPreferencesMan ini(Path());
            QString title;
            const bool found = ini.OpenKey("UIForm", false) && ini.ReadString("waTitre", title);
            if (c.expectedTitle) {
                EXPECT_TRUE(found);
                EXPECT_EQ(title, QString::fromUtf8(c.expectedTitle));
            }
            ini.CloseToRoot();
            ini.WriteString("Version", "neuf");
            ASSERT_TRUE(ini.Flush());
        }
        ExpectWellFormed();
        TIniPreferencesMan again(Path());
        QString version;
        EXPECT_TRUE(again.ReadString("Version", version));
        EXPECT_EQ(version, "neuf");
    }
}

TEST_F(IniStore, AnUnwritableFolderFailsWithAMessage) {
    WriteBytes(TIniPreferencesMan::EncodeLines({"[]", "Version=ancien"}));
    const QByteArray before = FileBytes();
    // A folder that cannot be written: its path goes through a plain file.
    QFile blocker(dir.filePath("pas-un-dossier"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TIniPreferencesMan bad(dir.filePath("pas-un-dossier/Tavrel.ini"));
    bad.WriteString("Version", "x");
    EXPECT_FALSE(bad.Flush());
    EXPECT_TRUE(bad.LastError().startsWith("Impossible d'écrire le fichier de préférences"));

    // A good write replaces the old file and leaves no temporary file.
    TIniPreferencesMan ini(Path());
    ini.WriteString("Version", "nouveau");
    ASSERT_TRUE(ini.Flush());
    EXPECT_NE(FileBytes(), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2) << "no temporary file left";
}

TEST_F(IniStore, ChangesReachTheFileWhenTheStoreIsFreed) {
    {
        TIniPreferencesMan ini(Path());
        ini.WriteInteger("ia", 3);
        EXPECT_FALSE(QFile::exists(Path()));
    }
    TIniPreferencesMan ini(Path());
    std::int32_t i = 0;
    EXPECT_TRUE(ini.ReadInteger("ia", i));
    EXPECT_EQ(i, 3);
}

TEST_F(IniStore, ImpliedParentKeysOpen) {
    WriteBytes("[]\r\n\r\n[UIForm\\faPolice]\r\nName=Arial\r\n");
    TIniPreferencesMan ini(Path());
    ASSERT_TRUE(ini.OpenKey("UIForm", false));
    QStringList keys;
    ini.GetKeyNames(keys);
    EXPECT_EQ(keys, QStringList{"faPolice"});
    ini.WriteInteger("ia", 1);  // the key gets its header on the first write
    EXPECT_TRUE(ini.Lines().contains("[UIForm]"));
    EXPECT_FALSE(ini.OpenKey("Absent", false));
    EXPECT_EQ(ini.CurrentPath(), "UIForm");
}

TEST_F(IniStore, AFileThatCannotBeReadIsNeverReplaced) {
    // Far too large to be a settings file (sparse: no disk space used).
    {
        QFile f(Path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(40 * 1024 * 1024));
    }
    {
        TIniPreferencesMan ini(Path());
        EXPECT_EQ(ini.Lines(), QStringList{"[]"});
        ini.WriteString("Version", "x");
        EXPECT_FALSE(ini.Flush());
        EXPECT_TRUE(ini.LastError().contains("n'a pas pu être lu"));
    }
    EXPECT_EQ(QFileInfo(Path()).size(), 40 * 1024 * 1024);
}

}  // namespace
}  // namespace tavrel
