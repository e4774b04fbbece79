#include "pipelines/ConversionPipelines.h"

namespace tavrel {

TCdm::TCdm() : m_sceneDetect(std::make_shared<Tdv_sceneDetect>()) {}
TCdm::~TCdm() = default;

std::unique_ptr<TPipelineRun> TCdm::BuildScnByDate(const QString& /*source*/, QString* error) {
    if (error) *error = QStringLiteral("Pipeline non disponible");
    return nullptr;
}

std::unique_ptr<TPipelineRun> TCdm::BuildSrt(const QString& /*source*/, QString* error) {
    if (error) *error = QStringLiteral("Pipeline non disponible");
    return nullptr;
}

TCdm& ConversionModule() {
    static TCdm module;
    return module;
}

std::unique_ptr<TScenePositioner> MakeFramePositioner(const QString& /*videoPath*/) { return nullptr; }

}  // namespace tavrel
