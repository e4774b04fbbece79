#include "scenes/SceneList.h"

#include <gtest/gtest.h>

#include <map>

#include "avi/AviFichier.h"
#include "framework/Settings.h"
#include "scenes/ScenePositioner.h"
#include "support/FrenchSettings.h"

namespace tavrel {
namespace {

TDateTime Date(int y, int mo, int d, int h, int mi, int s) {
    TDateTime v = 0;
    EXPECT_TRUE(TryEncodeDateTime({y, mo, d, h, mi, s, 0}, v));
    return v;
}

// A video of 25 frames per second whose datecode is 14 July 2003 10:00:00
// plus one second per 25 frames, and whose timecode counts the frames; each
// frame's picture is a plain colour that tells the frame.
class TFakePositioner : public TScenePositioner {
  public:
    std::optional<TFrameInfo> PositionOn(std::uint32_t frame) override {
        positions.push_back(frame);
        if (frame >= frameCount) return std::nullopt;
        last = frame;
        TFrameInfo info;
        info.FrameIndex = frame;
        info.HasDatecode = frame < undatedFrom;
        if (info.HasDatecode) info.Datecode = Date(2003, 7, 14, 10, 0, 0) + (frame / 25) / 86400.0;
        info.HasTimecode = frame < undatedFrom;
        info.Timecode = TTimecode{0, static_cast<std::uint8_t>(frame / 1500),
                                  static_cast<std::uint8_t>(frame / 25 % 60),
                                  static_cast<std::uint8_t>(frame % 25)};
        return info;
    }
    QImage Picture() override {
        QImage picture(720, 576, QImage::Format_RGB32);
        picture.fill(QColor(last % 256, 0, 0));
        return picture;
    }
    static int FrameOf(const QImage& thumbnail) { return qRed(thumbnail.pixel(0, 0)); }

    std::uint32_t frameCount = 1000;
    std::uint32_t undatedFrom = 1000;
    std::uint32_t last = 0;
    std::vector<std::uint32_t> positions;
};

class SceneListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TSettings::Global().Reset();
        SetDefaultFormatSettings(test::FrenchFormatSettings());
        video = std::make_unique<TaviFichier>(QStringLiteral("/films/cassette1.avi"),
                                              TaviFichier::TUnanalysed{});
        video->Fps = 25;
        video->Width = 720;
        video->Height = 405;
        video->FrameCount = 1000;
    }
    void TearDown() override { TSettings::Global().Reset(); }

    // Scenes starting at the given frames, the last ending at 1000, with
    // their details filled and their titles expanded from "Scène %N" and
    // "Durée = %U".
    void MakeList(std::initializer_list<std::uint32_t> starts) {
        std::vector<std::uint32_t> s(starts);
        for (std::size_t j = 0; j < s.size(); ++j) {
            auto scene = std::make_unique<TSceneClass>(s[j], j + 1 < s.size() ? s[j + 1] : 1000,
                                                       video.get());
            FillSceneDetails(*scene, video.get(), &positioner);
            scene->Title = QStringLiteral("Scène %N");
            scene->Subtitle = QStringLiteral("Durée = %U");
            list.Append(QString(), std::move(scene));
        }
        RenumberScenes(list, video.get());
    }
    std::vector<std::uint32_t> Ranges() const {
        std::vector<std::uint32_t> r;
        for (int j = 0; j < list.Count(); ++j) {
            r.push_back(list.Scene(j).StartFrame);
            r.push_back(list.Scene(j).EndFrame);
        }
        return r;
    }

    std::unique_ptr<TaviFichier> video;
    TFakePositioner positioner;
    TSceneList list;
};

TEST(FitRect, AspectsCentredInTheBox) {
    EXPECT_EQ(FitRect({320, 240}, {720, 540}), QRect(0, 0, 320, 240));
    EXPECT_EQ(FitRect({320, 240}, {720, 405}), QRect(0, 30, 320, 180));
    EXPECT_EQ(FitRect({320, 240}, {300, 400}), QRect(70, 0, 180, 240));
    EXPECT_EQ(FitRect({101, 100}, {100, 100}), QRect(0, 0, 100, 100));
    EXPECT_EQ(FitRect({320, 240}, {0, 0}), QRect(0, 0, 320, 240));
    EXPECT_EQ(FitRect({320, 240}, {720, 0}), QRect(0, 120, 320, 0));
}

TEST(PositionText, HoursMinutesSecondsFrames) {
    EXPECT_EQ(PositionText(90061, 25), "1:00:02:11");
    EXPECT_EQ(PositionText(0, 25), "0:00:00:00");
    EXPECT_EQ(PositionText(324, 25), "0:00:12:24");
    EXPECT_EQ(PositionText(59, 29.97), "0:00:01:29");
    EXPECT_EQ(PositionText(10, 0), "??");
}

TEST_F(SceneListTest, SceneCreation) {
    TSceneClass scene(25, 100, video.get());
    EXPECT_EQ(scene.DurationText, "03.00");
    EXPECT_EQ(scene.ThumbnailSize, QSize(320, 180));
    EXPECT_TRUE(scene.Thumbnail.isNull());
    EXPECT_FALSE(scene.DetailsReady);
    EXPECT_EQ(scene.Number, 0);
    scene.Number = 3;
    scene.Title = QStringLiteral("Anniversaire");
    EXPECT_EQ(SceneDisplayText(scene), "Scène 3: Anniversaire");

    const TSceneClass alone(0, 75);
    EXPECT_EQ(alone.DurationText, "??");
    EXPECT_FALSE(alone.ThumbnailSize.isValid());
}

TEST_F(SceneListTest, Details) {
    TSceneClass scene(100, 350, video.get());
    scene.ThumbnailOffset = 40;
    ASSERT_TRUE(FillSceneDetails(scene, video.get(), &positioner));
    EXPECT_TRUE(scene.DetailsReady);
    EXPECT_EQ(scene.Datecode, Date(2003, 7, 14, 10, 0, 4));
    EXPECT_EQ(scene.DatecodeText, " 14/07/2003 10:00:04");
    EXPECT_EQ(scene.TimecodeText, "00.00.04.00");
    EXPECT_EQ(scene.StartText, "0:00:04:00");
    EXPECT_EQ(scene.EndText, "0:00:13:24");
    EXPECT_EQ(positioner.positions, (std::vector<std::uint32_t>{100, 140}));
    EXPECT_EQ(scene.Thumbnail.size(), QSize(320, 180));
    EXPECT_EQ(scene.Thumbnail.format(), QImage::Format_RGB888);
    EXPECT_EQ(TFakePositioner::FrameOf(scene.Thumbnail), 140);

    // No datecode or timecode at that frame; a format the date cannot be
    // shown in.
    positioner.undatedFrom = 0;
    scene.ThumbnailOffset = 0;
    ASSERT_TRUE(FillSceneDetails(scene, video.get(), &positioner));
    EXPECT_EQ(scene.DatecodeText, "N/A");
    EXPECT_EQ(scene.TimecodeText, "N/A");
    EXPECT_EQ(TFakePositioner::FrameOf(scene.Thumbnail), 100);

    // A video that cannot be positioned: the details are asked again later.
    TSceneClass beyond(2000, 2100, video.get());
    EXPECT_FALSE(FillSceneDetails(beyond, video.get(), &positioner));
    EXPECT_FALSE(beyond.DetailsReady);
    EXPECT_EQ(beyond.DatecodeText, "N/A");
    EXPECT_EQ(beyond.StartText, "0:01:20:00");
    EXPECT_FALSE(FillSceneDetails(beyond, video.get(), nullptr));
}

TEST_F(SceneListTest, SplitRederivesTitles) {
    MakeList({0, 250, 600});
    EXPECT_EQ(list.DisplayText(2), "Scène 3: Scène 3");
    list.Scene(1).ThumbnailOffset = 200;  // beyond the cut below

    // At a scene's start, or outside every scene: nothing changes.
    for (std::uint32_t p : {0u, 250u, 600u, 1000u, 5000u}) {
        EXPECT_FALSE(SplitSceneAt(list, p, video.get(), &positioner)) << p;
        EXPECT_FALSE(list.Modified());
    }
    EXPECT_EQ(Ranges(), (std::vector<std::uint32_t>{0, 250, 250, 600, 600, 1000}));

    EXPECT_EQ(SplitSceneAt(list, 400, video.get(), &positioner), 2);
    EXPECT_TRUE(list.Modified());
    EXPECT_EQ(Ranges(), (std::vector<std::uint32_t>{0, 250, 250, 400, 400, 600, 600, 1000}));
    const char* titles[] = {"Scène 1", "Scène 2", "Scène 3 <<", "Scène 4"};
    const char* subtitles[] = {"Durée = 10.00", "Durée = 06.00", "Durée = 08.00", "Durée = 16.00"};
    for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(list.Scene(j).Number, j + 1);
        EXPECT_EQ(list.Scene(j).Title, QString::fromUtf8(titles[j]));
        EXPECT_EQ(list.Scene(j).Subtitle, QString::fromUtf8(subtitles[j]));
        EXPECT_EQ(list.DisplayText(j),
                  QStringLiteral("Scène %1: ").arg(j + 1) + QString::fromUtf8(titles[j]));
    }
    const TSceneClass& cut = list.Scene(1);
    EXPECT_EQ(cut.DurationText, "06.00");
    EXPECT_EQ(cut.EndText, "0:00:15:24");
    EXPECT_EQ(cut.ThumbnailOffset, 0);
    const TSceneClass& added = list.Scene(2);
    EXPECT_TRUE(added.DetailsReady);
    EXPECT_EQ(added.DatecodeText, " 14/07/2003 10:00:16");
    EXPECT_EQ(added.StartText, "0:00:16:00");
}

TEST_F(SceneListTest, SplitOfTheSingleScene) {
    LoadSceneList(list, *video);
    EXPECT_EQ(SplitSceneAt(list, 500, video.get(), nullptr), 1);
    EXPECT_EQ(list.DisplayText(0), "Scène 1: Scène unique");
    EXPECT_EQ(list.DisplayText(1), "Scène 2: Scène unique <<");
    EXPECT_EQ(list.Scene(1).Subtitle, "correspondant à vidéo non analysée");
    EXPECT_FALSE(list.Scene(1).DetailsReady);
}

TEST_F(SceneListTest, MergeRederivesTitles) {
    MakeList({0, 250, 600});
    EXPECT_FALSE(MergeWithPrevious(list, 0, video.get()));
    EXPECT_FALSE(MergeWithPrevious(list, -1, video.get()));
    EXPECT_FALSE(MergeWithPrevious(list, 3, video.get()));
    EXPECT_FALSE(list.Modified());
    EXPECT_EQ(list.Scene(0).Title, "Scène 1");

    list.Scene(2).Title = QStringLiteral("Plage, scène 3");
    EXPECT_EQ(MergeWithPrevious(list, 1, video.get()), 0);
    EXPECT_TRUE(list.Modified());
    EXPECT_EQ(Ranges(), (std::vector<std::uint32_t>{0, 600, 600, 1000}));
    EXPECT_EQ(list.Scene(0).Subtitle, "Durée = 24.00");
    EXPECT_EQ(list.Scene(0).DurationText, "24.00");
    EXPECT_EQ(list.Scene(0).EndText, "0:00:23:24");
    EXPECT_EQ(list.Scene(1).Title, "Plage, scène 2");
    EXPECT_EQ(list.DisplayText(1), "Scène 2: Plage, scène 2");
}

TEST_F(SceneListTest, NextAndPreviousSceneStart) {
    MakeList({0, 250, 600});
    EXPECT_EQ(NextSceneStart(list, 0, 1000), 250u);
    EXPECT_EQ(NextSceneStart(list, 249, 1000), 250u);
    EXPECT_EQ(NextSceneStart(list, 250, 1000), 600u);
    EXPECT_EQ(NextSceneStart(list, 600, 1000), 1000u);
    EXPECT_EQ(PreviousSceneStart(list, 601), 600u);
    EXPECT_EQ(PreviousSceneStart(list, 600), 250u);
    EXPECT_EQ(PreviousSceneStart(list, 1), 0u);
    EXPECT_EQ(PreviousSceneStart(list, 0), 0u);
    TSceneList empty;
    EXPECT_EQ(NextSceneStart(empty, 10, 1000), 1000u);
    EXPECT_EQ(PreviousSceneStart(empty, 10), 0u);
}

}  // namespace
}  // namespace tavrel
