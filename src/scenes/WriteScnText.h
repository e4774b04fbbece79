#pragma once
// The scene list of a video as a commented text table ("_scn.txt" beside
// the video): a header naming the video and the program, one row per scene
// (number, start, end, duration, datecode, timecode, title, subtitle,
// separated by ", " and not quoted) and a footer with the date of the
// export, written when the writer finishes.

#include <QString>
#include <cstdint>
#include <functional>

#include "dv/DateTimeValue.h"
#include "scenes/WriteFile.h"

namespace tavrel {

class TaviFichier;
class TSceneClass;
class TSceneList;
class TScenePositioner;

class TWriteScn_text : public TwriteFile {
  public:
    // The clock gives the export date of the footer.
    using TClock = std::function<TDateTime()>;

    explicit TWriteScn_text(const QString& videoPath, TClock clock = {});
    ~TWriteScn_text() override;

    bool WriteSceneRow(const TSceneClass& scene);
    // Writes the footer and closes the file; false when anything went wrong.
    bool Finish();

  private:
    TClock m_clock;
    std::uint32_t m_rows = 0;
    bool m_finished = false;
};

inline constexpr const char* kScnTextHeaderError =
    "Erreur pendant la création d'un fichier scn texte";

// "/films/cassette1.avi" gives "/films/cassette1_scn.txt".
QString ScnTextFilePath(const QString& videoPath);

// Exports a whole list: fills the details of the scenes that have none,
// then writes every row and the footer. False with a French message in
// *error when the file could not be written whole.
bool ExportSceneListText(const QString& videoPath, TSceneList& list, const TaviFichier* video,
                         TScenePositioner* positioner, QString* error = nullptr,
                         TWriteScn_text::TClock clock = {});

}  // namespace tavrel
