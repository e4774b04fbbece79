#include "commands/CommandUser.h"

#include <QMetaObject>
#include <QThread>

namespace tavrel {

TCommandUser::~TCommandUser() = default;

void TCommandUser::RunOnUserThread(const std::function<void()>& step) {
    step();
}

void TCommandUser::StartFichier(TAbstractListFichier*, const QStringList&, int) {}
void TCommandUser::EndFichier(TAbstractListFichier*, const QStringList&, int) {}
void TCommandUser::Message(const QString&) {}
void TCommandUser::Error(const QString&, TErrorType) {}
void TCommandUser::StartProgress(int) {}
void TCommandUser::SetProgress(int) {}

TQueuedCommandUser::TQueuedCommandUser() : m_context(std::make_unique<QObject>()) {}

TQueuedCommandUser::~TQueuedCommandUser() = default;

bool TQueuedCommandUser::IsUserThread() const {
    return QThread::currentThread() == m_context->thread();
}

void TQueuedCommandUser::RunOnUserThread(const std::function<void()>& step) {
    if (QThread::currentThread() == m_context->thread()) {
        step();
        return;
    }
    QMetaObject::invokeMethod(
        m_context.get(), [&step] { step(); }, Qt::BlockingQueuedConnection);
}

}  // namespace tavrel
