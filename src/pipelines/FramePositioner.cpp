#include "pipelines/FramePositioner.h"

#include <gst/video/video.h>

#include <chrono>
#include <cstring>

#include "dv/DvFrame.h"
#include "filters/gst/GstDvSceneDetect.h"

namespace tavrel {

// Shared with the streaming thread: which frame a positioning waits for, and
// the reader's record of it once it has passed.
struct TPositionerProbe {
    static constexpr const char* kSeen = "tavrel-frame-seen";

    std::mutex mutex;
    std::shared_ptr<Tdv_sceneDetect> detector;
    GstBus* bus = nullptr;  // owned reference: the frame's arrival wakes the positioning
    bool awaiting = false;
    GstClockTime target = GST_CLOCK_TIME_NONE;
    GstClockTime tolerance = 0;
    bool seen = false;
    TFrameInfo record;

    // For the link from the reader to the decoder, made when the reader's
    // caps tell whether the stream is interleaved.
    GstElement* dvdemux = nullptr;  // owned by the pipeline
    GstElement* decoder = nullptr;  // owned by the pipeline
};

namespace {

GstPadProbeReturn OnReaderBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto* probe = static_cast<TPositionerProbe*>(data);
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (!buffer) return GST_PAD_PROBE_OK;
    std::lock_guard lock(probe->mutex);
    if (!probe->awaiting || SequencesForLength(gst_buffer_get_size(buffer)) == 0)
        return GST_PAD_PROBE_OK;
    const GstClockTime pts = GST_BUFFER_PTS(buffer);
    if (!GST_CLOCK_TIME_IS_VALID(pts)) return GST_PAD_PROBE_OK;
    const GstClockTime distance = pts > probe->target ? pts - probe->target : probe->target - pts;
    if (distance > probe->tolerance) return GST_PAD_PROBE_OK;
    // The reader has just read this frame.
    probe->record = probe->detector->CurrentFrame();
    probe->seen = true;
    probe->awaiting = false;
    if (probe->bus)
        gst_bus_post(probe->bus, gst_message_new_application(
                                     GST_OBJECT(pad), gst_structure_new_empty(probe->kSeen)));
    return GST_PAD_PROBE_OK;
}

void OnDvSplitterPad(GstElement* /*dvdemux*/, GstPad* pad, gpointer data) {
    auto* probe = static_cast<TPositionerProbe*>(data);
    GstPad* decoderIn = gst_element_get_static_pad(probe->decoder, "sink");
    if (!gst_pad_is_linked(decoderIn)) gst_pad_link(pad, decoderIn);  // video only: audio fails
    gst_object_unref(decoderIn);
}

// The decoder takes DV video; interleaved DV goes through dvdemux first.
GstPadProbeReturn OnReaderCaps(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (!event || GST_EVENT_TYPE(event) != GST_EVENT_CAPS) return GST_PAD_PROBE_OK;
    auto* probe = static_cast<TPositionerProbe*>(data);
    GstCaps* caps = nullptr;
    gst_event_parse_caps(event, &caps);
    gboolean system = FALSE;
    if (caps && gst_caps_get_size(caps) > 0)
        gst_structure_get_boolean(gst_caps_get_structure(caps, 0), "systemstream", &system);
    GstPad* target = gst_element_get_static_pad(system ? probe->dvdemux : probe->decoder, "sink");
    if (!gst_pad_is_linked(pad)) gst_pad_link(pad, target);
    gst_object_unref(target);
    return GST_PAD_PROBE_REMOVE;
}

void DrainBus(GstBus* bus) {
    while (GstMessage* message = gst_bus_pop(bus)) gst_message_unref(message);
}

}  // namespace

std::unique_ptr<TGstFramePositioner> TGstFramePositioner::Open(const QString& path, int timeoutMs,
                                                               QString* error) {
    std::unique_ptr<TGstFramePositioner> self(new TGstFramePositioner());
    self->m_timeoutMs = timeoutMs > 0 ? timeoutMs : 5000;
    auto probe = std::make_shared<TPositionerProbe>();
    probe->detector = std::make_shared<Tdv_sceneDetect>();
    self->m_probe = probe;

    GstElement* pictureSink = nullptr;
    bool withPicture = true;
    TDvReaderOptions options;
    options.HoldAtReader = false;
    options.TimeoutMs = self->m_timeoutMs;
    options.Tail = [&pictureSink, &withPicture, probe](GstBin* bin, GstElement* reader) {
        GstElement* decoder = withPicture ? MakeElement("avdec_dvvideo") : nullptr;
        GstElement* convert = withPicture ? MakeElement("videoconvert") : nullptr;
        GstElement* filter = withPicture ? MakeElement("capsfilter") : nullptr;
        GstElement* dvdemux = withPicture ? MakeElement("dvdemux") : nullptr;
        GstElement* sink = MakeElement("fakesink", "nullrender");
        if (!sink) return false;
        g_object_set(sink, "sync", FALSE, nullptr);
        if (!decoder || !convert || !filter || !dvdemux) {
            // No picture without GStreamer's DV decoder; the records still come.
            for (GstElement* e : {decoder, convert, filter, dvdemux})
                if (e) gst_object_unref(gst_object_ref_sink(e));
            gst_bin_add(bin, sink);
            return gst_element_link(reader, sink) != FALSE;
        }
        // Plain conversion: nearly twice the rate, and a thumbnail needs no more.
        gst_util_set_object_arg(G_OBJECT(convert), "dither", "none");
        gst_util_set_object_arg(G_OBJECT(convert), "chroma-mode", "none");
        GstCaps* rgb = gst_caps_from_string("video/x-raw, format=RGB");
        g_object_set(filter, "caps", rgb, nullptr);
        gst_caps_unref(rgb);
        g_object_set(sink, "enable-last-sample", TRUE, nullptr);
        gst_bin_add_many(bin, decoder, convert, filter, sink, dvdemux, nullptr);
        if (!gst_element_link_many(decoder, convert, filter, sink, nullptr)) return false;
        probe->dvdemux = dvdemux;
        probe->decoder = decoder;
        g_signal_connect(dvdemux, "pad-added", G_CALLBACK(OnDvSplitterPad), probe.get());
        GstPad* readerOut = gst_element_get_static_pad(reader, "src");
        gst_pad_add_probe(readerOut, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, OnReaderCaps, probe.get(),
                          nullptr);
        gst_object_unref(readerOut);
        pictureSink = sink;
        return true;
    };
    // Before the pipeline pauses, so that the first frame is seen too.
    options.Tail = [inner = options.Tail, probe](GstBin* bin, GstElement* reader) {
        if (!inner(bin, reader)) return false;
        GstPad* readerOut = gst_element_get_static_pad(reader, "src");
        gst_pad_add_probe(readerOut, GST_PAD_PROBE_TYPE_BUFFER, OnReaderBuffer, probe.get(),
                          nullptr);
        gst_object_unref(readerOut);
        return true;
    };

    self->m_graph = OpenDvReaderGraph(path, probe->detector, options);
    if (!self->m_graph.Pipeline && !self->m_graph.FileRefused && pictureSink) {
        // The picture is a bonus: a decoding branch that does not preroll
        // must not cost the records.
        withPicture = false;
        pictureSink = nullptr;
        probe->dvdemux = probe->decoder = nullptr;
        self->m_graph = OpenDvReaderGraph(path, probe->detector, options);
    }
    if (!self->m_graph.Pipeline) {
        if (error) *error = self->m_graph.Error;
        return nullptr;
    }
    self->m_pictureSink = pictureSink;
    {
        std::lock_guard lock(probe->mutex);
        probe->bus = gst_element_get_bus(self->m_graph.Pipeline);
    }
    self->m_demuxPad = self->m_graph.ReaderInputPad();

    // The frame rate avidemux times the frames with: the stream's own for
    // DV video, the system of the frames for interleaved DV.
    if (GstCaps* caps = self->m_graph.ReaderInputCaps()) {
        int num = 0;
        int den = 0;
        if (gst_caps_get_size(caps) > 0 &&
            gst_structure_get_fraction(gst_caps_get_structure(caps, 0), "framerate", &num, &den) &&
            num > 0 && den > 0) {
            self->m_fpsNum = num;
            self->m_fpsDen = den;
        } else if (probe->detector->CurrentFrame().IsNtsc) {
            self->m_fpsNum = 30000;
            self->m_fpsDen = 1001;
        }
        gst_caps_unref(caps);
    }
    gint64 frames = -1;
    if (self->m_demuxPad && gst_pad_query_duration(self->m_demuxPad, GST_FORMAT_DEFAULT, &frames) &&
        frames >= 0) {
        self->m_frameCount = frames;
    } else {
        gint64 ns = -1;
        if (gst_element_query_duration(self->m_graph.Pipeline, GST_FORMAT_TIME, &ns) && ns > 0)
            self->m_frameCount = static_cast<std::int64_t>(gst_util_uint64_scale_round(
                static_cast<guint64>(ns), self->m_fpsNum, GST_SECOND * self->m_fpsDen));
    }
    return self;
}

TGstFramePositioner::~TGstFramePositioner() {
    if (m_graph.Pipeline) gst_element_set_state(m_graph.Pipeline, GST_STATE_NULL);
    if (m_demuxPad) gst_object_unref(m_demuxPad);
}

bool TGstFramePositioner::SeekTime(std::uint32_t frame, GstClockTime& time) const {
    // avidemux's own conversion, from the rate of the stream header; the
    // frame rate of the caps when it has none.
    gint64 ns = -1;
    if (m_demuxPad &&
        gst_pad_query_convert(m_demuxPad, GST_FORMAT_DEFAULT, frame, GST_FORMAT_TIME, &ns) &&
        ns >= 0) {
        time = static_cast<GstClockTime>(ns);
        return true;
    }
    time = gst_util_uint64_scale(frame, GST_SECOND * m_fpsDen, m_fpsNum);
    return true;
}

std::optional<TFrameInfo> TGstFramePositioner::PositionOn(std::uint32_t frame) {
    std::lock_guard lock(m_mutex);
    m_hasPicture = false;
    m_picture = QImage();
    if (!m_graph.Pipeline || (m_frameCount >= 0 && frame >= m_frameCount)) return std::nullopt;
    GstClockTime target = 0;
    SeekTime(frame, target);

    GstBus* bus = gst_element_get_bus(m_graph.Pipeline);
    DrainBus(bus);
    {
        std::lock_guard probeLock(m_probe->mutex);
        m_probe->target = target;
        m_probe->tolerance = gst_util_uint64_scale(GST_SECOND, m_fpsDen, 2 * m_fpsNum);
        m_probe->seen = false;
        m_probe->awaiting = true;
    }
    const bool sought = gst_element_seek(
        m_graph.Pipeline, 1.0, GST_FORMAT_TIME,
        static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), GST_SEEK_TYPE_SET,
        static_cast<gint64>(target), GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE);

    std::optional<TFrameInfo> result;
    bool prerolled = false;
    bool failed = !sought;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_timeoutMs);
    const auto types = static_cast<GstMessageType>(
        GST_MESSAGE_ERROR | GST_MESSAGE_EOS | GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_APPLICATION);
    while (!failed) {
        {
            std::lock_guard probeLock(m_probe->mutex);
            if (m_probe->seen && !result) {
                result = m_probe->record;
                result->FrameIndex = frame;
            }
        }
        // The picture sink holds the sought frame once the pipeline has
        // prerolled again.
        if (result && (prerolled || !m_pictureSink)) break;
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        GstMessage* message =
            gst_bus_timed_pop_filtered(bus, static_cast<GstClockTime>(left.count()), types);
        if (!message) break;
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ASYNC_DONE)
            prerolled = true;
        else if (GST_MESSAGE_TYPE(message) != GST_MESSAGE_APPLICATION)
            failed = true;
        gst_message_unref(message);
    }
    {
        std::lock_guard probeLock(m_probe->mutex);
        m_probe->awaiting = false;
    }
    gst_object_unref(bus);
    m_hasPicture = result && prerolled && m_pictureSink;
    return result;
}

QImage TGstFramePositioner::Picture() {
    std::lock_guard lock(m_mutex);
    if (!m_hasPicture || !m_pictureSink) return {};
    if (!m_picture.isNull()) return m_picture;
    GstSample* sample = nullptr;
    g_object_get(m_pictureSink, "last-sample", &sample, nullptr);
    if (!sample) return {};
    GstVideoInfo info;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstCaps* caps = gst_sample_get_caps(sample);
    GstVideoFrame video;
    if (buffer && caps && gst_video_info_from_caps(&info, caps) &&
        GST_VIDEO_INFO_FORMAT(&info) == GST_VIDEO_FORMAT_RGB &&
        gst_video_frame_map(&video, &info, buffer, GST_MAP_READ)) {
        const int width = GST_VIDEO_FRAME_WIDTH(&video);
        const int height = GST_VIDEO_FRAME_HEIGHT(&video);
        const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&video, 0);
        const auto* pixels = static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&video, 0));
        m_picture = QImage(pixels, width, height, stride, QImage::Format_RGB888).copy();
        gst_video_frame_unmap(&video);
    }
    gst_sample_unref(sample);
    return m_picture;
}

}  // namespace tavrel
