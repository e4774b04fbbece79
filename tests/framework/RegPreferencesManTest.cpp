#include "framework/RegPreferencesMan.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>

namespace tavrel {
namespace {

class UserStore : public ::testing::Test {
  protected:
    QString Path() const { return TRegPreferencesMan::StoreFileName(dir.path(), "Tavrel"); }
    QByteArray FileBytes() const {
        QFile f(Path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir;
};

TEST_F(UserStore, LivesInTheMakersFolder) {
    EXPECT_EQ(Path(), dir.filePath("Ombrix/Tavrel.json"));
    TRegPreferencesMan missing(Path(), false);
    EXPECT_FALSE(missing.IsOpen());
    QString s;
    EXPECT_FALSE(missing.ReadString("ExeName", s));
    EXPECT_FALSE(missing.WriteString("ExeName", "x"));
    EXPECT_FALSE(QFile::exists(Path()));

    TRegPreferencesMan created(Path(), true);
    EXPECT_TRUE(created.IsOpen());
    EXPECT_TRUE(QFile::exists(Path())) << "the root key exists as soon as it is created";
}

TEST_F(UserStore, TypedValuesRoundTripAndKeepTheirTypes) {
    TFontValue font;
    font.Name = "DejaVu Sans";
    font.Size = 11;
    font.Color = std::int32_t(0x80000008);  // a system colour
    font.Italic = font.Underline = true;
    QStringList many;
    for (int i = 0; i < 12; ++i) many << QString("fichier %1").arg(i);
    {
        TRegPreferencesMan reg(Path(), true);
        ASSERT_TRUE(reg.OpenKey("UIForm", true));
        reg.WriteString("waTitre", "Été");
        reg.WriteString("waVide", "");
        reg.WriteBool("baOui", true);
        reg.WriteInteger("iaVolume", -2500);
        reg.WriteFloat("daDecalage", 1.0 / 3);
        reg.WriteStrings("saFichiers", many);
        reg.WriteFont("faPolice", font);
        reg.WriteRect("raFenetre", TRectValue{-8, -8, 1928, 1088});
        reg.CloseKey();
    }
    TRegPreferencesMan reg(Path(), false);
    ASSERT_TRUE(reg.OpenKey("uiform", false));
    QString s;
    EXPECT_TRUE(reg.ReadString("WATITRE", s));
    EXPECT_EQ(s, "Été");
    EXPECT_TRUE(reg.ReadString("waVide", s));
    EXPECT_EQ(s, "");
    bool b = false;
    EXPECT_TRUE(reg.ReadBool("baOui", b));
    EXPECT_TRUE(b);
    std::int32_t i = 0;
    EXPECT_TRUE(reg.ReadInteger("iaVolume", i));
    EXPECT_EQ(i, -2500);
    double d = 0;
    EXPECT_TRUE(reg.ReadFloat("daDecalage", d));
    EXPECT_EQ(d, 1.0 / 3) << "the double's own bytes";
    QStringList list;
    EXPECT_TRUE(reg.ReadStrings("saFichiers", list));
    EXPECT_EQ(list, many) << "String10 and String11 stay after String9";
    TFontValue readFont;
    EXPECT_TRUE(reg.ReadFont("faPolice", readFont));
    EXPECT_EQ(readFont, font);
    TRectValue rect;
    EXPECT_TRUE(reg.ReadRect("raFenetre", rect));
    EXPECT_EQ(rect, (TRectValue{-8, -8, 1928, 1088}));

    // A value read as another type fails and leaves the variable.
    s = "inchangé";
    EXPECT_FALSE(reg.ReadString("iaVolume", s));
    EXPECT_EQ(s, "inchangé");
    EXPECT_FALSE(reg.ReadInteger("waTitre", i));
    EXPECT_FALSE(reg.ReadFloat("iaVolume", d));
    reg.WriteInteger("baDeux", 2);
    b = true;
    EXPECT_FALSE(reg.ReadBool("baDeux", b));
    EXPECT_TRUE(b);
}

TEST_F(UserStore, ChangesAreWrittenWhenTheKeyCloses) {
    TRegPreferencesMan reg(Path(), true);
    reg.OpenKey("UIForm", true);
    reg.WriteInteger("ia", 1);
    EXPECT_FALSE(FileBytes().contains("\"ia\""));
    reg.CloseKey();
    EXPECT_TRUE(FileBytes().contains("\"ia\""));
    reg.WriteInteger("ib", 2);
    EXPECT_TRUE(reg.Flush());
    EXPECT_TRUE(FileBytes().contains("\"ib\""));

    QStringList names;
    reg.GetKeyNames(names);
    EXPECT_EQ(names, QStringList{"UIForm"});
    EXPECT_TRUE(reg.DeleteValue("IB"));
    EXPECT_FALSE(reg.DeleteValue("ib"));
}

TEST_F(UserStore, DamagedFilesGiveWhatCanBeReadAndAreRewrittenWhole) {
    const QByteArray cases[] = {
        "not json at all",
        "{\"values\":[{\"name\":\"Version\",\"type\":\"REG_SZ\",\"data\":\"8",  // cut short
        "[1,2,3]",
        "{\"values\":[{\"name\":\"Version\",\"type\":\"REG_SZ\",\"data\":\"ok\"},"
        "{\"name\":\"bad\",\"type\":\"REG_DWORD\",\"data\":-4},{\"type\":\"REG_SZ\"},7],"
        "\"keys\":[{\"name\":\"\"},{\"name\":\"UIForm\",\"values\":\"x\"}]}",
    };
    for (const QByteArray& bytes : cases) {
        SCOPED_TRACE(bytes.toStdString());
        QFile::remove(Path());
        { TRegPreferencesMan create(Path(), true); }
        {
            QFile f(Path());
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(bytes);
        }
        TRegPreferencesMan reg(Path(), true);
        ASSERT_TRUE(reg.IsOpen());
        QString version;
        if (reg.ReadString("Version", version)) {
            EXPECT_EQ(version, "ok");
        }
        std::int32_t i = 0;
        EXPECT_FALSE(reg.ReadInteger("bad", i));
        reg.WriteString("ExeName", "/usr/bin/tavrel");
        ASSERT_TRUE(reg.Flush());
        QJsonParseError error;
        QJsonDocument::fromJson(FileBytes(), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError);
    }
}

TEST_F(UserStore, AStoreThatCannotBeReadStaysClosed) {
    { TRegPreferencesMan create(Path(), true); }
    {
        QFile f(Path());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.resize(40 * 1024 * 1024));
    }
    {
        TRegPreferencesMan reg(Path(), true);
        EXPECT_FALSE(reg.IsOpen());
        EXPECT_FALSE(reg.WriteString("ExeName", "x"));
        EXPECT_FALSE(reg.Flush());
    }
    EXPECT_EQ(QFileInfo(Path()).size(), 40 * 1024 * 1024);
}

}  // namespace
}  // namespace tavrel
