#pragma once
// The head shared by the conversion module's pipelines: a file source,
// avidemux, and the first output of avidemux that the datecode reader takes
// (DV video or interleaved DV) linked to a reader element; the other outputs
// stay unlinked (avidemux goes on while one of them is linked). The caller
// adds what follows the reader. The pipeline is brought to PAUSED and either
// held at the reader's input (nothing reaches the reader until the hold is
// released) or prerolled.
//
// A DV stream that GStreamer does not take under the codec the file declares
// is opened again as if the file declared "dvsd", as the file analysis does;
// the file itself is only read.

#include <gst/gst.h>

#include <QString>
#include <functional>
#include <memory>

#include "dv/DvSceneDetect.h"

namespace tavrel {

struct TDvReaderLinks;

struct TDvReaderGraph {
    GstElement* Pipeline = nullptr;         // owned reference; null when opening failed
    GstElement* Reader = nullptr;           // the reader element, owned by the pipeline
    std::shared_ptr<TDvReaderLinks> Links;  // what the pipeline's handlers use
    QString Error;                          // French, when opening failed
    // The opening failed because of the file: it cannot be read, is not an
    // AVI file GStreamer reads, or holds no DV stream.
    bool FileRefused = false;

    TDvReaderGraph() = default;
    TDvReaderGraph(TDvReaderGraph&& other) noexcept;
    TDvReaderGraph& operator=(TDvReaderGraph&& other) noexcept;
    TDvReaderGraph(const TDvReaderGraph&) = delete;
    TDvReaderGraph& operator=(const TDvReaderGraph&) = delete;
    ~TDvReaderGraph();  // sets a pipeline still held here to NULL and drops it

    // Hands the pipeline over (the caller then owns the reference).
    GstElement* TakePipeline();
    // Lets the stream held at the reader's input go on; once.
    void ReleaseHold();
    // From now on no end of stream reaches the reader: a pipeline being
    // stopped midway may send one as its pads go down, and the reader would
    // report a stream read to its end.
    void BlockEndOfStream();
    // The avidemux output linked to the reader, and its caps; references
    // owned by the caller.
    GstPad* ReaderInputPad() const;
    GstCaps* ReaderInputCaps() const;
};

struct TDvReaderOptions {
    // Adds the elements after the reader to the bin and links them; false
    // when that fails.
    std::function<bool(GstBin* bin, GstElement* reader)> Tail;
    // Hold the stream at the reader's input (true) or preroll (false).
    bool HoldAtReader = true;
    int TimeoutMs = 10000;
};

// Opens the file; on failure Pipeline is null and Error says why.
TDvReaderGraph OpenDvReaderGraph(const QString& path, std::shared_ptr<Tdv_sceneDetect> detector,
                                 const TDvReaderOptions& options);

GstElement* MakeElement(const char* factory, const char* name = nullptr);

}  // namespace tavrel
