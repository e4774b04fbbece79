#pragma once
// The media file record: everything the program knows about one file of the
// list, built once by analysing the file (the AVI reader says whether it is
// an AVI file and gives its declared codec; the analysis pipeline gives the
// streams, their formats and durations, and the datecode, timecode and
// aspect of the start of the DV stream) and read-only afterwards, except
// TimeShift/TimeShiftText (set by the main window) and Fps (set to 0 by the
// preview when it cannot render the picture).
//
// Building a record never throws: unreadable or foreign files get marker
// values. Records are built on several threads; the analysis they share is
// taken under the process-wide analysis lock.

#include <QString>
#include <cstdint>

#include "avi/SRFichier.h"

namespace tavrel {

class TaviFichier : public TSRFichier {
  public:
    explicit TaviFichier(const QString& fullName);
    TaviFichier(const QString& folder, const TDirEntry& entry);
    ~TaviFichier() override;

    // "datecode", "timecode" and "duree" are this record's orders; the others
    // are answered by TSRFichier.
    QString GetSortKey(const TSortIndex& order) const override;

    // In declaration order.
    QString DatecodeKey = QStringLiteral("\u00FE");
    QString DatecodeText = QStringLiteral("-");
    TDateTime Datecode = 0;
    double TimeShift = 0;  // days
    QString TimeShiftText;
    QString TimecodeText = QStringLiteral("-");
    QString Codec;
    std::int32_t DvType = 0;
    bool Type2Iavs = false;
    QString ImageText;
    QString AspectText;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int64_t Duration = 0;  // 100-ns units
    QString DurationText;
    std::int32_t FrameCount = 0;
    double Fps = 0;
    QString AudioText;
    QString AudioDurationText;
    std::uint32_t VAuxSrc = 0;
    std::uint32_t VideoBitRate = 0;
    QString AudioFormatText;
    std::uint8_t Standard = 2;  // 0 PAL, 1 NTSC, 2 unknown
    bool HasScn = false;
    bool HasSrt = false;
    bool IsDV = false;
    bool Is16x9 = false;
    std::int32_t AudioRate = 0;
    std::int32_t AudioBits = 0;
    QString ChannelsText;
    QString DatecodeSortKey;
    QString TimecodeSortKey;
    QString DurationSortKey;

    // A record with the name and file-system fields only, for records built
    // by hand (tests, and callers that fill the fields themselves).
    struct TUnanalysed {};
    TaviFichier(const QString& fullName, TUnanalysed);

  private:
    void Build();
    void MarkUnreadable();
};

// The class the command engine creates its records with.
class TAfficherFichier : public TaviFichier {
  public:
    using TaviFichier::TaviFichier;
};

// The orders "alpha", "modify", "taille", "datecode", "timecode", "duree";
// any other name gives "alpha".
const TSortIndex& SortIndexByName(const QString& name);

}  // namespace tavrel
