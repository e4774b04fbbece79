#include "commands/Catalogue.h"

#include <QFileInfo>
#include <QLocale>
#include <cmath>
#include <stdexcept>
#include <string>

#include "avi/AviFichier.h"
#include "commands/CatalogueInternal.h"
#include "commands/ShellIntegration.h"

namespace tavrel {

TCatalogueHost::~TCatalogueHost() = default;

void TCatalogueHost::ReleaseFile(const QString&) {}

// --- Record tests ----------------------------------------------------------

const TaviFichier* AsAvi(const TAbstractListFichier* fichier) {
    return dynamic_cast<const TaviFichier*>(fichier);
}

namespace {

bool IsMarkerText(const QString& text) {
    return text == QLatin1String("N/A") || text == QLatin1String("Erreur") ||
           text == QLatin1String("-");
}

}  // namespace

bool HasDatecode(const TaviFichier& file) {
    return !IsMarkerText(file.DatecodeText) && file.Datecode != 0;
}

bool HasTimecode(const TaviFichier& file) {
    return !IsMarkerText(file.TimecodeText);
}

bool IsDvsd(const TaviFichier& file) {
    return file.Codec.compare(QLatin1String("dvsd"), Qt::CaseInsensitive) == 0;
}

QString ShiftText(double days) {
    const auto secs = static_cast<std::int64_t>(std::nearbyint(days * 86400.0));
    const std::int64_t d = secs / 86400;
    const std::int64_t h = (secs / 3600) % 24;
    const std::int64_t m = (secs / 60) % 60;
    const std::int64_t s = secs % 60;
    if (d != 0 || m != 0 || s != 0)
        return QString::asprintf("%lld jours %.2lldh %.2lldm %.2llds", static_cast<long long>(d),
                                 static_cast<long long>(h), static_cast<long long>(m),
                                 static_cast<long long>(s));
    return QString::asprintf("%lld heures", static_cast<long long>(h));
}

bool ParseDecimal(const QString& text, double& value) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return false;
    QLocale local;
    local.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    double parsed = local.toDouble(trimmed, &ok);
    if (!ok) {
        // Typed on a terminal: a point or a comma, whatever the locale.
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::RejectGroupSeparator);
        QString text = trimmed;
        if (text.count(QLatin1Char(',')) == 1 && !text.contains(QLatin1Char('.')))
            text.replace(QLatin1Char(','), QLatin1Char('.'));
        parsed = c.toDouble(text, &ok);
    }
    if (!ok || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

QString DeleteQuestion(const QString& fileName) {
    const QString tail = QStringLiteral("\r\nSi oui, il sera envoyé à la corbeille.");
    const QString question = QStringLiteral("Voulez-vous vraiment supprimer le fichier ") +
                             fileName + QStringLiteral(" ?") + tail;
    if (question.size() > 254)
        return QStringLiteral("Voulez-vous vraiment supprimer ce fichier?") + tail;
    return question;
}

// --- Shared routines of the handlers ---------------------------------------

namespace catalogue {

QString FirstParam(const QStringList& params) {
    return params.isEmpty() ? QString() : params.first();
}

QString FullNameOf(const TAbstractListFichier* fichier) {
    return fichier ? fichier->FullName : QString();
}

QString ShortNameOf(const TAbstractListFichier* fichier) {
    return fichier ? fichier->ShortName : QString();
}

void ReportFailure(TCommandEngine& ce, const TFastCmd_np& cmd, TAbstractListFichier* fichier,
                   int passe, const QString& reason) {
    // Without an error text of its own the message names the file.
    QString text = cmd.ErrorMessage.isEmpty()
                       ? FullNameOf(fichier)
                       : FormatCommandText(cmd.ErrorMessage, FullNameOf(fichier), passe);
    if (!reason.isEmpty()) text = text.isEmpty() ? reason : text + QStringLiteral(" : ") + reason;
    if (text.isEmpty()) return;
    ce.ErrorCommand(text, etError);
}

bool RequireSource(TCommandEngine& ce, const TFastCmd_np& cmd, TAbstractListFichier* fichier,
                   int passe) {
    const QString path = FullNameOf(fichier);
    if (!path.isEmpty() && QFileInfo(path).isFile()) return true;
    ReportFailure(ce, cmd, fichier, passe, QStringLiteral("le fichier est introuvable."));
    return false;
}

QString NotAvailableText(const tAbstractCmd& cmd) {
    return QStringLiteral("La commande « %1 » n'est pas encore disponible dans cette version.")
        .arg(cmd.Caption);
}

bool ProgramExists(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}

void SetCondition(bool& visible, bool& enabled, bool value, bool hidden) {
    enabled = value;
    visible = hidden ? value : true;
}

}  // namespace catalogue

// --- The data module -------------------------------------------------------

namespace {

enum class TKind { Custom, Fast, Destination, Graph, Rename };

struct TCommandRow {
    const char* Name;
    TKind Kind;
    TcmdNombre Nombre;
    TUpdateDisplay Display;
    TUpdateFile Update;
    const char* Category;
    const char* Caption;
    const char* Start;
    const char* Error;
};

constexpr const char* kNone = "";
constexpr const char* kConv = kCategoryConversion;

// Every command of the program, in the catalogue's order. Graph commands
// and the exports show a progress gauge.
const TCommandRow kCommands[] = {
    {"DossierParent", TKind::Custom, fnSingle, udNone, ufNone, kNone, "Dossier parent", kNone,
     kNone},
    {"SupprimerFichier", TKind::Custom, fnSelect, udFinal, ufNone, kNone, "Supprimer les fichiers",
     kNone, kNone},
    {"OpenFichierF3", TKind::Custom, fnSelect, udNone, ufNone, kNone, "Ouvrir avec...", kNone,
     kNone},
    {"OpenFichierF4", TKind::Custom, fnSelect, udNone, ufNone, kNone, "Ouvrir avec...", kNone,
     kNone},
    {"DecalageHoraire", TKind::Destination, fnSelect, udFinal, ufNone, kNone,
     "Ajouter un décalage horaire", kNone, kNone},
    {"ConvertirDV1", TKind::Graph, fnSelect, udFinal, ufAdd, kConv, "Convertir en type 1",
     "En train de convertir %s en type 1",
     "Une erreur est survenue pendant la conversion de %s en type 1"},
    {"CreerScnByDate", TKind::Graph, fnSelect, udFinal, ufReload, kConv,
     "Créer un fichier scn selon date",
     "En train de créer un fichier scn pour %s à partir du datecode",
     "Erreur pendant la création d'un fichier scn pour %s"},
    {"CutScenes", TKind::Graph, fnSelect, udNone, ufAdd, kConv, "Découper en scènes",
     "En train d'extraire de %s la scène %d ", "Erreur pendant le découpage en scènes de %s"},
    {"ConvertirDV2", TKind::Graph, fnSelect, udFinal, ufAdd, kConv, "Convertir en type 2",
     "En train de convertir %s en type 2",
     "Une erreur est survenue pendant la conversion de %s en type 2"},
    {"RecompresserDV2", TKind::Graph, fnSelect, udFinal, ufAdd, kConv, "Recompresser en DV type 2",
     "En train de compresser %s en DV type 2", "Erreur pendant la compression de %s en DV type 2"},
    {"CorrigerType2", TKind::Graph, fnSelect, udFinal, ufAdd, kConv, "Corriger le DV type 2",
     "En train de corriger %s comme video de type 2",
     "Erreur pendant la correction de %s comme video de type 2"},
    {"ConvertirNTSC", TKind::Graph, fnSelect, udFinal, ufAdd, kConv, "Convertir en NTSC",
     "En train de convertir %s en NTSC", "Erreur pendant la conversion de %s en NTSC"},
    {"ConvertirPal", TKind::Graph, fnSelect, udFinal, ufAdd, kConv, "Convertir en Pal",
     "En train de convertir %s en Pal", "Erreur pendant la conversion de %s en Pal"},
    {"Incruster", TKind::Graph, fnSelect, udFinal, ufAdd, kConv, "Incruster dans le fichier",
     "En train d'incruster dans %s", "Erreur pendant l'incrustation dans %s"},
    {"DecalerHoraire", TKind::Graph, fnSelect, udFinal, ufAdd, kConv,
     "Corriger le décalage horaire", "En train d'appliquer un décalage horaire à %s",
     "Erreur pendant l'application d'un décalage horaire à %s"},
    {"ExtraireAudio", TKind::Graph, fnSelect, udNone, ufNone, kConv, "Extraire l'audio",
     "En train d'extraire l'audio de %s", "Erreur pendant l'extraction audio de %s"},
    {"CreerScnByContenu", TKind::Graph, fnSelect, udEach, ufReload, kConv,
     "Créer un fichier scn par contenu",
     "En train de créer un fichier scn selon le contenu pour %s",
     "Erreur pendant la création selon contenu d'un fichier scn pour %s"},
    {"CreerSrt", TKind::Graph, fnSelect, udEach, ufReload, kConv,
     "Créer un fichier de sous-titres srt", "En train de créer un fichier srt pour %s",
     "Erreur pendant la création d'un fichier srt pour %s"},
    {"SupprimerSrt", TKind::Fast, fnSelect, udEach, ufReload, kConv, "Supprimer le fichier srt",
     "En train de supprimer le fichier srt de %s",
     "Erreur pendant la suppression du fichier srt de %s"},
    {"SupprimerScn", TKind::Fast, fnSelect, udEach, ufReload, kConv, "Supprimer le fichier scn",
     "En train de supprimer le fichier scn de %s", "Erreur en supprimant le fichier scn de %s"},
    {"Imagette", TKind::Custom, fnSelect, udNone, ufNone, kNone, "Ouvrir avec Imagette", kNone,
     kNone},
    {"DefaultPlayer", TKind::Custom, fnSingle, udNone, ufNone, kNone,
     "Lire dans le player par défaut", kNone, kNone},
    {"RiffHeader", TKind::Custom, fnSingle, udNone, ufNone, kNone, "RiffHeader", kNone, kNone},
    {"ModifierCodec", TKind::Fast, fnSelect, udFinal, ufReload, kConv, "Modifier le codec", kNone,
     kNone},
    {"FrequenceVideo", TKind::Fast, fnSelect, udFinal, ufReload, kConv,
     "Corriger la fréquence vidéo", kNone, kNone},
    {"PurgerNom", TKind::Rename, fnSelect, udNone, ufNone, kCategoryRename, "Raccourcir le nom",
     kNone, kNone},
    {"AjouterDatecode", TKind::Rename, fnSelect, udNone, ufNone, kCategoryRename,
     "Ajouter le datecode", kNone, kNone},
    {"AjouterTimecode", TKind::Rename, fnSelect, udNone, ufNone, kCategoryRename,
     "Ajouter le timecode", kNone, kNone},
    {"Renommer", TKind::Rename, fnSelect, udNone, ufNone, kCategoryRename, "Renommer", kNone,
     kNone},
    {"DateFichier", TKind::Fast, fnSelect, udFinal, ufReload, kConv, "Modifier la date du fichier",
     kNone, kNone},
    {"ExporterScenesTexte", TKind::Destination, fnSelect, udEach, ufNone, kCategoryScenes,
     "Exporter les scènes en texte", "En train d'exporter les scènes de %s  en texte",
     "Erreur pendant l'exportation des scènes en texte"},
    {"ExporterScenesExcel", TKind::Destination, fnSelect, udEach, ufNone, kCategoryScenes,
     "Exporter les scènes vers Excel", "En train d'exporter les scènes de %s vers Excel",
     "Erreur pendant l'exportation des scènes de %s vers Excel"},
    {"ExporterScenesWord", TKind::Destination, fnSelect, udEach, ufNone, kCategoryScenes,
     "Exporter les scènes vers Word", "En train d'exporter les scènes de %s vers Word",
     "Erreur pendant l'exportation des scènes de %s vers Word"},
    {"ExporterScenesCalc", TKind::Destination, fnSelect, udEach, ufNone, kCategoryScenes,
     "Exporter les scènes vers Libre Office Calc",
     "En train d'exporter les scènes de %s vers OOo.Calc",
     "Erreur pendant l'exportation des scènes de %s vers OOo.Calc"},
    {"ExporterScenesWriter", TKind::Destination, fnSelect, udEach, ufNone, kCategoryScenes,
     "Exporter les scènes vers Libre Office Writer",
     "En train d'exporter les scènes de %s vers Writer",
     "Erreur pendant l'exportation des scènes de %s vers Writer"},
    {"Convertir16x9", TKind::Graph, fnSelect, udFinal, ufAdd, kConv, "Convertir en 16x9",
     "En train de convertir %s en 16x9",
     "Une erreur s'est produite pendant la conversion de %s en 16x9"},
    {"Convertir4x3", TKind::Graph, fnSelect, udFinal, ufAdd, kConv, "Convertir en 4x3",
     "En train de convertir %s en 4x3", "Erreur pendant la conversion de %s en 4x3"},
    {"CreerScnByIntervalle", TKind::Destination, fnSelect, udEach, ufReload, kConv,
     "Créer un fichier scn par intervalles",
     "En train de créer un fichier scn par intervalles pour %s",
     "Erreur pendant la création d'un fichier scn pour %s"},
    {"IntroduireDatecode", TKind::Graph, fnSelect, udFinal, ufAdd, kConv, "Introduire un datecode",
     "En train d'introduire un datecode dans %s",
     "Erreur pendant l'introduction d'un datecode dans %s"},
    // Beside the commands of the files: the program's web log.
    {"VisitBlog", TKind::Custom, fnNone, udNone, ufNone, kNone, "Visiter le blog", kNone, kNone},
};

template <class TCommand>
TCommand& AddRow(TcmdList& list, const TCommandRow& row) {
    TCommand& command = list.Add<TCommand>(QString::fromUtf8(row.Name));
    command.Nombre = row.Nombre;
    command.UpdateDisplay = row.Display;
    command.Category = QString::fromUtf8(row.Category);
    command.Caption = QString::fromUtf8(row.Caption);
    command.NbPasses = 0;
    return command;
}

void SetTexts(TFastCmd_np& command, const TCommandRow& row) {
    command.StartMessage = QString::fromUtf8(row.Start);
    command.ErrorMessage = QString::fromUtf8(row.Error);
    command.UpdateFile = row.Update;
}

}  // namespace

TdmAction::TdmAction(TCatalogueHost& host, TSettings& settings)
    : m_host(host), m_settings(settings) {
    DeclareCommands();
    AttachFileHandlers();
    AttachHeaderHandlers();
    AttachRenameHandlers();
    AttachSceneHandlers();
    AttachPipelineHandlers();
    RefreshCaptions();
}

TdmAction::~TdmAction() = default;

void TdmAction::DeclareCommands() {
    for (const TCommandRow& row : kCommands) {
        switch (row.Kind) {
            case TKind::Custom:
                AddRow<tCustomCmd_np>(m_cl, row);
                break;
            case TKind::Fast:
                SetTexts(AddRow<TFastCmd_np>(m_cl, row), row);
                break;
            case TKind::Destination:
                SetTexts(AddRow<TCmd_np>(m_cl, row), row);
                break;
            case TKind::Graph: {
                auto& command = AddRow<TGraphCmd_np>(m_cl, row);
                SetTexts(command, row);
                command.ShowProgress = true;
                break;
            }
            case TKind::Rename: {
                // A rename re-files its entry itself and never refreshes the
                // display on its own.
                auto& command = AddRow<TRenameCmd_np>(m_cl, row);
                SetTexts(command, row);
                command.UpdateDisplay = udNone;
                break;
            }
        }
        if (QLatin1String(row.Category) == QLatin1String(kCategoryScenes))
            m_cl.Commands().back()->ShowProgress = true;
    }
}

void TdmAction::MissingCommand(const char* name) {
    throw std::logic_error(std::string("the catalogue has no command ") + name);
}

void TdmAction::RefreshCaptions() {
    const auto openWith = [this](const char* key) {
        const QString program = m_settings.Text(QLatin1String(key));
        return program.isEmpty() ? QStringLiteral("Ouvrir avec...")
                                 : QStringLiteral("Ouvrir avec ") + FileTitle(program);
    };
    Find(QStringLiteral("OpenFichierF3"))->Caption = openWith("FichierF3");
    Find(QStringLiteral("OpenFichierF4"))->Caption = openWith("FichierF4");
}

void TdmAction::StartFichier(TAbstractListFichier* fichier) {
    if (const TaviFichier* avi = AsAvi(fichier)) m_displayShift = avi->TimeShift;
}

void TdmAction::EndFichier(TAbstractListFichier* fichier) {
    // The record may be a new one (reloaded, produced, renamed): it gets the
    // shift the file showed before the command, or the one the command set.
    auto* avi = dynamic_cast<TaviFichier*>(fichier);
    if (!avi) return;
    const double shift = m_displayShift.load();
    avi->TimeShift = shift;
    avi->TimeShiftText = shift == 0 ? QString() : ShiftText(shift);
}

}  // namespace tavrel
