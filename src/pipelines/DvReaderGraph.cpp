#include "pipelines/DvReaderGraph.h"

#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <mutex>
#include <vector>

#include "avi/AviParam.h"
#include "avi/AviPatch.h"
#include "filters/gst/GstDvSceneDetect.h"
#include "filters/gst/GstPatchedFileSrc.h"
#include "filters/gst/OwnElements.h"
#include "pipelines/BytePatch.h"
#include "pipelines/GstPipelineRun.h"

namespace tavrel {

struct TDvReaderLinks {
    std::mutex mutex;
    GstPad* readerSink = nullptr;  // owned reference
    GstPad* linkedPad = nullptr;   // owned reference: the avidemux output taken
    bool noMorePads = false;
    bool held = false;      // the first buffer, or the end of the stream, waits at the reader
    bool stopping = false;  // the run is being stopped: no end of stream passes
    gulong gate = 0;
    GstBus* bus = nullptr;  // owned reference: wakes the opening up when the links change

    void Wake(GstObject* from) {
        if (bus)
            gst_bus_post(bus, gst_message_new_application(from, gst_structure_new_empty(kWake)));
    }
    static constexpr const char* kWake = "tavrel-links-changed";

    ~TDvReaderLinks() {
        if (bus) gst_object_unref(bus);
        if (readerSink) gst_object_unref(readerSink);
        if (linkedPad) gst_object_unref(linkedPad);
    }
};

namespace {

void OnAviPad(GstElement* /*avidemux*/, GstPad* pad, gpointer data) {
    auto* links = static_cast<TDvReaderLinks*>(data);
    std::lock_guard lock(links->mutex);
    if (links->linkedPad) return;
    // The first output whose caps the reader takes; the link fails for the
    // others (sound, video of another codec).
    if (gst_pad_link(pad, links->readerSink) == GST_PAD_LINK_OK)
        links->linkedPad = GST_PAD(gst_object_ref(pad));
}

void OnNoMorePads(GstElement* avidemux, gpointer data) {
    auto* links = static_cast<TDvReaderLinks*>(data);
    std::lock_guard lock(links->mutex);
    links->noMorePads = true;
    links->Wake(GST_OBJECT(avidemux));
}

// Holds the first buffer (or an end of stream that comes first) at the
// reader's input; the events that set the stream up pass.
GstPadProbeReturn OnGate(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) != GST_EVENT_EOS)
            return GST_PAD_PROBE_PASS;
    }
    auto* links = static_cast<TDvReaderLinks*>(data);
    std::lock_guard lock(links->mutex);
    links->held = true;
    links->Wake(GST_OBJECT(pad));
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn OnReaderEvent(GstPad* /*pad*/, GstPadProbeInfo* info, gpointer data) {
    if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) != GST_EVENT_EOS) return GST_PAD_PROBE_OK;
    auto* links = static_cast<TDvReaderLinks*>(data);
    std::lock_guard lock(links->mutex);
    return links->stopping ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
}

QString Quoted(const QString& path) {
    return QStringLiteral("« %1 »").arg(QFileInfo(path).fileName());
}

// Whether the file declares an interleaved DV stream: GStreamer may not take
// it under the codec the file gives it.
bool DeclaresInterleavedDv(const QString& path) {
    const TFriendlyAviParam avi(QFile::encodeName(path).toStdString());
    for (const TAvistream& stream : avi.Streams())
        if (stream.FourccType() == MakeFourCC('i', 'a', 'v', 's')) return true;
    return false;
}

std::vector<TBytePatch> DvsdPatches(const QString& path) {
    const std::filesystem::path file(QFile::encodeName(path).toStdString());
    if (ReadAviCodec(file) == kFccDvsd) return {};
    const TAviHeaderPositions where = ScanAviHeaders(file);
    std::vector<TBytePatch> patches;
    if (where.CodecPos < 0) return patches;
    for (std::int64_t pos : {where.CodecPos, where.CompressionPos})
        if (pos >= 0) patches.push_back({static_cast<std::uint64_t>(pos), {'d', 'v', 's', 'd'}});
    return patches;
}

enum class TOpenOutcome { Ready, NoDv, Failed };

TOpenOutcome OpenOnce(const QString& path, const std::vector<TBytePatch>& patches,
                      const std::shared_ptr<Tdv_sceneDetect>& detector,
                      const TDvReaderOptions& options, TDvReaderGraph& graph) {
    GstElement* pipeline = gst_pipeline_new(nullptr);
    GstElement* source = MakeElement(patches.empty() ? "filesrc" : kPatchedFileSrcFactory);
    GstElement* avidemux = MakeElement("avidemux");
    GstElement* reader = MakeElement(kDvSceneDetectFactory, "scenedetect");
    if (!pipeline || !source || !avidemux || !reader) {
        for (GstElement* e : {pipeline, source, avidemux, reader})
            if (e) gst_object_unref(gst_object_ref_sink(e));
        graph.Error = QStringLiteral(
            "Les éléments GStreamer de lecture des fichiers AVI sont introuvables (paquet "
            "gstreamer1.0-plugins-good)");
        return TOpenOutcome::Failed;
    }
    gst_object_ref_sink(pipeline);
    graph.Pipeline = pipeline;
    graph.Reader = reader;
    graph.Links = std::make_shared<TDvReaderLinks>();
    TDvReaderLinks* links = graph.Links.get();

    const QByteArray location = QFile::encodeName(path);
    if (patches.empty())
        g_object_set(source, "location", location.constData(), nullptr);
    else
        SetPatchedFile(source, location.toStdString(), patches);
    SetDvSceneDetect(reader, detector);
    gst_bin_add_many(GST_BIN(pipeline), source, avidemux, reader, nullptr);
    links->readerSink = gst_element_get_static_pad(reader, "sink");
    links->bus = gst_element_get_bus(pipeline);
    if (!gst_element_link(source, avidemux) ||
        (options.Tail && !options.Tail(GST_BIN(pipeline), reader))) {
        graph.Error = QStringLiteral("Le pipeline de lecture de %1 n'a pas pu être construit")
                          .arg(Quoted(path));
        return TOpenOutcome::Failed;
    }
    g_signal_connect(avidemux, "pad-added", G_CALLBACK(OnAviPad), links);
    g_signal_connect(avidemux, "no-more-pads", G_CALLBACK(OnNoMorePads), links);
    gst_pad_add_probe(links->readerSink, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, OnReaderEvent, links,
                      nullptr);
    if (options.HoldAtReader)
        links->gate = gst_pad_add_probe(
            links->readerSink,
            static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BLOCK | GST_PAD_PROBE_TYPE_BUFFER |
                                         GST_PAD_PROBE_TYPE_BUFFER_LIST |
                                         GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
            OnGate, links, nullptr);

    const GstStateChangeReturn change = gst_element_set_state(pipeline, GST_STATE_PAUSED);
    bool prerolled = change == GST_STATE_CHANGE_SUCCESS || change == GST_STATE_CHANGE_NO_PREROLL;
    GstBus* bus = gst_element_get_bus(pipeline);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(options.TimeoutMs);
    TOpenOutcome outcome = TOpenOutcome::Failed;
    for (;;) {
        bool noDv = false;
        bool ready = false;
        {
            std::lock_guard lock(links->mutex);
            noDv = links->noMorePads && !links->linkedPad;
            ready = links->linkedPad && (options.HoldAtReader ? links->held : prerolled);
        }
        if (noDv) {
            graph.Error =
                QStringLiteral("Le fichier %1 ne contient aucun flux vidéo DV").arg(Quoted(path));
            outcome = TOpenOutcome::NoDv;
            graph.FileRefused = true;
            break;
        }
        if (ready) {
            outcome = TOpenOutcome::Ready;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            graph.Error = QStringLiteral("La lecture du fichier %1 n'a pas commencé à temps")
                              .arg(Quoted(path));
            break;
        }
        GstMessage* message = gst_bus_timed_pop_filtered(
            bus, 100 * GST_MSECOND,
            static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_ASYNC_DONE |
                                        GST_MESSAGE_APPLICATION));
        if (!message) continue;
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_APPLICATION) {
            gst_message_unref(message);
            continue;
        }
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ASYNC_DONE) {
            if (GST_MESSAGE_SRC(message) == GST_OBJECT(pipeline)) prerolled = true;
            gst_message_unref(message);
            continue;
        }
        // An avidemux that gave no output the reader takes stops with an
        // error of its own: say what is missing rather than how it ended.
        {
            std::lock_guard lock(links->mutex);
            if (links->noMorePads && !links->linkedPad) {
                gst_message_unref(message);
                continue;
            }
        }
        // avidemux says no more than that it stopped: its reason is the file.
        const QString detail = FrenchGstErrorMessage(message);
        graph.FileRefused = GST_MESSAGE_SRC(message) == GST_OBJECT(avidemux) ||
                            GST_MESSAGE_SRC(message) == GST_OBJECT(source);
        if (GST_MESSAGE_SRC(message) == GST_OBJECT(avidemux))
            graph.Error =
                QStringLiteral("Le fichier %1 n'est pas une vidéo AVI lisible").arg(Quoted(path));
        else
            graph.Error =
                QStringLiteral("Impossible de lire le fichier %1 : %2").arg(Quoted(path), detail);
        gst_message_unref(message);
        break;
    }
    gst_object_unref(bus);
    return outcome;
}

}  // namespace

GstElement* MakeElement(const char* factory, const char* name) {
    return gst_element_factory_make(factory, name);
}

TDvReaderGraph::TDvReaderGraph(TDvReaderGraph&& other) noexcept {
    *this = std::move(other);
}

TDvReaderGraph& TDvReaderGraph::operator=(TDvReaderGraph&& other) noexcept {
    if (this != &other) {
        std::swap(Pipeline, other.Pipeline);
        std::swap(Reader, other.Reader);
        std::swap(Links, other.Links);
        std::swap(Error, other.Error);
    }
    return *this;
}

TDvReaderGraph::~TDvReaderGraph() {
    if (Pipeline) {
        gst_element_set_state(Pipeline, GST_STATE_NULL);
        gst_object_unref(Pipeline);
    }
    Links.reset();  // after the pipeline: its handlers point into it
}

GstElement* TDvReaderGraph::TakePipeline() {
    GstElement* pipeline = Pipeline;
    Pipeline = nullptr;
    return pipeline;
}

void TDvReaderGraph::ReleaseHold() {
    if (!Links) return;
    std::lock_guard lock(Links->mutex);
    if (Links->gate && Links->readerSink) gst_pad_remove_probe(Links->readerSink, Links->gate);
    Links->gate = 0;
}

void TDvReaderGraph::BlockEndOfStream() {
    if (!Links) return;
    std::lock_guard lock(Links->mutex);
    Links->stopping = true;
}

GstPad* TDvReaderGraph::ReaderInputPad() const {
    if (!Links) return nullptr;
    std::lock_guard lock(Links->mutex);
    return Links->linkedPad ? GST_PAD(gst_object_ref(Links->linkedPad)) : nullptr;
}

GstCaps* TDvReaderGraph::ReaderInputCaps() const {
    if (!Links) return nullptr;
    std::lock_guard lock(Links->mutex);
    return Links->linkedPad ? gst_pad_get_current_caps(Links->linkedPad) : nullptr;
}

TDvReaderGraph OpenDvReaderGraph(const QString& path, std::shared_ptr<Tdv_sceneDetect> detector,
                                 const TDvReaderOptions& options) {
    TDvReaderGraph graph;
    {
        QFile probe(path);
        if (path.isEmpty() || !probe.open(QIODevice::ReadOnly)) {
            graph.Error = QStringLiteral("Impossible d'ouvrir le fichier %1").arg(Quoted(path));
            graph.FileRefused = true;
            return graph;
        }
    }
    if (!RegisterOwnElements()) {
        graph.Error = QStringLiteral("GStreamer n'a pas pu être initialisé");
        return graph;
    }
    const TOpenOutcome outcome = OpenOnce(path, {}, detector, options, graph);
    if (outcome == TOpenOutcome::Ready) return graph;
    if (outcome == TOpenOutcome::NoDv && DeclaresInterleavedDv(path)) {
        const std::vector<TBytePatch> patches = DvsdPatches(path);
        if (!patches.empty()) {
            TDvReaderGraph retry;
            if (OpenOnce(path, patches, detector, options, retry) == TOpenOutcome::Ready)
                return retry;
        }
    }
    TDvReaderGraph failed;
    failed.Error = graph.Error;
    failed.FileRefused = graph.FileRefused;
    return failed;  // graph's pipeline is stopped and dropped here
}

}  // namespace tavrel
