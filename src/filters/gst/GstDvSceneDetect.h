#pragma once
// The GStreamer element of the datecode reader ("Ombrix dv_sceneDetect"): an
// in-place transform that accepts DV (interleaved system stream or DV video)
// and passes every buffer through unchanged, feeding each one to the pure
// Tdv_sceneDetect it holds.

#include <gst/gst.h>

#include <memory>

#include "dv/DvSceneDetect.h"

namespace tavrel {

inline constexpr const char* kDvSceneDetectFactory = "ombrix_dv_scenedetect";

GType DvSceneDetectElementType();

// The detector an element feeds. Each element starts with a detector of its
// own; pipelines that keep one detector across runs give it to each new
// element before the element leaves the NULL state.
std::shared_ptr<Tdv_sceneDetect> DvSceneDetectOf(GstElement* element);
void SetDvSceneDetect(GstElement* element, std::shared_ptr<Tdv_sceneDetect> detector);

// The frame duration (100-ns units) a DV caps structure announces, 0 when it
// carries no frame rate (interleaved DV).
std::int64_t FrameDurationFromCaps(const GstCaps* caps);

}  // namespace tavrel
