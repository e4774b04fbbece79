#include "support/DemuxReadBack.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <memory>
#include <mutex>

namespace tavrel::test {

namespace {

struct TSinkContext;

struct TRun {
    TDemuxOptions Options;
    GstElement* Pipeline = nullptr;
    std::mutex Mutex;
    std::vector<std::unique_ptr<TSinkContext>> Sinks;
    std::string Error;
};

struct TSinkContext {
    TRun* Run = nullptr;
    TDemuxedStream Stream;
    bool HaveCaps = false;
};

void ReadCaps(GstCaps* caps, TDemuxedStream& s) {
    if (!caps || gst_caps_get_size(caps) == 0) return;
    gchar* text = gst_caps_to_string(caps);
    s.Caps = text;
    g_free(text);
    const GstStructure* st = gst_caps_get_structure(caps, 0);
    s.Media = gst_structure_get_name(st);
    gboolean system = FALSE;
    if (gst_structure_get_boolean(st, "systemstream", &system)) s.SystemStream = system;
    gst_structure_get_int(st, "width", &s.Width);
    gst_structure_get_int(st, "height", &s.Height);
    gst_structure_get_fraction(st, "framerate", &s.FpsN, &s.FpsD);
    gst_structure_get_int(st, "rate", &s.Rate);
    gst_structure_get_int(st, "channels", &s.Channels);
}

GstFlowReturn OnSample(GstAppSink* sink, gpointer data) {
    auto* ctx = static_cast<TSinkContext*>(data);
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample) return GST_FLOW_OK;
    std::lock_guard lock(ctx->Run->Mutex);
    if (!ctx->HaveCaps) {
        ReadCaps(gst_sample_get_caps(sample), ctx->Stream);
        ctx->HaveCaps = true;
    }
    if (GstBuffer* buffer = gst_sample_get_buffer(sample)) {
        GstMapInfo map;
        if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            ctx->Stream.Buffers += 1;
            ctx->Stream.Bytes += map.size;
            if (ctx->Run->Options.KeepData)
                ctx->Stream.Data.emplace_back(map.data, map.data + map.size);
            if (ctx->Run->Options.OnBuffer)
                ctx->Run->Options.OnBuffer(ctx->Stream.Pad,
                                           std::span<const std::uint8_t>(map.data, map.size));
            gst_buffer_unmap(buffer, &map);
        }
    }
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

void OnPadAdded(GstElement* demux, GstPad* pad, gpointer data);

// queue ! [next] linked to `pad`; `next` is added to the pipeline first.
bool LinkThroughQueue(TRun* run, GstPad* pad, GstElement* next, GstElement* last) {
    GstElement* queue = gst_element_factory_make("queue", nullptr);
    g_object_set(queue, "max-size-buffers", 0u, "max-size-time", guint64(0), "max-size-bytes",
                 64u << 20, nullptr);
    gst_bin_add(GST_BIN(run->Pipeline), queue);
    bool ok = gst_element_link(queue, next);
    GstPad* sinkPad = gst_element_get_static_pad(queue, "sink");
    ok = ok && gst_pad_link(pad, sinkPad) == GST_PAD_LINK_OK;
    gst_object_unref(sinkPad);
    if (last) gst_element_sync_state_with_parent(last);
    if (next != last) gst_element_sync_state_with_parent(next);
    gst_element_sync_state_with_parent(queue);
    return ok;
}

void AddSink(TRun* run, GstPad* pad, const std::string& name, bool decode) {
    auto ctx = std::make_unique<TSinkContext>();
    ctx->Run = run;
    ctx->Stream.Pad = name;
    GstElement* sink = gst_element_factory_make("appsink", nullptr);
    g_object_set(sink, "sync", FALSE, "emit-signals", FALSE, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = OnSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, ctx.get(), nullptr);
    gst_bin_add(GST_BIN(run->Pipeline), sink);
    GstElement* first = sink;
    if (decode) {
        GstElement* decoder = gst_element_factory_make("avdec_dvvideo", nullptr);
        gst_bin_add(GST_BIN(run->Pipeline), decoder);
        gst_element_link(decoder, sink);
        first = decoder;
    }
    {
        std::lock_guard lock(run->Mutex);
        run->Sinks.push_back(std::move(ctx));
    }
    if (!LinkThroughQueue(run, pad, first, sink)) {
        std::lock_guard lock(run->Mutex);
        run->Error = "cannot link pad " + name;
    }
}

void OnPadAdded(GstElement* demux, GstPad* pad, gpointer data) {
    auto* run = static_cast<TRun*>(data);
    gchar* padName = gst_pad_get_name(pad);
    const bool behindDv = g_str_has_prefix(GST_OBJECT_NAME(demux), "dvdemux");
    std::string name = (behindDv ? "dv/" : "") + std::string(padName);
    g_free(padName);

    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps) caps = gst_pad_query_caps(pad, nullptr);
    TDemuxedStream probe;
    ReadCaps(caps, probe);
    if (caps) gst_caps_unref(caps);

    const bool dv = probe.Media == "video/x-dv";
    if (dv && probe.SystemStream && run->Options.SplitDv && !behindDv) {
        GstElement* dvdemux = gst_element_factory_make("dvdemux", nullptr);
        g_signal_connect(dvdemux, "pad-added", G_CALLBACK(OnPadAdded), run);
        gst_bin_add(GST_BIN(run->Pipeline), dvdemux);
        if (!LinkThroughQueue(run, pad, dvdemux, dvdemux)) {
            std::lock_guard lock(run->Mutex);
            run->Error = "cannot link dvdemux";
        }
        return;
    }
    const bool decode = run->Options.DecodeVideo && dv && (!probe.SystemStream || behindDv);
    AddSink(run, pad, name, decode);
}

}  // namespace

void EnsureGstInit() {
    static std::once_flag once;
    std::call_once(once, [] { gst_init(nullptr, nullptr); });
}

const TDemuxedStream* TDemuxResult::Find(std::string_view pad) const {
    for (const TDemuxedStream& s : Streams)
        if (s.Pad == pad) return &s;
    return nullptr;
}

TDemuxResult DemuxAvi(const std::filesystem::path& file, const TDemuxOptions& options) {
    EnsureGstInit();
    TDemuxResult result;
    TRun run;
    run.Options = options;
    run.Pipeline = gst_pipeline_new(nullptr);
    GstElement* source = gst_element_factory_make("filesrc", nullptr);
    GstElement* demux = gst_element_factory_make("avidemux", nullptr);
    if (!source || !demux) {
        result.Error = "filesrc or avidemux missing";
        gst_object_unref(run.Pipeline);
        return result;
    }
    g_object_set(source, "location", file.c_str(), nullptr);
    gst_bin_add_many(GST_BIN(run.Pipeline), source, demux, nullptr);
    gst_element_link(source, demux);
    g_signal_connect(demux, "pad-added", G_CALLBACK(OnPadAdded), &run);

    gst_element_set_state(run.Pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(run.Pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(
        bus, GST_SECOND * options.TimeoutSeconds,
        static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    if (!message) {
        result.Error = "timeout";
    } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        GError* error = nullptr;
        gchar* debug = nullptr;
        gst_message_parse_error(message, &error, &debug);
        result.Error = std::string(error ? error->message : "error") + " / " + (debug ? debug : "");
        if (error) g_error_free(error);
        g_free(debug);
    } else {
        result.Ok = true;
    }
    if (message) gst_message_unref(message);
    gst_object_unref(bus);
    gst_element_set_state(run.Pipeline, GST_STATE_NULL);
    gst_object_unref(run.Pipeline);

    if (!run.Error.empty()) {
        result.Ok = false;
        result.Error = run.Error;
    }
    for (auto& sink : run.Sinks) result.Streams.push_back(std::move(sink->Stream));
    return result;
}

}  // namespace tavrel::test
