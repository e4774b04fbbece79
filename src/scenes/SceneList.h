#pragma once
// The scene list of a video: its scenes in frame order, each with the text
// the list box shows, and the operations of the scene editor on it (cut a
// scene in two, glue a scene to the previous one, renumber, find the next or
// previous scene start), loading it from the video's scene file (or the
// single scene of a video without one) and saving it there.
//
// Titles hold the expanded values of their codes (number, duration,
// datecode, ...). Every operation that changes numbers or ranges turns all
// titles back into patterns first, changes the list, then expands them
// again with the scenes' new values: a title that showed the scene number 4
// shows 5 once a scene is inserted before it.
//
// Used on one thread at a time (the user-interface thread for the editor).

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "scenes/SceneClass.h"

namespace tavrel {

class TaviFichier;
class TScenePositioner;

class TSceneList {
  public:
    TSceneList() = default;
    TSceneList(TSceneList&&) = default;
    TSceneList& operator=(TSceneList&&) = default;

    int Count() const { return static_cast<int>(m_entries.size()); }
    bool IsEmpty() const { return m_entries.empty(); }
    TSceneClass& Scene(int index) { return *m_entries.at(index).Scene; }
    const TSceneClass& Scene(int index) const { return *m_entries.at(index).Scene; }
    const QString& DisplayText(int index) const { return m_entries.at(index).DisplayText; }
    void SetDisplayText(int index, QString text) {
        m_entries.at(index).DisplayText = std::move(text);
    }

    void Append(QString displayText, std::unique_ptr<TSceneClass> scene);
    void Insert(int index, QString displayText, std::unique_ptr<TSceneClass> scene);
    void Remove(int index);
    void Clear() { m_entries.clear(); }

    // Set by the editing operations, cleared by loading and saving.
    bool Modified() const { return m_modified; }
    void SetModified(bool modified) { m_modified = modified; }

  private:
    struct TEntry {
        QString DisplayText;
        std::unique_ptr<TSceneClass> Scene;
    };
    std::vector<TEntry> m_entries;
    bool m_modified = false;
};

// Cuts the scene that strictly contains frame p in two at p. Nothing changes
// (and nothing is returned) when a scene starts at p or no scene contains
// it. The new scene gets the details of its frames (when a positioner is
// given), the title pattern of the cut scene followed by " <<" and its
// subtitle pattern. Returns the index of the new scene, which the editor
// selects.
std::optional<int> SplitSceneAt(TSceneList& list, std::uint32_t p, const TaviFichier* shownVideo,
                                TScenePositioner* positioner);

// Glues scene k to scene k - 1 (k - 1 then ends where k ended) and removes
// scene k. Nothing changes for k = 0 (the first scene stays) or an index out
// of the list. Returns k - 1, the scene to select.
std::optional<int> MergeWithPrevious(TSceneList& list, int k, const TaviFichier* shownVideo);

// Numbers every scene by its position (1 for the first), expands its title
// and subtitle with its values and rebuilds its display text.
void RenumberScenes(TSceneList& list, const TaviFichier* shownVideo);

// The start of the first scene that starts after p, or frameCount.
std::uint32_t NextSceneStart(const TSceneList& list, std::uint32_t p, std::uint32_t frameCount);
// The start of the last scene that starts before p, or 0.
std::uint32_t PreviousSceneStart(const TSceneList& list, std::uint32_t p);

// Where the list of a loaded video came from.
enum class TSceneListOrigin {
    ScnFile = 1,   // read whole from the video's scene file
    ScnFileError,  // read in part: the entry "1: Erreur dans le fichier scn" ends the list
    SingleScene,   // no scene file: one scene "Scène unique" over the whole video
};

inline constexpr const char* kScnErrorEntryText = "1: Erreur dans le fichier scn";

// Replaces the list by the scene list of the video: its scene file when
// there is one (with the error entry after whatever could be read when the
// file is damaged), else the single scene. The modified mark is cleared.
TSceneListOrigin LoadSceneList(TSceneList& list, const TaviFichier& video);

// Writes the list to the video's scene file and clears the modified mark.
// Titles, the path or the number of scenes that the file cannot hold are
// refused before the old file is touched. False with a French message in
// *error when the list could not be written whole.
bool SaveSceneList(TSceneList& list, const QString& videoPath, QString* error = nullptr);

}  // namespace tavrel
