#include "scenes/ScenePositioner.h"

#include <algorithm>
#include <limits>

#include "avi/AviFichier.h"
#include "framework/Settings.h"
#include "scenes/DateFormat.h"
#include "scenes/SceneClass.h"

namespace tavrel {

namespace {

const QString kNotAvailable = QStringLiteral("N/A");

QImage Stretched(const QImage& picture, QSize size) {
    if (!size.isValid() || size.isEmpty())
        size = FitRect(QSize(kThumbnailBoxWidth, kThumbnailBoxHeight), picture.size()).size();
    return picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB888);
}

}  // namespace

bool FillSceneDetails(TSceneClass& scene, const TaviFichier* video, TScenePositioner* positioner) {
    const double rate = video ? video->Fps : 0.0;
    scene.StartText = PositionText(scene.StartFrame, rate);
    UpdateRangeTexts(scene, video);

    const std::optional<TFrameInfo> frame =
        positioner ? positioner->PositionOn(scene.StartFrame) : std::nullopt;
    scene.DatecodeText = kNotAvailable;
    scene.TimecodeText = kNotAvailable;
    if (!frame) return false;

    if (frame->HasDatecode) {
        scene.Datecode = frame->Datecode;
        bool ok = false;
        const QString text = FormatDateValue(TSettings::Global().Text("FormatAfficherDatecode"),
                                             frame->Datecode, &ok);
        if (ok) scene.DatecodeText = text;
    } else {
        scene.Datecode = 0;
    }
    if (frame->HasTimecode) {
        const TTimecode& t = frame->Timecode;
        scene.TimecodeText =
            QString::asprintf("%02d.%02d.%02d.%02d", t.Hours, t.Minutes, t.Seconds, t.Frames);
    }

    if (scene.ThumbnailOffset != 0) {
        const std::int64_t at = static_cast<std::int64_t>(scene.StartFrame) + scene.ThumbnailOffset;
        positioner->PositionOn(static_cast<std::uint32_t>(
            std::clamp<std::int64_t>(at, 0, std::numeric_limits<std::uint32_t>::max())));
    }
    if (scene.ThumbnailSize.isEmpty()) scene.ThumbnailSize = ThumbnailSizeFor(video);
    const QImage picture = positioner->Picture();
    if (!picture.isNull()) scene.Thumbnail = Stretched(picture, scene.ThumbnailSize);

    scene.DetailsReady = true;
    return true;
}

}  // namespace tavrel
