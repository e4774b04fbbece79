// The scene commands that need no pipeline: a scene file cut at fixed
// intervals, and the exports of a scene file.
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <memory>

#include "avi/AviFichier.h"
#include "commands/Catalogue.h"
#include "commands/CatalogueInternal.h"
#include "commands/FileNaming.h"
#include "pipelines/ConversionPipelines.h"
#include "scenes/SceneClass.h"
#include "scenes/SceneList.h"
#include "scenes/ScenePositioner.h"
#include "scenes/ScnFile.h"
#include "scenes/WriteScene.h"
#include "scenes/WriteScnText.h"

namespace tavrel {

using namespace catalogue;

namespace {

// Hides the gauge on every way out of a pass that showed it.
class TProgressGuard {
  public:
    TProgressGuard(TCommandEngine& ce, std::int32_t max) : m_ce(ce) { m_ce.StartProgress(max); }
    ~TProgressGuard() {
        try {
            m_ce.EndProgress();
        } catch (...) {
        }
    }
    TProgressGuard(const TProgressGuard&) = delete;
    TProgressGuard& operator=(const TProgressGuard&) = delete;

  private:
    TCommandEngine& m_ce;
};

void HasScnCondition(TAbstractListFichier* f, bool& visible, bool& enabled) {
    const TaviFichier* avi = AsAvi(f);
    visible = true;
    enabled = avi && avi->HasScn;
}

}  // namespace

void TdmAction::AttachSceneHandlers() {
    // --- Scene file by intervals -------------------------------------------------
    auto& intervalle = Command<TCmd_np>("CreerScnByIntervalle");
    intervalle.OnDestination = [](TAbstractListFichier* f, const QStringList&, int) {
        return BesideDestination(FullNameOf(f), QStringLiteral(".scn"));
    };
    intervalle.OnExecution = [&intervalle](TAbstractListFichier* f, const QString&,
                                           const QStringList& params, TCommandEngine& ce,
                                           int passe) {
        const auto fail = [&](const QString& reason) {
            ReportFailure(ce, intervalle, f, passe, reason);
        };
        const TaviFichier* avi = AsAvi(f);
        if (!RequireSource(ce, intervalle, f, passe)) return;
        bool ok = false;
        const QString text = FirstParam(params).trimmed();
        const int seconds = text.toInt(&ok);
        if (!ok) {
            fail(QStringLiteral("L'intervalle « %1 » n'est pas un nombre entier de secondes.")
                     .arg(FirstParam(params)));
            return;
        }
        const double fps = avi ? avi->Fps : 0;
        const double frames = std::nearbyint(seconds * fps);
        if (!(frames >= 1) || frames > 1e9) {
            fail(QStringLiteral("Un intervalle de %1 s ne fait aucune image à %2 images par "
                                "seconde : aucun fichier scn n'est écrit.")
                     .arg(seconds)
                     .arg(fps));
            return;
        }
        const std::int64_t step = static_cast<std::int64_t>(frames);
        const std::int64_t frameCount = avi ? avi->FrameCount : 0;
        if (frameCount <= 0) {
            fail(QStringLiteral("Le nombre d'images de la vidéo n'est pas connu."));
            return;
        }
        // The scene file beside the video is replaced.
        TwriteScene writer(avi->FullName);
        if (writer.Failed()) {
            fail(writer.ErrorText());
            return;
        }
        {
            TProgressGuard progress(ce, static_cast<std::int32_t>(frameCount));
            for (std::int64_t start = 0; start < frameCount && !ce.IsInterrupted();) {
                ce.SetProgress(static_cast<std::int32_t>(start));
                const std::int64_t end = std::min(start + step, frameCount);
                // The scene file keeps the frames and the titles only: the
                // scene's display details would be read from the video for
                // nothing.
                const TSceneClass scene(static_cast<std::uint32_t>(start),
                                        static_cast<std::uint32_t>(end), avi);
                if (!writer.WriteScene(scene)) break;
                start = end;
            }
        }
        if (!writer.Close()) fail(writer.ErrorText());
    };

    // --- Text export -------------------------------------------------------------------
    auto& texte = Command<TCmd_np>("ExporterScenesTexte");
    texte.OnFileCondition = HasScnCondition;
    texte.OnDestination = [](TAbstractListFichier* f, const QStringList&, int) {
        return BesideDestination(FullNameOf(f), QStringLiteral("_scn.txt"));
    };
    texte.OnExecution = [this, &texte](TAbstractListFichier* f, const QString&, const QStringList&,
                                       TCommandEngine& ce, int passe) {
        bool editorOpen = false;
        ce.OnUserThread([&] { editorOpen = m_host.SceneEditorOpen(); });
        if (editorOpen) return;
        const TaviFichier* avi = AsAvi(f);
        if (!avi || !RequireSource(ce, texte, f, passe)) return;
        const QString scnPath = ScnFilePath(avi->FullName);
        if (!QFileInfo(scnPath).isFile()) {
            ReportFailure(ce, texte, f, passe,
                          QStringLiteral("Le fichier scn %1 est introuvable.").arg(scnPath));
            return;
        }
        // A damaged scene file is exported as far as it could be read.
        TSceneList scenes;
        ReadScnFile(scnPath, scenes, avi);
        TWriteScn_text writer(avi->FullName);
        if (writer.Failed()) {
            ReportFailure(ce, texte, f, passe, writer.ErrorText());
            return;
        }
        std::unique_ptr<TScenePositioner> positioner;
        bool positionerTried = false;
        {
            TProgressGuard progress(ce, scenes.Count());
            for (int i = 0; i < scenes.Count(); ++i) {
                ce.SetProgress(i);
                if (ce.IsInterrupted()) break;
                TSceneClass& scene = scenes.Scene(i);
                if (!scene.DetailsReady) {
                    if (!positionerTried) {
                        positioner = MakeFramePositioner(avi->FullName);
                        positionerTried = true;
                    }
                    FillSceneDetails(scene, avi, positioner.get());
                }
                if (!writer.WriteSceneRow(scene)) break;
            }
        }
        if (!writer.Finish()) ReportFailure(ce, texte, f, passe, writer.ErrorText());
    };

    // --- Office exports --------------------------------------------------------------
    const auto office = [this](const char* name, const char* extension) {
        auto& command = Command<TCmd_np>(name);
        command.OnFileCondition = HasScnCondition;
        const QString suffix = QLatin1String(extension);
        command.OnDestination = [this, suffix](TAbstractListFichier* f, const QStringList&, int) {
            return MakeDestination(FullNameOf(f), suffix, m_settings);
        };
        command.OnExecution = [this, &command](TAbstractListFichier* f, const QString&,
                                               const QStringList&, TCommandEngine& ce, int passe) {
            bool editorOpen = false;
            ce.OnUserThread([&] { editorOpen = m_host.SceneEditorOpen(); });
            if (editorOpen) return;
            ReportFailure(ce, command, f, passe, NotAvailableText(command));
        };
    };
    office("ExporterScenesExcel", ".xls");
    office("ExporterScenesWord", ".doc");
    office("ExporterScenesCalc", ".ods");
    office("ExporterScenesWriter", ".odt");
}

}  // namespace tavrel
