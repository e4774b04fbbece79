#include "scenes/SceneList.h"

#include <QFileInfo>
#include <algorithm>

#include "avi/AviFichier.h"
#include "scenes/ScenePositioner.h"
#include "scenes/ScnFile.h"
#include "scenes/TitleCodes.h"
#include "scenes/WriteScene.h"

namespace tavrel {

void TSceneList::Append(QString displayText, std::unique_ptr<TSceneClass> scene) {
    m_entries.push_back({std::move(displayText), std::move(scene)});
}

void TSceneList::Insert(int index, QString displayText, std::unique_ptr<TSceneClass> scene) {
    m_entries.insert(m_entries.begin() + index, {std::move(displayText), std::move(scene)});
}

void TSceneList::Remove(int index) {
    m_entries.erase(m_entries.begin() + index);
}

namespace {

// Titles and subtitles back to their patterns, with each scene's values
// before the change.
void TitlesToPatterns(TSceneList& list, const TaviFichier* video) {
    for (int j = 0; j < list.Count(); ++j) {
        TSceneClass& scene = list.Scene(j);
        scene.Title = PatternFromTitle(scene.Title, &scene, video);
        scene.Subtitle = PatternFromTitle(scene.Subtitle, &scene, video);
    }
}

}  // namespace

std::optional<int> SplitSceneAt(TSceneList& list, std::uint32_t p, const TaviFichier* shownVideo,
                                TScenePositioner* positioner) {
    int cut = -1;
    for (int j = 0; j < list.Count(); ++j) {
        const TSceneClass& scene = list.Scene(j);
        if (scene.StartFrame == p) return std::nullopt;
        if (scene.StartFrame < p && p < scene.EndFrame) {
            cut = j;
            break;
        }
    }
    if (cut < 0) return std::nullopt;

    TitlesToPatterns(list, shownVideo);
    TSceneClass& first = list.Scene(cut);
    const std::uint32_t end = first.EndFrame;
    first.EndFrame = p;
    UpdateRangeTexts(first, shownVideo);
    // A picture chosen beyond the cut now lies in the new scene; the first
    // half takes its first frame again.
    if (first.ThumbnailOffset < 0 ||
        static_cast<std::uint32_t>(first.ThumbnailOffset) >= first.FrameCount()) {
        first.ThumbnailOffset = 0;
        first.DetailsReady = false;
    }

    auto second = std::make_unique<TSceneClass>(p, end, shownVideo);
    FillSceneDetails(*second, shownVideo, positioner);
    second->Title = first.Title + QStringLiteral(" <<");
    second->Subtitle = first.Subtitle;
    list.Insert(cut + 1, QString(), std::move(second));

    RenumberScenes(list, shownVideo);
    list.SetModified(true);
    return cut + 1;
}

std::optional<int> MergeWithPrevious(TSceneList& list, int k, const TaviFichier* shownVideo) {
    if (k <= 0 || k >= list.Count()) return std::nullopt;
    TitlesToPatterns(list, shownVideo);
    TSceneClass& previous = list.Scene(k - 1);
    previous.EndFrame = list.Scene(k).EndFrame;
    UpdateRangeTexts(previous, shownVideo);
    list.Remove(k);
    RenumberScenes(list, shownVideo);
    list.SetModified(true);
    return k - 1;
}

void RenumberScenes(TSceneList& list, const TaviFichier* shownVideo) {
    for (int j = 0; j < list.Count(); ++j) {
        TSceneClass& scene = list.Scene(j);
        scene.Number = j + 1;
        scene.Title = ExpandTitle(scene.Title, scene, shownVideo);
        scene.Subtitle = ExpandTitle(scene.Subtitle, scene, shownVideo);
        list.SetDisplayText(j, SceneDisplayText(scene));
    }
}

std::uint32_t NextSceneStart(const TSceneList& list, std::uint32_t p, std::uint32_t frameCount) {
    for (int j = 0; j < list.Count(); ++j)
        if (list.Scene(j).StartFrame > p) return list.Scene(j).StartFrame;
    return frameCount;
}

std::uint32_t PreviousSceneStart(const TSceneList& list, std::uint32_t p) {
    for (int j = list.Count() - 1; j >= 0; --j)
        if (list.Scene(j).StartFrame < p) return list.Scene(j).StartFrame;
    return 0;
}

TSceneListOrigin LoadSceneList(TSceneList& list, const TaviFichier& video) {
    list.Clear();
    list.SetModified(false);
    const QString scnPath = ScnFilePath(video.FullName);
    if (QFileInfo::exists(scnPath)) {
        if (ReadScnFile(scnPath, list, &video)) return TSceneListOrigin::ScnFile;
        list.Append(QString::fromUtf8(kScnErrorEntryText),
                    std::make_unique<TSceneClass>(0, 0, &video));
        return TSceneListOrigin::ScnFileError;
    }
    const auto frames = static_cast<std::uint32_t>(std::max(video.FrameCount, 0));
    auto scene = std::make_unique<TSceneClass>(0, frames, &video);
    scene->Number = 1;
    scene->Title = QStringLiteral("Scène unique");
    scene->Subtitle = QStringLiteral("correspondant à vidéo non analysée");
    QString text = QStringLiteral("1: ") + scene->Title;
    list.Append(std::move(text), std::move(scene));
    return TSceneListOrigin::SingleScene;
}

bool SaveSceneList(TSceneList& list, const QString& videoPath, QString* error) {
    auto fail = [error](const QString& message) {
        if (error) *error = message;
        return false;
    };
    // Refusals come before the old file is replaced.
    if (const QString refused = TwriteScene::CheckVideoPath(videoPath); !refused.isEmpty())
        return fail(refused);
    if (list.Count() > 0xFFFF)
        return fail(QStringLiteral("Trop de scènes pour un fichier scn (%1 au plus)").arg(0xFFFF));
    for (int j = 0; j < list.Count(); ++j)
        if (const QString refused = TwriteScene::CheckScene(list.Scene(j), j + 1);
            !refused.isEmpty())
            return fail(refused);

    TwriteScene writer(videoPath);
    for (int j = 0; j < list.Count() && !writer.Failed(); ++j) writer.WriteScene(list.Scene(j));
    if (!writer.Close()) return fail(writer.ErrorText());
    list.SetModified(false);
    return true;
}

}  // namespace tavrel
