#pragma once
// The orders of the file list. Each has an id (the text kept in the
// settings), a phrase written in the footer of a saved playlist and a label
// shown after the counts of the list. Records give a key for each order
// (GetSortKey) and the list compares the keys as text. Orders are told apart
// by their id.

#include <QString>
#include <span>

namespace tavrel {

struct TSortIndex {
    QString Id;
    QString Phrase;
    QString Label;

    friend bool operator==(const TSortIndex& a, const TSortIndex& b) { return a.Id == b.Id; }
};

// The eight orders of the program.
const TSortIndex& SortAlpha();      // "alpha": short name, then full name
const TSortIndex& SortTaille();     // "taille": file size
const TSortIndex& SortModify();     // "modify": last-write time
const TSortIndex& SortExtension();  // "extension"
const TSortIndex& SortPath();       // "path": full name
const TSortIndex& SortDatecode();   // "datecode": recording date of a DV file
const TSortIndex& SortTimecode();   // "timecode": tape timecode
const TSortIndex& SortDuree();      // "duree": video duration

// All eight, in the order above.
std::span<const TSortIndex> AllSortIndexes();

// The order named by a settings value: "alpha", "modify", "taille",
// "datecode", "timecode" and "duree" (letters in any case); any other text,
// "extension" and "path" included, gives the alphabetical order, which is
// also the order the list starts with.
const TSortIndex& SortIndexFromId(const QString& id);

}  // namespace tavrel
