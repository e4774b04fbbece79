#pragma once
// What the scene details need of the video: a way to show a given frame and
// read what the datecode reader made of it, and the picture the overlay
// renderer kept of it. The preview pipeline implements it over GStreamer;
// tests implement it with frames of their own.

#include <QImage>
#include <cstdint>
#include <optional>

#include "dv/DvSceneDetect.h"

namespace tavrel {

class TaviFichier;
class TSceneClass;

class TScenePositioner {
  public:
    virtual ~TScenePositioner() = default;

    // Positions the video on the frame and waits until that frame has
    // passed the datecode reader; the reader's record of it, or nothing
    // when the video could not be positioned there.
    virtual std::optional<TFrameInfo> PositionOn(std::uint32_t frame) = 0;

    // The picture of the frame last positioned on (overlay drawn,
    // deinterlaced); a null image when there is none.
    virtual QImage Picture() = 0;
};

// Fills the scene's datecode and its text (display format setting, "N/A"
// without datecode or when the date cannot be formatted), its timecode text
// ("hh.mm.ss.ff" or "N/A"), its start and end positions and its thumbnail
// (the frame at StartFrame + ThumbnailOffset, stretched to ThumbnailSize, or
// the video's picture fitted into 320 x 240 when the scene has no size).
// DetailsReady becomes true when the positioner gave the start frame; without
// a positioner, or when it fails, the texts that need the frames read "N/A"
// and DetailsReady stays false, so that the details are asked again later.
bool FillSceneDetails(TSceneClass& scene, const TaviFichier* video, TScenePositioner* positioner);

}  // namespace tavrel
