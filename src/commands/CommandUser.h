#pragma once
// How the command engine reaches the user: every step of a run that belongs
// to the user's side (confirmations, start and end events, messages, errors,
// progress, changes to the file list) goes through this interface, from the
// worker thread, and the worker waits for each step to finish.
//
// RunOnUserThread carries a step to the thread that owns the windows and the
// list; the engine wraps everything it hands over in it, and then calls the
// other operations from inside such a step. The base class runs steps where
// it is called, which is right for the command-line tool and the tests (no
// window, the caller waits for the run). TQueuedCommandUser carries them to a
// Qt thread with blocking queued calls, for the desktop program.

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "commands/CommandTypes.h"

namespace tavrel {

class TCommandUser {
  public:
    virtual ~TCommandUser();

    // Runs step on the user's thread and returns when it has run. The
    // engine never hands over a step that throws.
    virtual void RunOnUserThread(const std::function<void()>& step);
    // Whether the calling thread is the one steps are carried to: a wait for
    // the end of a run there must serve the steps (process events) meanwhile.
    virtual bool IsUserThread() const { return false; }

    // Shows the confirmation dialog (title ConfirmationTitle(), question
    // icon) and returns the answer; closing it without a button is Annuler.
    virtual TAnswer Confirm(const QString& question, TConfirmButtons buttons) = 0;

    // The engine's events, in the order a run fires them.
    virtual void StartCommand() {}
    virtual void StartFichier(TAbstractListFichier* fichier, const QStringList& params, int passe);
    virtual void EndFichier(TAbstractListFichier* fichier, const QStringList& params, int passe);
    virtual void EndCommand() {}
    // A start text for the status bar.
    virtual void Message(const QString& message);
    // An error for the error dialog (see ErrorDialogText).
    virtual void Error(const QString& message, TErrorType type);
    virtual void StartProgress(int max);
    virtual void SetProgress(int position);
    virtual void EndProgress() {}
};

// Carries the steps of a run to the thread of a Qt object with blocking
// queued calls; a step asked for on that thread itself runs at once. The
// thread must keep its event loop running while a run is in progress (the
// window waits for the end of the run by processing events, never by
// blocking).
class TQueuedCommandUser : public TCommandUser {
  public:
    // Steps go to the thread that constructs the user.
    TQueuedCommandUser();
    ~TQueuedCommandUser() override;

    void RunOnUserThread(const std::function<void()>& step) override;
    bool IsUserThread() const override;

  private:
    std::unique_ptr<QObject> m_context;
};

}  // namespace tavrel
