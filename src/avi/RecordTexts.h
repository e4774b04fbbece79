#pragma once
// The texts of a media file record: each field by its name, in declaration
// order, and what the information panel shows of it (captions and values).
// The command-line tool prints both; the desktop panel shows the second.

#include <QString>
#include <utility>
#include <vector>

#include "avi/AviFichier.h"

namespace tavrel {

using TNamedTexts = std::vector<std::pair<QString, QString>>;

// Every field of the record, "DatecodeKey" to "DurationSortKey".
TNamedTexts RecordFieldTexts(const TaviFichier& record);

// The panel's rows: "Nom", "Datecode", "Timecode", "codec", "Image", "Durée",
// "Fps", "Audio" (two rows), "Décalage" when a time shift is set, "scn" and
// "srt" markers, and the three lines of the panel's hint.
TNamedTexts InformationPanelTexts(const TaviFichier& record);

}  // namespace tavrel
