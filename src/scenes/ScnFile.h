#pragma once
// The scene file of a video (".scn" beside it) and its reader.
//
// The file is a fixed sequence of little-endian blocks: a 24-byte header
// ending in "SourceTape", the video path, 8 constant bytes, the 16-bit
// number of scene records, then one record per scene (the first in a form
// of its own). Strings are written as FF FE FF, a length byte L and L
// UTF-16LE code units, so a string must be shorter than 255 units. The
// reader also takes the single-byte forms that other programs write.

#include <QByteArray>
#include <QString>

namespace tavrel {

class TaviFichier;
class TSceneList;

// The longest string (in UTF-16 code units) a scene file can hold.
inline constexpr int kMaxScnStringUnits = 254;

// The path with its extension replaced: the extension is the text from the
// last "." after the last "/"; a name without one gets the new extension
// appended. "/films/cassette1.avi" with ".scn" gives "/films/cassette1.scn".
QString ReplaceExtension(const QString& path, const QString& newExtension);
QString ScnFilePath(const QString& videoPath);

// A single-byte string of a file made elsewhere: UTF-8 when the bytes are
// valid UTF-8, else Windows-1252.
QString DecodeSingleByteText(const QByteArray& bytes);

// Fills the list (cleared first) from a scene file. True only when all the
// records the file announces were read whole; otherwise the scenes read so
// far stay in the list. The shown video, when given, gives the scenes their
// duration texts and thumbnail size. The constant bytes are not checked.
bool ReadScnFile(const QString& scnPath, TSceneList& list, const TaviFichier* shownVideo = nullptr);

}  // namespace tavrel
