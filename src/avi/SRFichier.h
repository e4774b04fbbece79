#pragma once
// An entry of the file list with the facts of the file system: size,
// attributes and the creation, last-write and last-access times (local
// time), and the keys of the size and file-date orders. The media file
// record derives from it.
//
// Built either from a full name, which is looked up, or from a folder and a
// directory entry already read (what a folder walk has in hand). A derived
// record provides the same two constructors; from a full name it does its
// own work only when the name was found (Found), as a record of a missing
// file has nothing to read.

#include <cstdint>

#include "avi/DirEntry.h"
#include "avi/ListFichier.h"

namespace tavrel {

class TSRFichier : public TAbstractListFichier {
  public:
    // Looks the name up (any kind of entry: file, folder, link). When nothing
    // of that name exists the name fields are still filled, but the size,
    // attributes, times and the size and modify keys stay empty and Found is
    // false.
    explicit TSRFichier(const QString& fullName);
    // folder + entry.Name is the full name; a "/" is put between them when
    // the folder does not end with one.
    TSRFichier(const QString& folder, const TDirEntry& entry);
    ~TSRFichier() override;

    QString GetSortKey(const TSortIndex& order) const override;

    std::uint64_t Size() const { return (std::uint64_t{SizeHigh} << 32) | SizeLow; }

    bool Found = false;
    std::uint32_t SizeHigh = 0;
    std::uint32_t SizeLow = 0;
    TDateTime Created = 0;         // local time; 0 when not found
    TDateTime Modified = 0;        // last write, local time
    TDateTime Accessed = 0;        // last access, local time
    std::uint32_t Attributes = 0;  // kFileAttr... bits
    bool ReadOnly = false;         // bit 0 of Attributes
    QString SizeKey;    // "%.16x" of SizeHigh and of SizeLow, then the lower-cased full name
    QString ModifyKey;  // Modified as "yyyymmddhhnnss", then the lower-cased full name

  protected:
    // Fills the file-system part from an entry; for derived constructors that
    // read the entry themselves.
    void SetEntry(const QString& folder, const TDirEntry& entry);
};

// The "yyyymmddhhnnss" text of a date-time value; empty when it cannot be
// split into a date.
QString SortableDateTimeText(TDateTime value);

}  // namespace tavrel
