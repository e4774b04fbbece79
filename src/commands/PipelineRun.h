#pragma once
// The handle of a pipeline that a pipeline command's builder has made for
// one file and one pass: the engine starts it, polls its position for the
// progress gauge, waits for its completion and stops it. Times are in 100-ns
// units. The GStreamer conversions implement it; tests use a fake.
//
// The engine calls every operation from its worker thread. It stops every
// handle it started; a handle dropped without being started (a duration of
// 0) must release its pipeline in its destructor.

#include <QString>
#include <cstdint>
#include <functional>

namespace tavrel {

class TPipelineRun {
  public:
    virtual ~TPipelineRun() = default;

    // The length of the stream; 0 when it is not known.
    virtual std::int64_t DurationHns() = 0;
    // The position reached.
    virtual std::int64_t PositionHns() = 0;
    // Lets the pipeline run as fast as its elements allow, without a clock.
    virtual void RemoveClock() = 0;
    // Plays. done is called once, from any thread, when the stream has ended
    // or the pipeline has failed. False when the pipeline refuses to play.
    virtual bool Start(std::function<void()> done) = 0;
    virtual void Stop() = 0;
    // Why the pipeline failed, in French; empty while it has not failed.
    virtual QString ErrorText() { return {}; }
};

}  // namespace tavrel
