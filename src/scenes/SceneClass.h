#pragma once
// One scene of a video: a range of frames with its title and subtitle, the
// frame chosen as its picture, and the texts the scene panel and the
// exports show (recording date, timecode, start, end, duration).
//
// A scene knows its video only through the record passed when it is made
// (frame rate for the duration, picture size for the thumbnail); the texts
// that need the video's frames are filled by FillSceneDetails.

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <cstdint>

#include "dv/DateTimeValue.h"

namespace tavrel {

class TaviFichier;

class TSceneClass {
  public:
    // shownVideo may be null: the duration then reads "??" and the scene has
    // no thumbnail size.
    TSceneClass(std::uint32_t startFrame, std::uint32_t endFrame,
                const TaviFichier* shownVideo = nullptr);

    // EndFrame - StartFrame, in the frames' own 32-bit arithmetic.
    std::uint32_t FrameCount() const { return EndFrame - StartFrame; }

    bool DetailsReady = false;
    std::uint32_t StartFrame = 0;
    std::uint32_t EndFrame = 0;  // the frame after the last one
    TDateTime Datecode = 0;      // meaningful when DatecodeText is not "N/A"
    QString DatecodeText;
    QString TimecodeText;
    QString StartText;
    QString EndText;
    // The picture of the scene, 24 bits per pixel. It is drawn when the
    // details are filled, at ThumbnailSize (the video's displayed picture
    // fitted into 320 x 240); a list of thousands of scenes read from a file
    // thus holds no pictures until they are looked at.
    QImage Thumbnail;
    QSize ThumbnailSize;
    std::int32_t ThumbnailOffset = 0;  // from StartFrame; 0 is the first frame
    QString Title;
    QString Subtitle;
    std::int32_t Number = 0;  // 1-based position in its list
    QString DurationText;
};

// "Scène 3: Anniversaire".
QString SceneDisplayText(const TSceneClass& scene);

// The largest rectangle of the picture's aspect centred in the box (integer
// arithmetic, divisions toward zero). 720 x 540 into 320 x 240 fills it;
// 720 x 405 gives 320 x 180 at top 30.
QRect FitRect(QSize box, QSize picture);

// The box every thumbnail is fitted into.
inline constexpr int kThumbnailBoxWidth = 320;
inline constexpr int kThumbnailBoxHeight = 240;

// The thumbnail size for a video: its width and display height fitted into
// the thumbnail box; empty without a video or without a picture size.
QSize ThumbnailSizeFor(const TaviFichier* video);

// "h:mm:ss:ff" of a frame at a frame rate: whole seconds, then the frames
// left in the second, truncated. 90061 at 25 gives "1:00:02:11". "??" when
// the rate is not above 0.
QString PositionText(std::int64_t frame, double frameRate);

// Recomputes DurationText (duration format setting, the video's frame rate)
// and EndText (position of the last frame) after the range changed.
void UpdateRangeTexts(TSceneClass& scene, const TaviFichier* video);

}  // namespace tavrel
