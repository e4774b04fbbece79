#pragma once
// The two lines drawn over the picture and written as subtitles: which line
// patterns are in force (setting WhatIncrust: the datecode, the timecode, or
// the user's two patterns after their file-level expansion), the display
// settings the datecode readers and the overlay take from the settings
// table, and the samples the overlay settings window shows.

#include <QString>
#include <utility>

#include "dv/DateTimeValue.h"
#include "scenes/TextCodes.h"

namespace tavrel {

class TaviFichier;

// Values of WhatIncrust.
inline constexpr int kIncrustDatecode = 0;
inline constexpr int kIncrustTimecode = 1;
inline constexpr int kIncrustCustom = 2;

// The file-level expansion of a custom pattern for line 1 or 2: "%D" becomes
// "%D1" or "%D2" (so a "%D1" typed by the user becomes "%D11"), then %F, %E,
// %P, %C, %I, %A and %U (the file's duration text) take the target file's
// values; %T, %D1 and %D2 are left for each frame. Without a target file the
// pattern is returned unchanged.
QString ExpandOverlayPattern(const QString& pattern, int line, const TaviFichier* target);

// The line patterns in force for a target file: "%D1" and "%D2", an empty
// line and "%T", or the two custom patterns (IncrustPerso1, IncrustPerso2)
// expanded for the target. An unknown WhatIncrust is taken as the datecode.
std::pair<QString, QString> OverlayLinePatterns(const TaviFichier* target);

// The display settings of the settings table for a target file: the line
// patterns above, FormatDatecode1, FormatDatecode2 and DecalageDisplay, with
// the process-wide regional settings. Hand them to TOverlayLines whenever
// the target or one of these settings changes.
TDisplaySettings OverlayDisplaySettings(const TaviFichier* target);

// What a line pattern gives in the overlay settings window's samples: %D1
// and %D2 from the video's datecode (the given current time when there is no
// video or it has no datecode) in the two formats chosen in the window, %T
// the video's timecode text, or "0:00:00:00" when that text is 3 characters
// or shorter.
QString OverlaySampleLine(const QString& linePattern, const QString& format1,
                          const QString& format2, const TaviFichier* video, TDateTime now);

// The datecode sample ("%D1", CR LF, "%D2") and the custom sample (the two
// custom patterns expanded for the video, joined by CR LF).
QString OverlayDatecodeSample(const QString& format1, const QString& format2,
                              const TaviFichier* video, TDateTime now);
QString OverlayCustomSample(const QString& pattern1, const QString& pattern2,
                            const QString& format1, const QString& format2,
                            const TaviFichier* video, TDateTime now);

}  // namespace tavrel
