#include "framework/Recorder.h"

namespace tavrel {

TRecorder& TRecorder::Instance() {
    static TRecorder recorder;
    return recorder;
}

void TRecorder::Start(std::function<void(const QString&)> addLine) {
    m_addLine = std::move(addLine);
}

void TRecorder::Stop() {
    m_addLine = nullptr;
}

}  // namespace tavrel
