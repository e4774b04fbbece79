#pragma once
// Where the files that commands produce go, and the new names of the rename
// commands: the output folder rule, the suffixes, the time-shift suffix,
// free names for renames (a rename never lands on an existing file, nor
// makes a companion ".scn" or ".srt" land on one), and shortening names by
// the tails that conversions and renames have appended.
//
// Path pieces: the extension is the text from the last "." of the file name
// (the part after the last "/"), dot included; the folder ends with "/".

#include <QString>

#include "avi/AviFichier.h"
#include "framework/Settings.h"
#include "scenes/DateFormat.h"

namespace tavrel {

// The extension of path with its dot, as written; empty without one.
QString FileExtension(const QString& path);
// path with its extension replaced by extension, or with it appended when
// path has none.
QString ChangeFileExtension(const QString& path, const QString& extension);

// Where a command's output goes: beside the source with SameFolder, else in
// DossierSave (beside the source when that setting is empty); the source's
// extension is replaced by suffix ("_type1.avi").
QString MakeDestination(const QString& source, const QString& suffix,
                        const TSettings& settings = TSettings::Global());
// Always beside the source (scene, subtitle and scene-text files).
QString BesideDestination(const QString& source, const QString& suffix);

// The suffix of the time-shift conversion for a shift in days: 1.5 gives
// "_(+1jours12h).avi", -0.25 "_(-6h).avi", 0 "_(+).avi".
QString ShiftSuffix(double shiftDays);

// Whether anything (a file, a folder, even a dangling link) has that name.
bool PathTaken(const QString& path);

// candidate when nothing has that name, else the first of candidate_1.ext,
// candidate_2.ext, ... that is free. With source given, a name also counts
// as taken when the source has a ".scn" or ".srt" companion and the
// companion's new name is taken. The source itself counts as taken.
QString UniqueRenameTarget(const QString& candidate, const QString& source = {});

// Moves source to destination, then its ".scn" and ".srt" companions to the
// destination's name with those extensions; never over an existing file. A
// companion whose new name is taken stays where it is. True when the file
// itself was moved.
bool RenameWithCompanions(const QString& source, const QString& destination);

// Whether one tail of a name (the text after a "_") is one of those that
// conversions and renames append: a known suffix ("type2", "ntsc", ...), a
// shift in brackets, or a text without letters a-z except maybe a last one
// (a date, a time, a counter, "10h").
bool IsRemovableTail(const QString& tail);
// The destination of the shorten-name command: the file name without every
// removable tail at its end, made free with "_1", "_2"... ; the extension
// and the folder stay.
QString PurgeName(const QString& source);
// Whether the last tail of the file name is removable.
bool CanPurge(const QString& source);

// The patterns of the datecode and timecode renames.
QString AjouterDatecodePattern(bool datecodeAvant);
QString AjouterTimecodePattern(bool timecodeAvant);

// The destinations of the four rename commands for a file: the expanded
// pattern in the file's folder, made free. Empty when the pattern gives no
// usable name. regional: the regional settings of the dates, the process's
// when null.
QString AjouterDatecodeDestination(const TaviFichier& file,
                                   const TSettings& settings = TSettings::Global(),
                                   const TFormatSettings* regional = nullptr);
QString AjouterTimecodeDestination(const TaviFichier& file,
                                   const TSettings& settings = TSettings::Global(),
                                   const TFormatSettings* regional = nullptr);
QString RenommerDestination(const TaviFichier& file,
                            const TSettings& settings = TSettings::Global(),
                            const TFormatSettings* regional = nullptr);
QString PurgerNomDestination(const TAbstractListFichier& file);

// The previews of the options page: what each rename gives on the sample
// values at the date-time now.
QString RenommerPreview(TDateTime now, const TSettings& settings = TSettings::Global(),
                        const TFormatSettings* regional = nullptr);
QString AjouterDatecodePreview(TDateTime now, const TSettings& settings = TSettings::Global(),
                               const TFormatSettings* regional = nullptr);
QString AjouterTimecodePreview(TDateTime now, const TSettings& settings = TSettings::Global(),
                               const TFormatSettings* regional = nullptr);

}  // namespace tavrel
