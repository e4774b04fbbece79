#pragma once
// File names built from patterns ("%F_%D%E"): the codes %F, %E, %D, %T, %C,
// %I, %A and %U replaced by a media file's values, in that order, then the
// characters that Windows forbids in names replaced (footage often lives on
// FAT and exFAT drives), then the file's folder put in front. The options
// page shows the same expansion on fixed sample values.

#include <QString>

#include "avi/AviFichier.h"
#include "dv/DateTimeValue.h"
#include "scenes/DateFormat.h"

namespace tavrel {

// "<", ">", "\"", "/", "\\", "|" become "_" and ":" becomes "."; "*" and "?"
// stay.
QString ReplaceForbiddenFileNameChars(const QString& name);

// The name part: the codes replaced with the file's values and the
// forbidden characters replaced, without the folder. %F is the bare name,
// %E the extension as written (with its dot), %D the datecode plus the
// file's time shift in dateFormat (the record's datecode text when the file
// has no datecode), %T the timecode text, %C the codec, %I the picture-size
// text, %A the audio text, %U the duration text. regional: the regional
// settings of the date, the process's when null.
QString ExpandFileNameText(const QString& pattern, const QString& dateFormat,
                           const TaviFichier& file, const TFormatSettings* regional = nullptr);
// The full path: the file's folder followed by the name part.
QString ExpandFileName(const QString& pattern, const QString& dateFormat, const TaviFichier& file,
                       const TFormatSettings* regional = nullptr);

// The preview of a file-name pattern: %F "Vidéo", %E ".avi", %D the
// date-time now in dateFormat, %T "0.54.32.10", %C "dvsd", %I "640x480",
// %A "48000Hz 16bits stéréo", %U "30s 12fr", then the forbidden characters
// replaced; no folder.
QString FileNamePreview(const QString& pattern, const QString& dateFormat, TDateTime now,
                        const TFormatSettings* regional = nullptr);

}  // namespace tavrel
