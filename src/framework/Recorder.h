#pragma once
// The macro recorder: while a macro is being recorded, every change that a
// user makes to a typed action becomes one line of script. The script window
// starts a recording with the function that adds a line to its editor and
// stops it at the end. Changes made by the handlers of another change are
// not recorded: replaying the outer one makes them again.
//
// Process-wide and meant for the user-interface thread only.

#include <QString>
#include <functional>

namespace tavrel {

class TRecorder {
  public:
    static TRecorder& Instance();

    void Start(std::function<void(const QString& line)> addLine);
    void Stop();
    bool IsRecording() const { return static_cast<bool>(m_addLine); }
    // True while an outermost recorded change is being applied.
    bool InProgress() const { return m_inProgress; }

  private:
    friend class TRecordScope;
    std::function<void(const QString&)> m_addLine;
    bool m_inProgress = false;
};

// Wraps one change of an action: when a recording runs and no other change
// is being applied, adds the line (unless it is empty) and marks the change
// in progress until the scope ends, also when a handler throws.
class TRecordScope {
  public:
    template <typename MakeLine>
    explicit TRecordScope(MakeLine&& makeLine) {
        TRecorder& r = TRecorder::Instance();
        if (!r.IsRecording() || r.m_inProgress) return;
        const QString line = makeLine();
        if (!line.isEmpty()) r.m_addLine(line);
        r.m_inProgress = true;
        m_owner = true;
    }
    ~TRecordScope() {
        if (m_owner) TRecorder::Instance().m_inProgress = false;
    }
    TRecordScope(const TRecordScope&) = delete;
    TRecordScope& operator=(const TRecordScope&) = delete;

  private:
    bool m_owner = false;
};

}  // namespace tavrel
