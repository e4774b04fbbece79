// The pipeline commands: their file conditions, their destinations and the
// builders that have the conversion module make their pipeline. The scene
// file by datecode and the subtitle file attach their writers to the
// module's datecode reader for the length of the run.
#include <QFileInfo>
#include <memory>

#include "avi/AviFichier.h"
#include "commands/Catalogue.h"
#include "commands/CatalogueInternal.h"
#include "commands/FileNaming.h"
#include "pipelines/ConversionPipelines.h"
#include "scenes/OverlayCodes.h"
#include "scenes/SceneClass.h"
#include "scenes/TextCodes.h"
#include "scenes/WriteScene.h"
#include "scenes/WriteSrt.h"

namespace tavrel {

using namespace catalogue;

namespace {

// A pipeline with hooks of a command on the module's datecode reader: they
// are put in place when it starts and taken away when it stops (or is
// dropped without starting), so that a writer never outlives its run and a
// file is only replaced by a run that really starts.
class THookedRun final : public TPipelineRun {
  public:
    // attach: puts the hooks in place; an error text when it could not.
    // detach: takes them away; an error text when the writer failed.
    using TAttach = std::function<QString()>;
    using TDetach = std::function<QString()>;
    using TReport = std::function<void(const QString&)>;

    THookedRun(std::unique_ptr<TPipelineRun> inner, TAttach attach, TDetach detach, TReport report)
        : m_inner(std::move(inner)),
          m_attach(std::move(attach)),
          m_detach(std::move(detach)),
          m_report(std::move(report)) {}
    ~THookedRun() override {
        if (m_attached) m_detach();
    }

    std::int64_t DurationHns() override { return m_inner->DurationHns(); }
    std::int64_t PositionHns() override { return m_inner->PositionHns(); }
    void RemoveClock() override { m_inner->RemoveClock(); }
    bool Start(std::function<void()> done) override {
        if (const QString error = m_attach(); !error.isEmpty()) {
            m_report(error);
            return false;
        }
        m_attached = true;
        if (m_inner->Start(std::move(done))) return true;
        m_attached = false;
        m_detach();
        return false;
    }
    void Stop() override {
        m_inner->Stop();
        if (!m_attached) return;
        m_attached = false;
        if (const QString error = m_detach(); !error.isEmpty()) m_report(error);
    }
    QString ErrorText() override { return m_inner->ErrorText(); }

  private:
    std::unique_ptr<TPipelineRun> m_inner;
    TAttach m_attach;
    TDetach m_detach;
    TReport m_report;
    bool m_attached = false;
};

bool FolderWritable(const QString& path) {
    const QFileInfo folder(QFileInfo(path).absolutePath());
    return folder.isDir() && folder.isWritable();
}

// The conditions of the conversions, from the record (false for an entry
// that is not a media record).
using TTest = bool (*)(const TaviFichier&);

}  // namespace

void TdmAction::AttachPipelineHandlers() {
    const auto condition = [this](const char* name, TTest test, bool hidden) {
        Command<TGraphCmd_np>(name).OnFileCondition = [test, hidden](TAbstractListFichier* f,
                                                                     bool& visible, bool& enabled) {
            const TaviFichier* avi = AsAvi(f);
            SetCondition(visible, enabled, avi && test(*avi), hidden);
        };
    };
    const auto destination = [this](const char* name, const char* suffix) {
        const QString s = QString::fromUtf8(suffix);
        Command<TGraphCmd_np>(name).OnDestination = [this, s](TAbstractListFichier* f,
                                                              const QStringList&, int) {
            return MakeDestination(FullNameOf(f), s, m_settings);
        };
    };
    const auto beside = [this](const char* name, const char* suffix) {
        const QString s = QString::fromUtf8(suffix);
        Command<TGraphCmd_np>(name).OnDestination = [s](TAbstractListFichier* f, const QStringList&,
                                                        int) {
            return BesideDestination(FullNameOf(f), s);
        };
    };
    // The conversions whose pipelines are not part of this version: they say
    // so rather than end as if they had run.
    const auto notYet = [this](const char* name) {
        auto& command = Command<TGraphCmd_np>(name);
        command.OnBuildGraph = [&command](TAbstractListFichier* f, const QString&,
                                          const QStringList&,
                                          int passe) -> std::shared_ptr<TPipelineRun> {
            if (command.Engine)
                ReportFailure(*command.Engine, command, f, passe, NotAvailableText(command));
            return nullptr;
        };
    };

    condition(
        "ConvertirDV1",
        [](const TaviFichier& v) { return v.IsDV && v.DvType == 2 && v.Duration > 0; }, false);
    destination("ConvertirDV1", "_type1.avi");
    notYet("ConvertirDV1");

    condition(
        "CreerScnByDate", [](const TaviFichier& v) { return v.IsDV; }, true);
    beside("CreerScnByDate", ".scn");

    condition(
        "CutScenes", [](const TaviFichier& v) { return v.IsDV && v.HasScn; }, false);
    Command<TGraphCmd_np>("CutScenes").OnDestination = [this](TAbstractListFichier* f,
                                                              const QStringList&, int passe) {
        return MakeDestination(FullNameOf(f), QStringLiteral("_scene_%1.avi").arg(passe),
                               m_settings);
    };
    notYet("CutScenes");

    condition(
        "ConvertirDV2",
        [](const TaviFichier& v) { return v.IsDV && v.DvType == 1 && v.Duration > 0; }, false);
    destination("ConvertirDV2", "_type2.avi");
    notYet("ConvertirDV2");

    // Offered only for what is not DV already; hidden for files without a
    // picture.
    Command<TGraphCmd_np>("RecompresserDV2").OnFileCondition = [](TAbstractListFichier* f,
                                                                  bool& visible, bool& enabled) {
        const TaviFichier* avi = AsAvi(f);
        visible = !avi || avi->ImageText != QLatin1String("N/A");
        enabled = avi && !avi->IsDV && avi->Duration > 0;
    };
    destination("RecompresserDV2", "_dvtype2.avi");
    notYet("RecompresserDV2");

    condition(
        "CorrigerType2",
        [](const TaviFichier& v) { return v.DvType == 2 && v.IsDV && v.Type2Iavs; }, true);
    destination("CorrigerType2", "_fixed.avi");
    notYet("CorrigerType2");

    condition(
        "ConvertirNTSC",
        [](const TaviFichier& v) {
            return v.IsDV && v.Standard == 0 && (v.DvType == 2 || IsDvsd(v));
        },
        true);
    destination("ConvertirNTSC", "_ntsc.avi");
    notYet("ConvertirNTSC");

    condition(
        "ConvertirPal",
        [](const TaviFichier& v) {
            return v.IsDV && v.Standard == 1 && (v.DvType == 2 || IsDvsd(v));
        },
        true);
    destination("ConvertirPal", "_pal.avi");
    notYet("ConvertirPal");

    condition(
        "Incruster", [](const TaviFichier& v) { return v.IsDV && (v.DvType == 2 || IsDvsd(v)); },
        false);
    destination("Incruster", "_in.avi");
    notYet("Incruster");

    condition(
        "DecalerHoraire", [](const TaviFichier& v) { return v.IsDV; }, false);
    Command<TGraphCmd_np>("DecalerHoraire").OnDestination = [this](TAbstractListFichier* f,
                                                                   const QStringList& params, int) {
        double shift = 0;
        if (!ParseDecimal(FirstParam(params), shift)) shift = 0;
        return MakeDestination(FullNameOf(f), ShiftSuffix(shift), m_settings);
    };
    notYet("DecalerHoraire");

    // Hidden for a type 1 file whose stream the audio extraction cannot
    // split (any FourCC but "dvsd").
    Command<TGraphCmd_np>("ExtraireAudio").OnFileCondition = [](TAbstractListFichier* f,
                                                                bool& visible, bool& enabled) {
        const TaviFichier* avi = AsAvi(f);
        visible = !(avi && avi->IsDV && avi->DvType == 1 && !IsDvsd(*avi));
        enabled = avi && avi->AudioText != QLatin1String("N/A");
    };
    destination("ExtraireAudio", ".wav");
    notYet("ExtraireAudio");

    condition(
        "CreerScnByContenu",
        [](const TaviFichier& v) { return v.ImageText != QLatin1String("N/A"); }, false);
    beside("CreerScnByContenu", ".scn");
    notYet("CreerScnByContenu");

    condition(
        "CreerSrt", [](const TaviFichier& v) { return v.IsDV; }, false);
    beside("CreerSrt", ".srt");

    condition(
        "Convertir16x9", [](const TaviFichier& v) { return v.IsDV && !v.Is16x9; }, false);
    destination("Convertir16x9", "_16x9.avi");
    notYet("Convertir16x9");

    condition(
        "Convertir4x3", [](const TaviFichier& v) { return v.IsDV && v.Is16x9; }, false);
    destination("Convertir4x3", "_4x3.avi");
    notYet("Convertir4x3");

    condition(
        "IntroduireDatecode", [](const TaviFichier& v) { return v.IsDV; }, false);
    destination("IntroduireDatecode", "_datecode.avi");
    notYet("IntroduireDatecode");

    // --- Scene file by datecode ----------------------------------------------------
    auto& scnByDate = Command<TGraphCmd_np>("CreerScnByDate");
    scnByDate.OnBuildGraph = [&scnByDate](TAbstractListFichier* f, const QString&,
                                          const QStringList&,
                                          int passe) -> std::shared_ptr<TPipelineRun> {
        TCommandEngine& ce = *scnByDate.Engine;
        if (!RequireSource(ce, scnByDate, f, passe)) return nullptr;
        const QString path = FullNameOf(f);
        const auto fail = [&](const QString& reason) {
            ReportFailure(ce, scnByDate, f, passe, reason);
            return nullptr;
        };
        if (const QString refused = TwriteScene::CheckVideoPath(path); !refused.isEmpty())
            return fail(refused);
        if (!FolderWritable(path))
            return fail(
                QStringLiteral("Le dossier de %1 n'est pas accessible en écriture.").arg(path));
        TCdm& cdm = ConversionModule();
        QString error;
        std::unique_ptr<TPipelineRun> run = cdm.BuildScnByDate(path, &error);
        if (!run) return fail(error);
        std::shared_ptr<Tdv_sceneDetect> detector = cdm.SceneDetect();
        auto writer = std::make_shared<std::unique_ptr<TwriteScene>>();
        return std::make_shared<THookedRun>(
            std::move(run),
            [detector, writer, path] {
                *writer = std::make_unique<TwriteScene>(path);
                if ((*writer)->Failed()) return (*writer)->ErrorText();
                TwriteScene* w = writer->get();
                detector->OnScene = [w](const TFrameInfo& start, const TFrameInfo& end) {
                    if (end.FrameIndex > start.FrameIndex)
                        w->WriteScene(TSceneClass(start.FrameIndex, end.FrameIndex));
                };
                detector->OnEndOfStream = [w] { w->Close(); };
                return QString();
            },
            [detector, writer] {
                detector->OnScene = nullptr;
                detector->OnEndOfStream = nullptr;
                QString failure;
                if (*writer && !(*writer)->Close()) failure = (*writer)->ErrorText();
                writer->reset();
                return failure;
            },
            [&ce, &scnByDate, f, passe](const QString& reason) {
                try {
                    ReportFailure(ce, scnByDate, f, passe, reason);
                } catch (...) {
                }
            });
    };

    // --- Subtitle file -----------------------------------------------------------------
    auto& srt = Command<TGraphCmd_np>("CreerSrt");
    srt.OnBuildGraph = [this, &srt](TAbstractListFichier* f, const QString&, const QStringList&,
                                    int passe) -> std::shared_ptr<TPipelineRun> {
        TCommandEngine& ce = *srt.Engine;
        const TaviFichier* avi = AsAvi(f);
        if (!avi || !RequireSource(ce, srt, f, passe)) return nullptr;
        const QString path = avi->FullName;
        const auto fail = [&](const QString& reason) {
            ReportFailure(ce, srt, f, passe, reason);
            return nullptr;
        };
        if (!FolderWritable(path))
            return fail(
                QStringLiteral("Le dossier de %1 n'est pas accessible en écriture.").arg(path));
        TCdm& cdm = ConversionModule();
        QString error;
        std::unique_ptr<TPipelineRun> run = cdm.BuildSrt(path, &error);
        if (!run) return fail(error);
        std::shared_ptr<Tdv_sceneDetect> detector = cdm.SceneDetect();
        // The lines, their formats and when they show are those of the
        // overlay; the cues are timed at this video's own frame rate.
        auto lines = std::make_shared<TOverlayLines>(OverlayDisplaySettings(avi));
        const double fps = avi->Fps;
        const int mode = m_settings.Integer(QStringLiteral("WhenIncrust"));
        const int seconds = m_settings.Integer(QStringLiteral("DureeIncrustation"));
        auto writer = std::make_shared<std::shared_ptr<TWriteSrt>>();
        return std::make_shared<THookedRun>(
            std::move(run),
            [detector, writer, lines, path, fps, mode, seconds] {
                *writer = std::make_shared<TWriteSrt>(path, fps);
                if ((*writer)->Failed()) return (*writer)->ErrorText();
                detector->OnScene = nullptr;
                detector->SetLineSource(lines);
                if (mode >= 0 && mode <= 3) detector->SetMode(static_cast<std::uint8_t>(mode));
                if (seconds > 0) detector->SetDisplayDuration(seconds);
                AttachSrtWriter(*detector, *writer);
                return QString();
            },
            [detector, writer] {
                detector->SetDisplayCallback(nullptr);
                detector->OnEndOfStream = nullptr;
                QString failure;
                if (*writer && (*writer)->Failed()) failure = (*writer)->ErrorText();
                writer->reset();
                return failure;
            },
            [&ce, &srt, f, passe](const QString& reason) {
                try {
                    ReportFailure(ce, srt, f, passe, reason);
                } catch (...) {
                }
            });
    };
}

}  // namespace tavrel
