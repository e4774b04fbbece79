#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "avi/AviFichier.h"
#include "dv/DvSceneDetect.h"
#include "framework/Settings.h"
#include "scenes/ProgramInfo.h"
#include "scenes/SceneList.h"
#include "scenes/ScenePositioner.h"
#include "scenes/TextCodes.h"
#include "scenes/WriteScnText.h"
#include "scenes/WriteSrt.h"
#include "support/DvFrameFactory.h"
#include "support/FrenchSettings.h"

namespace tavrel {
namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

QByteArray Lines(std::initializer_list<const char*> lines) {
    QByteArray b;
    for (const char* l : lines) b += QByteArray(l) + "\r\n";
    return b;
}

TDateTime Date(int y, int mo, int d, int h, int mi, int s) {
    TDateTime v = 0;
    EXPECT_TRUE(TryEncodeDateTime({y, mo, d, h, mi, s, 0}, v));
    return v;
}

class WritersTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        TSettings::Global().Reset();
        SetDefaultFormatSettings(test::FrenchFormatSettings());
        video = dir.filePath(QStringLiteral("Cassette1.AVI"));
    }
    QTemporaryDir dir;
    QString video;
};

TEST_F(WritersTest, SrtCues) {
    {
        TWriteSrt srt(video, 25);
        srt.SubtitleChange(0, " 14/07/2003", "10:12:43");
        srt.SubtitleChange(25, " 14/07/2003", "10:12:44");
        srt.SubtitleChange(50, " 14/07/2003", "10:12:45");
        srt.SubtitleChange(75, "", "");
        srt.SubtitleChange(90000, "", "0:00:02:17");  // a timecode-only overlay
        srt.SubtitleChange(90010, "Été", "");
        EXPECT_TRUE(srt.Finish(90011));  // the cue still shown at the end
        EXPECT_EQ(srt.CueCount(), 5u);
    }
    EXPECT_EQ(ReadAll(dir.filePath("Cassette1.srt")), Lines({"1",
                                                             "00:00:00,000 --> 00:00:01,000",
                                                             " 14/07/2003",
                                                             "10:12:43",
                                                             "",  //
                                                             "2",
                                                             "00:00:01,000 --> 00:00:02,000",
                                                             " 14/07/2003",
                                                             "10:12:44",
                                                             "",  //
                                                             "3",
                                                             "00:00:02,000 --> 00:00:03,000",
                                                             " 14/07/2003",
                                                             "10:12:45",
                                                             "",  //
                                                             "4",
                                                             "01:00:00,000 --> 01:00:00,400",
                                                             " ",
                                                             "0:00:02:17",
                                                             "",  //
                                                             "5",
                                                             "01:00:00,400 --> 01:00:00,440",
                                                             "\xc3\x89t\xc3\xa9",
                                                             " ",
                                                             ""}));
}

TEST_F(WritersTest, SrtFailuresAreReported) {
    {
        TWriteSrt srt(video, 0);  // no frame rate: the cue cannot be timed
        srt.SubtitleChange(0, "a", "b");
        EXPECT_FALSE(srt.Finish(10));
        EXPECT_TRUE(srt.ErrorText().contains(QStringLiteral("Fréquence")));
    }
    ASSERT_TRUE(QFile::remove(dir.filePath("Cassette1.srt")));
    ASSERT_TRUE(QDir(dir.path()).mkdir("Cassette1.srt"));  // a folder in the way
    TWriteSrt blocked(video, 25);
    EXPECT_TRUE(blocked.Failed());
    EXPECT_TRUE(blocked.ErrorText().contains(dir.filePath("Cassette1.srt")));
    blocked.SubtitleChange(0, "a", "b");
    EXPECT_FALSE(blocked.Finish(10));

    TWriteSrt missing(dir.filePath("absent/video.avi"), 25);
    EXPECT_TRUE(missing.Failed());
    EXPECT_FALSE(QFile::exists(dir.filePath("absent")));
}

// The subtitle command's chain: frames through the datecode reader, whose
// display lines feed the writer.
struct TSubtitleRun {
    test::TStandard standard;
    int framesPerSecond;  // datecode seconds advance every so many frames
    double writerRate;    // 0: taken from the reader
    std::int64_t capsDurationHns;
    const char* expected;
};

TEST_F(WritersTest, SubtitlesFromTheDatecodeReader) {
    const TSubtitleRun runs[] = {
        {test::TStandard::Pal, 25, 25, kFrameDuration625Hns,
         "1\r\n00:00:00,400 --> 00:00:01,000\r\n14/07/2003\r\n10:12:43\r\n\r\n"
         "2\r\n00:00:01,000 --> 00:00:02,000\r\n14/07/2003\r\n10:12:44\r\n\r\n"
         "3\r\n00:00:02,000 --> 00:00:02,400\r\n14/07/2003\r\n10:12:45\r\n\r\n"},
        {test::TStandard::Ntsc, 30, 0, 0,
         "1\r\n00:00:00,334 --> 00:00:01,001\r\n14/07/2003\r\n10:12:43\r\n\r\n"
         "2\r\n00:00:01,001 --> 00:00:02,002\r\n14/07/2003\r\n10:12:44\r\n\r\n"
         "3\r\n00:00:02,002 --> 00:00:02,336\r\n14/07/2003\r\n10:12:45\r\n\r\n"},
    };
    for (const TSubtitleRun& run : runs) {
        TDisplaySettings display;
        display.Regional = std::make_shared<const TFormatSettings>(test::FrenchFormatSettings());
        Tdv_sceneDetect detector(std::make_shared<TOverlayLines>(display));
        auto srt = std::make_shared<TWriteSrt>(video, run.writerRate);
        AttachSrtWriter(detector, srt);

        detector.StartStreaming(run.capsDurationHns);
        // The first 10 frames carry no datecode: the first cue starts after them.
        for (int f = 0; f < 2 * run.framesPerSecond + 10; ++f) {
            test::TFrameSpec recipe;
            recipe.Standard = run.standard;
            if (f >= 10)
                recipe.Datecode = test::Datecode(2003, 7, 14, 10, 12, 43 + f / run.framesPerSecond);
            detector.ProcessSample(test::MakeFrame(recipe));
        }
        detector.EndOfStream();
        EXPECT_FALSE(srt->IsOpen());
        EXPECT_FALSE(srt->Failed()) << srt->ErrorText().toStdString();
        EXPECT_EQ(ReadAll(dir.filePath("Cassette1.srt")).toStdString(), run.expected);
    }
}

class TFixedPositioner : public TScenePositioner {
  public:
    std::optional<TFrameInfo> PositionOn(std::uint32_t frame) override {
        TFrameInfo info;
        info.FrameIndex = frame;
        info.HasDatecode = true;
        info.Datecode = Date(2003, 7, 14, 10, 12, 45) + frame / 25 / 86400.0;
        info.HasTimecode = true;
        info.Timecode = TTimecode{0, 0, static_cast<std::uint8_t>(12 + frame / 25),
                                  static_cast<std::uint8_t>(5 + frame % 25)};
        return info;
    }
    QImage Picture() override { return {}; }
};

TEST_F(WritersTest, SceneTextExport) {
    TaviFichier record(video, TaviFichier::TUnanalysed{});
    record.Fps = 25;
    TSceneList list;
    auto first = std::make_unique<TSceneClass>(0, 325, &record);
    first->Title = QStringLiteral("Anniversaire, gâteau");
    list.Append(QString(), std::move(first));
    auto second = std::make_unique<TSceneClass>(325, 400, &record);
    second->Subtitle = QStringLiteral("Plage");
    list.Append(QString(), std::move(second));

    TFixedPositioner positioner;
    const auto clock = [] { return Date(2024, 3, 5, 14, 7, 9); };
    QString error;
    ASSERT_TRUE(ExportSceneListText(video, list, &record, &positioner, &error, clock))
        << error.toStdString();
    EXPECT_TRUE(list.Scene(1).DetailsReady);

    const QByteArray version =
        ("// exportée par Tavrel version " + ProgramVersionText() + " fr").toUtf8();
    EXPECT_TRUE(QRegularExpression("^\\d+\\.\\d+\\.\\d+$").match(ProgramVersionText()).hasMatch());
    const QByteArray rule = "//--------------------------------------------------";
    const QByteArray header = Lines(
        {rule.constData(), "// Liste des scènes du fichier:", "//",
         ("// ***   " + video.toLower().toUtf8() + "   ***").constData(), "//", version.constData(),
         "// sous la forme:", "// numéro de scène, début, fin, durée, datecode,timecode, titre",
         "//", rule.constData(), ""});
    const QByteArray footer = Lines(
        {"", rule.constData(), "// Terminé le mardi 5 mars 2024 à 14:07:09", rule.constData()});
    EXPECT_EQ(ReadAll(dir.filePath("Cassette1_scn.txt")).toStdString(),
              (header +
               Lines({"  1, 0:00:00:00, 0:00:12:24, 13.00,  14/07/2003 10:12:45, "
                      "00.00.12.05, Anniversaire, gâteau, ",
                      "  2, 0:00:13:00, 0:00:15:24, 03.00,  14/07/2003 10:12:58, "
                      "00.00.25.05, , Plage"}) +
               footer)
                  .toStdString());

    // Exporting again replaces the file; an empty list gives header and footer.
    TSceneList empty;
    ASSERT_TRUE(ExportSceneListText(video, empty, &record, &positioner, &error, clock));
    EXPECT_EQ(ReadAll(dir.filePath("Cassette1_scn.txt")), header + footer);
}

TEST_F(WritersTest, SceneTextFileThatCannotBeCreated) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("Cassette1_scn.txt"));
    TSceneList list;
    list.Append(QString(), std::make_unique<TSceneClass>(0, 10));
    QString error;
    EXPECT_FALSE(ExportSceneListText(video, list, nullptr, nullptr, &error));
    EXPECT_TRUE(
        error.startsWith(QStringLiteral("Erreur pendant la création d'un fichier scn texte")))
        << error.toStdString();
}

}  // namespace
}  // namespace tavrel
