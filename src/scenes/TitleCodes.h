#pragma once
// The codes of scene titles and subtitles ("Scène %N: %D", "Durée = %U"):
// their expansion with the values of a scene and of the video shown, the
// inverse substitution that turns a title back into a pattern before the
// scenes are renumbered or resized, and the three duration formats.
//
// Settings read from TSettings::Global(): FormatAfficherDatecode (the %D of
// titles) and FormatDuree (the %U of titles, every scene duration).

#include <QString>
#include <cstdint>

namespace tavrel {

class TaviFichier;
class TSceneClass;

// The values the file codes stand for, from a media file record.
struct TFileCodeValues {
    QString Name;       // %F: the file name without its extension
    QString Folder;     // %P: the folder, ending with "/"
    QString Extension;  // %E: with its dot, as the name has it
    QString Codec;      // %C
    QString Picture;    // %I: "720 x 576 (Pal 4x3)"
    QString Audio;      // %A
    QString Duration;   // %U of overlay lines: the file's duration text
};
TFileCodeValues FileCodeValues(const TaviFichier& video);

// Duration formats (setting FormatDuree).
inline constexpr int kDurationColons = 0;  // "1:02:31.00", "02:31.00", "31.00"
inline constexpr int kDurationFrames = 1;  // "1:02:31:00", "02:31:00", "31:00"
inline constexpr int kDurationWords = 2;   // "1h 02mn 31s 00fr", ..., "3s 00fr", "12fr"

// A number of frames at a frame rate in one of the formats: whole seconds,
// then the frames left rounded to the nearest (halves to the even one); at
// a rate that is not a whole number the frames can round up to the rate
// itself, shown as the next second with 00 frames. "??" for a rate not
// above 0; an unknown format is taken as format 0.
QString FormatDuration(std::uint32_t frames, double frameRate, int format);
// The same in the format of the setting FormatDuree.
QString FormatDuration(std::uint32_t frames, double frameRate);

// True when the scene's details found a datecode (Datecode is set and its
// text is not "N/A").
bool SceneHasDatecode(const TSceneClass& scene);

// The scene title expansion, in this order: %N, %F, %P, %E, %D, %T, %C, %I,
// %A, %U; later codes also act on text inserted by earlier ones. The scene's
// DatecodeText is first formatted again with the display format in force, so
// that the inverse substitution finds what the title shows. %D of a scene
// without datecode gives its DatecodeText ("N/A", or empty while its details
// are not read). Without a shown video the pattern is returned unchanged.
QString ExpandTitle(const QString& pattern, TSceneClass& scene, const TaviFichier* shownVideo);

// The inverse substitution, a best effort: the scene number (whole word,
// alone and after "Scène", "Scène:", "Scène="), the scene duration in the
// three formats, its datecode text and two datecode formats, then the file's
// values and the timecode, each back to its code. Without a scene or a shown
// video the text is returned unchanged.
QString PatternFromTitle(const QString& text, const TSceneClass* scene,
                         const TaviFichier* shownVideo);

}  // namespace tavrel
