#include "pipelines/FileAnalysis.h"

#include <gst/gst.h>

#include <QFile>
#include <chrono>
#include <condition_variable>
#include <cstring>

#include "avi/AviParam.h"
#include "filters/gst/GstDvSceneDetect.h"
#include "filters/gst/GstPatchedFileSrc.h"
#include "filters/gst/OwnElements.h"

namespace tavrel {

namespace {

// One output of avidemux or of dvdemux, and what reached its sink.
struct TBranch {
    GstPad* demuxPad = nullptr;  // owned reference
    GstCaps* caps = nullptr;     // owned reference, caps at the first sample
    int streamNumber = -1;       // the file's stream this avidemux output carries
    bool fromDvSplitter = false;
    bool throughReader = false;
    bool done = false;  // first sample or end of stream seen
    ~TBranch() {
        if (demuxPad) gst_object_unref(demuxPad);
        if (caps) gst_caps_unref(caps);
    }
};

struct TRun {
    std::mutex mutex;
    std::condition_variable changed;
    GstElement* pipeline = nullptr;
    std::shared_ptr<Tdv_sceneDetect> detector;
    std::vector<std::unique_ptr<TBranch>> branches;  // avidemux outputs, then dvdemux outputs
    bool noMorePads = false;
    bool readerTaken = false;
    bool interleaved = false;      // the reader feeds dvdemux
    bool interleavedDone = false;  // dvdemux showed its pads, or the stream ended
    bool refused = false;          // a DV stream GStreamer does not take as DV
    bool firstFrameSeen = false;
    TFrameInfo firstFrame;
    GstElement* source = nullptr;
    bool error = false;
    bool errorFromSource = false;

    bool Complete() const {
        if (!noMorePads) return false;
        if (interleaved && !interleavedDone) return false;
        for (const auto& b : branches)
            if (!b->done) return false;
        return true;
    }
};

bool IsDvCaps(const GstCaps* caps, bool& systemStream) {
    if (!caps || gst_caps_get_size(caps) == 0) return false;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    if (!gst_structure_has_name(s, "video/x-dv")) return false;
    gboolean system = FALSE;
    gst_structure_get_boolean(s, "systemstream", &system);
    systemStream = system;
    return true;
}

GstElement* Make(const char* factory) {
    return gst_element_factory_make(factory, nullptr);
}

// Errors are taken as they are posted, on the thread that posts them; no
// other message is needed.
GstBusSyncReply OnBusMessage(GstBus* /*bus*/, GstMessage* message, gpointer data) {
    auto* run = static_cast<TRun*>(data);
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        std::lock_guard lock(run->mutex);
        if (!run->error) run->errorFromSource = GST_MESSAGE_SRC(message) == GST_OBJECT(run->source);
        run->error = true;
        run->changed.notify_all();
    }
    return GST_BUS_DROP;
}

GstPadProbeReturn OnSinkData(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto* run = static_cast<TRun*>(data);
    const bool buffer = (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) != 0;
    bool eos = false;
    if (!buffer && (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM)) {
        eos = GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS;
    }
    if (!buffer && !eos) return GST_PAD_PROBE_OK;
    std::lock_guard lock(run->mutex);
    auto* branch = static_cast<TBranch*>(g_object_get_data(G_OBJECT(pad), "tavrel-branch"));
    if (branch && !branch->done) {
        branch->done = true;
        if (buffer && !branch->caps) branch->caps = gst_pad_get_current_caps(pad);
        if (branch->fromDvSplitter) {
            bool system = false;
            if (branch->caps && IsDvCaps(branch->caps, system)) run->interleavedDone = true;
        }
    }
    run->changed.notify_all();
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn OnReaderOutput(GstPad* /*pad*/, GstPadProbeInfo* info, gpointer data) {
    auto* run = static_cast<TRun*>(data);
    std::lock_guard lock(run->mutex);
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) {
        // The reader has just read this frame: its record is the first DV
        // frame's. Samples of another length pass the reader unread.
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        if (!run->firstFrameSeen) {
            // Until then nothing may preroll the sink: it would hold the
            // stream before the first DV frame has reached the reader.
            if (SequencesForLength(gst_buffer_get_size(buffer)) == 0) return GST_PAD_PROBE_DROP;
            run->firstFrame = run->detector->CurrentFrame();
            run->firstFrameSeen = true;
        }
    } else if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS) {
        run->interleavedDone = true;
    }
    run->changed.notify_all();
    return GST_PAD_PROBE_OK;
}

// queue ! [extra] ! fakesink behind a demuxer output; the sink's pad tells
// when the first sample has arrived. Returns the branch's first element.
GstElement* AddSinkBranch(TRun* run, TBranch* branch) {
    GstElement* queue = Make("queue");
    GstElement* sink = Make("fakesink");
    g_object_set(sink, "sync", FALSE, "async", TRUE, nullptr);
    gst_bin_add_many(GST_BIN(run->pipeline), queue, sink, nullptr);
    gst_element_link(queue, sink);
    GstPad* sinkPad = gst_element_get_static_pad(sink, "sink");
    g_object_set_data(G_OBJECT(sinkPad), "tavrel-branch", branch);
    gst_pad_add_probe(sinkPad,
                      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                   GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                      OnSinkData, run, nullptr);
    gst_object_unref(sinkPad);
    gst_element_sync_state_with_parent(sink);
    gst_element_sync_state_with_parent(queue);
    return queue;
}

bool LinkToElement(GstPad* pad, GstElement* element) {
    GstPad* sinkPad = gst_element_get_static_pad(element, "sink");
    const bool ok = gst_pad_link(pad, sinkPad) == GST_PAD_LINK_OK;
    gst_object_unref(sinkPad);
    return ok;
}

void OnDvSplitterPad(GstElement* /*dvdemux*/, GstPad* pad, gpointer data) {
    auto* run = static_cast<TRun*>(data);
    auto branch = std::make_unique<TBranch>();
    branch->demuxPad = GST_PAD(gst_object_ref(pad));
    branch->fromDvSplitter = true;
    TBranch* raw = branch.get();
    {
        std::lock_guard lock(run->mutex);
        run->branches.push_back(std::move(branch));
    }
    LinkToElement(pad, AddSinkBranch(run, raw));
}

// avidemux ends the stream id of each output with the stream's number in
// the file, counted from 1 ("…/001" is the first stream).
int StreamNumberOf(GstPad* pad) {
    gchar* id = gst_pad_get_stream_id(pad);
    int number = -1;
    if (id) {
        const char* slash = std::strrchr(id, '/');
        if (slash && slash[1]) {
            char* end = nullptr;
            const long n = std::strtol(slash + 1, &end, 10);
            if (end && *end == '\0' && n >= 1 && n <= 1000) number = static_cast<int>(n) - 1;
        }
        g_free(id);
    }
    return number;
}

void OnAviPad(GstElement* /*avidemux*/, GstPad* pad, gpointer data) {
    auto* run = static_cast<TRun*>(data);
    auto branch = std::make_unique<TBranch>();
    branch->demuxPad = GST_PAD(gst_object_ref(pad));
    branch->streamNumber = StreamNumberOf(pad);
    GstCaps* caps = gst_pad_get_current_caps(pad);
    bool system = false;
    const bool dv = IsDvCaps(caps, system);
    if (caps) gst_caps_unref(caps);
    TBranch* raw = branch.get();

    bool useReader = false;
    {
        std::lock_guard lock(run->mutex);
        run->branches.push_back(std::move(branch));
        // One reader: the first DV stream goes through it.
        if (dv && !run->readerTaken) {
            run->readerTaken = true;
            useReader = true;
            run->interleaved = system;
        }
    }
    if (!useReader) {
        LinkToElement(pad, AddSinkBranch(run, raw));
        return;
    }

    raw->throughReader = true;
    GstElement* queue = Make("queue");
    GstElement* reader = Make(kDvSceneDetectFactory);
    SetDvSceneDetect(reader, run->detector);
    gst_bin_add_many(GST_BIN(run->pipeline), queue, reader, nullptr);
    gst_element_link(queue, reader);
    GstPad* readerOut = gst_element_get_static_pad(reader, "src");
    gst_pad_add_probe(readerOut,
                      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                   GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                      OnReaderOutput, run, nullptr);
    if (system) {
        // Interleaved DV is opened up by dvdemux; the avidemux branch counts
        // as done when its first frame has passed the reader.
        GstElement* dvdemux = Make("dvdemux");
        gst_bin_add(GST_BIN(run->pipeline), dvdemux);
        g_signal_connect(dvdemux, "pad-added", G_CALLBACK(OnDvSplitterPad), run);
        GstPad* dvIn = gst_element_get_static_pad(dvdemux, "sink");
        gst_pad_link(readerOut, dvIn);
        gst_object_unref(dvIn);
        gst_element_sync_state_with_parent(dvdemux);
        GstPad* queueIn = gst_element_get_static_pad(queue, "sink");
        g_object_set_data(G_OBJECT(queueIn), "tavrel-branch", raw);
        gst_pad_add_probe(queueIn,
                          static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                       GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                          OnSinkData, run, nullptr);
        gst_object_unref(queueIn);
    } else {
        GstElement* sinkQueue = AddSinkBranch(run, raw);
        GstPad* sinkIn = gst_element_get_static_pad(sinkQueue, "sink");
        gst_pad_link(readerOut, sinkIn);
        gst_object_unref(sinkIn);
    }
    gst_object_unref(readerOut);
    gst_element_sync_state_with_parent(reader);
    gst_element_sync_state_with_parent(queue);
    LinkToElement(pad, queue);
}

void OnNoMorePads(GstElement* /*avidemux*/, gpointer data) {
    auto* run = static_cast<TRun*>(data);
    std::lock_guard lock(run->mutex);
    run->noMorePads = true;
    run->changed.notify_all();
}

std::int64_t DurationHns(GstPad* pad) {
    gint64 ns = -1;
    if (!gst_pad_query_duration(pad, GST_FORMAT_TIME, &ns) || ns < 0) return 0;
    return ns / 100;
}

// Format blocks of the outputs of dvdemux, which the file does not declare.
bool VideoInfoFromCaps(const GstCaps* caps, TVideoInfo& out) {
    if (!caps || gst_caps_get_size(caps) == 0) return false;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    int num = 0;
    int den = 0;
    gst_structure_get_int(s, "width", &out.Width);
    gst_structure_get_int(s, "height", &out.Height);
    if (gst_structure_get_fraction(s, "framerate", &num, &den) && num > 0 && den > 0)
        out.AvgTimePerFrameHns =
            static_cast<std::int64_t>(gst_util_uint64_scale_round(10000000, den, num));
    bool system = false;
    if (IsDvCaps(caps, system)) std::memcpy(out.Compression.data(), "dvsd", 4);
    return true;
}

bool WaveFormatFromCaps(const GstCaps* caps, TWaveFormatEx& out) {
    if (!caps || gst_caps_get_size(caps) == 0) return false;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    int rate = 0;
    int channels = 0;
    gst_structure_get_int(s, "rate", &rate);
    gst_structure_get_int(s, "channels", &channels);
    out.FormatTag = 1;  // dvdemux gives 16-bit PCM
    out.SamplesPerSec = static_cast<std::uint32_t>(rate);
    out.Channels = static_cast<std::uint16_t>(channels);
    out.BitsPerSample = 16;
    out.BlockAlign = static_cast<std::uint16_t>(channels * 2);
    out.AvgBytesPerSec = out.SamplesPerSec * out.BlockAlign;
    return true;
}

// The video info header of a video stream the file declares: its bitmap
// header, and the frame period of its stream header.
bool VideoInfoFromStream(const TAvistream& stream, TVideoInfo& out) {
    if (!stream.HasBitmapInfo()) return false;
    const TBitmapInfoHeader bih = stream.BitmapInfo();
    const TAviStreamHeader strh = stream.Header();
    out.Width = bih.Width;
    out.Height = bih.Height < 0 ? -bih.Height : bih.Height;
    const std::string fourcc = FourCCBytes(bih.Compression);
    std::memcpy(out.Compression.data(), fourcc.data(), 4);
    if (strh.Rate > 0 && strh.Scale > 0)
        out.AvgTimePerFrameHns =
            static_cast<std::int64_t>(gst_util_uint64_scale_round(10000000, strh.Scale, strh.Rate));
    return true;
}

void SetDvBitRate(TVideoInfo& v) {
    // 25 Mbit/s DV: one whole frame every frame period.
    if (v.AvgTimePerFrameHns <= 0) return;
    const std::uint64_t frameBytes = v.Height == 480 ? kFrameSize525 : kFrameSize625;
    v.BitRate = static_cast<std::uint32_t>(frameBytes * 8 * 10000000 / v.AvgTimePerFrameHns);
}

bool CapsKind(const GstCaps* caps, const char* prefix) {
    if (!caps || gst_caps_get_size(caps) == 0) return false;
    const char* name = gst_structure_get_name(gst_caps_get_structure(caps, 0));
    return std::strncmp(name, prefix, std::strlen(prefix)) == 0;
}

}  // namespace

TdmList::TdmList() : m_detector(std::make_shared<Tdv_sceneDetect>()) {}
TdmList::~TdmList() = default;

bool TdmList::AnalyseStreams(const QString& path) {
    return AnalyseStreamsPatched(path, {});
}

bool TdmList::AnalyseStreamsPatched(const QString& path, const std::vector<TBytePatch>& patches) {
    TMediaAnalysis& a = m_analysis;
    a.HasVideo = a.HasAudio = a.HasInterleaved = a.DvFound = false;
    a.VideoDuration = a.AudioDuration = 0;
    a.StreamCount = 0;
    a.VideoInfo = {};
    a.WaveFormat = {};
    a.DvInfo = {};

    {
        QFile probe(path);
        if (!probe.open(QIODevice::ReadOnly)) return false;
    }
    if (!RegisterOwnElements()) return false;

    TRun run;
    run.detector = m_detector;
    run.pipeline = gst_pipeline_new("listfg");
    GstElement* source = Make(patches.empty() ? "filesrc" : kPatchedFileSrcFactory);
    GstElement* avidemux = Make("avidemux");
    if (!run.pipeline || !source || !avidemux) {
        if (run.pipeline) gst_object_unref(run.pipeline);
        return false;
    }
    const QByteArray location = QFile::encodeName(path);
    if (patches.empty())
        g_object_set(source, "location", location.constData(), nullptr);
    else
        SetPatchedFile(source, location.toStdString(), patches);
    gst_bin_add_many(GST_BIN(run.pipeline), source, avidemux, nullptr);
    gst_element_link(source, avidemux);
    g_signal_connect(avidemux, "pad-added", G_CALLBACK(OnAviPad), &run);
    g_signal_connect(avidemux, "no-more-pads", G_CALLBACK(OnNoMorePads), &run);

    run.source = source;
    GstBus* bus = gst_element_get_bus(run.pipeline);
    gst_bus_set_sync_handler(bus, OnBusMessage, &run, nullptr);
    gst_element_set_state(run.pipeline, GST_STATE_PAUSED);

    // Wait for the first sample of every stream, an error or the time-out.
    bool failed = false;
    {
        std::unique_lock lock(run.mutex);
        run.changed.wait_for(lock, std::chrono::milliseconds(m_timeoutMs),
                             [&] { return run.Complete() || run.error; });
        // A file avidemux does not take simply has no streams; one the
        // source cannot read is a failure.
        failed = run.error && run.errorFromSource;
    }

    std::vector<TBranch*> aviOutputs;
    std::vector<TBranch*> dvOutputs;
    bool firstFrameSeen = false;
    TFrameInfo firstFrame;
    {
        std::lock_guard lock(run.mutex);
        for (const auto& b : run.branches)
            (b->fromDvSplitter ? dvOutputs : aviOutputs).push_back(b.get());
        firstFrameSeen = run.firstFrameSeen;
        firstFrame = run.firstFrame;
        for (TBranch* b : aviOutputs)
            if (!b->caps) b->caps = gst_pad_get_current_caps(b->demuxPad);
        for (TBranch* b : dvOutputs)
            if (!b->caps) b->caps = gst_pad_get_current_caps(b->demuxPad);
    }
    std::vector<std::int64_t> durations;
    for (TBranch* b : aviOutputs) durations.push_back(DurationHns(b->demuxPad));

    gst_element_set_state(run.pipeline, GST_STATE_NULL);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);

    bool ok = !failed;
    if (ok) {
        const TFriendlyAviParam avi(location.toStdString());
        const auto& declared = avi.Streams();
        a.StreamCount = static_cast<std::int32_t>(aviOutputs.size());
        for (std::size_t i = 0; i < aviOutputs.size(); ++i) {
            TBranch* b = aviOutputs[i];
            const std::int64_t d = durations[i];
            const TAvistream* stream =
                b->streamNumber >= 0 && static_cast<std::size_t>(b->streamNumber) < declared.size()
                    ? &declared[b->streamNumber]
                    : nullptr;
            const TFourCC type = stream ? stream->FourccType() : 0;
            bool system = false;
            const bool dv = IsDvCaps(b->caps, system);
            if (type == MakeFourCC('i', 'a', 'v', 's') && !(dv && system)) {
                // An interleaved DV stream under a codec GStreamer does not
                // take as DV: the caller may retry under "dvsd".
                ok = false;
                break;
            }
            if (b->throughReader) {
                a.DvFound = true;
                if (firstFrameSeen) {
                    a.HasDatecode = firstFrame.HasDatecode;
                    a.Datecode = firstFrame.Datecode;
                    a.HasTimecode = firstFrame.HasTimecode;
                    a.Timecode = firstFrame.Timecode;
                    a.Is16x9 = firstFrame.Is16x9;
                }
            }
            const bool video = stream ? type == MakeFourCC('v', 'i', 'd', 's')
                                      : CapsKind(b->caps, "video/") && !(dv && system);
            const bool audio =
                stream ? type == MakeFourCC('a', 'u', 'd', 's') : CapsKind(b->caps, "audio/");
            const bool interleaved = stream ? type == MakeFourCC('i', 'a', 'v', 's') : dv && system;
            if (!a.HasVideo && video) {
                a.HasVideo = stream ? VideoInfoFromStream(*stream, a.VideoInfo)
                                    : VideoInfoFromCaps(b->caps, a.VideoInfo);
                if (a.HasVideo) {
                    if (dv) SetDvBitRate(a.VideoInfo);
                    a.VideoDuration = d;
                }
            } else if (!a.HasAudio && audio) {
                // A plain PCM format of 16 bytes lacks only the size of its
                // extension: it is a wave format all the same.
                if (stream && stream->Format().size() >= 16) {
                    a.WaveFormat = stream->WaveFormat();
                    a.HasAudio = true;
                } else if (!stream) {
                    a.HasAudio = WaveFormatFromCaps(b->caps, a.WaveFormat);
                }
                if (a.HasAudio) a.AudioDuration = d;
            } else if (!a.HasInterleaved && interleaved) {
                if (stream && stream->Format().size() >= 32) {
                    a.DvInfo = TDvInfo::Decode(stream->Format());
                    a.HasInterleaved = true;
                    a.VideoDuration = a.AudioDuration = d;
                }
                for (TBranch* o : dvOutputs) {
                    if (!a.HasVideo && CapsKind(o->caps, "video/")) {
                        a.HasVideo = VideoInfoFromCaps(o->caps, a.VideoInfo);
                        SetDvBitRate(a.VideoInfo);
                        a.VideoDuration = d;
                    } else if (!a.HasAudio && CapsKind(o->caps, "audio/")) {
                        a.HasAudio = WaveFormatFromCaps(o->caps, a.WaveFormat);
                        a.AudioDuration = d;
                    }
                }
            }
        }
    }
    gst_object_unref(run.pipeline);
    return ok;
}

TdmList& FileAnalysis() {
    static TdmList analysis;
    return analysis;
}

std::recursive_mutex& AnalysisLock() {
    static std::recursive_mutex lock;
    return lock;
}

}  // namespace tavrel
