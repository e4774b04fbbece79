#include "pipelines/GstPipelineRun.h"

#include <cstring>

namespace tavrel {

namespace {

// The application message that wakes the bus thread when the run stops.
constexpr const char* kStopWatch = "tavrel-stop-watch";

QString ResourceSentence(int code) {
    switch (code) {
        case GST_RESOURCE_ERROR_NOT_FOUND:
            return QStringLiteral("Le fichier est introuvable");
        case GST_RESOURCE_ERROR_OPEN_READ:
        case GST_RESOURCE_ERROR_OPEN_READ_WRITE:
            return QStringLiteral("Impossible d'ouvrir le fichier");
        case GST_RESOURCE_ERROR_READ:
        case GST_RESOURCE_ERROR_SEEK:
            return QStringLiteral("Erreur de lecture du fichier");
        case GST_RESOURCE_ERROR_OPEN_WRITE:
        case GST_RESOURCE_ERROR_WRITE:
        case GST_RESOURCE_ERROR_CLOSE:
            return QStringLiteral("Erreur d'écriture du fichier");
        case GST_RESOURCE_ERROR_NO_SPACE_LEFT:
            return QStringLiteral("Il ne reste plus de place sur le disque");
        case GST_RESOURCE_ERROR_NOT_AUTHORIZED:
            return QStringLiteral("Accès au fichier refusé");
        default:
            return QStringLiteral("Erreur d'accès au fichier");
    }
}

QString StreamSentence(int code) {
    switch (code) {
        case GST_STREAM_ERROR_TYPE_NOT_FOUND:
        case GST_STREAM_ERROR_WRONG_TYPE:
            return QStringLiteral("Le format du fichier n'est pas reconnu");
        case GST_STREAM_ERROR_DEMUX:
        case GST_STREAM_ERROR_FORMAT:
            return QStringLiteral("Le fichier AVI est endommagé ou illisible");
        case GST_STREAM_ERROR_DECODE:
            return QStringLiteral("Erreur de décodage de la vidéo");
        case GST_STREAM_ERROR_ENCODE:
            return QStringLiteral("Erreur d'encodage de la vidéo");
        case GST_STREAM_ERROR_CODEC_NOT_FOUND:
            return QStringLiteral("Aucun décodeur n'est disponible pour ce flux");
        case GST_STREAM_ERROR_MUX:
            return QStringLiteral("Erreur d'écriture du fichier AVI");
        default:
            return QStringLiteral("Le flux vidéo n'a pas pu être lu jusqu'au bout");
    }
}

}  // namespace

QString FrenchGstError(const GError* error, const QString& elementName) {
    if (!error) return QStringLiteral("Erreur inconnue du pipeline GStreamer");
    QString sentence;
    if (error->domain == GST_RESOURCE_ERROR)
        sentence = ResourceSentence(error->code);
    else if (error->domain == GST_STREAM_ERROR)
        sentence = StreamSentence(error->code);
    else
        sentence = QStringLiteral("Erreur interne du pipeline GStreamer");
    const QString detail = QString::fromUtf8(error->message ? error->message : "");
    if (detail.isEmpty()) return sentence;
    if (elementName.isEmpty()) return QStringLiteral("%1 (%2)").arg(sentence, detail);
    return QStringLiteral("%1 (%2 : %3)").arg(sentence, elementName, detail);
}

QString FrenchGstErrorMessage(GstMessage* message) {
    if (!message || GST_MESSAGE_TYPE(message) != GST_MESSAGE_ERROR) return {};
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    const QString source = GST_MESSAGE_SRC(message)
                               ? QString::fromUtf8(GST_OBJECT_NAME(GST_MESSAGE_SRC(message)))
                               : QString();
    const QString text = FrenchGstError(error, source);
    if (error) g_error_free(error);
    return text;
}

TGstPipelineRun::TGstPipelineRun(GstElement* pipeline, std::shared_ptr<void> keepAlive)
    : m_pipeline(pipeline), m_keepAlive(std::move(keepAlive)) {
    if (m_pipeline) gst_object_ref_sink(m_pipeline);
}

TGstPipelineRun::~TGstPipelineRun() {
    Stop();
    if (m_pipeline) {
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
        gst_object_unref(m_pipeline);
        m_pipeline = nullptr;
    }
    m_keepAlive.reset();
}

std::int64_t TGstPipelineRun::DurationHns() {
    gint64 ns = -1;
    if (!m_pipeline || !gst_element_query_duration(m_pipeline, GST_FORMAT_TIME, &ns) || ns < 0)
        return 0;
    return ns / 100;
}

std::int64_t TGstPipelineRun::PositionHns() {
    gint64 ns = -1;
    if (m_pipeline && gst_element_query_position(m_pipeline, GST_FORMAT_TIME, &ns) && ns >= 0)
        m_lastPositionHns.store(ns / 100);
    return m_lastPositionHns.load();
}

void TGstPipelineRun::RemoveClock() {
    if (!m_pipeline) return;
    gst_pipeline_use_clock(GST_PIPELINE(m_pipeline), nullptr);
    GstIterator* it = gst_bin_iterate_recurse(GST_BIN(m_pipeline));
    GValue item = G_VALUE_INIT;
    bool more = true;
    while (more) {
        switch (gst_iterator_next(it, &item)) {
            case GST_ITERATOR_OK: {
                auto* element = GST_ELEMENT(g_value_get_object(&item));
                if (GST_OBJECT_FLAG_IS_SET(element, GST_ELEMENT_FLAG_SINK) &&
                    g_object_class_find_property(G_OBJECT_GET_CLASS(element), "sync"))
                    g_object_set(element, "sync", FALSE, nullptr);
                g_value_reset(&item);
                break;
            }
            case GST_ITERATOR_RESYNC:
                gst_iterator_resync(it);
                break;
            default:
                more = false;
                break;
        }
    }
    g_value_unset(&item);
    gst_iterator_free(it);
}

void TGstPipelineRun::SetOnPlay(std::function<void()> onPlay) {
    std::lock_guard lock(m_mutex);
    m_onPlay = std::move(onPlay);
}

void TGstPipelineRun::SetOnStop(std::function<void()> onStop) {
    std::lock_guard lock(m_mutex);
    m_onStop = std::move(onStop);
}

void TGstPipelineRun::SetOnFinish(std::function<void()> onFinish) {
    std::lock_guard lock(m_mutex);
    m_onFinish = std::move(onFinish);
}

void TGstPipelineRun::DropOnFinish() {
    std::lock_guard lock(m_mutex);
    m_onFinish = nullptr;
}

bool TGstPipelineRun::Start(std::function<void()> done) {
    std::function<void()> onPlay;
    {
        std::lock_guard lock(m_mutex);
        if (!m_pipeline || m_started || m_stopped) return false;
        m_started = true;
        m_done = std::move(done);
        onPlay = std::move(m_onPlay);
    }
    // The bus keeps what the pipeline posts while it goes to PLAYING; the
    // watch is started only once it is known to play, so that a refusal is
    // reported by the result alone.
    if (gst_element_set_state(m_pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        GstBus* bus = gst_element_get_bus(m_pipeline);
        while (GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
            RecordError(message);
            gst_message_unref(message);
        }
        gst_object_unref(bus);
        std::lock_guard lock(m_mutex);
        if (m_error.isEmpty()) m_error = QStringLiteral("Le pipeline GStreamer refuse de démarrer");
        m_done = nullptr;
        return false;
    }
    {
        std::lock_guard lock(m_mutex);
        m_busThread =
            std::thread(&TGstPipelineRun::WatchBus, this, gst_element_get_bus(m_pipeline));
    }
    if (onPlay) onPlay();
    return true;
}

void TGstPipelineRun::WatchBus(GstBus* bus) {
    const auto types =
        static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_EOS | GST_MESSAGE_APPLICATION);
    for (;;) {
        GstMessage* message = gst_bus_timed_pop_filtered(bus, 100 * GST_MSECOND, types);
        if (!message) {
            std::lock_guard lock(m_mutex);
            if (m_stopped) break;
            continue;
        }
        const GstMessageType type = GST_MESSAGE_TYPE(message);
        if (type == GST_MESSAGE_APPLICATION) {
            const GstStructure* s = gst_message_get_structure(message);
            const bool stop = s && gst_structure_has_name(s, kStopWatch);
            gst_message_unref(message);
            if (stop) break;
            continue;
        }
        if (type == GST_MESSAGE_ERROR) RecordError(message);
        gst_message_unref(message);
        std::function<void()> done;
        {
            std::lock_guard lock(m_mutex);
            done = std::move(m_done);
            m_done = nullptr;
        }
        if (done) done();
        break;
    }
    gst_object_unref(bus);
}

void TGstPipelineRun::RecordError(GstMessage* message) {
    const QString text = FrenchGstErrorMessage(message);
    std::lock_guard lock(m_mutex);
    if (m_error.isEmpty()) m_error = text;
}

void TGstPipelineRun::Stop() {
    std::lock_guard stopLock(m_stopMutex);
    std::thread busThread;
    std::function<void()> onStop;
    {
        std::lock_guard lock(m_mutex);
        if (m_stopped) return;
        m_stopped = true;
        busThread = std::move(m_busThread);
        if (m_started) onStop = std::move(m_onStop);
        m_onStop = nullptr;
    }
    if (onStop) onStop();
    PositionHns();  // the last position stays readable after the stop
    if (busThread.joinable()) {
        // Before the NULL state: a pipeline going to NULL flushes its bus.
        GstBus* bus = gst_element_get_bus(m_pipeline);
        gst_bus_post(bus,
                     gst_message_new_application(nullptr, gst_structure_new_empty(kStopWatch)));
        gst_object_unref(bus);
        busThread.join();
    }
    if (m_pipeline) gst_element_set_state(m_pipeline, GST_STATE_NULL);
    Finish();
}

void TGstPipelineRun::Finish() {
    std::function<void()> onFinish;
    {
        std::lock_guard lock(m_mutex);
        onFinish = std::move(m_onFinish);
        m_onFinish = nullptr;
        m_done = nullptr;
    }
    if (onFinish) onFinish();
}

QString TGstPipelineRun::ErrorText() {
    std::lock_guard lock(m_mutex);
    return m_error;
}

}  // namespace tavrel
