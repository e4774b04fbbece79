#pragma once
// What the file system tells about one name in a folder: the facts an entry
// of the file list keeps (size, attributes, the three times), read the Linux
// way. Creation is the birth time where the file system reports it, else the
// last status change; "read-only" means the owner's write permission is
// missing. A symbolic link is described by what it points to, and marked as
// a link so that folder walks never follow a link to a folder; a link that
// points nowhere is described by the link itself.

#include <QString>
#include <cstdint>

#include "dv/DateTimeValue.h"

namespace tavrel {

// Attribute bits, the values the rest of the program tests (bit 0 is
// read-only).
inline constexpr std::uint32_t kFileAttrReadOnly = 0x0001;
inline constexpr std::uint32_t kFileAttrHidden = 0x0002;  // name starting with "."
inline constexpr std::uint32_t kFileAttrDirectory = 0x0010;
inline constexpr std::uint32_t kFileAttrSymLink = 0x0400;  // the name is a symbolic link

struct TDirEntry {
    QString Name;                 // the last component of the path, as found
    std::uint64_t SizeBytes = 0;  // 0 for folders and for links that point nowhere
    std::uint32_t Attributes = 0;
    // UTC, milliseconds since 1 January 1970 (negative before).
    std::int64_t CreatedMsUtc = 0;
    std::int64_t ModifiedMsUtc = 0;
    std::int64_t AccessedMsUtc = 0;
    bool CreatedIsBirthTime = false;  // false: the last status change stands in for it
};

// Looks a path up. False, and out left as it was, when nothing of that name
// exists or it cannot be examined. Trailing "/" are ignored, so a folder
// given as "/videos/" is found as "videos".
bool ReadDirEntry(const QString& path, TDirEntry& out);

// A UTC file time as a local date-time value with its milliseconds. When the
// local time cannot be worked out the UTC time is kept; a time beyond the
// years 1 to 9999 gives 0.
TDateTime FileTimeToLocalDateTime(std::int64_t msSinceEpochUtc);

}  // namespace tavrel
