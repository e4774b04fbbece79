#include "commands/CommandEngine.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>
#include <condition_variable>

#include "EngineFixture.h"
#include "commands/FileNaming.h"
#include "commands/ShellIntegration.h"

namespace tavrel::test {
namespace {

const QString kManyOverwrite = QStringLiteral(
    "\r\nSi vous répondez \"Tous\", alors plus aucune confirmation ne sera demandée");

// A destination command that writes "<name>.out" beside each file and logs
// the files it processed.
struct TWriter {
    TCmd_np cmd;
    QStringList done;
    explicit TWriter(TUpdateFile update = ufAdd) {
        cmd.Nombre = fnSelect;
        cmd.UpdateFile = update;
        cmd.OnDestination = [](TAbstractListFichier* f, const QStringList&, int) {
            return ChangeExt(f->FullName, QStringLiteral(".out"));
        };
        cmd.OnExecution = [this](TAbstractListFichier* f, const QString& dest, const QStringList&,
                                 TCommandEngine&, int) {
            done << f->ShortName;
            QFile out(dest);
            out.open(QIODevice::WriteOnly);
        };
    }
    static QString ChangeExt(const QString& path, const QString& ext) {
        return path.left(path.lastIndexOf(QLatin1Char('.'))) + ext;
    }
};

TEST_F(EngineTest, NothingToTakeOrNotAllowedStartsNothing) {
    TWriter w;
    EXPECT_EQ(Run(w.cmd), TExecuteResult::NoFiles);  // fnSelect, empty list
    AddFiles({"a.avi"}, false);
    EXPECT_EQ(Run(w.cmd), TExecuteResult::NoFiles);  // nothing selected
    w.cmd.Nombre = fnSingle;
    EXPECT_EQ(Run(w.cmd), TExecuteResult::NoFiles);  // nothing focused
    w.cmd.Nombre = fnAll;
    w.cmd.OnCommandCondition = [](TCommandEngine&) { return false; };
    EXPECT_EQ(Run(w.cmd), TExecuteResult::ConditionFalse);
    w.cmd.OnCommandCondition = nullptr;
    engine.SetDestList(nullptr);
    EXPECT_EQ(Run(w.cmd), TExecuteResult::NoList);
    EXPECT_TRUE(user.Events.isEmpty());
    EXPECT_TRUE(w.done.isEmpty());
    EXPECT_FALSE(engine.IsRunning());
}

TEST_F(EngineTest, FilesAreTakenByNombre) {
    AddFiles({"a.avi", "b.avi", "c.avi"}, false);
    list.SetSelected(0, true);
    list.SetSelected(2, true);
    list.SetFocused(1);
    TWriter w(ufNone);
    EXPECT_EQ(Run(w.cmd), TExecuteResult::Started);
    EXPECT_EQ(w.done, QStringList({"a.avi", "c.avi"}));
    // Processed files are selected again as they start.
    EXPECT_EQ(SelectedNames(), QStringList({"a.avi", "c.avi"}));

    TWriter single(ufNone);
    single.cmd.Nombre = fnSingle;
    Run(single.cmd);
    EXPECT_EQ(single.done, QStringList({"b.avi"}));
    EXPECT_EQ(engine.FileCount(), 1);

    TWriter all(ufNone);
    all.cmd.Nombre = fnAll;
    user.Answers = {TAnswer::OuiATous};  // a.out and c.out exist now
    Run(all.cmd);
    EXPECT_EQ(all.done, QStringList({"a.avi", "b.avi", "c.avi"}));
    EXPECT_EQ(user.ButtonSets.last(), TConfirmButtons::Five);
}

// Three files whose destinations all exist, and what each answer does.
TEST_F(EngineTest, OverwriteAnswersOverThreeFiles) {
    struct Case {
        std::deque<TAnswer> answers;
        int questions;
        QStringList processed;
    };
    using A = TAnswer;
    const Case cases[] = {
        {{A::Non, A::Non, A::Non}, 3, {}},
        {{A::Non, A::NonATous}, 2, {}},
        {{A::NonATous}, 1, {}},
        {{A::Annuler}, 1, {}},
        {{A::Oui, A::Annuler}, 2, {"a.avi"}},
        {{A::OuiATous}, 1, {"a.avi", "b.avi", "c.avi"}},
        {{A::Oui, A::Non, A::Oui}, 3, {"a.avi", "c.avi"}},
    };
    AddFiles({"a.avi", "b.avi", "c.avi", "a.out", "b.out", "c.out"}, false);
    for (const Case& c : cases) {
        for (int i = 0; i < 3; ++i) list.SetSelected(i, true);
        user.Questions.clear();
        user.Events.clear();
        user.Answers = c.answers;
        TWriter w(ufNone);
        Run(w.cmd);
        EXPECT_EQ(user.Questions.size(), c.questions);
        EXPECT_EQ(w.done, c.processed);
        EXPECT_TRUE(list.Enabled());
        EXPECT_EQ(user.Events.first(), "start");
        EXPECT_EQ(user.Events.last(), "end");
        EXPECT_EQ(SelectedNames(), c.processed);
    }
    EXPECT_EQ(user.Questions.first(),
              "Voulez-vous écraser le fichier existant " + Path("a.out") + " ?" + kManyOverwrite);
    EXPECT_EQ(user.ButtonSets.first(), TConfirmButtons::Five);
}

TEST_F(EngineTest, AfterNonTheNextFreeDestinationIsProcessedUnasked) {
    AddFiles({"a.avi", "b.avi", "a.out"}, false);
    list.SelectAll(true);
    list.Remove(list.Item(2).get());
    user.Answers = {TAnswer::Non};
    TWriter w;
    Run(w.cmd);
    EXPECT_EQ(user.Questions.size(), 1);
    EXPECT_EQ(w.done, QStringList({"b.avi"}));
    // ufAdd put the produced file into the list.
    EXPECT_EQ(ListNames(), QStringList({"a.avi", "b.avi", "b.out"}));
}

TEST_F(EngineTest, OneFileHasThreeButtonsAndNoToAllNote) {
    AddFiles({"a.avi", "a.out"}, false);
    list.SetSelected(0, true);
    user.Answers = {TAnswer::Oui};
    TWriter w;
    Run(w.cmd);
    ASSERT_EQ(user.Questions.size(), 1);
    EXPECT_EQ(user.Questions[0], "Voulez-vous écraser le fichier existant " + Path("a.out") + " ?");
    EXPECT_EQ(user.ButtonSets[0], TConfirmButtons::Three);
    EXPECT_EQ(AnswersOf(TConfirmButtons::Three).size(), 3);
    EXPECT_EQ(AnswersOf(TConfirmButtons::Five).last(), TAnswer::OuiATous);
    EXPECT_EQ(AnswerCaption(TAnswer::NonATous), "N&on à Tous");
    EXPECT_EQ(AnswerCaption(TAnswer::OuiATous), "Oui à &Tous");
}

TEST_F(EngineTest, FastCommandsConfirmOnlyWithAQuestion) {
    AddFiles({"a.avi", "b.avi", "c.avi"});
    TFastCmd_np cmd;
    cmd.Nombre = fnSelect;
    QStringList done;
    cmd.OnExecution = [&](TAbstractListFichier* f, const QStringList&, TCommandEngine&, int) {
        done << f->ShortName;
    };
    // Verification fails for every file, but without a question the answer
    // is "Oui à Tous" at once.
    cmd.OnFileVerification = [](TAbstractListFichier*, const QStringList&, TCommandEngine&, int) {
        return false;
    };
    Run(cmd);
    EXPECT_TRUE(user.Questions.isEmpty());
    EXPECT_EQ(done.size(), 3);

    cmd.OnFileConFirmation = [](TAbstractListFichier* f, const QStringList&, TCommandEngine&, int) {
        return "Supprimer " + f->ShortName + " ?";
    };
    list.SelectAll(true);
    user.Answers = {TAnswer::Oui, TAnswer::Non, TAnswer::Oui};
    done.clear();
    Run(cmd);
    EXPECT_EQ(done, QStringList({"a.avi", "c.avi"}));
    ASSERT_EQ(user.Questions.size(), 3);
    EXPECT_EQ(user.Questions[1],
              "Supprimer b.avi ?\r\nSi vous répondez \"Oui à Tous\" ou \"Non à Tous\", alors plus "
              "aucune confirmation ne sera demandée.");
}

TEST_F(EngineTest, RenameQuestion) {
    AddFiles({"a.avi", "b.avi"});
    TRenameCmd_np cmd;
    cmd.Nombre = fnSelect;
    cmd.OnDestination = [](TAbstractListFichier* f, const QStringList&, int) {
        return f->Folder + "new_" + f->ShortName;
    };
    QStringList verified;
    cmd.OnFileVerification = [&](const QString& dest, TAbstractListFichier*, const QStringList&,
                                 TCommandEngine&, int) {
        verified << dest;
        return false;
    };
    user.Answers = {TAnswer::Non, TAnswer::Non};
    Run(cmd);
    // The verification sees the destination of its own file.
    EXPECT_EQ(verified, QStringList({Path("new_a.avi"), Path("new_b.avi")}));
    ASSERT_EQ(user.Questions.size(), 2);
    EXPECT_EQ(user.Questions[0], "Voulez-vous renommer a.avi en " + Path("new_a.avi") +
                                     " ?\r\nSi vous répondez \"Tous\", alors plus aucune "
                                     "confirmation ne sera demandée.");
    EXPECT_TRUE(QFileInfo::exists(Path("a.avi")));
}

TEST_F(EngineTest, PassesRaisedInPassOneAreAskedOneByOne) {
    AddFiles({"clip.avi", "clip_scene_1.avi"}, false);
    list.SetSelected(0, true);
    TCmd_np cmd;
    cmd.Nombre = fnSelect;
    cmd.StartMessage = QStringLiteral("En train d'extraire de %s la scène %d ");
    cmd.ErrorMessage = QStringLiteral("Erreur pendant le découpage en scènes de %s");
    cmd.OnDestination = [](TAbstractListFichier* f, const QStringList&, int passe) {
        return f->Folder + f->BareName + "_scene_" + QString::number(passe) + ".avi";
    };
    QList<int> passes;
    cmd.OnExecution = [&](TAbstractListFichier*, const QString&, const QStringList&,
                          TCommandEngine&, int passe) {
        if (passe == 1) cmd.NbPasses = 3;
        passes << passe;
    };
    // Pass 1's destination exists: Non skips it, so pass 1 never raises the
    // count and the run has one pass only.
    user.Answers = {TAnswer::Non};
    Run(cmd);
    EXPECT_TRUE(passes.isEmpty());

    cmd.NbPasses = 0;
    list.SetSelected(0, true);
    user.Answers = {TAnswer::Oui};
    Run(cmd);
    EXPECT_EQ(passes, QList<int>({1, 2, 3}));
    EXPECT_EQ(user.Questions.size(), 2);
    EXPECT_EQ(user.Messages, QStringList({"En train d'extraire de clip.avi la scène 1 ",
                                          "En train d'extraire de clip.avi la scène 2 ",
                                          "En train d'extraire de clip.avi la scène 3 "}));

    // A pass that is declined lets the next pass run.
    passes.clear();
    cmd.NbPasses = 3;
    Touch("clip_scene_2.avi");
    list.SetSelected(0, true);
    user.Answers = {TAnswer::Oui, TAnswer::Non};
    Run(cmd);
    EXPECT_EQ(passes, QList<int>({1, 3}));
}

TEST_F(EngineTest, CommandWithoutFilesRunsItsPasses) {
    tCustomCmd_np cmd;
    cmd.Nombre = fnNone;
    cmd.NbPasses = 2;
    QList<int> passes;
    cmd.OnExecution = [&](TAbstractListFichier* f, const QStringList& params, TCommandEngine&,
                          int passe) {
        EXPECT_EQ(f, nullptr);
        EXPECT_EQ(params, QStringList({"p"}));
        passes << passe;
    };
    Run(cmd, {"p"});
    EXPECT_EQ(passes, QList<int>({1, 2}));
    EXPECT_EQ(user.Events, QStringList({"start", "end"}));
}

TEST(FormatCommandText, TextThenNumber) {
    struct Case {
        const char* format;
        const char* expected;
    };
    const Case cases[] = {
        {"En train de convertir %s en type 1", "En train de convertir clip.avi en type 1"},
        {"scène %d de %s", "scène clip.avi de 3"},  // arguments go in order
        {"%s: %d", "clip.avi: 3"},
        {"%1:d/%0:s", "3/clip.avi"},
        {"%1:.3d|%1:4d|%1:-4d|%0:.4s", "003|   3|3   |clip"},
        {"100%% %s", "100% clip.avi"},
        {"%s %d %s", "clip.avi 3 %s"},
        {"fin %", "fin %"},
        {"%x", "%x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatCommandText(QString::fromUtf8(c.format), "clip.avi", 3),
                  QString::fromUtf8(c.expected))
            << c.format;
}

TEST_F(EngineTest, ErrorsOfAPassAreReportedAndTheRunGoesOn) {
    AddFiles({"a.avi", "b.avi"});
    TFastCmd_np cmd;
    cmd.Nombre = fnSelect;
    cmd.ErrorMessage = QStringLiteral("Erreur pendant la suppression du fichier srt de %s");
    QStringList done;
    cmd.OnExecution = [&](TAbstractListFichier* f, const QStringList&, TCommandEngine&, int) {
        done << f->ShortName;
        if (f->ShortName == "a.avi") throw std::runtime_error("boom");
    };
    Run(cmd);
    EXPECT_EQ(done, QStringList({"a.avi", "b.avi"}));
    ASSERT_EQ(user.Errors.size(), 1);
    EXPECT_EQ(user.Errors[0].first,
              "Erreur pendant la suppression du fichier srt de " + Path("a.avi"));
    EXPECT_EQ(user.Errors[0].second, etError);
    EXPECT_EQ(ErrorDialogText(user.Errors[0].first, etError),
              user.Errors[0].first + "\rLe fichier courant a été interrompu.");
}

TEST_F(EngineTest, AnExceptionOfACustomCommandEndsTheRunAndSaysSo) {
    AddFiles({"a.avi", "b.avi"});
    tCustomCmd_np cmd;
    cmd.Nombre = fnSelect;
    QStringList done;
    cmd.OnExecution = [&](TAbstractListFichier* f, const QStringList&, TCommandEngine&, int) {
        done << f->ShortName;
        throw std::runtime_error("boom");
    };
    Run(cmd);
    EXPECT_EQ(done, QStringList({"a.avi"}));
    ASSERT_EQ(user.Errors.size(), 1);
    EXPECT_EQ(user.Errors[0].second, etAllError);
    EXPECT_EQ(user.Events.last(), "end");
    EXPECT_TRUE(list.Enabled());
}

TEST_F(EngineTest, AllErrorSkipsTheRemainingPassesOfTheFile) {
    AddFiles({"a.avi", "b.avi"});
    tCustomCmd_np cmd;
    cmd.Nombre = fnSelect;
    cmd.NbPasses = 3;
    QStringList done;
    cmd.OnExecution = [&](TAbstractListFichier* f, const QStringList&, TCommandEngine& ce,
                          int passe) {
        done << f->ShortName + QString::number(passe);
        if (passe == 2) ce.ErrorCommand("fatal", etAllError);
    };
    Run(cmd);
    EXPECT_EQ(done, QStringList({"a.avi1", "a.avi2", "b.avi1", "b.avi2"}));
    EXPECT_FALSE(user.Events.contains("end file a.avi 2"));
}

TEST_F(EngineTest, DisabledFilesAreNeitherProcessedNorReselected) {
    AddFiles({"a.avi", "b.avi", "c.avi"});
    TWriter w;
    w.cmd.OnFileCondition = [](TAbstractListFichier* f, bool& visible, bool& enabled) {
        visible = true;
        enabled = f->ShortName != "b.avi";
    };
    Run(w.cmd);
    EXPECT_EQ(w.done, QStringList({"a.avi", "c.avi"}));
    EXPECT_EQ(SelectedNames(), QStringList({"a.avi", "c.avi"}));
}

TEST_F(EngineTest, TheListIsDisabledDuringTheRunAndTheDisplayRefreshed) {
    AddFiles({"a.avi", "b.avi"});
    list.SetFocused(0);
    tCustomCmd_np cmd;
    cmd.Nombre = fnSelect;
    QList<bool> enabledDuring;
    cmd.OnExecution = [&](TAbstractListFichier*, const QStringList&, TCommandEngine&, int) {
        enabledDuring << list.Enabled();
    };
    cmd.UpdateDisplay = udEach;
    Run(cmd);
    EXPECT_EQ(enabledDuring, QList<bool>({false, false}));
    EXPECT_EQ(list.Announcements(), 2);
    EXPECT_EQ(list.HintRefreshes(), 0);

    cmd.UpdateDisplay = udFinal;
    list.SelectAll(true);
    Run(cmd);
    EXPECT_EQ(list.Announcements(), 3);
    EXPECT_EQ(list.HintRefreshes(), 1);
    EXPECT_TRUE(list.Enabled());
}

TEST_F(EngineTest, ASecondRunIsRefusedWhileOneIsInProgress) {
    AddFiles({"a.avi"});
    std::mutex m;
    std::condition_variable cv;
    bool inside = false;
    bool release = false;
    tCustomCmd_np slow;
    slow.Nombre = fnSelect;
    slow.OnExecution = [&](TAbstractListFichier*, const QStringList&, TCommandEngine&, int) {
        std::unique_lock lock(m);
        inside = true;
        cv.notify_all();
        cv.wait(lock, [&] { return release; });
    };
    ASSERT_EQ(engine.ExecuteCommand(slow), TExecuteResult::Started);
    {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return inside; });
    }
    tCustomCmd_np other;
    other.Nombre = fnNone;
    bool otherRan = false;
    other.OnExecution = [&](TAbstractListFichier*, const QStringList&, TCommandEngine&, int) {
        otherRan = true;
    };
    EXPECT_TRUE(engine.IsRunning());
    EXPECT_EQ(engine.ExecuteCommand(other), TExecuteResult::Busy);
    EXPECT_EQ(engine.Files().size(), 1u);  // the running run's state is untouched
    {
        std::lock_guard lock(m);
        release = true;
    }
    cv.notify_all();
    ASSERT_TRUE(engine.WaitUntilIdle(20000));
    EXPECT_FALSE(otherRan);
    EXPECT_EQ(Run(other), TExecuteResult::Started);
    EXPECT_TRUE(otherRan);
}

// --- Pipeline commands ------------------------------------------------------

class GraphTest : public EngineTest {
  protected:
    GraphTest() {
        cmd.Nombre = fnSelect;
        cmd.UpdateFile = ufAdd;
        cmd.StartMessage = QStringLiteral("En train de convertir %s en type 1");
        cmd.ErrorMessage =
            QStringLiteral("Une erreur est survenue pendant la conversion de %s en type 1");
        cmd.OnDestination = [](TAbstractListFichier* f, const QStringList&, int) {
            return f->Folder + f->BareName + "_type1.avi";
        };
        cmd.OnBuildGraph = [this](TAbstractListFichier* f, const QString& dest, const QStringList&,
                                  int) -> std::shared_ptr<TPipelineRun> {
            built << f->ShortName;
            if (!makePipeline) return nullptr;
            QFile out(dest);
            out.open(QIODevice::WriteOnly);
            auto p = std::make_shared<TFakePipeline>(duration);
            p->Endless = endless;
            p->FailAt = failAt;
            pipelines.push_back(p);
            return p;
        };
    }
    TGraphCmd_np cmd;
    QStringList built;
    bool makePipeline = true;
    bool endless = false;
    std::int64_t failAt = -1;
    std::int64_t duration = 10 * 1024 * 1000;  // 1.024 s of media
    std::vector<std::shared_ptr<TFakePipeline>> pipelines;
};

TEST_F(GraphTest, RunsThePipelineToItsEndWithProgress) {
    AddFiles({"a.avi"});
    Run(cmd);
    ASSERT_EQ(pipelines.size(), 1u);
    EXPECT_TRUE(pipelines[0]->ClockRemoved);
    EXPECT_TRUE(pipelines[0]->Stopped);
    ASSERT_GE(user.Progress.size(), 2);
    EXPECT_EQ(user.Progress[0], 10000);  // duration / 1024
    EXPECT_EQ(user.ProgressStarts, 1);
    EXPECT_EQ(user.ProgressEnds, 1);
    EXPECT_EQ(user.Messages, QStringList({"En train de convertir a.avi en type 1"}));
    EXPECT_EQ(ListNames(), QStringList({"a.avi", "a_type1.avi"}));
    EXPECT_EQ(cmd.DureeHns, 0);  // the pipeline's duration served this pass only
    EXPECT_EQ(cmd.CurrentPipeline(), nullptr);
}

TEST_F(GraphTest, NoPipelineMeansNoRunButTheListUpdate) {
    AddFiles({"a.avi", "a_type1.avi"}, false);
    list.SelectAll(false);
    list.SetSelected(0, true);
    makePipeline = false;
    user.Answers = {TAnswer::Oui};
    Run(cmd);
    EXPECT_EQ(built, QStringList({"a.avi"}));
    EXPECT_EQ(user.ProgressStarts, 0);
    EXPECT_EQ(ListNames(), QStringList({"a.avi", "a_type1.avi", "a_type1.avi"}));
}

TEST_F(GraphTest, DurationZeroRunsNothingAndUpdatesNothing) {
    AddFiles({"a.avi"});
    duration = 0;
    Run(cmd);
    ASSERT_EQ(pipelines.size(), 1u);
    EXPECT_FALSE(pipelines[0]->Started);
    EXPECT_EQ(user.ProgressStarts, 0);
    EXPECT_EQ(ListNames(), QStringList({"a.avi"}));
}

TEST_F(GraphTest, WithoutBuilderThePassDoesNothing) {
    AddFiles({"a.avi"});
    cmd.OnBuildGraph = nullptr;
    Run(cmd);
    EXPECT_TRUE(user.Messages.isEmpty());
    EXPECT_EQ(ListNames(), QStringList({"a.avi"}));
}

TEST_F(GraphTest, InterruptAllStopsThePipelineAndEndsTheRun) {
    AddFiles({"a.avi", "b.avi", "c.avi"});
    endless = true;
    user.OnSetProgress = [this](int) { engine.InterruptAll(); };
    Run(cmd);
    EXPECT_EQ(built, QStringList({"a.avi"}));
    ASSERT_EQ(pipelines.size(), 1u);
    EXPECT_TRUE(pipelines[0]->Stopped);
    EXPECT_EQ(user.ProgressEnds, 1);
    EXPECT_EQ(user.Events.last(), "end");
}

TEST_F(GraphTest, InterruptStopsTheCurrentFileOnly) {
    AddFiles({"a.avi", "b.avi"});
    endless = true;
    user.OnSetProgress = [this](int) {
        if (pipelines.size() == 1) {
            engine.Interrupt();
        } else {
            endless = false;
            pipelines.back()->Endless = false;
        }
    };
    Run(cmd);
    EXPECT_EQ(built, QStringList({"a.avi", "b.avi"}));
    // The interrupted conversion stays on disk, and is listed like the other.
    EXPECT_EQ(ListNames(), QStringList({"a.avi", "b.avi", "a_type1.avi", "b_type1.avi"}));
}

TEST_F(GraphTest, AFailedPipelineIsReportedAndAddsNothing) {
    AddFiles({"a.avi"});
    failAt = 0;
    Run(cmd);
    ASSERT_EQ(user.Errors.size(), 1);
    EXPECT_EQ(user.Errors[0].first,
              "Une erreur est survenue pendant la conversion de " + Path("a.avi") + " en type 1");
    EXPECT_TRUE(pipelines[0]->Stopped);
    EXPECT_EQ(ListNames(), QStringList({"a.avi"}));
}

TEST_F(GraphTest, ACompletionLeftOverDoesNotEndTheNextPipeline) {
    AddFiles({"a.avi"});
    engine.SignalGraphComplete();  // as if a previous pipeline ended late
    Run(cmd);
    ASSERT_EQ(pipelines.size(), 1u);
    EXPECT_EQ(pipelines[0]->PositionHns(), duration);
}

// --- List updates -----------------------------------------------------------

TEST_F(EngineTest, ReloadAndRemoveTheCurrentEntry) {
    AddFiles({"a.avi", "b.avi"});
    const TAbstractListFichier* oldA = list.Item(0).get();
    TFastCmd_np reload;
    reload.Nombre = fnSelect;
    reload.UpdateFile = ufReload;
    Run(reload);
    EXPECT_EQ(factory.Created, 2);
    EXPECT_NE(list.Item(0).get(), oldA);
    EXPECT_EQ(ListNames(), QStringList({"a.avi", "b.avi"}));
    EXPECT_EQ(SelectedNames(), QStringList({"a.avi", "b.avi"}));

    TFastCmd_np remove;
    remove.Nombre = fnSelect;
    remove.UpdateFile = ufRemove;
    list.SetSelected(0, false);
    Run(remove);
    EXPECT_EQ(ListNames(), QStringList({"a.avi"}));
}

TEST_F(EngineTest, ReplaceDeletesTheSourceOnlyForAnotherProducedFile) {
    AddFiles({"a.avi", "b.avi"});
    TWriter w(ufReplace);
    list.SetSelected(1, false);
    Run(w.cmd);
    EXPECT_FALSE(QFileInfo::exists(Path("a.avi")));
    EXPECT_EQ(ListNames(), QStringList({"b.avi", "a.out"}));

    // A command whose destination is its source must not lose the file.
    TWriter self(ufReplace);
    self.cmd.OnDestination = [](TAbstractListFichier* f, const QStringList&, int) {
        return f->FullName;
    };
    list.SelectAll(false);
    list.SetSelected(0, true);
    user.Answers = {TAnswer::Oui};
    self.cmd.OnExecution = nullptr;
    Run(self.cmd);
    EXPECT_TRUE(QFileInfo::exists(Path("b.avi")));
    EXPECT_EQ(ListNames(), QStringList({"b.avi", "a.out"}));
}

TEST_F(EngineTest, RenameReFilesTheEntryAndNeverOverwrites) {
    AddFiles({"a.avi", "b.avi", "taken.avi"}, false);
    list.SetSelected(0, true);
    list.SetSelected(1, true);
    TRenameCmd_np cmd;
    cmd.Nombre = fnSelect;
    cmd.OnDestination = [this](TAbstractListFichier* f, const QStringList&, int) {
        return f->ShortName == "a.avi" ? Path("renamed.avi") : Path("taken.avi");
    };
    Run(cmd);
    EXPECT_TRUE(QFileInfo::exists(Path("renamed.avi")));
    EXPECT_FALSE(QFileInfo::exists(Path("a.avi")));
    // b.avi could not take an existing name: it stays, and the user is told.
    EXPECT_TRUE(QFileInfo::exists(Path("b.avi")));
    QFile taken(Path("taken.avi"));
    ASSERT_TRUE(taken.open(QIODevice::ReadOnly));
    EXPECT_EQ(taken.readAll(), "x");
    EXPECT_EQ(ListNames(), QStringList({"b.avi", "taken.avi", "renamed.avi"}));
    EXPECT_EQ(SelectedNames(), QStringList({"b.avi", "renamed.avi"}));
    ASSERT_EQ(user.Errors.size(), 1);
    EXPECT_EQ(user.Errors[0].first,
              "Impossible de renommer " + Path("b.avi") + " en " + Path("taken.avi") + ".");
}

// A pattern rename as the catalogue builds it: free names, companions
// moved along, the entries re-filed.
TEST_F(EngineTest, PatternRenameWithCompanions) {
    AddFiles({"a.avi", "b.avi"});
    Touch("a.scn");
    Touch("b.srt");
    for (int i = 0; i < 2; ++i) {
        static_cast<TaviFichier&>(*list.Item(i)).TimecodeText = "00.12.34.05";
    }
    // Both files get the same name from the pattern: the first keeps it, the
    // second counts.
    TSettings settings;
    settings.Set("TemplateRenommer", "%T%E");
    TRenameCmd_np cmd;
    cmd.Nombre = fnSelect;
    cmd.OnDestination = [&](TAbstractListFichier* f, const QStringList&, int) {
        return RenommerDestination(static_cast<TaviFichier&>(*f), settings);
    };
    cmd.OnExecution = [](TAbstractListFichier* f, const QString& dest, const QStringList&,
                         TCommandEngine&, int) { RenameWithCompanions(f->FullName, dest); };
    Run(cmd);
    EXPECT_EQ(ListNames(), QStringList({"00.12.34.05.avi", "00.12.34.05_1.avi"}));
    EXPECT_TRUE(QFileInfo::exists(Path("00.12.34.05.scn")));
    EXPECT_TRUE(QFileInfo::exists(Path("00.12.34.05_1.srt")));
    EXPECT_FALSE(QFileInfo::exists(Path("a.avi")));
    EXPECT_TRUE(user.Errors.isEmpty());
}

TEST(RecordFactory, MakesTheProgramsMediaEntries) {
    TRecordFactoryOf<TAfficherFichier> factory;
    const TFichierPtr record = factory.Create("/nulle/part/clip.avi");
    EXPECT_NE(dynamic_cast<TAfficherFichier*>(record.get()), nullptr);
    EXPECT_EQ(record->ShortName, "clip.avi");
}

TEST_F(EngineTest, AddDestinationNeedsTheProducedFile) {
    AddFiles({"a.avi"});
    TCmd_np cmd;
    cmd.Nombre = fnSelect;
    cmd.UpdateFile = ufAdd;
    cmd.OnDestination = [this](TAbstractListFichier*, const QStringList&, int) {
        return Path("never-written.avi");
    };
    Run(cmd);
    EXPECT_EQ(ListNames(), QStringList({"a.avi"}));
}

// --- Availability and the user's thread --------------------------------------

TEST_F(EngineTest, AvailabilityFollowsTheConditions) {
    AddFiles({"a.avi", "b.avi"}, false);
    tCustomCmd_np cmd;
    cmd.OnFileCondition = [](TAbstractListFichier* f, bool& visible, bool& enabled) {
        visible = f->ShortName == "a.avi";
        enabled = visible;
    };
    const auto availability = [&](TAbstractListFichier* active) {
        bool visible = true;
        bool enabled = true;
        CommandAvailability(cmd, engine, list, active, visible, enabled);
        return std::make_pair(visible, enabled);
    };
    cmd.Nombre = fnSingle;
    EXPECT_EQ(availability(list.Item(0).get()), std::make_pair(true, true));
    EXPECT_EQ(availability(list.Item(1).get()), std::make_pair(false, false));
    cmd.Nombre = fnSelect;
    EXPECT_EQ(availability(nullptr), std::make_pair(true, false));  // nothing selected
    list.SetSelected(1, true);
    EXPECT_EQ(availability(nullptr), std::make_pair(true, false));
    list.SetSelected(0, true);
    EXPECT_EQ(availability(nullptr), std::make_pair(true, true));
    cmd.Nombre = fnAll;
    list.SelectAll(false);
    EXPECT_EQ(availability(nullptr), std::make_pair(true, true));
    cmd.Nombre = fnNone;
    cmd.OnCommandCondition = [](TCommandEngine&) { return false; };
    EXPECT_EQ(availability(nullptr), std::make_pair(false, true));

    TcmdList commands;
    auto& c = commands.Add<TGraphCmd_np>("ConvertirDV1");
    EXPECT_EQ(commands.ForAction("ccconvertirdv1"), &c);
    EXPECT_EQ(commands.ForAction("naConvertirDV1"), nullptr);
}

class TRecordingShell : public TShell {
  public:
    QStringList Trashed;
    bool MoveToTrash(const QString& path) override {
        Trashed << path;
        return true;
    }
};

TEST(RecycleFile, GoesThroughTheShellWithThePathAsItIs) {
    TRecordingShell shell;
    SetDefaultShell(&shell);
    EXPECT_TRUE(RecycleFile("/Films/Clip.AVI"));
    SetDefaultShell(nullptr);
    EXPECT_EQ(shell.Trashed, QStringList({"/Films/Clip.AVI"}));
}

// The desktop's user: the steps of the run on the thread of the window, the
// passes on the worker.
class TQueuedScriptedUser : public TQueuedCommandUser {
  public:
    QList<QThread*> StepThreads;
    TAnswer Confirm(const QString&, TConfirmButtons) override {
        StepThreads << QThread::currentThread();
        return TAnswer::Oui;
    }
    void StartCommand() override { StepThreads << QThread::currentThread(); }
    void Message(const QString&) override { StepThreads << QThread::currentThread(); }
    void EndCommand() override { StepThreads << QThread::currentThread(); }
};

TEST(QueuedUser, StepsRunOnTheWindowThreadAndPassesOnTheWorker) {
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    QTemporaryDir dir;
    TQueuedScriptedUser user;
    TTestFactory factory;
    TMemoryFichierList list;
    TCommandEngine engine(user, factory);
    engine.SetSourceList(&list);
    engine.SetDestList(&list);
    QFile(dir.path() + "/a.out").open(QIODevice::WriteOnly);
    list.Add(std::make_shared<TaviFichier>(dir.path() + "/a.avi", TaviFichier::TUnanalysed{}));
    list.SetSelected(0, true);
    TCmd_np cmd;
    cmd.Nombre = fnSelect;
    cmd.StartMessage = QStringLiteral("%s");
    QThread* destinationThread = nullptr;
    QThread* executionThread = nullptr;
    cmd.OnDestination = [&](TAbstractListFichier* f, const QStringList&, int) {
        destinationThread = QThread::currentThread();
        return f->Folder + "a.out";
    };
    cmd.OnExecution = [&](TAbstractListFichier*, const QString&, const QStringList&,
                          TCommandEngine&, int) { executionThread = QThread::currentThread(); };
    ASSERT_EQ(engine.ExecuteCommand(cmd), TExecuteResult::Started);
    // Waiting on the window's thread serves the run's steps meanwhile.
    ASSERT_TRUE(engine.WaitUntilIdle(20000));
    ASSERT_EQ(user.StepThreads.size(), 4);  // start, confirm, message, end
    for (QThread* t : user.StepThreads) EXPECT_EQ(t, app.thread());
    EXPECT_EQ(destinationThread, app.thread());
    ASSERT_NE(executionThread, nullptr);
    EXPECT_NE(executionThread, app.thread());
}

}  // namespace
}  // namespace tavrel::test
