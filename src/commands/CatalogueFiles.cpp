// The commands on whole files and their companions: delete to the trash,
// delete the scene or subtitle file, open with another program or the
// default player, show the folder, the RIFF report, and the display shift.
#include <QFileInfo>
#include <QUrl>

#include "avi/AviFichier.h"
#include "commands/Catalogue.h"
#include "commands/CatalogueInternal.h"
#include "commands/FileNaming.h"
#include "commands/ShellIntegration.h"
#include "scenes/ScnFile.h"
#include "scenes/WriteSrt.h"

namespace tavrel {

using namespace catalogue;

namespace {

// The program's web log; none is published yet, so the command stays hidden.
constexpr const char* kBlogAddress = "";

// Sends a file to the trash on the user's thread (the shell belongs there).
bool TrashOnUserThread(TCommandEngine& ce, const QString& path) {
    bool trashed = false;
    ce.OnUserThread([&] { trashed = RecycleFile(path); });
    return trashed;
}

// Starts a configured program with the entry's file; says so when the
// program could not be started.
void StartWith(TCommandEngine& ce, const QString& program, TAbstractListFichier* fichier) {
    const QString path = FullNameOf(fichier);
    bool started = false;
    try {
        ce.OnUserThread([&] { started = DefaultShell().StartProgram(program, {path}); });
        if (!started)
            ce.ErrorCommand(QStringLiteral("Impossible de lancer %1 pour %2.").arg(program, path),
                            etError);
    } catch (...) {
    }
}

}  // namespace

void TdmAction::AttachFileHandlers() {
    const auto standardFileVerification = [this](TAbstractListFichier*, const QStringList&,
                                                 TCommandEngine&,
                                                 int) { return m_host.SkipScnQuestion(); };

    // --- Parent folder, default player, RIFF report ----------------------------
    auto& dossier = Command<tCustomCmd_np>("DossierParent");
    dossier.OnExecution = [](TAbstractListFichier* f, const QStringList&, TCommandEngine& ce, int) {
        try {
            const QString path = FullNameOf(f);
            ce.OnUserThread([&] { ShowInExplorer(path); });
        } catch (...) {
        }
    };

    auto& player = Command<tCustomCmd_np>("DefaultPlayer");
    player.OnExecution = [](TAbstractListFichier* f, const QStringList&, TCommandEngine& ce, int) {
        try {
            const QString path = FullNameOf(f);
            bool opened = false;
            ce.OnUserThread([&] { opened = DefaultShell().OpenUrl(QUrl::fromLocalFile(path)); });
            if (!opened)
                ce.ErrorCommand(QStringLiteral("Aucun programme n'a pu ouvrir %1.").arg(path),
                                etError);
        } catch (...) {
        }
    };

    auto& riff = Command<tCustomCmd_np>("RiffHeader");
    riff.OnExecution = [this](TAbstractListFichier* f, const QStringList&, TCommandEngine& ce,
                              int) {
        const QString path = FullNameOf(f);
        try {
            bool shown = false;
            ce.OnUserThread([&] { shown = m_host.ShowRiffReport(path); });
            if (!shown) ce.OnUserThread([&] { m_host.CloseRiffReport(); });
        } catch (...) {
            try {
                ce.OnUserThread([&] { m_host.CloseRiffReport(); });
            } catch (...) {
            }
        }
    };

    // --- Other programs ------------------------------------------------------------
    const auto openWith = [this](const char* name, const char* key) {
        auto& command = Command<tCustomCmd_np>(name);
        const QString settingKey = QLatin1String(key);
        command.OnCommandCondition = [this, settingKey](TCommandEngine&) {
            return ProgramExists(m_settings.Text(settingKey));
        };
        command.OnExecution = [this, settingKey](TAbstractListFichier* f, const QStringList&,
                                                 TCommandEngine& ce, int) {
            StartWith(ce, m_settings.Text(settingKey), f);
        };
    };
    openWith("OpenFichierF3", "FichierF3");
    openWith("OpenFichierF4", "FichierF4");

    auto& imagette = Command<tCustomCmd_np>("Imagette");
    imagette.OnFileCondition = [this](TAbstractListFichier*, bool& visible, bool& enabled) {
        visible = true;
        enabled = ProgramExists(m_settings.Text(QStringLiteral("FichierImagette")));
    };
    imagette.OnExecution = [this](TAbstractListFichier* f, const QStringList&, TCommandEngine& ce,
                                  int) {
        StartWith(ce, m_settings.Text(QStringLiteral("FichierImagette")), f);
    };

    // --- Deleting --------------------------------------------------------------------
    auto& supprimer = Command<tCustomCmd_np>("SupprimerFichier");
    supprimer.OnFileCondition = [](TAbstractListFichier* f, bool& visible, bool& enabled) {
        const auto* record = dynamic_cast<const TSRFichier*>(f);
        visible = true;
        enabled = f && !(record && record->ReadOnly);
    };
    supprimer.OnFileVerification = standardFileVerification;
    supprimer.OnFileConFirmation = [](TAbstractListFichier* f, const QStringList&, TCommandEngine&,
                                      int) { return DeleteQuestion(ShortNameOf(f)); };
    supprimer.OnExecution = [](TAbstractListFichier* f, const QStringList&, TCommandEngine& ce,
                               int) {
        try {
            const QString path = FullNameOf(f);
            // An entry whose file is still on disk stays in the list: the user
            // must not believe it gone.
            if (TrashOnUserThread(ce, path) || !PathTaken(path)) {
                ce.RemoveCurrent();
            } else {
                ce.ErrorCommand(
                    QStringLiteral("Le fichier %1 n'a pas pu être envoyé à la corbeille.")
                        .arg(path),
                    etError);
            }
        } catch (...) {
        }
    };

    const auto companionDelete = [this, standardFileVerification](const char* name,
                                                                  const QString& extension,
                                                                  bool TaviFichier::*flag) {
        auto& command = Command<TFastCmd_np>(name);
        command.OnFileCondition = [flag](TAbstractListFichier* f, bool& visible, bool& enabled) {
            const TaviFichier* avi = AsAvi(f);
            visible = true;
            enabled = avi && avi->*flag;
        };
        command.OnFileVerification = standardFileVerification;
        command.OnFileConFirmation = [extension](TAbstractListFichier* f, const QStringList&,
                                                 TCommandEngine&, int) {
            return DeleteQuestion(ReplaceExtension(ShortNameOf(f), extension));
        };
        command.OnExecution = [&command, extension](TAbstractListFichier* f, const QStringList&,
                                                    TCommandEngine& ce, int passe) {
            const QString companion = ReplaceExtension(FullNameOf(f), extension);
            // Already gone: the reload that follows shows it.
            if (!PathTaken(companion)) return;
            if (!TrashOnUserThread(ce, companion))
                ReportFailure(
                    ce, command, f, passe,
                    QStringLiteral("%1 n'a pas pu être envoyé à la corbeille.").arg(companion));
        };
    };
    companionDelete("SupprimerScn", QStringLiteral(".scn"), &TaviFichier::HasScn);
    companionDelete("SupprimerSrt", QStringLiteral(".srt"), &TaviFichier::HasSrt);

    // --- Display shift -----------------------------------------------------------------
    auto& decalage = Command<TCmd_np>("DecalageHoraire");
    decalage.OnExecution = [this](TAbstractListFichier*, const QString&, const QStringList& params,
                                  TCommandEngine& ce, int) {
        const QString text = FirstParam(params);
        double shift = 0;
        if (!ParseDecimal(text, shift)) {
            shift = 0;
            ce.ErrorCommand(
                QStringLiteral("Le décalage « %1 » n'est pas un nombre de jours : le décalage "
                               "affiché est remis à 0.")
                    .arg(text),
                etError);
        }
        m_displayShift = shift;
    };

    // --- The web log ---------------------------------------------------------------------
    auto& blog = Command<tCustomCmd_np>("VisitBlog");
    blog.OnCommandCondition = [](TCommandEngine&) { return *kBlogAddress != '\0'; };
    blog.OnExecution = [](TAbstractListFichier*, const QStringList&, TCommandEngine& ce, int) {
        try {
            ce.OnUserThread([] { ShellOpen(QString::fromUtf8(kBlogAddress)); });
        } catch (...) {
        }
    };
}

}  // namespace tavrel
