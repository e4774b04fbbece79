#include "pipelines/ConversionPipelines.h"

#include "pipelines/DvReaderGraph.h"
#include "pipelines/FramePositioner.h"
#include "pipelines/GstPipelineRun.h"

namespace tavrel {

namespace {

// reader -> fakesink: the scans only read the frames.
bool AddNullSink(GstBin* bin, GstElement* reader) {
    GstElement* sink = MakeElement("fakesink", "nullrender");
    if (!sink) return false;
    // No last sample: nothing keeps a frame once it has been read.
    g_object_set(sink, "sync", FALSE, "enable-last-sample", FALSE, "qos", FALSE, nullptr);
    gst_bin_add(bin, sink);
    return gst_element_link(reader, sink);
}

}  // namespace

TCdm::TCdm()
    : m_sceneDetect(std::make_shared<Tdv_sceneDetect>()),
      m_buildGeneration(std::make_shared<std::atomic<std::uint64_t>>(0)) {}

TCdm::~TCdm() = default;

std::unique_ptr<TPipelineRun> TCdm::BuildScnByDate(const QString& source, QString* error) {
    return BuildReaderScan(source, error);
}

std::unique_ptr<TPipelineRun> TCdm::BuildSrt(const QString& source, QString* error) {
    return BuildReaderScan(source, error);
}

std::unique_ptr<TPipelineRun> TCdm::BuildReaderScan(const QString& source, QString* error) {
    const std::uint64_t generation = ++*m_buildGeneration;
    TDvReaderOptions options;
    options.Tail = AddNullSink;
    options.HoldAtReader = true;
    options.TimeoutMs = m_openTimeoutMs;
    auto graph =
        std::make_shared<TDvReaderGraph>(OpenDvReaderGraph(source, m_sceneDetect, options));
    if (!graph->Pipeline) {
        if (error) *error = graph->Error;
        return nullptr;
    }
    if (error) error->clear();

    GstElement* pipeline = graph->TakePipeline();
    auto run = std::make_unique<TGstPipelineRun>(pipeline, graph);
    gst_object_unref(pipeline);  // the run holds its own reference
    run->SetOnPlay([graph] { graph->ReleaseHold(); });
    // An interrupted run reports no end of stream: the command's writers see
    // a stream that was not read to its end, and the stop releases them.
    run->SetOnStop([graph] { graph->BlockEndOfStream(); });
    run->SetOnFinish([detector = m_sceneDetect, builds = m_buildGeneration, generation] {
        if (builds->load() != generation) return;
        detector->OnScene = nullptr;
        detector->OnEndOfStream = nullptr;
        detector->SetDisplayCallback(nullptr);
    });
    return run;
}

TCdm& ConversionModule() {
    static TCdm module;
    return module;
}

std::unique_ptr<TScenePositioner> MakeFramePositioner(const QString& videoPath, int timeoutMs) {
    return TGstFramePositioner::Open(videoPath, timeoutMs);
}

}  // namespace tavrel
