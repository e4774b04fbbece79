#include "commands/CommandEngine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <exception>
#include <stdexcept>

#include "commands/ShellIntegration.h"

namespace tavrel {

namespace {

bool FileThere(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool SameFile(const QString& a, const QString& b) {
    if (a == b) return true;
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

}  // namespace

TAbstractFichierListBox::~TAbstractFichierListBox() = default;

TFichierPtr TAbstractFichierListBox::CreateEntry(const QString&) {
    return nullptr;
}

TCommandEngine::TCommandEngine(TCommandUser& user, TRecordFactory& factory)
    : m_user(user), m_factory(&factory) {}

TCommandEngine::~TCommandEngine() {
    if (m_running) InterruptAll();
    WaitUntilIdle();
}

// --- Starting and stopping -------------------------------------------------

TExecuteResult TCommandEngine::ExecuteCommand(tAbstractCmd& cmd, const QStringList& params) {
    // The engine holds the state of one run: a second request while a run
    // is in progress is refused, not queued.
    if (m_running) return TExecuteResult::Busy;
    if (!m_source || !m_dest) return TExecuteResult::NoList;
    if (!cmd.CommandCondition(*this)) return TExecuteResult::ConditionFalse;
    // The previous worker has cleared the running flag as its last act.
    if (m_worker.joinable()) m_worker.join();

    cmd.Engine = this;
    m_files.clear();
    TAbstractFichierListBox& list = *m_source;
    switch (cmd.Nombre) {
        case fnSingle: {
            const int focused = list.FocusedIndex();
            if (focused < 0 || focused >= list.Count()) return TExecuteResult::NoFiles;
            m_fileCount = 1;
            m_files.emplace_back(list.ItemText(focused), list.Item(focused));
            break;
        }
        case fnSelect: {
            if (list.SelectedCount() == 0) return TExecuteResult::NoFiles;
            m_fileCount = list.SelectedCount();
            for (int i = 0; i < list.Count(); ++i)
                if (list.Selected(i)) m_files.emplace_back(list.ItemText(i), list.Item(i));
            for (int i = 0; i < list.Count(); ++i)
                if (list.Selected(i)) list.SetSelected(i, false);
            break;
        }
        case fnAll: {
            if (list.Count() == 0) return TExecuteResult::NoFiles;
            m_fileCount = list.Count();
            for (int i = 0; i < list.Count(); ++i)
                m_files.emplace_back(list.ItemText(i), list.Item(i));
            for (int i = 0; i < list.Count(); ++i)
                if (list.Selected(i)) list.SetSelected(i, false);
            break;
        }
        case fnNone:
            break;
    }
    m_params = params;
    m_current.reset();
    m_passe = 0;
    m_errorType = etNoError;
    m_cmd = &cmd;
    m_interrupt = false;
    m_stop = false;
    m_interruptSeen = false;
    ResetGraphComplete();
    m_running = true;
    m_worker = std::thread([this] { Run(); });
    return TExecuteResult::Started;
}

void TCommandEngine::AbortRunning() {
    tAbstractCmd* cmd = m_cmd.load();
    if (!cmd) return;
    try {
        cmd->Abort(*this);
    } catch (...) {
    }
}

void TCommandEngine::Interrupt() {
    m_interrupt = true;
    AbortRunning();
}

void TCommandEngine::InterruptAll() {
    m_interrupt = true;
    m_stop = true;
    AbortRunning();
}

bool TCommandEngine::IsInterrupted() const {
    const bool interrupted = m_interrupt.load();
    if (interrupted) m_interruptSeen = true;
    return interrupted;
}

bool TCommandEngine::WaitUntilIdle(int timeoutMs) {
    const auto idle = [this] { return !m_running.load(); };
    if (m_user.IsUserThread()) {
        // The worker waits for this thread at every step: serve it.
        QElapsedTimer clock;
        clock.start();
        while (!idle()) {
            if (timeoutMs >= 0 && clock.elapsed() > timeoutMs) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            std::unique_lock lock(m_idleMutex);
            m_idle.wait_for(lock, std::chrono::milliseconds(2), idle);
        }
    } else {
        std::unique_lock lock(m_idleMutex);
        if (timeoutMs < 0)
            m_idle.wait(lock, idle);
        else if (!m_idle.wait_for(lock, std::chrono::milliseconds(timeoutMs), idle))
            return false;
    }
    if (m_worker.joinable() && m_worker.get_id() != std::this_thread::get_id()) m_worker.join();
    return true;
}

TConfirmButtons TCommandEngine::Buttons() const {
    return m_fileCount >= 2 ? TConfirmButtons::Five : TConfirmButtons::Three;
}

// --- The worker ------------------------------------------------------------

void TCommandEngine::OnUserThread(const std::function<void()>& step) {
    std::exception_ptr error;
    m_user.RunOnUserThread([&] {
        try {
            step();
        } catch (...) {
            error = std::current_exception();
        }
    });
    if (error) std::rethrow_exception(error);
}

void TCommandEngine::Run() {
    tAbstractCmd& cmd = *m_cmd.load();
    m_answer = TAnswer::Oui;
    try {
        OnUserThread([&] { DoStartCommand(cmd); });
        RunPasses(cmd);
    } catch (const std::exception& e) {
        // A failure outside the protection of the command kinds ends the
        // run; the user is told rather than left guessing why it stopped.
        try {
            ErrorCommand(QStringLiteral("Erreur inattendue pendant la commande : ") +
                             QString::fromLocal8Bit(e.what()),
                         etAllError);
        } catch (...) {
        }
    } catch (...) {
        try {
            ErrorCommand(QStringLiteral("Erreur inattendue pendant la commande."), etAllError);
        } catch (...) {
        }
    }
    try {
        OnUserThread([&] { DoEndCommand(cmd); });
    } catch (...) {
    }
    m_cmd = nullptr;
    {
        std::lock_guard lock(m_idleMutex);
        m_running = false;
    }
    m_idle.notify_all();
}

void TCommandEngine::ExecutePass(tAbstractCmd& cmd) {
    cmd.ExecuteFichier(m_current.get(), m_params, *this, m_passe);
}

void TCommandEngine::RunPasses(tAbstractCmd& cmd) {
    if (m_files.empty()) {
        m_current.reset();
        for (m_passe = 1;; ++m_passe) {
            OnUserThread([&] { DoVerify(cmd); });
            ExecutePass(cmd);
            if (m_passe + 1 > cmd.NbPasses || m_stop) break;
        }
        return;
    }
    for (const auto& [text, entry] : m_files) {
        (void)text;
        if (m_stop) break;
        if (m_interrupt) {
            // Interrupted between two files, or during a pass that did not
            // watch the flag: this file is the one stopped.
            m_interrupt = false;
            continue;
        }
        m_current = entry;
        bool visible = true;
        bool enabled = true;
        cmd.FileCondition(m_current.get(), visible, enabled);
        if (!enabled) continue;
        for (m_passe = 1;; ++m_passe) {
            OnUserThread([&] { DoVerify(cmd); });
            if (m_answer == TAnswer::Annuler) return;
            if (m_answer != TAnswer::Non && m_answer != TAnswer::NonATous) {
                OnUserThread([&] { DoStartFichier(cmd); });
                m_errorType = etNoError;
                m_interruptSeen = false;
                ExecutePass(cmd);
                if (m_errorType == etAllError) break;
                OnUserThread([&] { DoEndFichier(); });
                // A pass that left early on the interrupt has stopped this
                // file: its remaining passes go, and the next file runs.
                if (m_interruptSeen && m_interrupt && !m_stop) {
                    m_interrupt = false;
                    break;
                }
            }
            if (m_stop) break;
            if (m_passe + 1 > cmd.NbPasses) break;
        }
        if (m_answer == TAnswer::Annuler) return;
    }
}

// --- Steps on the user's thread --------------------------------------------

void TCommandEngine::DoStartCommand(tAbstractCmd& cmd) {
    if (cmd.Nombre == fnSelect || cmd.Nombre == fnAll) m_source->SetEnabled(false);
    m_user.StartCommand();
}

void TCommandEngine::DoVerify(tAbstractCmd& cmd) {
    TAbstractListFichier* current = m_current.get();
    const bool standing = m_answer == TAnswer::OuiATous || m_answer == TAnswer::NonATous;
    if (cmd.FileVerification(current, m_params, *this, m_passe)) {
        if (!standing) m_answer = TAnswer::Oui;
    } else if (!standing) {
        m_answer = cmd.FileConfirmation(current, m_params, *this, m_passe);
    }
}

void TCommandEngine::DoStartFichier(tAbstractCmd& cmd) {
    const int index = m_source->IndexOf(m_current.get());
    if (index >= 0) m_source->SetSelected(index, true);
    if (cmd.UpdateDisplay == udEach) m_source->AnnounceActive();
    m_user.StartFichier(m_current.get(), m_params, m_passe);
}

void TCommandEngine::DoEndFichier() {
    m_user.EndFichier(m_current.get(), m_params, m_passe);
}

void TCommandEngine::DoEndCommand(tAbstractCmd& cmd) {
    if (cmd.UpdateDisplay == udFinal) {
        m_source->AnnounceActive();
        m_source->RefreshSelectionHint();
    }
    m_source->SetEnabled(true);
    m_user.EndCommand();
}

// --- What passes call ------------------------------------------------------

void TCommandEngine::MessageCommand(const QString& message) {
    m_lastMessage = message;
    OnUserThread([&] { m_user.Message(message); });
}

void TCommandEngine::ErrorCommand(const QString& message, TErrorType type) {
    m_lastError = message;
    m_errorType = type;
    OnUserThread([&] { m_user.Error(message, type); });
}

void TCommandEngine::StartProgress(std::int32_t max) {
    m_progressMax = max;
    m_progressPosition = 0;
    OnUserThread([&] { m_user.StartProgress(max); });
}

void TCommandEngine::SetProgress(std::int32_t position) {
    m_progressPosition = position;
    OnUserThread([&] { m_user.SetProgress(position); });
}

void TCommandEngine::EndProgress() {
    OnUserThread([&] { m_user.EndProgress(); });
}

bool TCommandEngine::WaitGraphComplete(int ms) {
    std::unique_lock lock(m_graphMutex);
    const bool signalled = m_graphCv.wait_for(lock, std::chrono::milliseconds(ms),
                                              [this] { return m_graphSignalled; });
    m_graphSignalled = false;  // auto-reset
    return signalled;
}

void TCommandEngine::ResetGraphComplete() {
    std::lock_guard lock(m_graphMutex);
    m_graphSignalled = false;
}

void TCommandEngine::SignalGraphComplete() {
    {
        std::lock_guard lock(m_graphMutex);
        m_graphSignalled = true;
    }
    m_graphCv.notify_all();
}

// --- List updates ----------------------------------------------------------

void TCommandEngine::AddDestination(const QString& path) {
    if (path.isEmpty() || !QFileInfo::exists(path)) return;
    TFichierPtr record;
    OnUserThread([&] { record = m_dest->CreateEntry(path); });
    if (!record) record = m_factory->Create(path);
    if (!record) return;
    OnUserThread([&] { m_dest->Add(record); });
}

void TCommandEngine::RemoveCurrent() {
    if (!m_current) return;
    OnUserThread([&] { m_source->Remove(m_current.get()); });
}

void TCommandEngine::ReloadCurrent() {
    if (!m_current) return;
    TFichierPtr record = m_factory->Create(m_current->FullName);
    if (!record) return;
    OnUserThread([&] {
        const int index = m_source->IndexOf(m_current.get());
        if (index >= 0) m_source->Replace(index, record);
    });
    m_current = record;
}

void TCommandEngine::ReplaceCurrent(const QString& path) {
    if (!m_current || path.isEmpty() || !QFileInfo::exists(path)) return;
    // Replacing a file by itself would only delete it.
    if (SameFile(path, m_current->FullName)) {
        ReloadCurrent();
        return;
    }
    if (FileThere(m_current->FullName) && !QFile::remove(m_current->FullName))
        throw std::runtime_error("cannot delete the replaced file");
    TFichierPtr record = m_factory->Create(path);
    if (!record) return;
    OnUserThread([&] { m_source->RemoveAndAddSelected(m_current.get(), record); });
    m_current = record;
}

void TCommandEngine::RenameCurrent(const QString& path) {
    if (!m_current || path.isEmpty()) return;
    const QString oldPath = m_current->FullName;
    if (path == oldPath) return;
    // A rename handler has usually moved the file already; when it has not,
    // move it here, never over another file.
    bool moved = !FileThere(oldPath) && FileThere(path);
    if (!moved && FileThere(oldPath) && !FileThere(path)) moved = QFile::rename(oldPath, path);
    if (!moved) {
        // Re-filing the entry would show a file that is not there.
        ErrorCommand(QStringLiteral("Impossible de renommer %1 en %2.").arg(oldPath, path),
                     etError);
        return;
    }
    TFichierPtr record = m_factory->Renamed(*m_current, path);
    if (!record) return;
    OnUserThread([&] { m_source->RemoveAndAddSelected(m_current.get(), record); });
    m_current = record;
}

// --- Routines --------------------------------------------------------------

bool RecycleFile(const QString& path) {
    return DefaultShell().MoveToTrash(path);
}

void CommandAvailability(tAbstractCmd& cmd, TCommandEngine& ce, const TAbstractFichierListBox& list,
                         TAbstractListFichier* active, bool& visible, bool& enabled) {
    if (cmd.OnCommandCondition) visible = visible && cmd.OnCommandCondition(ce);
    const auto anyEnabled = [&](bool selectedOnly) {
        for (int i = 0; i < list.Count(); ++i) {
            if (selectedOnly && !list.Selected(i)) continue;
            bool v = true;
            bool e = true;
            cmd.FileCondition(list.Item(i).get(), v, e);
            if (e) return true;
        }
        return false;
    };
    switch (cmd.Nombre) {
        case fnSingle: {
            if (!active) {
                enabled = false;
                break;
            }
            bool v = true;
            bool e = true;
            cmd.FileCondition(active, v, e);
            visible = visible && v;
            enabled = enabled && e;
            break;
        }
        case fnSelect:
            enabled = enabled && anyEnabled(true);
            break;
        case fnAll:
            enabled = enabled && anyEnabled(false);
            break;
        case fnNone:
            break;
    }
}

}  // namespace tavrel
