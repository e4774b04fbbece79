#include "commands/Catalogue.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>

#include "CatalogueFixture.h"
#include "scenes/DateFormat.h"
#include "scenes/SceneList.h"
#include "scenes/ScnFile.h"
#include "scenes/WriteScene.h"

namespace tavrel::test {
namespace {

const QString kManyCustom = QStringLiteral(
    "\r\nSi vous répondez \"Oui à Tous\" ou \"Non à Tous\", alors plus aucune confirmation ne "
    "sera demandée.");
const QString kManyOverwrite = QStringLiteral(
    "\r\nSi vous répondez \"Tous\", alors plus aucune confirmation ne sera demandée");

// --- The list ------------------------------------------------------------------

TEST_F(CatalogueTest, EveryCommandIsFoundByItsActionName) {
    const char* names[] = {"DossierParent",
                           "SupprimerFichier",
                           "OpenFichierF3",
                           "OpenFichierF4",
                           "DecalageHoraire",
                           "ConvertirDV1",
                           "CreerScnByDate",
                           "CutScenes",
                           "ConvertirDV2",
                           "RecompresserDV2",
                           "CorrigerType2",
                           "ConvertirNTSC",
                           "ConvertirPal",
                           "Incruster",
                           "DecalerHoraire",
                           "ExtraireAudio",
                           "CreerScnByContenu",
                           "CreerSrt",
                           "SupprimerSrt",
                           "SupprimerScn",
                           "Imagette",
                           "DefaultPlayer",
                           "RiffHeader",
                           "ModifierCodec",
                           "FrequenceVideo",
                           "PurgerNom",
                           "AjouterDatecode",
                           "AjouterTimecode",
                           "Renommer",
                           "DateFichier",
                           "ExporterScenesTexte",
                           "ExporterScenesExcel",
                           "ExporterScenesWord",
                           "ExporterScenesCalc",
                           "ExporterScenesWriter",
                           "Convertir16x9",
                           "Convertir4x3",
                           "CreerScnByIntervalle",
                           "IntroduireDatecode"};
    for (const char* name : names) {
        tAbstractCmd* cmd =
            dm.ForAction(QStringLiteral("cc") + QString::fromLatin1(name).toLower());
        ASSERT_NE(cmd, nullptr) << name;
        EXPECT_EQ(cmd->Name, QLatin1String(name));
        EXPECT_FALSE(cmd->Caption.isEmpty()) << name;
        EXPECT_EQ(cmd->NbPasses, 0) << name;
    }
    EXPECT_EQ(dm.ForAction("naCreerSrt"), nullptr);

    // Kinds, scopes and texts as the engine reads them.
    auto& cut = dm.Command<TGraphCmd_np>("CutScenes");
    EXPECT_EQ(FormatCommandText(cut.StartMessage, "v.avi", 3),
              "En train d'extraire de v.avi la scène 3 ");
    EXPECT_EQ(dm.Command<tCustomCmd_np>("RiffHeader").Nombre, fnSingle);
    EXPECT_EQ(dm.Command<TFastCmd_np>("ModifierCodec").UpdateFile, ufReload);
    EXPECT_TRUE(dm.Command<TFastCmd_np>("ModifierCodec").StartMessage.isEmpty());
    EXPECT_EQ(dm.Command<TCmd_np>("ExporterScenesTexte").StartMessage,
              "En train d'exporter les scènes de %s  en texte");
    EXPECT_EQ(dm.Command<TRenameCmd_np>("PurgerNom").Category, kCategoryRename);
    EXPECT_EQ(dm.Command<TCmd_np>("ExporterScenesWord").Category, kCategoryScenes);
    EXPECT_TRUE(dm.Command<TCmd_np>("ExporterScenesWord").ShowProgress);
    EXPECT_EQ(dm.Command<TCmd_np>("CreerScnByIntervalle").Category, kCategoryConversion);
    EXPECT_THROW(dm.Command<TGraphCmd_np>("ModifierCodec"), std::logic_error);
}

TEST_F(CatalogueTest, OpenWithCaptionsNameTheConfiguredPrograms) {
    EXPECT_EQ(dm.Find("OpenFichierF3")->Caption, "Ouvrir avec...");
    settings.Set("FichierF3", "/usr/bin/monlecteur");
    dm.RefreshCaptions();
    EXPECT_EQ(dm.Find("OpenFichierF3")->Caption, "Ouvrir avec monlecteur");
    EXPECT_EQ(dm.Find("OpenFichierF4")->Caption, "Ouvrir avec...");
}

// --- File conditions ---------------------------------------------------------------

struct TConditionCase {
    const char* Command;
    std::function<void(TaviFichier&)> Setup;
    bool Visible;
    bool Enabled;
};

TEST_F(CatalogueTest, FileConditionsFollowTheRecord) {
    const auto dv1 = [](TaviFichier& r) {
        r.DvType = 1;
        r.Codec = "CDVC";
    };
    const TConditionCase cases[] = {
        {"CreerScnByDate", [](TaviFichier&) {}, true, true},
        {"CreerScnByDate", [](TaviFichier& r) { r.IsDV = false; }, false, false},
        {"CreerSrt", [](TaviFichier& r) { r.IsDV = false; }, true, false},
        {"ConvertirDV1", [](TaviFichier&) {}, true, true},
        {"ConvertirDV1", [](TaviFichier& r) { r.Duration = 0; }, true, false},
        {"ConvertirDV2", [](TaviFichier&) {}, true, false},
        // Recompression is for what is not DV, and hidden without a picture.
        {"RecompresserDV2", [](TaviFichier&) {}, true, false},
        {"RecompresserDV2", [](TaviFichier& r) { r.IsDV = false; }, true, true},
        {"RecompresserDV2",
         [](TaviFichier& r) {
             r.IsDV = false;
             r.ImageText = "N/A";
         },
         false, true},
        // Audio extraction is hidden, not only disabled, for type 1 under another FourCC.
        {"ExtraireAudio", dv1, false, true},
        {"ExtraireAudio", [](TaviFichier& r) { r.DvType = 1; }, true, true},
        {"ExtraireAudio", [](TaviFichier& r) { r.AudioText = "N/A"; }, true, false},
        {"ConvertirNTSC", [](TaviFichier& r) { r.Standard = 0; }, true, true},
        {"ConvertirNTSC",
         [](TaviFichier& r) {
             r.Standard = 0;
             r.DvType = 1;
             r.Codec = "CDVC";
         },
         false, false},
        {"ConvertirPal",
         [](TaviFichier& r) {
             r.Standard = 1;
             r.DvType = 1;
         },
         true, true},
        {"ConvertirPal", [](TaviFichier& r) { r.Standard = 2; }, false, false},
        {"CorrigerType2", [](TaviFichier& r) { r.Type2Iavs = true; }, true, true},
        {"CorrigerType2", [](TaviFichier&) {}, false, false},
        {"Convertir16x9", [](TaviFichier&) {}, true, true},
        {"Convertir4x3", [](TaviFichier&) {}, true, false},
        {"FrequenceVideo", dv1, true, false},
        {"FrequenceVideo", [](TaviFichier&) {}, true, true},
        {"CutScenes", [](TaviFichier& r) { r.HasScn = true; }, true, true},
        {"CutScenes", [](TaviFichier&) {}, true, false},
        {"SupprimerScn", [](TaviFichier&) {}, true, false},
        {"ExporterScenesCalc", [](TaviFichier& r) { r.HasScn = true; }, true, true},
        {"SupprimerSrt", [](TaviFichier& r) { r.HasSrt = true; }, true, true},
        // A datecode is present only with a text and a value.
        {"Renommer", [](TaviFichier&) {}, true, true},
        {"Renommer", [](TaviFichier& r) { r.DatecodeText = "Erreur"; }, false, false},
        {"DateFichier", [](TaviFichier& r) { r.Datecode = 0; }, false, false},
        {"AjouterDatecode", [](TaviFichier& r) { r.DatecodeText = "N/A"; }, false, false},
        {"AjouterTimecode", [](TaviFichier& r) { r.TimecodeText = "-"; }, false, false},
        {"AjouterTimecode", [](TaviFichier& r) { r.DatecodeText = "-"; }, true, true},
        {"SupprimerFichier", [](TaviFichier& r) { r.ReadOnly = true; }, true, false},
        {"ModifierCodec", [](TaviFichier& r) { r.IsDV = false; }, true, true},
        {"Imagette", [](TaviFichier&) {}, true, false},
    };
    for (const TConditionCase& c : cases) {
        auto record = DvRecord("clip.avi");
        c.Setup(*record);
        bool visible = false;
        bool enabled = false;
        dm.Find(QLatin1String(c.Command))->FileCondition(record.get(), visible, enabled);
        EXPECT_EQ(visible, c.Visible) << c.Command;
        EXPECT_EQ(enabled, c.Enabled) << c.Command;
    }

    // The shorten-name command needs a removable tail.
    bool visible = false;
    bool enabled = true;
    dm.Find("PurgerNom")->FileCondition(Hand("clip.avi").get(), visible, enabled);
    EXPECT_TRUE(visible);
    EXPECT_FALSE(enabled);
    dm.Find("PurgerNom")->FileCondition(Hand("clip_ntsc.avi").get(), visible, enabled);
    EXPECT_TRUE(enabled);

    // The image grabber and the F3 program must exist on disk.
    Touch("grab.bin");
    settings.Set("FichierImagette", Path("grab.bin"));
    dm.Find("Imagette")->FileCondition(Hand("clip.avi").get(), visible, enabled);
    EXPECT_TRUE(enabled);
    settings.Set("FichierF3", Path("absent.bin"));
    EXPECT_FALSE(dm.Find("OpenFichierF3")->CommandCondition(engine));
    settings.Set("FichierF3", Path("grab.bin"));
    EXPECT_TRUE(dm.Find("OpenFichierF3")->CommandCondition(engine));
}

// --- Renames -------------------------------------------------------------------------

struct TRenameCase {
    const char* Command;
    const char* Source;
    const char* Expected;
};

TEST_F(CatalogueTest, RenamesMoveCompanionsToFreeNames) {
    settings.Set("FormatAjouterDatecode", "yyyy.mm.dd");
    settings.Set("TemplateRenommer", "video_%D%E");
    settings.Set("FormatRenommer", "yyyymmdd");
    // Names that are taken: the renames must go around them.
    Touch("b_2007.12.25.avi", "other");
    Touch("video_20071225.avi", "other");
    Touch("clip.avi", "other");
    const TRenameCase cases[] = {
        {"AjouterDatecode", "a.avi", "a_2007.12.25"},
        {"AjouterDatecode", "b.avi", "b_2007.12.25_1"},
        {"AjouterTimecode", "c.avi", "c_00.12.34.05"},
        {"Renommer", "d.avi", "video_20071225_1"},
        {"PurgerNom", "clip_type2_ntsc.avi", "clip_1"},
    };
    for (const TRenameCase& c : cases) {
        SCOPED_TRACE(c.Command);
        const QString bare = QFileInfo(c.Source).completeBaseName();
        Touch(bare + ".scn", "scenes");
        Touch(bare + ".srt", "subtitles");
        list.Clear();
        Select(DvRecord(c.Source));
        user.Answers = {TAnswer::Oui};
        Run(c.Command);
        const QString expected = QLatin1String(c.Expected);
        ASSERT_EQ(user.Questions.size(), 1);
        EXPECT_EQ(user.Questions.last(),
                  QStringLiteral("Voulez-vous renommer %1 en %2 ?")
                      .arg(QLatin1String(c.Source), Path(expected + ".avi")));
        user.Questions.clear();
        EXPECT_FALSE(Exists(c.Source));
        EXPECT_TRUE(Exists(expected + ".avi"));
        EXPECT_EQ(Contents(expected + ".scn"), "scenes");
        EXPECT_EQ(Contents(expected + ".srt"), "subtitles");
        EXPECT_EQ(ListNames(), QStringList{expected + ".avi"});
    }
    // What was there before is still there, untouched.
    EXPECT_EQ(Contents("b_2007.12.25.avi"), "other");
    EXPECT_EQ(Contents("video_20071225.avi"), "other");
    EXPECT_EQ(Contents("clip.avi"), "other");
    EXPECT_TRUE(user.Errors.isEmpty());
}

TEST_F(CatalogueTest, RenameQuestionForSeveralFilesAndToAllAnswers) {
    settings.Set("FormatAjouterDatecode", "yyyy.mm.dd");
    Select(DvRecord("a.avi"));
    Select(DvRecord("b.avi"));
    Select(DvRecord("c.avi"));
    user.Answers = {TAnswer::Non, TAnswer::OuiATous};
    Run("AjouterDatecode");
    ASSERT_EQ(user.Questions.size(), 2);
    EXPECT_EQ(user.Questions[0], "Voulez-vous renommer a.avi en " + Path("a_2007.12.25.avi") +
                                     " ?" + kManyOverwrite + ".");
    EXPECT_EQ(user.ButtonSets[0], TConfirmButtons::Five);
    EXPECT_TRUE(Exists("a.avi"));
    EXPECT_TRUE(Exists("b_2007.12.25.avi"));
    EXPECT_TRUE(Exists("c_2007.12.25.avi"));
}

// --- Deleting ----------------------------------------------------------------------------

TEST_F(CatalogueTest, DeleteQuestionWithOneAndWithSeveralFiles) {
    Select(Hand("a.avi"));
    user.Answers = {TAnswer::Oui};
    Run("SupprimerFichier");
    ASSERT_EQ(user.Questions.size(), 1);
    EXPECT_EQ(user.Questions[0],
              "Voulez-vous vraiment supprimer le fichier a.avi ?\r\n"
              "Si oui, il sera envoyé à la corbeille.");
    EXPECT_EQ(user.ButtonSets[0], TConfirmButtons::Three);
    EXPECT_EQ(shell.Trashed, QStringList{Path("a.avi")});
    EXPECT_TRUE(ListNames().isEmpty());

    // Several files: Non keeps one, "Oui à Tous" takes the rest unasked.
    for (const char* name : {"b.avi", "c.avi", "d.avi"}) Select(Hand(name));
    user.Questions.clear();
    user.Answers = {TAnswer::Non, TAnswer::OuiATous};
    Run("SupprimerFichier");
    ASSERT_EQ(user.Questions.size(), 2);
    EXPECT_TRUE(user.Questions[0].endsWith(kManyCustom));
    EXPECT_EQ(ListNames(), QStringList{"b.avi"});
    EXPECT_TRUE(Exists("b.avi"));
    EXPECT_FALSE(Exists("c.avi"));
    EXPECT_FALSE(Exists("d.avi"));
}

TEST_F(CatalogueTest, DeleteNonATousAndAnnulerKeepEverything) {
    for (const TAnswer answer : {TAnswer::NonATous, TAnswer::Annuler}) {
        list.Clear();
        for (const char* name : {"a.avi", "b.avi"}) Select(Hand(name));
        user.Questions.clear();
        user.Answers = {answer};
        Run("SupprimerFichier");
        EXPECT_EQ(user.Questions.size(), 1);
        EXPECT_EQ(ListNames(), QStringList({"a.avi", "b.avi"}));
        EXPECT_TRUE(list.Enabled());
    }
    EXPECT_TRUE(shell.Trashed.isEmpty());
}

TEST_F(CatalogueTest, DeleteSkipsReadOnlyFilesAndKeepsWhatTheTrashRefused) {
    auto readOnly = Hand("ro.avi");
    readOnly->ReadOnly = true;
    Select(readOnly);
    Select(Hand("refused.avi"));
    shell.RefuseTrash = true;
    user.Answers = {TAnswer::OuiATous};
    Run("SupprimerFichier");
    // The read-only file was not even offered; the refused one stays listed.
    EXPECT_EQ(user.Questions.size(), 1);
    EXPECT_TRUE(user.Questions[0].contains("refused.avi"));
    EXPECT_EQ(ListNames(), QStringList({"ro.avi", "refused.avi"}));
    ASSERT_EQ(user.Errors.size(), 1);
    EXPECT_TRUE(user.Errors[0].first.contains("corbeille"));
    EXPECT_TRUE(Exists("refused.avi"));
}

TEST(DeleteQuestion, LongNamesAreLeftOut) {
    const QString tail = QStringLiteral("\r\nSi oui, il sera envoyé à la corbeille.");
    // The longest name that keeps the question within 254 characters.
    const QString fits = QString(254 - DeleteQuestion("").size(), QLatin1Char('n'));
    EXPECT_EQ(DeleteQuestion(fits).size(), 254);
    EXPECT_TRUE(DeleteQuestion(fits).contains(fits));
    EXPECT_EQ(DeleteQuestion(fits + "n"), "Voulez-vous vraiment supprimer ce fichier?" + tail);
}

TEST_F(CatalogueTest, SupprimerScnAndSrtTrashTheCompanionAndReload) {
    Touch("v.scn", "scenes");
    Touch("v.srt", "subtitles");
    auto record = DvRecord("v.avi");
    Select(record);
    user.Answers = {TAnswer::Oui};
    Run("SupprimerScn");
    ASSERT_EQ(user.Questions.size(), 1);
    EXPECT_EQ(user.Questions[0],
              "Voulez-vous vraiment supprimer le fichier v.scn ?\r\n"
              "Si oui, il sera envoyé à la corbeille.");
    EXPECT_EQ(user.Messages, QStringList{"En train de supprimer le fichier scn de v.avi"});
    EXPECT_EQ(shell.Trashed, QStringList{Path("v.scn")});
    EXPECT_TRUE(Exists("v.avi"));
    EXPECT_TRUE(Exists("v.srt"));
    // The entry was read again: its flags say what is on disk now.
    auto* reloaded = dynamic_cast<TaviFichier*>(list.Item(0).get());
    ASSERT_NE(reloaded, nullptr);
    EXPECT_NE(reloaded, record.get());
    EXPECT_FALSE(reloaded->HasScn);
    EXPECT_TRUE(reloaded->HasSrt);

    user.Questions.clear();
    list.SetSelected(0, true);
    user.Answers = {TAnswer::Oui};
    Run("SupprimerSrt");
    EXPECT_TRUE(user.Questions.value(0).contains("v.srt"));
    EXPECT_FALSE(Exists("v.srt"));
    EXPECT_TRUE(user.Errors.isEmpty());
}

TEST_F(CatalogueTest, SkipScnQuestionLetsFastCommandsRunUnasked) {
    host.Skip = true;
    Touch("v.scn");
    Select(DvRecord("v.avi"));
    Run("SupprimerScn");
    EXPECT_TRUE(user.Questions.isEmpty());
    EXPECT_FALSE(Exists("v.scn"));
}

// --- Other programs, folder, report ------------------------------------------------

TEST_F(CatalogueTest, OtherProgramsGetTheFileAndNothingRealStarts) {
    Touch("player.bin");
    settings.Set("FichierF4", Path("player.bin"));
    settings.Set("FichierImagette", Path("player.bin"));
    Select(Hand("a b.avi"));
    Run("OpenFichierF4");
    list.SetSelected(0, true);
    Run("Imagette");
    ASSERT_EQ(shell.Started.size(), 2);
    EXPECT_EQ(shell.Started[0].first, Path("player.bin"));
    EXPECT_EQ(shell.Started[0].second, QStringList{Path("a b.avi")});

    // No configured F3 program: the command does not run at all.
    list.SetSelected(0, true);
    EXPECT_EQ(Run("OpenFichierF3"), TExecuteResult::ConditionFalse);

    Run("DossierParent");
    EXPECT_EQ(shell.Shown, QList<QUrl>{QUrl::fromLocalFile(Path("a b.avi"))});
    Run("DefaultPlayer");
    EXPECT_EQ(shell.Opened, QList<QUrl>{QUrl::fromLocalFile(Path("a b.avi"))});
    Run("RiffHeader");
    EXPECT_EQ(host.Reports, QStringList{Path("a b.avi")});
    EXPECT_TRUE(user.Errors.isEmpty());
}

// --- Display shift ---------------------------------------------------------------------

TEST(ShiftText, DaysHoursMinutesSeconds) {
    EXPECT_EQ(ShiftText(1.5), "1 jours 12h 00m 00s");
    EXPECT_EQ(ShiftText(1.0 / 24), "1 heures");
    EXPECT_EQ(ShiftText(-2.0 / 24), "-2 heures");
    EXPECT_EQ(ShiftText(-(1.0 / 24 + 30.0 / 1440)), "0 jours -01h -30m 00s");
}

TEST_F(CatalogueTest, DecalageHoraireSetsTheShiftOfEveryFile) {
    auto a = DvRecord("a.avi");
    auto b = DvRecord("b.avi");
    b->TimeShift = 3;
    Select(a);
    Select(b);
    Run("DecalageHoraire", {"1,25"});
    EXPECT_DOUBLE_EQ(a->TimeShift, 1.25);
    EXPECT_DOUBLE_EQ(b->TimeShift, 1.25);
    EXPECT_EQ(b->TimeShiftText, "1 jours 06h 00m 00s");
    EXPECT_TRUE(user.Questions.isEmpty());
    EXPECT_TRUE(Exists("a.avi"));

    // A value that is no number sets the shift to 0, and says so.
    list.SelectAll(true);
    Run("DecalageHoraire", {"abc"});
    EXPECT_EQ(a->TimeShift, 0);
    EXPECT_EQ(b->TimeShift, 0);
    EXPECT_TRUE(b->TimeShiftText.isEmpty());
    EXPECT_EQ(user.Errors.size(), 2);
}

TEST_F(CatalogueTest, CommandsThatSetNoShiftKeepEachFilesShift) {
    auto a = DvRecord("a.avi");
    a->TimeShift = 0.25;
    Select(a);
    Run("CreerScnByIntervalle", {"2"});
    auto* reloaded = dynamic_cast<TaviFichier*>(list.Item(0).get());
    ASSERT_NE(reloaded, nullptr);
    EXPECT_NE(reloaded, a.get());
    EXPECT_DOUBLE_EQ(reloaded->TimeShift, 0.25);
    EXPECT_EQ(reloaded->TimeShiftText, "6 heures");
}

// --- File dates ------------------------------------------------------------------------

TEST_F(CatalogueTest, DateFichierSetsTheModificationDateAndKeepsTheAccessDate) {
    // Records made without reading the file, so that nothing after the
    // command touches its access time.
    TTestFactory plain;
    engine.SetFichierClass(plain);
    auto record = DvRecord("d.avi");
    record->TimeShift = 1.0 / 24;
    ASSERT_TRUE(QFile::setPermissions(record->FullName, QFileDevice::ReadOwner));
    const timespec before[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(record->FullName).constData(), before, 0), 0);
    Select(record);
    user.Answers = {TAnswer::Oui};
    Run("DateFichier");

    ASSERT_EQ(user.Questions.size(), 1);
    const QString question = user.Questions[0];
    EXPECT_TRUE(
        question.startsWith("Voulez-vous vraiment modifier les dates du fichier 'd.avi'\r\n"
                            "\r\nDate de création actuelle: "));
    EXPECT_TRUE(question.contains("\r\nDate de modification actuelle:  "));
    EXPECT_TRUE(question.endsWith("\r\nNouvelle date : " +
                                  FormatDateValue("ddddd tt", record->Datecode + 1.0 / 24)));

    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(record->FullName).constData(), &st), 0);
    const QDateTime expected(QDate(2007, 12, 25), QTime(15, 24), Qt::LocalTime);
    EXPECT_EQ(qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000,
              expected.toMSecsSinceEpoch());
    EXPECT_EQ(st.st_atim.tv_sec, 1000000000);
    EXPECT_EQ(st.st_mode & 0777, 0400u);
    EXPECT_EQ(host.Released, QStringList{record->FullName});
    EXPECT_TRUE(user.Errors.isEmpty());
}

// --- Scene files by intervals and the text export -------------------------------------

TEST_F(CatalogueTest, ScnByIntervalsOverwriteQuestionAndBadIntervals) {
    Touch("a.scn", "old");
    Touch("b.scn", "old");
    Select(DvRecord("a.avi"));
    Select(DvRecord("b.avi"));
    user.Answers = {TAnswer::OuiATous};
    Run("CreerScnByIntervalle", {"4"});
    ASSERT_EQ(user.Questions.size(), 1);
    EXPECT_EQ(user.Questions[0],
              "Voulez-vous écraser le fichier existant " + Path("a.scn") + " ?" + kManyOverwrite);
    // 260 frames at 25 per second in steps of 100 frames.
    for (const char* name : {"a.scn", "b.scn"}) {
        TSceneList scenes;
        ASSERT_TRUE(ReadScnFile(Path(name), scenes));
        ASSERT_EQ(scenes.Count(), 3) << name;
        EXPECT_EQ(scenes.Scene(2).StartFrame, 200u);
        EXPECT_EQ(scenes.Scene(2).EndFrame, 260u);
    }

    // An interval of no frames, or no number, writes nothing and says so.
    for (const QString& bad : {QStringLiteral("0"), QStringLiteral("abc"), QStringLiteral("-3")}) {
        user.Errors.clear();
        list.Clear();
        Touch("a.scn", "old");
        Select(DvRecord("a.avi"));
        user.Answers = {TAnswer::Oui};
        Run("CreerScnByIntervalle", {bad});
        EXPECT_EQ(user.Questions.last(),
                  "Voulez-vous écraser le fichier existant " + Path("a.scn") + " ?");
        EXPECT_EQ(user.ButtonSets.last(), TConfirmButtons::Three);
        EXPECT_EQ(Contents("a.scn"), "old") << bad.toStdString();
        ASSERT_EQ(user.Errors.size(), 1) << bad.toStdString();
        EXPECT_TRUE(user.Errors[0].first.startsWith(
            "Erreur pendant la création d'un fichier scn pour " + Path("a.avi") + " : "));
    }
}

TEST_F(CatalogueTest, BadDestinationsAndMissingSourcesStopOnlyTheirFile) {
    // A scene file that cannot be written (a folder has its name), a source
    // gone from the disk, then a file that works.
    QDir().mkpath(Path("blocked.scn"));
    auto ghost = DvRecord("ghost.avi");
    QFile::remove(Path("ghost.avi"));
    Select(DvRecord("blocked.avi"));
    Select(ghost);
    Select(DvRecord("good.avi"));
    user.Answers = {TAnswer::OuiATous};
    Run("CreerScnByIntervalle", {"2"});
    const QStringList errors = ErrorTexts();
    ASSERT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors[0].contains(Path("blocked.avi")));
    EXPECT_TRUE(errors[0].contains("scn"));
    EXPECT_EQ(errors[1], "Erreur pendant la création d'un fichier scn pour " + Path("ghost.avi") +
                             " : le fichier est introuvable.");
    EXPECT_TRUE(QFileInfo(Path("blocked.scn")).isDir());
    EXPECT_FALSE(Exists("ghost.scn"));
    TSceneList scenes;
    EXPECT_TRUE(ReadScnFile(Path("good.scn"), scenes));
    EXPECT_EQ(scenes.Count(), 6);
}

TEST_F(CatalogueTest, AFolderThatCannotBeWrittenIsReported) {
    // Permissions do not stop the superuser; a folder standing where the
    // scene file would go stops everyone.
    const bool root = ::geteuid() == 0;
    QDir().mkpath(Path("locked"));
    Touch("locked/v.avi");
    auto video = std::make_shared<TaviFichier>(Path("locked/v.avi"), TaviFichier::TUnanalysed{});
    video->Fps = 25;
    video->FrameCount = 100;
    if (root) {
        ASSERT_TRUE(QDir().mkpath(Path("locked/v.scn/dossier")));
        user.Answers.push_back(TAnswer::Oui);  // to "overwrite" what stands there
    } else {
        ASSERT_TRUE(
            QFile::setPermissions(Path("locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    }
    Select(video);
    Run("CreerScnByIntervalle", {"1"});
    QFile::setPermissions(Path("locked"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ASSERT_EQ(user.Errors.size(), 1);
    EXPECT_TRUE(user.Errors[0].first.contains(Path("locked/v.scn")));
    EXPECT_EQ(QFileInfo(Path("locked/v.scn")).isFile(), false);
    EXPECT_EQ(Contents("locked/v.avi"), "x");
}

TEST_F(CatalogueTest, TextExportWritesOneRowPerScene) {
    auto video = DvRecord("v.avi");
    {
        TwriteScene writer(video->FullName);
        TSceneClass first(0, 325, video.get());
        first.Title = "Anniversaire";
        ASSERT_TRUE(writer.WriteScene(first));
        ASSERT_TRUE(writer.WriteScene(TSceneClass(325, 400, video.get())));
    }
    video->HasScn = true;
    Select(video);
    Run("ExporterScenesTexte");
    EXPECT_EQ(user.Messages, QStringList{"En train d'exporter les scènes de v.avi  en texte"});
    QStringList lines = QString::fromUtf8(Contents("v_scn.txt")).split("\r\n");
    ASSERT_GE(lines.size(), 16);
    EXPECT_EQ(lines[3], "// ***   " + video->FullName.toLower() + "   ***");
    EXPECT_EQ(lines[11], "  1, 0:00:00:00, 0:00:12:24, 13.00, N/A, N/A, Anniversaire, ");
    EXPECT_EQ(lines[12], "  2, 0:00:13:00, 0:00:15:24, 03.00, N/A, N/A, , ");
    EXPECT_EQ(lines[13], "");
    EXPECT_TRUE(lines[15].startsWith("// Terminé le "));
    EXPECT_EQ(user.ProgressStarts, 1);
    EXPECT_EQ(user.ProgressEnds, 1);
    EXPECT_TRUE(user.Errors.isEmpty());

    // With the scene editor open the export does nothing.
    QFile::remove(Path("v_scn.txt"));
    host.EditorOpen = true;
    list.SetSelected(0, true);
    Run("ExporterScenesTexte");
    EXPECT_FALSE(Exists("v_scn.txt"));
}

TEST_F(CatalogueTest, TextExportIntoAFolderSaysWhy) {
    auto video = DvRecord("v.avi");
    {
        TwriteScene writer(video->FullName);
        writer.WriteScene(TSceneClass(0, 10, video.get()));
    }
    video->HasScn = true;
    QDir().mkpath(Path("v_scn.txt"));
    Select(video);
    user.Answers = {TAnswer::Oui};
    Run("ExporterScenesTexte");
    ASSERT_EQ(user.Errors.size(), 1);
    EXPECT_TRUE(
        user.Errors[0].first.startsWith("Erreur pendant l'exportation des scènes en texte : "));
}

// --- What this version does not have yet ----------------------------------------------

TEST_F(CatalogueTest, MissingConversionsSaySoAndProduceNothing) {
    Select(DvRecord("v.avi"));
    Run("ConvertirDV1");
    ASSERT_EQ(user.Errors.size(), 1);
    EXPECT_EQ(user.Errors[0].first,
              "Une erreur est survenue pendant la conversion de " + Path("v.avi") +
                  " en type 1 : La commande « Convertir en type 1 » n'est pas encore disponible "
                  "dans cette version.");
    EXPECT_EQ(ListNames(), QStringList{"v.avi"});
}

}  // namespace
}  // namespace tavrel::test
