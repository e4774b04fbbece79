#include "scenes/SceneClass.h"

#include <cmath>

#include "avi/AviFichier.h"
#include "scenes/TitleCodes.h"

namespace tavrel {

TSceneClass::TSceneClass(std::uint32_t startFrame, std::uint32_t endFrame,
                         const TaviFichier* shownVideo)
    : StartFrame(startFrame), EndFrame(endFrame), ThumbnailSize(ThumbnailSizeFor(shownVideo)) {
    DurationText = FormatDuration(FrameCount(), shownVideo ? shownVideo->Fps : 0.0);
}

QString SceneDisplayText(const TSceneClass& scene) {
    return QStringLiteral("Scène %1: ").arg(scene.Number) + scene.Title;
}

QRect FitRect(QSize box, QSize picture) {
    const std::int64_t W = box.width();
    const std::int64_t H = box.height();
    const std::int64_t w = picture.width();
    const std::int64_t h = picture.height();
    // Both products are compared in 64 bits; a zero side never divides,
    // since d then has the sign that uses the other side.
    const std::int64_t d = W * h - H * w;
    std::int64_t width = W;
    std::int64_t height = H;
    if (d < 0) {
        height = h * W / w;
    } else if (d > 0) {
        width = w * H / h;
    }
    return QRect(static_cast<int>((W - width) / 2), static_cast<int>((H - height) / 2),
                 static_cast<int>(width), static_cast<int>(height));
}

QSize ThumbnailSizeFor(const TaviFichier* video) {
    if (!video || video->Width <= 0 || video->Height <= 0) return {};
    return FitRect(QSize(kThumbnailBoxWidth, kThumbnailBoxHeight),
                   QSize(video->Width, video->Height))
        .size();
}

QString PositionText(std::int64_t frame, double frameRate) {
    if (!(frameRate > 0) || !std::isfinite(frameRate)) return QStringLiteral("??");
    if (frame < 0) frame = 0;
    const double f = static_cast<double>(frame);
    const double wholeSeconds = std::trunc(f / frameRate);
    const auto s = static_cast<std::int64_t>(wholeSeconds);
    auto fr = static_cast<std::int64_t>(std::trunc(f - wholeSeconds * frameRate));
    if (fr < 0) fr = 0;  // the product may overshoot the frame by a rounding error
    return QString::asprintf("%lld:%02lld:%02lld:%02lld", static_cast<long long>(s / 3600),
                             static_cast<long long>((s / 60) % 60), static_cast<long long>(s % 60),
                             static_cast<long long>(fr));
}

void UpdateRangeTexts(TSceneClass& scene, const TaviFichier* video) {
    const double rate = video ? video->Fps : 0.0;
    scene.DurationText = FormatDuration(scene.FrameCount(), rate);
    // A scene of no frames (the error entry of a list) has no last frame;
    // its end is shown as its start.
    const std::int64_t last = scene.EndFrame > scene.StartFrame
                                  ? static_cast<std::int64_t>(scene.EndFrame) - 1
                                  : static_cast<std::int64_t>(scene.StartFrame);
    scene.EndText = PositionText(last, rate);
}

}  // namespace tavrel
