#pragma once
// The conversion module: the pipelines that commands run over a video, and
// the datecode reader they share. A command sets the reader's hooks (scene
// found, display lines, end of stream) before its run; each builder starts
// from a clean pipeline and clears nothing the command has set for it.

#include <QString>
#include <memory>

#include "commands/PipelineRun.h"
#include "dv/DvSceneDetect.h"
#include "scenes/ScenePositioner.h"

namespace tavrel {

class TCdm {
public:
    TCdm();
    ~TCdm();
    TCdm(const TCdm&) = delete;
    TCdm& operator=(const TCdm&) = delete;

    // The datecode reader of the conversion pipelines, kept across runs.
    const std::shared_ptr<Tdv_sceneDetect>& SceneDetect() const { return m_sceneDetect; }

    // source -> avidemux -> (the first stream the reader accepts) reader ->
    // fakesink. Nothing when the file has no DV stream or cannot be read;
    // error then says why, in French.
    std::unique_ptr<TPipelineRun> BuildScnByDate(const QString& source, QString* error = nullptr);
    std::unique_ptr<TPipelineRun> BuildSrt(const QString& source, QString* error = nullptr);

private:
    std::shared_ptr<Tdv_sceneDetect> m_sceneDetect;
};

// The conversion module of the process.
TCdm& ConversionModule();

// Positions a video on frames for scene details: a paused pipeline over the
// file, the frame sought exactly and passed through a datecode reader of its
// own. Nothing when the file cannot be opened.
std::unique_ptr<TScenePositioner> MakeFramePositioner(const QString& videoPath);

}  // namespace tavrel
