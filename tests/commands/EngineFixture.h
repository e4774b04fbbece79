#pragma once
// What the engine tests run on: a user that answers from a script and logs
// every event, a record factory without analysis, a fake pipeline that
// "plays" on a thread of its own, and a temporary folder with a list.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "avi/AviFichier.h"
#include "commands/CommandEngine.h"
#include "commands/MemoryFichierList.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '[' << l.join(QStringLiteral(", ")).toStdString() << ']';
}
QT_END_NAMESPACE

namespace tavrel::test {

class TScriptedUser : public TCommandUser {
  public:
    std::deque<TAnswer> Answers;
    QStringList Questions;
    QList<TConfirmButtons> ButtonSets;
    QStringList Events;  // "start", "file clip.avi 1", "end file ...", "end"
    QStringList Messages;
    QList<std::pair<QString, TErrorType>> Errors;
    QList<int> Progress;  // start max, then positions
    int ProgressStarts = 0;
    int ProgressEnds = 0;
    std::function<void(int)> OnSetProgress;

    TAnswer Confirm(const QString& question, TConfirmButtons buttons) override {
        Questions << question;
        ButtonSets << buttons;
        if (Answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << question.toStdString();
            return TAnswer::Annuler;
        }
        const TAnswer a = Answers.front();
        Answers.pop_front();
        return a;
    }
    void StartCommand() override { Events << QStringLiteral("start"); }
    void EndCommand() override { Events << QStringLiteral("end"); }
    void StartFichier(TAbstractListFichier* f, const QStringList&, int passe) override {
        Events << QStringLiteral("file %1 %2").arg(f ? f->ShortName : QString()).arg(passe);
    }
    void EndFichier(TAbstractListFichier* f, const QStringList&, int passe) override {
        Events << QStringLiteral("end file %1 %2").arg(f ? f->ShortName : QString()).arg(passe);
    }
    void Message(const QString& m) override { Messages << m; }
    void Error(const QString& m, TErrorType t) override { Errors << std::make_pair(m, t); }
    void StartProgress(int max) override {
        ++ProgressStarts;
        Progress << max;
    }
    void SetProgress(int p) override {
        Progress << p;
        if (OnSetProgress) OnSetProgress(p);
    }
    void EndProgress() override { ++ProgressEnds; }
};

class TTestFactory : public TRecordFactory {
  public:
    std::atomic<int> Created{0};
    TFichierPtr Create(const QString& path) override {
        ++Created;
        return std::make_shared<TaviFichier>(path, TaviFichier::TUnanalysed{});
    }
};

// Plays from 0 to its duration in steps, on its own thread, then calls done;
// with Endless it never ends; with FailAt it fails at that position.
class TFakePipeline : public TPipelineRun {
  public:
    explicit TFakePipeline(std::int64_t durationHns) : m_duration(durationHns) {}
    ~TFakePipeline() override { Stop(); }

    bool Endless = false;
    std::int64_t FailAt = -1;
    std::int64_t StepHns = 0;  // per 10 ms; default: a tenth of the duration
    std::atomic<bool> Started{false};
    std::atomic<bool> Stopped{false};
    std::atomic<bool> ClockRemoved{false};

    std::int64_t DurationHns() override { return m_duration; }
    std::int64_t PositionHns() override { return m_position.load(); }
    void RemoveClock() override { ClockRemoved = true; }
    bool Start(std::function<void()> done) override {
        Started = true;
        const std::int64_t step =
            StepHns > 0 ? StepHns : std::max<std::int64_t>(1, m_duration / 10);
        m_thread = std::thread([this, done, step] {
            while (!m_quit) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                if (FailAt >= 0 && m_position >= FailAt) {
                    {
                        std::lock_guard lock(m_mutex);
                        m_error = QStringLiteral("échec");
                    }
                    done();
                    return;
                }
                if (Endless) continue;
                m_position = std::min(m_duration, m_position + step);
                if (m_position >= m_duration) {
                    done();
                    return;
                }
            }
        });
        return true;
    }
    void Stop() override {
        m_quit = true;
        if (m_thread.joinable()) {
            m_thread.join();
            Stopped = true;
        }
    }
    QString ErrorText() override {
        std::lock_guard lock(m_mutex);
        return m_error;
    }

  private:
    std::int64_t m_duration;
    std::atomic<std::int64_t> m_position{0};
    std::atomic<bool> m_quit{false};
    std::thread m_thread;
    std::mutex m_mutex;
    QString m_error;
};

class EngineTest : public ::testing::Test {
  protected:
    EngineTest() : engine(user, factory) {
        engine.SetSourceList(&list);
        engine.SetDestList(&list);
    }
    ~EngineTest() override { engine.WaitUntilIdle(); }

    QString Path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }
    void Touch(const QString& name) {
        QFile f(Path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    // Adds records for files (created on disk unless onDisk is false).
    void AddFiles(const QStringList& names, bool select = true, bool onDisk = true) {
        for (const QString& name : names) {
            if (onDisk) Touch(name);
            list.Add(std::make_shared<TaviFichier>(Path(name), TaviFichier::TUnanalysed{}));
            if (select) list.SetSelected(list.Count() - 1, true);
        }
    }
    // Runs cmd to its end.
    TExecuteResult Run(tAbstractCmd& cmd, const QStringList& params = {}) {
        const TExecuteResult result = engine.ExecuteCommand(cmd, params);
        EXPECT_TRUE(engine.WaitUntilIdle(20000));
        return result;
    }
    QStringList ListNames() const {
        QStringList names;
        for (int i = 0; i < list.Count(); ++i) names << list.ItemText(i);
        return names;
    }
    QStringList SelectedNames() const {
        QStringList names;
        for (int i = 0; i < list.Count(); ++i)
            if (list.Selected(i)) names << list.ItemText(i);
        return names;
    }

    QTemporaryDir dir;
    TScriptedUser user;
    TTestFactory factory;
    TMemoryFichierList list;
    TCommandEngine engine;
};

}  // namespace tavrel::test
