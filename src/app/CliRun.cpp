// tavrel-cli commands and tavrel-cli run: the catalogue and the engine over
// the files of the command line, as the main window runs them.
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>
#include <atomic>
#include <memory>
#include <optional>

#include "app/Cli.h"
#include "avi/AviFichier.h"
#include "avi/RiffAnalyser.h"
#include "commands/Catalogue.h"
#include "commands/CommandEngine.h"
#include "commands/MemoryFichierList.h"
#include "commands/RecordFactory.h"
#include "commands/ShellIntegration.h"
#include "framework/IniPreferencesMan.h"
#include "framework/OmbrixPreferences.h"
#include "framework/RegPreferencesMan.h"
#include "scenes/ProgramInfo.h"

namespace tavrel::cli {

namespace {

// --- Interruption ---------------------------------------------------------------

std::atomic<bool> g_interruptRequested{false};

extern "C" void OnInterruptSignal(int) {
    g_interruptRequested.store(true);
}

// Ctrl+C sets a flag that the waiting thread turns into InterruptAll.
class TInterruptHandler {
  public:
    TInterruptHandler() {
        g_interruptRequested = false;
        struct sigaction action {};
        action.sa_handler = OnInterruptSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_previous);
    }
    ~TInterruptHandler() { sigaction(SIGINT, &m_previous, nullptr); }
    TInterruptHandler(const TInterruptHandler&) = delete;
    TInterruptHandler& operator=(const TInterruptHandler&) = delete;

  private:
    struct sigaction m_previous {};
};

// --- What the desktop would do --------------------------------------------------------

// The RIFF report goes to the terminal.
class TCliHost : public TCatalogueHost {
  public:
    TCliHost(QTextStream& out, QTextStream& err) : m_out(out), m_err(err) {}
    bool ShowRiffReport(const QString& path) override {
        TRiffAnalyser analyser;
        const TRiffReport report =
            analyser.AnalyseFile(std::filesystem::path(QFile::encodeName(path).toStdString()));
        if (report.OpenError || report.Lines.empty()) {
            m_err << QStringLiteral("Le fichier %1 n'a pas pu être analysé.").arg(path) << Qt::endl;
            return false;
        }
        m_out << QString::fromStdString(PlainTextOfReport(report.Lines));
        m_out.flush();
        return true;
    }

  private:
    QTextStream& m_out;
    QTextStream& m_err;
};

// Without a graphical session Qt cannot open documents itself: the desktop's
// opener does it.
class TCliShell : public TShell {
  public:
    bool OpenUrl(const QUrl& url) override {
        if (TShell::OpenUrl(url)) return true;
        return StartProgram(QStringLiteral("xdg-open"),
                            {url.isLocalFile() ? url.toLocalFile() : url.toString()});
    }
};

// --- The user at a terminal --------------------------------------------------------------

enum class TAnswerMode { None, YesAll, NoAll, Ask };

QString TerminalText(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// "[O]ui / [N]on / [A]nnuler / N[o]n à Tous / Oui à [T]ous".
QString ButtonsLine(TConfirmButtons buttons) {
    QStringList parts;
    for (TAnswer answer : AnswersOf(buttons)) {
        QString caption = AnswerCaption(answer);
        const qsizetype amp = caption.indexOf(QLatin1Char('&'));
        if (amp >= 0 && amp + 1 < caption.size())
            caption = caption.left(amp) + QLatin1Char('[') + caption.at(amp + 1) +
                      QLatin1Char(']') + caption.mid(amp + 2);
        else
            caption = QLatin1Char('[') + caption.left(1) + QLatin1Char(']') + caption.mid(1);
        parts << caption;
    }
    return parts.join(QStringLiteral(" / "));
}

// The answer a reply stands for among the buttons offered. The letters are
// those shown in brackets; "O" is Oui and, where "Non à Tous" is offered,
// a lower-case "o" is "Non à Tous".
std::optional<TAnswer> ParseReply(const QString& reply, TConfirmButtons buttons) {
    const QString text = reply.trimmed();
    const bool five = buttons == TConfirmButtons::Five;
    std::optional<TAnswer> answer;
    if (text == QLatin1String("o") && five)
        answer = TAnswer::NonATous;
    else if (text.compare(QLatin1String("o"), Qt::CaseInsensitive) == 0)
        answer = TAnswer::Oui;
    else if (text.compare(QLatin1String("n"), Qt::CaseInsensitive) == 0)
        answer = TAnswer::Non;
    else if (text.compare(QLatin1String("a"), Qt::CaseInsensitive) == 0)
        answer = TAnswer::Annuler;
    else if (text.compare(QLatin1String("t"), Qt::CaseInsensitive) == 0)
        answer = TAnswer::OuiATous;
    else {
        QString word = text.toLower();
        word.replace(QStringLiteral("à"), QStringLiteral("a"));
        if (word == QLatin1String("oui")) answer = TAnswer::Oui;
        if (word == QLatin1String("non")) answer = TAnswer::Non;
        if (word == QLatin1String("annuler")) answer = TAnswer::Annuler;
        if (word == QLatin1String("non a tous")) answer = TAnswer::NonATous;
        if (word == QLatin1String("oui a tous")) answer = TAnswer::OuiATous;
    }
    if (answer && !AnswersOf(buttons).contains(*answer)) return std::nullopt;
    return answer;
}

class TCliUser : public TCommandUser {
  public:
    TCliUser(TAnswerMode mode, TdmAction& dm, QTextStream& out, QTextStream& err)
        : m_mode(mode), m_dm(dm), m_out(out), m_err(err), m_stderrIsTerminal(isatty(2) != 0) {}

    int Errors() const { return m_errors; }
    int Unanswered() const { return m_unanswered; }
    bool Cancelled() const { return m_cancelled; }

    TAnswer Confirm(const QString& question, TConfirmButtons buttons) override {
        const QString text = TerminalText(question);
        switch (m_mode) {
            case TAnswerMode::YesAll:
                m_out << text << Qt::endl << QStringLiteral("→ Oui à Tous") << Qt::endl;
                return TAnswer::OuiATous;
            case TAnswerMode::NoAll:
                m_out << text << Qt::endl << QStringLiteral("→ Non à Tous") << Qt::endl;
                return TAnswer::NonATous;
            case TAnswerMode::None:
                ++m_unanswered;
                m_out << text << Qt::endl
                      << QStringLiteral(
                             "→ Sans réponse, ignoré (répondez avec --ask, --yes-all ou --no-all).")
                      << Qt::endl;
                return TAnswer::Non;
            case TAnswerMode::Ask:
                break;
        }
        for (;;) {
            m_out << text << Qt::endl << ButtonsLine(buttons) << QStringLiteral(" ? ");
            m_out.flush();
            QString reply;
            if (!ReadReply(reply)) {
                // The end of the input, or Ctrl+C, closes the dialog without
                // a button.
                m_out << Qt::endl;
                m_cancelled = true;
                return TAnswer::Annuler;
            }
            if (const std::optional<TAnswer> answer = ParseReply(reply, buttons)) {
                if (*answer == TAnswer::Annuler) m_cancelled = true;
                m_out << QStringLiteral("→ ") << AnswerCaption(*answer).remove(QLatin1Char('&'))
                      << Qt::endl;
                return *answer;
            }
            m_out << QStringLiteral("Réponse non comprise : %1").arg(reply) << Qt::endl;
        }
    }

    void StartFichier(TAbstractListFichier* fichier, const QStringList&, int) override {
        m_dm.StartFichier(fichier);
        const TaviFichier* avi = AsAvi(fichier);
        m_shiftBefore = avi ? avi->TimeShift : 0;
    }
    void EndFichier(TAbstractListFichier* fichier, const QStringList&, int) override {
        m_dm.EndFichier(fichier);
        const TaviFichier* avi = AsAvi(fichier);
        if (avi && avi->TimeShift != m_shiftBefore)
            m_out << QStringLiteral("Décalage horaire affiché pour %1 : %2")
                         .arg(avi->ShortName, avi->TimeShiftText.isEmpty() ? QStringLiteral("aucun")
                                                                           : avi->TimeShiftText)
                  << Qt::endl;
    }
    void Message(const QString& message) override {
        EndProgressLine();
        m_out << TerminalText(message) << Qt::endl;
    }
    void Error(const QString& message, TErrorType type) override {
        ++m_errors;
        EndProgressLine();
        m_out.flush();
        // The dialog's "Le fichier courant a été interrompu." says nothing
        // more here: the next line shows the run going on.
        QString text = TerminalText(message);
        if (type == etAllError) text += QStringLiteral(" La commande va être interrompue.");
        m_err << QStringLiteral("Erreur : ") << text << Qt::endl;
    }
    void StartProgress(int max) override {
        m_progressMax = max;
        m_lastPercent = -1;
        m_clock.start();
        m_lastShown = -1000;
    }
    void SetProgress(int position) override {
        if (m_progressMax <= 0) return;
        const int percent =
            static_cast<int>(std::clamp<qint64>(qint64(position) * 100 / m_progressMax, 0, 100));
        const qint64 now = m_clock.elapsed();
        // A few lines a second at most: the terminal is not the work.
        if (percent == m_lastPercent || (now - m_lastShown < 250 && percent < 100)) return;
        m_lastPercent = percent;
        m_lastShown = now;
        if (m_stderrIsTerminal) {
            m_err << QStringLiteral("\rProgression : %1 %").arg(percent, 3);
            m_err.flush();
            m_lineOpen = true;
        } else {
            m_err << QStringLiteral("Progression : %1 %").arg(percent) << Qt::endl;
        }
    }
    void EndProgress() override {
        EndProgressLine();
        m_progressMax = 0;
    }

  private:
    // One line of the standard input; false at its end or when Ctrl+C was
    // pressed meanwhile (the wait looks at the flag between short polls).
    bool ReadReply(QString& reply) {
        for (;;) {
            const std::size_t eol = m_input.find('\n');
            if (eol != std::string::npos) {
                reply = QString::fromLocal8Bit(m_input.data(), static_cast<qsizetype>(eol));
                m_input.erase(0, eol + 1);
                if (reply.endsWith(QLatin1Char('\r'))) reply.chop(1);
                return true;
            }
            if (m_inputEnded) {
                if (m_input.empty()) return false;
                reply =
                    QString::fromLocal8Bit(m_input.data(), static_cast<qsizetype>(m_input.size()));
                m_input.clear();
                return true;
            }
            if (g_interruptRequested.load()) return false;
            pollfd fd{0, POLLIN, 0};
            const int ready = ::poll(&fd, 1, 100);
            if (ready < 0 && errno != EINTR) return false;
            if (ready <= 0) continue;
            char chunk[4096];
            const ssize_t n = ::read(0, chunk, sizeof chunk);
            if (n > 0)
                m_input.append(chunk, static_cast<std::size_t>(n));
            else if (n == 0 || errno != EINTR)
                m_inputEnded = true;
        }
    }

    void EndProgressLine() {
        if (!m_lineOpen) return;
        m_err << Qt::endl;
        m_lineOpen = false;
    }

    TAnswerMode m_mode;
    TdmAction& m_dm;
    QTextStream& m_out;
    QTextStream& m_err;
    bool m_stderrIsTerminal;
    int m_errors = 0;
    int m_unanswered = 0;
    bool m_cancelled = false;
    double m_shiftBefore = 0;
    int m_progressMax = 0;
    int m_lastPercent = -1;
    qint64 m_lastShown = 0;
    bool m_lineOpen = false;
    QElapsedTimer m_clock;
    std::string m_input;
    bool m_inputEnded = false;
};

// --- Arguments --------------------------------------------------------------------------

struct TRunArguments {
    QString Command;
    std::optional<QString> Param;
    TAnswerMode Mode = TAnswerMode::None;
    QStringList Sets;
    QStringList Files;
};

const char* kRunUsage =
    "Utilisation : tavrel-cli run COMMANDE [--param VALEUR] [--yes-all | --no-all | --ask]\n"
    "                         [--set CLE=VALEUR]... FICHIER...\n";

// Parses the arguments of run; an error text for a usage error.
QString ParseRunArguments(const QStringList& args, TRunArguments& parsed) {
    bool modeGiven = false;
    bool optionsDone = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!optionsDone && arg.startsWith(QLatin1String("--"))) {
            if (arg == QLatin1String("--")) {
                optionsDone = true;
                continue;
            }
            const auto value = [&](QString& out) {
                if (i + 1 >= args.size()) return false;
                out = args[++i];
                return true;
            };
            TAnswerMode mode = TAnswerMode::None;
            if (arg == QLatin1String("--param")) {
                QString v;
                if (!value(v)) return QStringLiteral("--param demande une valeur.");
                if (parsed.Param) return QStringLiteral("--param ne peut être donné qu'une fois.");
                parsed.Param = v;
                continue;
            }
            if (arg == QLatin1String("--set")) {
                QString v;
                if (!value(v)) return QStringLiteral("--set demande CLE=VALEUR.");
                parsed.Sets << v;
                continue;
            }
            if (arg == QLatin1String("--yes-all"))
                mode = TAnswerMode::YesAll;
            else if (arg == QLatin1String("--no-all"))
                mode = TAnswerMode::NoAll;
            else if (arg == QLatin1String("--ask"))
                mode = TAnswerMode::Ask;
            else
                return QStringLiteral("Option inconnue : %1").arg(arg);
            if (modeGiven && parsed.Mode != mode)
                return QStringLiteral("--yes-all, --no-all et --ask s'excluent.");
            modeGiven = true;
            parsed.Mode = mode;
            continue;
        }
        if (parsed.Command.isEmpty())
            parsed.Command = arg;
        else
            parsed.Files << arg;
    }
    if (parsed.Command.isEmpty()) return QStringLiteral("Indiquez la commande à lancer.");
    return {};
}

// The commands whose dialog gives them a value.
bool NeedsParam(const QString& name) {
    static const QStringList names = {
        QStringLiteral("DecalageHoraire"),    QStringLiteral("DecalerHoraire"),
        QStringLiteral("ModifierCodec"),      QStringLiteral("FrequenceVideo"),
        QStringLiteral("IntroduireDatecode"), QStringLiteral("CreerScnByIntervalle")};
    return names.contains(name, Qt::CaseInsensitive);
}

QString TypeName(TSettingType type) {
    switch (type) {
        case TSettingType::Text:
            return QStringLiteral("un texte");
        case TSettingType::Integer:
            return QStringLiteral("un nombre entier");
        case TSettingType::Double:
            return QStringLiteral("un nombre");
        case TSettingType::Boolean:
            return QStringLiteral("true ou false");
    }
    return {};
}

// --- The preferences of the desktop program ---------------------------------------------

void ReadSection(TPreferencesMan& store, TSettings& settings) {
    if (!store.OpenKey(QString::fromLatin1(kPreferencesSection), false)) return;
    for (const TSettingDeclaration& d : SettingDeclarations()) {
        const QString key = QLatin1String(d.Key);
        switch (d.Type) {
            case TSettingType::Text: {
                QString value;
                if (store.ReadString(key, value)) settings.Set(key, value);
                break;
            }
            case TSettingType::Integer: {
                std::int32_t value = 0;
                if (store.ReadInteger(key, value)) settings.Set(key, value);
                break;
            }
            case TSettingType::Double: {
                double value = 0;
                if (store.ReadFloat(key, value)) settings.Set(key, value);
                break;
            }
            case TSettingType::Boolean: {
                bool value = false;
                if (store.ReadBool(key, value)) settings.Set(key, value);
                break;
            }
        }
    }
    store.CloseKey();
}

// The record of the file of a path given on the command line.
TFichierPtr RecordOf(TRecordFactory& factory, const QString& file, QTextStream& err) {
    const QFileInfo info(file);
    if (!info.exists()) {
        err << QStringLiteral("Erreur : le fichier %1 est introuvable.").arg(file) << Qt::endl;
        return nullptr;
    }
    if (!info.isFile()) {
        err << QStringLiteral("Erreur : %1 n'est pas un fichier.").arg(file) << Qt::endl;
        return nullptr;
    }
    return factory.Create(info.absoluteFilePath());
}

// Settings from the store and the --set options; an error text for a usage
// error.
QString PrepareSettings(const QStringList& sets, TSettings& settings) {
    LoadDesktopPreferences(settings);
    for (const QString& set : sets) {
        const qsizetype eq = set.indexOf(QLatin1Char('='));
        if (eq <= 0) return QStringLiteral("--set demande CLE=VALEUR : %1").arg(set);
        const QString key = set.left(eq).trimmed();
        const QString value = set.mid(eq + 1);
        const TSettingDeclaration* d = FindSettingDeclaration(key);
        if (!d) return QStringLiteral("Réglage inconnu : %1").arg(key);
        if (!settings.SetFromText(key, value))
            return QStringLiteral("Valeur invalide pour le réglage %1 : « %2 » (%3 attendu).")
                .arg(QLatin1String(d->Key), value, TypeName(d->Type));
    }
    return {};
}

}  // namespace

// --- Preferences ---------------------------------------------------------------------------

QString LoadDesktopPreferences(TSettings& settings) {
    TOmbrixPreferences prefs;
    prefs.SetTitre(QString::fromLatin1(kProductName));
    QString where;
    switch (prefs.DetectMode()) {
        case TSavePreferences::spPortable: {
            // Read from a copy: this tool never writes the desktop's settings.
            QTemporaryDir temp;
            const QString copy = temp.filePath(QStringLiteral("prefs.ini"));
            if (temp.isValid() && QFile::copy(prefs.IniFileName(), copy)) {
                TIniPreferencesMan ini(copy);
                ReadSection(ini, settings);
                where = prefs.IniFileName();
            }
            break;
        }
        case TSavePreferences::spRegistre: {
            TRegPreferencesMan reg(prefs.UserStoreFileName(), false);
            if (reg.IsOpen()) {
                ReadSection(reg, settings);
                where = prefs.UserStoreFileName();
            }
            break;
        }
        case TSavePreferences::spNone:
            break;
    }
    // The desktop program finds the image grabber the same way.
    const QString imagette = settings.Text(QStringLiteral("FichierImagette"));
    if (imagette.isEmpty() || !QFileInfo(imagette).isFile()) {
        const QString sibling = TOmbrixPreferences::SiblingExeName(QStringLiteral("Imagette"));
        if (!sibling.isEmpty()) settings.Set(QStringLiteral("FichierImagette"), sibling);
    }
    return where;
}

// --- tavrel-cli commands [FICHIER] -------------------------------------------------------

int RunCommandList(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.size() > 1) {
        err << QStringLiteral("commands : un seul fichier à la fois.") << Qt::endl;
        return 2;
    }
    TSettings& settings = TSettings::Global();
    LoadDesktopPreferences(settings);
    TCliHost host(out, err);
    TdmAction dm(host, settings);
    TRecordFactoryOf<TAfficherFichier> factory;
    TFichierPtr record;
    if (!args.isEmpty()) {
        record = RecordOf(factory, args.first(), err);
        if (!record) return 1;
    }
    TCliUser user(TAnswerMode::None, dm, out, err);
    TCommandEngine engine(user, factory);
    for (const auto& command : dm.cl().Commands()) {
        const QString name = command->Name.leftJustified(22);
        if (!record) {
            out << name << QLatin1Char(' ') << command->Caption << Qt::endl;
            continue;
        }
        bool visible = true;
        bool enabled = true;
        command->FileCondition(record.get(), visible, enabled);
        const bool allowed = !command->OnCommandCondition || command->CommandCondition(engine);
        visible = visible && allowed;
        enabled = enabled && allowed;
        out << name << QLatin1Char(' ')
            << (visible ? QStringLiteral("visible") : QStringLiteral("masquée")).leftJustified(8)
            << QLatin1Char(' ')
            << (enabled ? QStringLiteral("active") : QStringLiteral("inactive")).leftJustified(8)
            << QLatin1Char(' ') << command->Caption << Qt::endl;
    }
    return 0;
}

// --- tavrel-cli run ---------------------------------------------------------------------------

int RunCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    TRunArguments parsed;
    if (const QString usage = ParseRunArguments(args, parsed); !usage.isEmpty()) {
        err << usage << Qt::endl << kRunUsage;
        return 2;
    }
    TSettings& settings = TSettings::Global();
    if (const QString usage = PrepareSettings(parsed.Sets, settings); !usage.isEmpty()) {
        err << usage << Qt::endl;
        return 2;
    }

    TCliHost host(out, err);
    TdmAction dm(host, settings);
    tAbstractCmd* cmd = dm.Find(parsed.Command);
    if (!cmd) {
        err << QStringLiteral("Commande inconnue : %1 (tavrel-cli commands les liste).")
                   .arg(parsed.Command)
            << Qt::endl;
        return 2;
    }
    QStringList params;
    if (NeedsParam(cmd->Name)) {
        if (parsed.Param) {
            params << *parsed.Param;
        } else if (cmd->Name == QLatin1String("CreerScnByIntervalle")) {
            // The interval dialog starts with the setting.
            params << QString::number(settings.Integer(QStringLiteral("Intervalle")));
        } else {
            err << QStringLiteral("La commande %1 demande une valeur : --param VALEUR.")
                       .arg(cmd->Name)
                << Qt::endl;
            return 2;
        }
    } else if (parsed.Param) {
        err << QStringLiteral("La commande %1 ne prend pas de valeur (--param).").arg(cmd->Name)
            << Qt::endl;
        return 2;
    }
    if (cmd->Nombre != fnNone && parsed.Files.isEmpty()) {
        err << QStringLiteral("Indiquez au moins un fichier.") << Qt::endl << kRunUsage;
        return 2;
    }

    // Nothing the run does may start a program of the desktop by surprise:
    // the shell is the command line's.
    TCliShell shell;
    SetDefaultShell(&shell);
    struct TShellReset {
        ~TShellReset() { SetDefaultShell(nullptr); }
    } shellReset;

    bool failed = false;
    TRecordFactoryOf<TAfficherFichier> factory;
    TMemoryFichierList list;
    for (const QString& file : parsed.Files) {
        TFichierPtr record = RecordOf(factory, file, err);
        if (!record) {
            failed = true;
            continue;
        }
        bool visible = true;
        bool enabled = true;
        cmd->FileCondition(record.get(), visible, enabled);
        if (!enabled) {
            err << QStringLiteral("%1 : la commande « %2 » ne s'applique pas à ce fichier.")
                       .arg(record->FullName, cmd->Caption)
                << Qt::endl;
            failed = true;
        }
        list.Add(record);
        list.SetSelected(list.Count() - 1, true);
    }
    if (list.Count() == 0 && cmd->Nombre != fnNone) return 1;

    TCliUser user(parsed.Mode, dm, out, err);
    TCommandEngine engine(user, factory);
    engine.SetSourceList(&list);
    engine.SetDestList(&list);
    TInterruptHandler interruptHandler;

    // A command on the active file runs once for each file, as if each in
    // turn were the active one.
    QList<int> focuses;
    if (cmd->Nombre == fnSingle) {
        for (int i = 0; i < list.Count(); ++i) focuses << i;
    } else {
        focuses << 0;
    }
    bool interrupted = false;
    for (int focus : focuses) {
        if (interrupted || user.Cancelled()) break;
        list.SetFocused(focus);
        const TExecuteResult result = engine.ExecuteCommand(*cmd, params);
        if (result == TExecuteResult::ConditionFalse) {
            err << QStringLiteral("La commande « %1 » n'est pas disponible (voir les réglages).")
                       .arg(cmd->Caption)
                << Qt::endl;
            failed = true;
            break;
        }
        if (result != TExecuteResult::Started) {
            failed = true;
            break;
        }
        while (!engine.WaitUntilIdle(100)) {
            if (g_interruptRequested.load() && !interrupted) {
                interrupted = true;
                // The worker may be writing to the error stream: this thread
                // writes past it, in one call.
                static const char notice[] = "\nInterruption demandée.\n";
                [[maybe_unused]] const ssize_t written = ::write(2, notice, sizeof notice - 1);
                engine.InterruptAll();
            }
        }
        if (g_interruptRequested.load()) interrupted = true;
    }

    for (int i = 0; i < list.Count(); ++i) out << list.Item(i)->FullName << Qt::endl;
    out.flush();
    err.flush();
    if (failed || interrupted || user.Errors() > 0 || user.Unanswered() > 0 || user.Cancelled())
        return 1;
    return 0;
}

}  // namespace tavrel::cli
