#include "filters/gst/GstDvSceneDetect.h"

#include <gst/base/gstbasetransform.h>

namespace tavrel {

namespace {

struct TAdapterState {
    std::shared_ptr<Tdv_sceneDetect> detector = std::make_shared<Tdv_sceneDetect>();
    bool streaming = false;  // StartStreaming given for this run
};

}  // namespace

}  // namespace tavrel

G_BEGIN_DECLS
#define TAVREL_TYPE_DV_SCENE_DETECT (tavrel::DvSceneDetectElementType())
G_DECLARE_FINAL_TYPE(TavrelDvSceneDetect, tavrel_dv_scene_detect, TAVREL, DV_SCENE_DETECT,
                     GstBaseTransform)
G_END_DECLS

struct _TavrelDvSceneDetect {
    GstBaseTransform parent;
    tavrel::TAdapterState* state;
};

G_DEFINE_TYPE(TavrelDvSceneDetect, tavrel_dv_scene_detect, GST_TYPE_BASE_TRANSFORM)

namespace {

GstStaticPadTemplate kSinkTemplate = GST_STATIC_PAD_TEMPLATE(
    "sink", GST_PAD_SINK, GST_PAD_ALWAYS,
    GST_STATIC_CAPS("video/x-dv, systemstream = (boolean) { true, false }"));
GstStaticPadTemplate kSrcTemplate = GST_STATIC_PAD_TEMPLATE(
    "src", GST_PAD_SRC, GST_PAD_ALWAYS,
    GST_STATIC_CAPS("video/x-dv, systemstream = (boolean) { true, false }"));

tavrel::TAdapterState* StateOf(GstBaseTransform* trans) {
    return TAVREL_DV_SCENE_DETECT(trans)->state;
}

gboolean Start(GstBaseTransform* trans) {
    StateOf(trans)->streaming = false;
    return TRUE;
}

gboolean SetCaps(GstBaseTransform* trans, GstCaps* incaps, GstCaps* /*outcaps*/) {
    tavrel::TAdapterState* state = StateOf(trans);
    // The first caps of a run start it; later renegotiations keep its state.
    if (!state->streaming) {
        state->detector->StartStreaming(tavrel::FrameDurationFromCaps(incaps));
        state->streaming = true;
    }
    return TRUE;
}

GstFlowReturn TransformIp(GstBaseTransform* trans, GstBuffer* buffer) {
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return GST_FLOW_OK;
    StateOf(trans)->detector->ProcessSample(std::span<const std::uint8_t>(map.data, map.size));
    gst_buffer_unmap(buffer, &map);
    return GST_FLOW_OK;
}

gboolean SinkEvent(GstBaseTransform* trans, GstEvent* event) {
    if (GST_EVENT_TYPE(event) == GST_EVENT_EOS) {
        tavrel::TAdapterState* state = StateOf(trans);
        if (!state->streaming) state->detector->StartStreaming(0);
        state->detector->EndOfStream();
        state->streaming = false;
    }
    return GST_BASE_TRANSFORM_CLASS(tavrel_dv_scene_detect_parent_class)->sink_event(trans, event);
}

void Finalize(GObject* object) {
    delete TAVREL_DV_SCENE_DETECT(object)->state;
    G_OBJECT_CLASS(tavrel_dv_scene_detect_parent_class)->finalize(object);
}

}  // namespace

static void tavrel_dv_scene_detect_class_init(TavrelDvSceneDetectClass* klass) {
    GObjectClass* objectClass = G_OBJECT_CLASS(klass);
    GstElementClass* elementClass = GST_ELEMENT_CLASS(klass);
    GstBaseTransformClass* transClass = GST_BASE_TRANSFORM_CLASS(klass);
    objectClass->finalize = Finalize;
    gst_element_class_add_static_pad_template(elementClass, &kSinkTemplate);
    gst_element_class_add_static_pad_template(elementClass, &kSrcTemplate);
    gst_element_class_set_static_metadata(
        elementClass, "Ombrix dv_sceneDetect", "Filter/Analyzer/Video",
        "Reads the datecode of DV frames and finds scene breaks", "Tavrel");
    transClass->start = Start;
    transClass->set_caps = SetCaps;
    transClass->transform_ip = TransformIp;
    transClass->sink_event = SinkEvent;
    transClass->passthrough_on_same_caps = FALSE;
    transClass->transform_ip_on_passthrough = TRUE;
}

static void tavrel_dv_scene_detect_init(TavrelDvSceneDetect* self) {
    self->state = new tavrel::TAdapterState();
    // The reader never writes into a frame: running in passthrough keeps
    // buffers shared (no copy behind a tee) while transform_ip still sees
    // every one of them.
    gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(self), TRUE);
}

namespace tavrel {

GType DvSceneDetectElementType() {
    return tavrel_dv_scene_detect_get_type();
}

std::shared_ptr<Tdv_sceneDetect> DvSceneDetectOf(GstElement* element) {
    if (!element || !G_TYPE_CHECK_INSTANCE_TYPE(element, TAVREL_TYPE_DV_SCENE_DETECT))
        return nullptr;
    return TAVREL_DV_SCENE_DETECT(element)->state->detector;
}

void SetDvSceneDetect(GstElement* element, std::shared_ptr<Tdv_sceneDetect> detector) {
    if (!element || !detector || !G_TYPE_CHECK_INSTANCE_TYPE(element, TAVREL_TYPE_DV_SCENE_DETECT))
        return;
    TAVREL_DV_SCENE_DETECT(element)->state->detector = std::move(detector);
}

std::int64_t FrameDurationFromCaps(const GstCaps* caps) {
    if (!caps || gst_caps_get_size(caps) == 0) return 0;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    int num = 0;
    int den = 0;
    if (!gst_structure_get_fraction(s, "framerate", &num, &den) || num <= 0 || den <= 0) return 0;
    return static_cast<std::int64_t>(gst_util_uint64_scale_round(10000000, den, num));
}

}  // namespace tavrel
