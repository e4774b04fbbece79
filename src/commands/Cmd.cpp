#include "commands/Cmd.h"

#include <QFileInfo>
#include <stdexcept>

#include "commands/CommandEngine.h"

namespace tavrel {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

bool ManyFiles(const TCommandEngine& ce) {
    return ce.FileCount() >= 2;
}

QString ShortNameOf(const TAbstractListFichier* fichier) {
    return fichier ? fichier->ShortName : QString();
}

QString FullNameOf(const TAbstractListFichier* fichier) {
    return fichier ? fichier->FullName : QString();
}

// Stops a started pipeline and hides the gauge on every way out of a run.
class TPipelineStopper {
  public:
    TPipelineStopper(TCommandEngine& ce, TPipelineRun& pipeline) : m_ce(ce), m_pipeline(pipeline) {}
    ~TPipelineStopper() {
        try {
            m_ce.EndProgress();
        } catch (...) {
        }
        m_pipeline.Stop();
    }
    TPipelineStopper(const TPipelineStopper&) = delete;
    TPipelineStopper& operator=(const TPipelineStopper&) = delete;

  private:
    TCommandEngine& m_ce;
    TPipelineRun& m_pipeline;
};

std::int32_t ProgressUnits(std::int64_t hns) {
    const std::int64_t units = hns / 1024;
    if (units < 0) return 0;
    if (units > INT32_MAX) return INT32_MAX;
    return static_cast<std::int32_t>(units);
}

}  // namespace

tAbstractCmd::~tAbstractCmd() = default;

// --- tCustomCmd_np ---------------------------------------------------------

void tCustomCmd_np::ExecuteFichier(TAbstractListFichier* fichier, const QStringList& params,
                                   TCommandEngine& ce, int passe) {
    if (OnExecution) OnExecution(fichier, params, ce, passe);
}

void tCustomCmd_np::Abort(TCommandEngine& ce) {
    if (OnAbort) OnAbort(ce);
}

bool tCustomCmd_np::FileVerification(TAbstractListFichier* fichier, const QStringList& params,
                                     TCommandEngine& ce, int passe) {
    return OnFileVerification ? OnFileVerification(fichier, params, ce, passe) : true;
}

TAnswer tCustomCmd_np::FileConfirmation(TAbstractListFichier* fichier, const QStringList& params,
                                        TCommandEngine& ce, int passe) {
    if (!OnFileConFirmation) return TAnswer::OuiATous;
    QString question = OnFileConFirmation(fichier, params, ce, passe);
    if (ManyFiles(ce))
        question += kCrLf + QStringLiteral(
                                "Si vous répondez \"Oui à Tous\" ou \"Non à Tous\", alors plus "
                                "aucune confirmation ne sera demandée.");
    return ce.User().Confirm(question, ce.Buttons());
}

bool tCustomCmd_np::CommandCondition(TCommandEngine& ce) {
    return OnCommandCondition ? OnCommandCondition(ce) : true;
}

bool tCustomCmd_np::CommandConfirmation(TCommandEngine& ce) {
    return OnCommandConFirmation ? OnCommandConFirmation(ce) : true;
}

void tCustomCmd_np::FileCondition(TAbstractListFichier* fichier, bool& visible, bool& enabled) {
    if (OnFileCondition) {
        OnFileCondition(fichier, visible, enabled);
    } else {
        visible = true;
        enabled = true;
    }
}

// --- TFastCmd_np -----------------------------------------------------------

void TFastCmd_np::ReportStart(TAbstractListFichier* fichier, TCommandEngine& ce, int passe) const {
    if (!StartMessage.isEmpty())
        ce.MessageCommand(FormatCommandText(StartMessage, ShortNameOf(fichier), passe));
}

void TFastCmd_np::ReportError(TAbstractListFichier* fichier, TCommandEngine& ce, int passe) const {
    if (ErrorMessage.isEmpty()) return;
    try {
        ce.ErrorCommand(FormatCommandText(ErrorMessage, FullNameOf(fichier), passe), etError);
    } catch (...) {
        // The user's side failed to show the error: nothing more can be said.
    }
}

void TFastCmd_np::UpdateList(TCommandEngine& ce, const QString& destination, bool emptyToo,
                             bool afterInterrupt) const {
    const bool hasDestination = emptyToo || !destination.isEmpty();
    switch (UpdateFile) {
        case ufNone:
            break;
        case ufAdd:
            if (hasDestination) ce.AddDestination(destination);
            break;
        case ufRemove:
            if (!afterInterrupt) ce.RemoveCurrent();
            break;
        case ufReload:
            ce.ReloadCurrent();
            break;
        case ufReplace:
            if (hasDestination && !afterInterrupt) ce.ReplaceCurrent(destination);
            break;
        case ufRename:
            if (hasDestination && !afterInterrupt) ce.RenameCurrent(destination);
            break;
    }
}

void TFastCmd_np::ExecuteFichier(TAbstractListFichier* fichier, const QStringList& params,
                                 TCommandEngine& ce, int passe) {
    try {
        ReportStart(fichier, ce, passe);
        if (OnExecution) OnExecution(fichier, params, ce, passe);
        if (UpdateFile == ufRemove) ce.RemoveCurrent();
        if (UpdateFile == ufReload) ce.ReloadCurrent();
    } catch (...) {
        ReportError(fichier, ce, passe);
    }
}

// --- TCmd_np ---------------------------------------------------------------

void TCmd_np::ExecuteFichier(TAbstractListFichier* fichier, const QStringList& params,
                             TCommandEngine& ce, int passe) {
    try {
        ReportStart(fichier, ce, passe);
        if (OnExecution) OnExecution(fichier, Destination, params, ce, passe);
        UpdateList(ce, Destination, false, false);
    } catch (...) {
        ReportError(fichier, ce, passe);
    }
}

bool TCmd_np::FileVerification(TAbstractListFichier* fichier, const QStringList& params,
                               TCommandEngine&, int passe) {
    if (!OnDestination) return true;
    Destination = OnDestination(fichier, params, passe);
    if (Destination.isEmpty()) return true;
    const QFileInfo info(Destination);
    return !info.exists() && !info.isSymLink();
}

TAnswer TCmd_np::FileConfirmation(TAbstractListFichier*, const QStringList&, TCommandEngine& ce,
                                  int) {
    QString question = QStringLiteral("Voulez-vous écraser le fichier existant ") + Destination +
                       QStringLiteral(" ?");
    if (ManyFiles(ce))
        question += kCrLf + QStringLiteral(
                                "Si vous répondez \"Tous\", alors plus aucune confirmation ne "
                                "sera demandée");
    return ce.User().Confirm(question, ce.Buttons());
}

// --- TGraphCmd_np ----------------------------------------------------------

std::shared_ptr<TPipelineRun> TGraphCmd_np::CurrentPipeline() const {
    std::lock_guard lock(m_pipelineMutex);
    return m_pipeline;
}

void TGraphCmd_np::SetCurrentPipeline(std::shared_ptr<TPipelineRun> pipeline) {
    std::lock_guard lock(m_pipelineMutex);
    m_pipeline = std::move(pipeline);
}

void TGraphCmd_np::ExecuteFichier(TAbstractListFichier* fichier, const QStringList& params,
                                  TCommandEngine& ce, int passe) {
    if (!OnBuildGraph) return;
    try {
        ReportStart(fichier, ce, passe);
        std::shared_ptr<TPipelineRun> pipeline = OnBuildGraph(fichier, Destination, params, passe);
        bool interrupted = false;
        if (pipeline) {
            // A duration taken from the pipeline serves this pass only: the
            // next file has a length of its own.
            const std::int64_t duree = DureeHns != 0 ? DureeHns : pipeline->DurationHns();
            if (duree <= 0) return;
            pipeline->RemoveClock();
            ce.StartProgress(ProgressUnits(duree));
            // A completion left over from an earlier pipeline must not end
            // this one.
            ce.ResetGraphComplete();
            SetCurrentPipeline(pipeline);
            {
                TPipelineStopper stopper(ce, *pipeline);
                if (!pipeline->Start([&ce] { ce.SignalGraphComplete(); }))
                    throw std::runtime_error("the pipeline refused to play");
                for (;;) {
                    if (ce.IsInterrupted()) {
                        interrupted = true;
                        break;
                    }
                    ce.SetProgress(ProgressUnits(pipeline->PositionHns() - DebutHns));
                    if (ce.WaitGraphComplete(200)) break;
                }
            }
            SetCurrentPipeline(nullptr);
            // A pipeline that failed has signalled its end too: its output is
            // not what the command promised.
            if (!pipeline->ErrorText().isEmpty()) throw std::runtime_error("pipeline error");
        }
        UpdateList(ce, Destination, true, interrupted);
    } catch (...) {
        SetCurrentPipeline(nullptr);
        ReportError(fichier, ce, passe);
    }
}

// --- TRenameCmd_np ---------------------------------------------------------

void TRenameCmd_np::ExecuteFichier(TAbstractListFichier* fichier, const QStringList& params,
                                   TCommandEngine& ce, int passe) {
    try {
        ReportStart(fichier, ce, passe);
        if (OnDestination) Destination = OnDestination(fichier, params, passe);
        if (TCmd_np::OnExecution) TCmd_np::OnExecution(fichier, Destination, params, ce, passe);
        if (!Destination.isEmpty()) ce.RenameCurrent(Destination);
    } catch (...) {
        ReportError(fichier, ce, passe);
    }
}

bool TRenameCmd_np::FileVerification(TAbstractListFichier* fichier, const QStringList& params,
                                     TCommandEngine& ce, int passe) {
    if (OnDestination) Destination = OnDestination(fichier, params, passe);
    return OnFileVerification ? OnFileVerification(Destination, fichier, params, ce, passe) : true;
}

TAnswer TRenameCmd_np::FileConfirmation(TAbstractListFichier* fichier, const QStringList& params,
                                        TCommandEngine& ce, int passe) {
    if (OnDestination) Destination = OnDestination(fichier, params, passe);
    QString question = QStringLiteral("Voulez-vous renommer ") + ShortNameOf(fichier) +
                       QStringLiteral(" en ") + Destination + QStringLiteral(" ?");
    if (ManyFiles(ce))
        question += kCrLf + QStringLiteral(
                                "Si vous répondez \"Tous\", alors plus aucune confirmation ne "
                                "sera demandée.");
    return ce.User().Confirm(question, ce.Buttons());
}

// --- TcmdList --------------------------------------------------------------

tAbstractCmd* TcmdList::Find(const QString& name) const {
    for (const auto& command : m_commands)
        if (command->Name.compare(name, Qt::CaseInsensitive) == 0) return command.get();
    return nullptr;
}

tAbstractCmd* TcmdList::ForAction(const QString& actionName) const {
    if (!actionName.startsWith(QLatin1String("cc"), Qt::CaseInsensitive)) return nullptr;
    return Find(actionName.mid(2));
}

}  // namespace tavrel
