#include "framework/OmbrixPreferences.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "framework/IniPreferencesMan.h"
#include "framework/RegPreferencesMan.h"

namespace tavrel {
namespace {

using enum TSavePreferences;

class Preferences : public ::testing::Test {
  protected:
    void SetUp() override { Configure(gp); }
    void Configure(TOmbrixPreferences& p) {
        p.SetTitre("Tavrel");
        p.SetVersion("Tavrel 8.2.3 fr de Ombrix");
        p.SetProgramFolder(program.path());
        p.SetUserConfigFolder(config.path());
        p.SetOnChangeMode([this](TSavePreferences m) { modes.push_back(m); });
        p.SetOnError([this](const QString& m) { errors << m; });
    }
    QString IniPath() const { return program.filePath("Tavrel.ini"); }
    QString UserPath() const { return config.filePath("Ombrix/Tavrel.json"); }
    QString MakerPath() const { return config.filePath("Ombrix"); }
    void MakeIni(const QStringList& lines) {
        QFile f(IniPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(TIniPreferencesMan::EncodeLines(lines));
    }
    void MakeUserStore(const QString& product, const QString& exeName) {
        TRegPreferencesMan reg(TRegPreferencesMan::StoreFileName(config.path(), product), true);
        reg.WriteString("ExeName", exeName);
    }
    QStringList IniLines() const {
        QFile f(IniPath());
        if (!f.open(QIODevice::ReadOnly)) return {};
        return TIniPreferencesMan::DecodeLines(f.readAll());
    }
    // What the main window saves: a key of its own with every kind inside.
    static void SaveWindow(TOmbrixPreferences& p) {
        p.OpenKey("UIForm");
        p.WriteInteger("Volume", -1000);
        p.WriteFont("FontIncrust", TFontValue{});
        p.WriteRect("FormSave", TRectValue{1, 2, 3, 4});
        p.WriteStrings("FileNames", {"a.avi", "b.avi"});
        p.CloseKey();
    }

    QTemporaryDir program;
    QTemporaryDir config;
    TOmbrixPreferences gp;
    std::vector<TSavePreferences> modes;
    QStringList errors;
};

TEST_F(Preferences, FirstRunAsksAtExitAndPortableWritesTheIniFile) {
    int loads = 0;
    gp.SetOnLoadPrefs([&](TOmbrixPreferences& p) {
        ++loads;
        EXPECT_FALSE(p.OpenKey("UIForm"));
        EXPECT_EQ(p.ReadInteger("Volume", 7), 7);
        EXPECT_EQ(p.ReadStrings("FileNames", {"défaut"}), QStringList{"défaut"});
    });
    gp.SetOnSavePrefs([](TOmbrixPreferences& p) { SaveWindow(p); });
    QString askedFor;
    gp.SetAskStorageMode([&](const QString& titre) {
        askedFor = titre;
        return std::optional(spPortable);
    });
    bool ownerShown = false;
    gp.OwnerShow([&] { ownerShown = true; });
    EXPECT_TRUE(ownerShown);
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(gp.Mode(), spNone);
    EXPECT_FALSE(QFile::exists(IniPath()));

    EXPECT_TRUE(gp.OwnerCloseQuery());
    EXPECT_EQ(askedFor, "Tavrel");
    EXPECT_EQ(gp.Mode(), spPortable);
    EXPECT_EQ(modes, (std::vector{spNone, spPortable}));

    const QStringList lines = IniLines();
    ASSERT_GE(lines.size(), 5);
    EXPECT_EQ(lines[0], "[]");
    EXPECT_EQ(lines[1], "Version=Tavrel 8.2.3 fr de Ombrix");
    EXPECT_TRUE(
        QRegularExpression("^Dernière Sauvegarde=\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d$")
            .match(lines[2])
            .hasMatch())
        << lines[2].toStdString();
    EXPECT_TRUE(lines[3].startsWith("ExeName="));
    for (const char* header :
         {"[UIForm]", "[UIForm\\FontIncrust]", "[UIForm\\FormSave]", "[UIForm\\FileNames]"})
        EXPECT_TRUE(lines.contains(header)) << header;
    EXPECT_TRUE(errors.isEmpty());

    // The next run finds the file and reads what was saved.
    TOmbrixPreferences next;
    Configure(next);
    std::int32_t volume = 0;
    next.SetOnLoadPrefs([&](TOmbrixPreferences& p) {
        ASSERT_TRUE(p.OpenKey("UIForm"));
        volume = p.ReadInteger("Volume", 0);
        EXPECT_EQ(p.ReadStrings("FileNames", {}), (QStringList{"a.avi", "b.avi"}));
        p.CloseKey();
    });
    next.OwnerShow();
    EXPECT_EQ(next.Mode(), spPortable);
    EXPECT_EQ(volume, -1000);
}

TEST_F(Preferences, NoAnswerRefusesTheCloseAndAsksAgain) {
    int asked = 0;
    std::optional<TSavePreferences> answer;
    gp.SetAskStorageMode([&](const QString&) {
        ++asked;
        return answer;
    });
    gp.OwnerShow();
    EXPECT_FALSE(gp.OwnerCloseQuery());
    EXPECT_FALSE(QFile::exists(IniPath()));
    EXPECT_FALSE(QFile::exists(UserPath()));
    answer = spNone;  // "Aucun"
    EXPECT_TRUE(gp.OwnerCloseQuery());
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(QFile::exists(IniPath()));
    EXPECT_FALSE(QFile::exists(UserPath()));
}

TEST_F(Preferences, AnOwnerThatRefusesToCloseIsNotAskedNorSaved) {
    bool asked = false;
    gp.SetAskStorageMode([&](const QString&) {
        asked = true;
        return std::optional(spPortable);
    });
    gp.OwnerShow();
    EXPECT_FALSE(gp.OwnerCloseQuery([] { return false; }));
    EXPECT_FALSE(asked);
    EXPECT_FALSE(QFile::exists(IniPath()));
}

TEST_F(Preferences, BothStoragesExistTheIniWinsAndTheUserStoreGoes) {
    MakeIni({"[]", "Version=x"});
    MakeUserStore("Tavrel", "/old/tavrel");
    MakeUserStore("Imagette", "/usr/bin/imagette");
    EXPECT_EQ(gp.DetectMode(), spPortable);
    gp.OwnerShow();
    EXPECT_EQ(gp.Mode(), spPortable);
    EXPECT_TRUE(QFile::exists(IniPath()));
    EXPECT_FALSE(QFile::exists(UserPath()));
    EXPECT_TRUE(QDir(MakerPath()).exists()) << "another program of the maker is still there";
    EXPECT_EQ(TOmbrixPreferences::SiblingExeName("Imagette", config.path()), "/usr/bin/imagette");
}

TEST_F(Preferences, TheMakersFolderGoesWithItsLastProgram) {
    MakeIni({"[]"});
    MakeUserStore("Tavrel", "/old/tavrel");
    gp.OwnerShow();
    EXPECT_FALSE(QFile::exists(UserPath()));
    EXPECT_FALSE(QDir(MakerPath()).exists());
    EXPECT_EQ(TOmbrixPreferences::SiblingExeName("Imagette", config.path()), "");
}

TEST_F(Preferences, NormalModeRoundTripAndTheOptionsPageChoice) {
    MakeUserStore("Tavrel", "/old/tavrel");
    EXPECT_EQ(gp.DetectMode(), spRegistre);
    gp.SetOnSavePrefs([](TOmbrixPreferences& p) { SaveWindow(p); });
    gp.OwnerShow();
    EXPECT_EQ(gp.Mode(), spRegistre);
    EXPECT_TRUE(gp.OwnerCloseQuery());
    EXPECT_EQ(TOmbrixPreferences::SiblingExeName("Tavrel", config.path()),
              TOmbrixPreferences::RunningProgram());
    EXPECT_FALSE(TOmbrixPreferences::RunningProgram().isEmpty());

    TOmbrixPreferences next;
    Configure(next);
    next.OwnerShow();
    ASSERT_TRUE(next.OpenKey("UIForm"));
    EXPECT_EQ(next.ReadRect("FormSave", {}), (TRectValue{1, 2, 3, 4}));
    next.CloseKey();

    // Portable from the options page: the ini file appears at once and the
    // user store goes; back to normal: the ini file goes at once.
    next.SetStorageMode(1);
    EXPECT_EQ(next.Mode(), spPortable);
    EXPECT_TRUE(QFile::exists(IniPath()));
    EXPECT_FALSE(QFile::exists(UserPath()));
    next.WriteInteger("ia", 5);
    next.SetStorageMode(0);
    EXPECT_FALSE(QFile::exists(IniPath()));
    EXPECT_TRUE(QFile::exists(UserPath()));
    next.SetStorageMode(7);  // not an item of the choice
    EXPECT_EQ(next.Mode(), spRegistre);
    // "Ne pas enregistrer en quittant" removes both at once.
    next.SetStorageMode(spNone);
    EXPECT_FALSE(QFile::exists(IniPath()));
    EXPECT_FALSE(QFile::exists(UserPath()));
}

TEST_F(Preferences, AStorageThatCannotBeWrittenKeepsTheOldOne) {
    MakeUserStore("Tavrel", "/old/tavrel");
    gp.OwnerShow();
    ASSERT_EQ(gp.Mode(), spRegistre);
    // The program's folder cannot take the ini file: it is a plain file.
    QFile blocker(program.filePath("bin"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    gp.SetProgramFolder(program.filePath("bin"));
    gp.SetStorageMode(spPortable);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith("Impossible d'écrire le fichier de préférences"));
    EXPECT_TRUE(QFile::exists(UserPath())) << "the settings of normal mode are not thrown away";
}

TEST_F(Preferences, NoneModeReadsDefaultsAndDropsWrites) {
    ASSERT_EQ(gp.Mode(), spNone);
    EXPECT_FALSE(gp.OpenKey("UIForm"));
    EXPECT_FALSE(gp.CloseKey());
    EXPECT_FALSE(gp.WriteString("a", "b"));
    EXPECT_FALSE(gp.WriteFont("f", {}));
    EXPECT_EQ(gp.ReadString("a", "déf"), "déf");
    EXPECT_EQ(gp.ReadFloat("d", 2.5), 2.5);
    EXPECT_TRUE(gp.ReadBool("b", true));
    TFontValue font;
    font.Name = "Arial";
    EXPECT_EQ(gp.ReadFont("f", font), font);
    EXPECT_EQ(gp.ReadRect("r", TRectValue{1, 1, 2, 2}), (TRectValue{1, 1, 2, 2}));
    EXPECT_TRUE(gp.DeleteIniPrefs()) << "nothing to delete is no error";
    EXPECT_TRUE(gp.DeleteRegistryPrefs());
}

TEST_F(Preferences, UnreadableValuesGiveTheDefaults) {
    MakeIni({"[]", "", "[UIForm]", "baFlag=true", "Volume=12a", "", "[UIForm\\FontIncrust]",
             "Charset=1", "Color=x", "Name=Arial"});
    gp.OwnerShow();
    ASSERT_TRUE(gp.OpenKey("UIForm"));
    EXPECT_TRUE(gp.ReadBool("baFlag", true));
    EXPECT_FALSE(gp.ReadBool("baFlag", false));
    EXPECT_EQ(gp.ReadInteger("Volume", 5), 0);
    TFontValue def;
    def.Name = "Défaut";
    def.Size = 30;
    EXPECT_EQ(gp.ReadFont("FontIncrust", def), def) << "a font read part-way is the whole default";
}

}  // namespace
}  // namespace tavrel
