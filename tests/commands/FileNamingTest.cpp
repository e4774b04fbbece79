#include "commands/FileNaming.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "scenes/FileNameCodes.h"
#include "support/FrenchSettings.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace tavrel {
namespace {

TEST(MakeDestination, BesideTheSourceOrInTheOutputFolder) {
    TSettings settings;
    struct Case {
        bool sameFolder;
        const char* dossierSave;
        const char* source;
        const char* suffix;
        const char* expected;
    };
    const Case cases[] = {
        {true, "/out", "/v/clip.avi", "_type1.avi", "/v/clip_type1.avi"},
        {false, "/out", "/v/clip.avi", "_type1.avi", "/out/clip_type1.avi"},
        {false, "/out/", "/v/clip.AVI", ".wav", "/out/clip.wav"},
        {true, "", "/v/clip", "_type1.avi", "/v/clip_type1.avi"},
        {true, "", "/v.d/clip", ".srt", "/v.d/clip.srt"},
        {false, "", "/v/clip.avi", "_in.avi", "/v/clip_in.avi"},
        {false, "/out", "/v/a.b.avi", "_(+1jours).avi", "/out/a.b_(+1jours).avi"},
    };
    for (const Case& c : cases) {
        settings.Set("SameFolder", c.sameFolder);
        settings.Set("DossierSave", QString::fromUtf8(c.dossierSave));
        EXPECT_EQ(MakeDestination(c.source, c.suffix, settings), c.expected) << c.source;
    }
    // Scene and subtitle files stay beside the video whatever the setting.
    EXPECT_EQ(BesideDestination("/v/clip.avi", ".scn"), "/v/clip.scn");
}

TEST(ShiftSuffix, DaysHoursMinutesSeconds) {
    struct Case {
        double days;
        const char* expected;
    };
    const Case cases[] = {
        {1.5, "_(+1jours12h).avi"},
        {-0.25, "_(-6h).avi"},
        {0, "_(+).avi"},
        {-1, "_(-1jours).avi"},
        {2 + 1.0 / 24 + 5.0 / 1440 + 7.0 / 86400, "_(+2jours1h5mn7s).avi"},
        {30.0 / 1440, "_(+30mn).avi"},
        {1.0 / 86400, "_(+1s).avi"},
    };
    for (const Case& c : cases) EXPECT_EQ(ShiftSuffix(c.days), c.expected) << c.days;
}

TEST(PurgeName, TailsAndConditions) {
    struct Case {
        const char* source;
        const char* purged;
        bool canPurge;
    };
    const Case cases[] = {
        {"/v/clip_type2_ntsc.avi", "/v/clip.avi", true},
        {"/v/clip_(+1jours).avi", "/v/clip.avi", true},
        {"/v/vacances_été_2008.avi", "/v/vacances_été.avi", true},
        {"/v/clip_25.12.2008_14.30.00.avi", "/v/clip.avi", true},
        {"/v/clip_10h_1.avi", "/v/clip.avi", true},
        {"/v/clip_DVType2_ 16X9 .avi", "/v/clip.avi", true},
        {"/v/_type1.avi", "/v/.avi", true},
        {"/v/my_clip.avi", "/v/my_clip.avi", false},
        {"/v/clip_v2b.avi", "/v/clip_v2b.avi", false},
        {"/v/clip.avi", "/v/clip.avi", false},
        {"/v/clip_.avi", "/v/clip.avi", true},
        {"/v/clip_type1.MOV.AVI", "/v/clip_type1.MOV.AVI", false},
        // A "_" of the folder is no tail of the name.
        {"/v/2008_10/12.avi", "/v/2008_10/12.avi", false},
        {"/v/a_1/clip_in.avi", "/v/a_1/clip.avi", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PurgeName(QString::fromUtf8(c.source)), QString::fromUtf8(c.purged)) << c.source;
        EXPECT_EQ(CanPurge(QString::fromUtf8(c.source)), c.canPurge) << c.source;
    }
}

class NamingOnDisk : public ::testing::Test {
  protected:
    QString Path(const QString& name) const { return dir.path() + "/" + name; }
    void Touch(const QString& name, const QByteArray& content = "x") {
        QFile f(Path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QByteArray Read(const QString& name) {
        QFile f(Path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir;
};

TEST_F(NamingOnDisk, PurgedNamesAreFree) {
    Touch("clip_type2.avi");
    Touch("clip.avi");
    Touch("clip_1.avi");
    EXPECT_EQ(PurgeName(Path("clip_type2.avi")), Path("clip_2.avi"));
}

TEST_F(NamingOnDisk, UniqueRenameTargets) {
    EXPECT_EQ(UniqueRenameTarget(Path("2008_clip.avi")), Path("2008_clip.avi"));
    Touch("2008_clip.avi");
    Touch("2008_clip_1.avi");
    EXPECT_EQ(UniqueRenameTarget(Path("2008_clip.avi")), Path("2008_clip_2.avi"));
    // The source counts as taken: renaming to the same name gives "_1".
    Touch("a.avi");
    EXPECT_EQ(UniqueRenameTarget(Path("a.avi"), Path("a.avi")), Path("a_1.avi"));
    // A folder or a dangling link takes a name too.
    QDir(dir.path()).mkdir("d.avi");
    ASSERT_TRUE(QFile::link(Path("nowhere"), Path("l.avi")));
    EXPECT_EQ(UniqueRenameTarget(Path("d.avi")), Path("d_1.avi"));
    EXPECT_EQ(UniqueRenameTarget(Path("l.avi")), Path("l_1.avi"));
    // A source with a scene file does not take a name whose scene file is
    // someone else's.
    Touch("b.avi");
    Touch("b.scn");
    Touch("new.scn");
    EXPECT_EQ(UniqueRenameTarget(Path("new.avi"), Path("b.avi")), Path("new_1.avi"));
    EXPECT_EQ(UniqueRenameTarget(Path("new.avi"), Path("a.avi")), Path("new.avi"));
}

TEST_F(NamingOnDisk, RenameWithCompanionsNeverOverwrites) {
    Touch("a.avi", "video");
    Touch("a.scn", "scenes");
    Touch("a.srt", "subtitles");
    Touch("b.srt", "other");
    EXPECT_TRUE(RenameWithCompanions(Path("a.avi"), Path("b.avi")));
    EXPECT_EQ(Read("b.avi"), "video");
    EXPECT_EQ(Read("b.scn"), "scenes");
    // The companion whose name was taken stays where it was.
    EXPECT_EQ(Read("b.srt"), "other");
    EXPECT_EQ(Read("a.srt"), "subtitles");
    EXPECT_FALSE(QFileInfo::exists(Path("a.avi")));

    Touch("c.avi", "c");
    EXPECT_FALSE(RenameWithCompanions(Path("c.avi"), Path("b.avi")));
    EXPECT_EQ(Read("b.avi"), "video");
    EXPECT_EQ(Read("c.avi"), "c");
    EXPECT_FALSE(RenameWithCompanions(Path("missing.avi"), Path("z.avi")));
}

class RenameTest : public NamingOnDisk {
  protected:
    RenameTest() : file(Path("clip.avi"), TaviFichier::TUnanalysed{}) {
        regional = test::FrenchFormatSettings();
        TryEncodeDateTime({2008, 12, 25, 14, 30, 15, 0}, file.Datecode);
        file.DatecodeText = "25/12/2008 14:30:15";
        file.TimecodeText = "00.12.34.05";
        file.Codec = "dvsd";
        file.ImageText = "720x576";
        file.AudioText = "48000Hz 16bits stéréo";
        file.DurationText = "1:02:03.04";
    }
    TaviFichier file;
    TSettings settings;
    TFormatSettings regional;
};

TEST_F(RenameTest, DatecodeTimecodeAndPatternRenames) {
    settings.Set("FormatAjouterDatecode", "ddddd");
    EXPECT_EQ(AjouterDatecodeDestination(file, settings, &regional), Path("clip_25_12_2008.avi"));
    settings.Set("FormatAjouterDatecode", "hh:nn");
    EXPECT_EQ(AjouterDatecodeDestination(file, settings, &regional), Path("clip_14.30.avi"));
    settings.Set("DatecodeAvant", true);
    EXPECT_EQ(AjouterDatecodeDestination(file, settings, &regional), Path("14.30_clip.avi"));

    EXPECT_EQ(AjouterTimecodeDestination(file, settings, &regional), Path("clip_00.12.34.05.avi"));
    settings.Set("TimecodeAvant", true);
    EXPECT_EQ(AjouterTimecodeDestination(file, settings, &regional), Path("00.12.34.05_clip.avi"));

    settings.Set("TemplateRenommer", "video'%D%E");
    settings.Set("FormatRenommer", "yyyymmdd hh.nn.ss");
    EXPECT_EQ(RenommerDestination(file, settings, &regional), Path("video'20081225 14.30.15.avi"));
    // The file's time shift moves the date.
    file.TimeShift = 1.0 / 24;
    EXPECT_EQ(RenommerDestination(file, settings, &regional), Path("video'20081225 15.30.15.avi"));
    settings.Set("TemplateRenommer", "%C %I %A %U");
    EXPECT_EQ(RenommerDestination(file, settings, &regional),
              Path("dvsd 720x576 48000Hz 16bits stéréo 1.02.03.04"));
    // A pattern that gives no name renames nothing.
    settings.Set("TemplateRenommer", "");
    EXPECT_EQ(RenommerDestination(file, settings, &regional), "");
}

TEST_F(RenameTest, RenamingTwiceAddsTheDatecodeTwiceAndCounts) {
    settings.Set("FormatAjouterDatecode", "yyyy");
    const QString first = AjouterDatecodeDestination(file, settings, &regional);
    EXPECT_EQ(first, Path("clip_2008.avi"));
    TaviFichier renamed(first, TaviFichier::TUnanalysed{});
    renamed.Datecode = file.Datecode;
    EXPECT_EQ(AjouterDatecodeDestination(renamed, settings, &regional), Path("clip_2008_2008.avi"));
    Touch("clip_2008_2008.avi");
    EXPECT_EQ(AjouterDatecodeDestination(renamed, settings, &regional),
              Path("clip_2008_2008_1.avi"));
    EXPECT_EQ(PurgerNomDestination(renamed), Path("clip.avi"));
}

TEST_F(RenameTest, ExtensionKeepsItsCase) {
    TaviFichier upper(Path("Vacances.AVI"), TaviFichier::TUnanalysed{});
    upper.Datecode = file.Datecode;
    settings.Set("FormatAjouterDatecode", "yyyy");
    EXPECT_EQ(AjouterDatecodeDestination(upper, settings, &regional), Path("Vacances_2008.AVI"));
}

TEST_F(RenameTest, ExpandFileNameReplacesForbiddenCharacters) {
    EXPECT_EQ(ExpandFileName("%F %D", "dd/mm/yyyy hh:nn", file, &regional),
              Path("clip 25_12_2008 14.30"));
    EXPECT_EQ(ExpandFileNameText("%f%e", "", file, &regional), "clip.avi");
    EXPECT_EQ(ExpandFileNameText("a<b>c\"d/e\\f|g:h*i?", "", file, &regional),
              "a_b_c_d_e_f_g.h*i?");
    // Codes are replaced in order, later ones also in text put by earlier
    // ones.
    TaviFichier odd(Path("x%T.avi"), TaviFichier::TUnanalysed{});
    odd.TimecodeText = "00.00.01.00";
    EXPECT_EQ(ExpandFileNameText("%F", "", odd, &regional), "x00.00.01.00");
    // Without a datecode the record's text stands for it.
    TaviFichier none(Path("n.avi"), TaviFichier::TUnanalysed{});
    none.DatecodeText = "N/A";
    EXPECT_EQ(ExpandFileNameText("%F_%D", "yyyy", none, &regional), "n_N_A");
}

TEST_F(RenameTest, PreviewsUseTheSampleValues) {
    TDateTime now = 0;
    TryEncodeDateTime({2009, 1, 2, 3, 4, 5, 0}, now);
    EXPECT_EQ(FileNamePreview("%F_%D%E|%T|%C|%I|%A|%U", "ddddd hh:nn", now, &regional),
              QString::fromUtf8("Vidéo_02_01_2009 03.04.avi_0.54.32.10_dvsd_640x480_48000Hz "
                                "16bits stéréo_30s 12fr"));
    settings.Set("TemplateRenommer", "video'%D%E");
    settings.Set("FormatRenommer", "yyyymmdd hh.nn.ss");
    EXPECT_EQ(RenommerPreview(now, settings, &regional), "video'20090102 03.04.05.avi");
    settings.Set("FormatAjouterDatecode", "dd.mm.yyyy_hh.nn.ss");
    EXPECT_EQ(AjouterDatecodePreview(now, settings, &regional),
              QString::fromUtf8("Vidéo_02.01.2009_03.04.05.avi"));
    settings.Set("TimecodeAvant", true);
    EXPECT_EQ(AjouterTimecodePreview(now, settings, &regional),
              QString::fromUtf8("0.54.32.10_Vidéo.avi"));
}

}  // namespace
}  // namespace tavrel
