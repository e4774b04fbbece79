#pragma once
// A pipeline command's run over a GStreamer pipeline: the handle the command
// engine starts, polls and stops (see commands/PipelineRun.h). It owns the
// pipeline and everything its signal handlers use, watches the bus on a
// thread of its own while it plays, and reports the end of the stream or the
// first error once through the engine's callback. Nothing here touches a Qt
// object from a streaming thread.
//
// A builder hands the run a pipeline that is already linked and paused, and
// may hold the stream back until the run begins (SetOnPlay), so that no frame
// reaches an own element before the command has configured it.

#include <gst/gst.h>

#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "commands/PipelineRun.h"

namespace tavrel {

class TGstPipelineRun : public TPipelineRun {
  public:
    // Takes the pipeline (a floating reference is sunk). keepAlive holds what
    // the pipeline's signal handlers and probes point at; it is released
    // only after the pipeline itself.
    explicit TGstPipelineRun(GstElement* pipeline, std::shared_ptr<void> keepAlive = nullptr);
    ~TGstPipelineRun() override;
    TGstPipelineRun(const TGstPipelineRun&) = delete;
    TGstPipelineRun& operator=(const TGstPipelineRun&) = delete;

    // TIME queries on the pipeline, in 100-ns units. The position does not go
    // back during a run: after the end of the stream, when the sinks no
    // longer answer, the last position known is kept.
    std::int64_t DurationHns() override;
    std::int64_t PositionHns() override;
    // No clock, and sinks that do not wait for one: the run goes as fast as
    // its elements allow.
    void RemoveClock() override;
    // Plays; done is called once, from the bus thread, at the end of the
    // stream or at the first error. False (and done never called) when the
    // pipeline refuses to play or has been stopped.
    bool Start(std::function<void()> done) override;
    // Stops the pipeline (NULL state) and joins the bus thread: done is never
    // called after Stop returns. May be called more than once, from any
    // thread but the bus thread and the streaming threads.
    void Stop() override;
    QString ErrorText() override;

    GstElement* Pipeline() const { return m_pipeline; }

    // Called by Start once the pipeline has been asked to play.
    void SetOnPlay(std::function<void()> onPlay);
    // Called by the first Stop of a started run, before the pipeline stops,
    // while its streaming threads may still run.
    void SetOnStop(std::function<void()> onStop);
    // Called once when the run is over: by the first Stop, or by the
    // destructor of a run never stopped, after the pipeline has stopped.
    void SetOnFinish(std::function<void()> onFinish);
    // Forgets the finish hook without calling it.
    void DropOnFinish();

  private:
    void WatchBus(GstBus* bus);
    void RecordError(GstMessage* message);
    void Finish();

    GstElement* m_pipeline = nullptr;
    std::shared_ptr<void> m_keepAlive;

    std::mutex m_stopMutex;  // one Stop at a time, each returning when stopped
    std::mutex m_mutex;      // guards everything below but the atomics
    std::thread m_busThread;
    bool m_started = false;
    bool m_stopped = false;
    std::function<void()> m_done;
    std::function<void()> m_onPlay;
    std::function<void()> m_onStop;
    std::function<void()> m_onFinish;
    QString m_error;
    std::atomic<std::int64_t> m_lastPositionHns{0};
};

// A French sentence for a GStreamer error, with GStreamer's own message as
// detail: "Impossible d'ouvrir le fichier (filesrc0 : …)".
QString FrenchGstError(const GError* error, const QString& elementName = {});

// The same from an ERROR message of a bus.
QString FrenchGstErrorMessage(GstMessage* message);

}  // namespace tavrel
