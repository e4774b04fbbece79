// tavrel-cli commands and run, as a user or a script starts them.
#include <signal.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <filesystem>

#include <gtest/gtest.h>

#include "avi/AviPatch.h"
#include "framework/RegPreferencesMan.h"
#include "scenes/SceneList.h"
#include "scenes/ScnFile.h"
#include "support/TestClips.h"

namespace tavrel::test {
namespace {

struct TResult {
    int Status = -1;
    bool Crashed = false;
    QString Out;
    QString Err;
};

class CliRunTest : public ::testing::Test {
  protected:
    CliRunTest() { QDir().mkpath(ConfigFolder()); }

    QString ConfigFolder() const { return dir.path() + QStringLiteral("/config"); }
    QString Path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }
    QString Clip(TTestClipId id) {
        const TTestClip& clip = TestClip(id);
        const QString copy = Path(QString::fromUtf8(clip.FileName));
        EXPECT_TRUE(QFile::copy(QString::fromStdString(clip.Path().string()), copy));
        return copy;
    }
    // The desktop's per-user store, in the test's configuration folder.
    void StorePreference(const QString& key, std::int32_t value) {
        TRegPreferencesMan store(TRegPreferencesMan::StoreFileName(ConfigFolder(), "Tavrel"), true);
        ASSERT_TRUE(store.OpenKey("UIForm", true));
        ASSERT_TRUE(store.WriteInteger(key, value));
        ASSERT_TRUE(store.Flush());
    }

    void Start(QProcess& process, const QStringList& args) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", ConfigFolder());
        env.insert("XDG_DATA_HOME", dir.path() + QStringLiteral("/data"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(TAVREL_CLI_PATH), args);
        ASSERT_TRUE(process.waitForStarted(10000));
    }
    static TResult Finish(QProcess& process) {
        TResult r;
        EXPECT_TRUE(process.waitForFinished(120000));
        r.Crashed = process.exitStatus() != QProcess::NormalExit;
        r.Status = process.exitCode();
        r.Out = QString::fromUtf8(process.readAllStandardOutput());
        r.Err = QString::fromUtf8(process.readAllStandardError());
        return r;
    }
    TResult Cli(const QStringList& args, const QByteArray& input = {}) {
        QProcess process;
        Start(process, args);
        if (!input.isEmpty()) process.write(input);
        process.closeWriteChannel();
        return Finish(process);
    }

    static QByteArray Hash(const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) return {};
        QCryptographicHash hash(QCryptographicHash::Sha1);
        hash.addData(&f);
        return hash.result();
    }
    static TFourCC Codec(const QString& path) {
        return ReadAviCodec(std::filesystem::path(QFile::encodeName(path).toStdString()));
    }
    static int SceneCount(const QString& video) {
        TSceneList scenes;
        return ReadScnFile(ScnFilePath(video), scenes) ? scenes.Count() : -1;
    }

    QTemporaryDir dir;
};

TEST_F(CliRunTest, IntervalsFromThePreferencesAndFromSet) {
    const QString clip = Clip(TTestClipId::Type2Pal43);
    const int frames = static_cast<int>(TestClip(TTestClipId::Type2Pal43).FrameCount());
    StorePreference("Intervalle", 1);
    TResult r = Cli({"run", "CreerScnByIntervalle", clip});
    EXPECT_EQ(r.Status, 0) << r.Err.toStdString();
    EXPECT_EQ(r.Out, "En train de créer un fichier scn par intervalles pour type2-pal-4x3.avi\n" +
                         clip + "\n");
    EXPECT_EQ(SceneCount(clip), (frames + 24) / 25);

    // --set wins over the store; the scene file exists now and is replaced
    // only because the question is answered.
    r = Cli({"run", "CreerScnByIntervalle", "--set", "Intervalle=2", "--yes-all", clip});
    EXPECT_EQ(r.Status, 0) << r.Err.toStdString();
    EXPECT_TRUE(r.Out.contains("Voulez-vous écraser le fichier existant " + ScnFilePath(clip)));
    EXPECT_EQ(SceneCount(clip), (frames + 49) / 50);

    // --param wins over both.
    r = Cli({"run", "CreerScnByIntervalle", "--param", "3", "--yes-all", clip});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(SceneCount(clip), (frames + 74) / 75);
}

TEST_F(CliRunTest, UsageErrorsExitWith2AndTouchNothing) {
    const QString clip = Clip(TTestClipId::Type2Pal43);
    const QByteArray before = Hash(clip);
    struct TCase {
        QStringList Args;
        const char* Message;
    };
    const TCase cases[] = {
        {{"run", "CreerScnByIntervalle", "--set", "Inconnu=1", clip}, "Réglage inconnu : Inconnu"},
        {{"run", "CreerScnByIntervalle", "--set", "Intervalle=vingt", clip},
         "Valeur invalide pour le réglage Intervalle : « vingt » (un nombre entier attendu)."},
        {{"run", "Pas_une_commande", clip}, "Commande inconnue : Pas_une_commande"},
        {{"run", "ModifierCodec", clip}, "La commande ModifierCodec demande une valeur"},
        {{"run", "SupprimerScn", "--param", "1", clip}, "ne prend pas de valeur"},
        {{"run", "ModifierCodec", "--param", "DVSD"}, "Indiquez au moins un fichier."},
        {{"run", "ModifierCodec", "--param", "DVSD", "--yes-all", "--ask", clip}, "s'excluent"},
        {{"run", "ModifierCodec", "--param", "DVSD", "--vite", clip}, "Option inconnue : --vite"},
    };
    for (const TCase& c : cases) {
        const TResult r = Cli(c.Args);
        EXPECT_EQ(r.Status, 2) << c.Message;
        EXPECT_TRUE(r.Err.contains(QString::fromUtf8(c.Message))) << r.Err.toStdString();
    }
    EXPECT_EQ(Hash(clip), before);
    EXPECT_FALSE(QFileInfo::exists(ScnFilePath(clip)));
}

TEST_F(CliRunTest, AnswersDecideAndTheStatusSaysWhatHappened) {
    const QString clip = Clip(TTestClipId::Type2Pal43);
    const TFourCC original = Codec(clip);
    const TFourCC patched = MakeFourCC('D', 'V', 'S', 'D');
    ASSERT_NE(original, patched);
    const QStringList base = {"run", "ModifierCodec", "--param", "DVSD"};

    // No answer given: the file is skipped, and the status says it was not done.
    TResult r = Cli(base + QStringList{clip});
    EXPECT_EQ(r.Status, 1);
    EXPECT_TRUE(r.Out.contains("Sans réponse, ignoré"));
    EXPECT_EQ(Codec(clip), original);

    r = Cli(base + QStringList{"--no-all", clip});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(Codec(clip), original);

    r = Cli(base + QStringList{"--ask", clip}, "peut-être\nn\n");
    EXPECT_EQ(r.Status, 0);
    EXPECT_TRUE(r.Out.contains("[O]ui / [N]on / [A]nnuler ? "));
    EXPECT_TRUE(r.Out.contains("Réponse non comprise : peut-être"));
    EXPECT_EQ(Codec(clip), original);

    r = Cli(base + QStringList{"--ask", clip}, "A\n");
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(Codec(clip), original);

    r = Cli(base + QStringList{"--ask", clip}, "O\n");
    EXPECT_EQ(r.Status, 0) << r.Err.toStdString();
    EXPECT_EQ(Codec(clip), patched);

    const QString other = Clip(TTestClipId::Type2Pal169);
    r = Cli({"run", "ModifierCodec", "--param", "dvsd", "--yes-all", clip, other});
    EXPECT_EQ(r.Status, 0) << r.Err.toStdString();
    EXPECT_EQ(r.Out.count("Voulez-vous changer le codec"), 1);
    EXPECT_EQ(r.Out.section('\n', -3), clip + "\n" + other + "\n");
    EXPECT_EQ(Codec(clip), MakeFourCC('d', 'v', 's', 'd'));
    EXPECT_EQ(Codec(other), MakeFourCC('d', 'v', 's', 'd'));
}

TEST_F(CliRunTest, BadValuesAndMissingFilesFailTheirFileOnly) {
    const QString clip = Clip(TTestClipId::Type2Pal43);
    const QByteArray before = Hash(clip);
    TResult r = Cli({"run", "FrequenceVideo", "--param", "abc", "--yes-all", clip});
    EXPECT_EQ(r.Status, 1);
    EXPECT_TRUE(r.Err.contains("« abc » n'est pas une fréquence d'images valide"));
    EXPECT_EQ(Hash(clip), before);

    // A missing file is reported; the others are still processed.
    r = Cli({"run", "CreerScnByIntervalle", "--param", "2", Path("absent.avi"), clip});
    EXPECT_EQ(r.Status, 1);
    EXPECT_TRUE(r.Err.contains("le fichier " + Path("absent.avi") + " est introuvable."));
    EXPECT_GT(SceneCount(clip), 0);
    EXPECT_EQ(Hash(clip), before);

    // A file the command does not apply to.
    r = Cli({"run", "SupprimerSrt", "--yes-all", clip});
    EXPECT_EQ(r.Status, 1);
    EXPECT_TRUE(r.Err.contains("ne s'applique pas à ce fichier"));
}

TEST_F(CliRunTest, CommandsListsWhatIsOfferedForAFile) {
    TResult r = Cli({"commands"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_TRUE(r.Out.contains(QRegularExpression("^CreerSrt +Créer un fichier de sous-titres srt$",
                                                  QRegularExpression::MultilineOption)));
    const QString clip = Clip(TTestClipId::Type2Pal43);
    r = Cli({"commands", clip});
    EXPECT_EQ(r.Status, 0);
    const auto line = [&](const char* name) {
        const QRegularExpression re(QStringLiteral("^%1 +(\\S+) +(\\S+) ").arg(name),
                                    QRegularExpression::MultilineOption);
        const QRegularExpressionMatch m = re.match(r.Out);
        return m.hasMatch() ? m.captured(1) + " " + m.captured(2) : QString();
    };
    EXPECT_EQ(line("CreerScnByDate"), "visible active");
    EXPECT_EQ(line("ConvertirDV2"), "visible inactive");
    EXPECT_EQ(line("CorrigerType2"), "masquée inactive");
    EXPECT_EQ(line("SupprimerScn"), "visible inactive");
    EXPECT_EQ(line("OpenFichierF3"), "masquée inactive");
}

TEST_F(CliRunTest, CtrlCInterruptsTheRun) {
    const QString clip = Clip(TTestClipId::Type2Pal43);
    const TFourCC original = Codec(clip);
    QProcess process;
    Start(process, {"run", "ModifierCodec", "--param", "DVSD", "--ask", clip});
    // Wait for the question, then interrupt while it waits for an answer.
    QByteArray out;
    while (!out.contains("? ") && process.waitForReadyRead(20000))
        out += process.readAllStandardOutput();
    ASSERT_TRUE(out.contains("? "));
    ASSERT_EQ(::kill(static_cast<pid_t>(process.processId()), SIGINT), 0);
    process.closeWriteChannel();
    const TResult r = Finish(process);
    EXPECT_FALSE(r.Crashed);
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(Codec(clip), original);
}

}  // namespace
}  // namespace tavrel::test
