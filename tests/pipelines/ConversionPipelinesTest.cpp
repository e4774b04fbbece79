#include "pipelines/ConversionPipelines.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <future>
#include <thread>

#include "avi/MediaFormat.h"
#include "dv/DateTimeValue.h"
#include "framework/Settings.h"
#include "pipelines/GstPipelineRun.h"
#include "scenes/DateFormat.h"
#include "scenes/OverlayCodes.h"
#include "scenes/SceneClass.h"
#include "scenes/SceneList.h"
#include "scenes/ScnFile.h"
#include "scenes/WriteScene.h"
#include "scenes/WriteSrt.h"
#include "support/FrenchSettings.h"
#include "support/RiffBuilder.h"
#include "support/TestClips.h"

namespace tavrel {
namespace {

using test::TestClip;
using test::TTestClip;
using test::TTestClipId;
using TRanges = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

QString PathOf(const TTestClip& clip) {
    return QString::fromStdString(clip.Path().string());
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs a built pipeline the way the engine does, and calls atDone from the
// done callback's thread of control, before the run is stopped.
struct TRunResult {
    bool started = false;
    bool done = false;
    int doneCalls = 0;
};

TRunResult RunToEnd(TPipelineRun& run, const std::function<void()>& atDone = {}) {
    TRunResult r;
    std::promise<void> finished;
    auto future = finished.get_future();
    std::atomic<int> calls{0};
    run.RemoveClock();
    r.started = run.Start([&] {
        if (calls.fetch_add(1) == 0) finished.set_value();
    });
    if (r.started) r.done = future.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    if (r.done && atDone) atDone();
    run.Stop();
    r.doneCalls = calls.load();
    return r;
}

// A valid AVI file with one 16-bit stereo PCM stream and no video.
test::TBytes PcmOnlyAvi() {
    using namespace test;
    const std::uint32_t rate = 48000;
    const int chunks = 10;
    const std::uint32_t chunkBytes = rate / 10 * 4;
    std::vector<TChunk> movi;
    for (int i = 0; i < chunks; ++i) movi.push_back(Chunk("00wb", TBytes(chunkBytes, 0)));
    TBytes idx1;
    std::uint32_t offset = 4;
    for (int i = 0; i < chunks; ++i) {
        PutFourCC(idx1, "00wb");
        Put32(idx1, 0x10);
        Put32(idx1, offset);
        Put32(idx1, chunkBytes);
        offset += 8 + chunkBytes;
    }
    const TRiffImage image = Build({Riff(
        "AVI ", {List("hdrl", {Chunk("avih", AvihPayload(100000, chunks, 1, 0, 0)),
                               List("strl", {Chunk("strh", StrhPayload("auds", "", 4, rate * 4,
                                                                       chunks * chunkBytes / 4)),
                                             Chunk("strf", WaveFormatPayload(2, rate, 16))})}),
                 List("movi", std::move(movi)), Chunk("idx1", idx1)})});
    return image.Bytes;
}

class ConversionPipelines : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        TSettings::Global().Reset();
        SetDefaultFormatSettings(test::FrenchFormatSettings());
    }
    // Where the files a scan writes go: beside a video of that name here, not
    // beside the shared clip.
    QString VideoHere(const TTestClip& clip) const {
        return dir.filePath(QString::fromLatin1(clip.FileName));
    }
    TCdm& Cdm() { return ConversionModule(); }

    QTemporaryDir dir;
};

// The recordings of a clip, as frame ranges: each one is a scene by date.
TRanges RecordingRanges(const TTestClip& clip) {
    TRanges ranges;
    for (int r = 0; r < clip.RecordingCount(); ++r) {
        const auto start = static_cast<std::uint32_t>(clip.FirstFrame(r));
        const auto end = static_cast<std::uint32_t>(
            r + 1 < clip.RecordingCount() ? clip.FirstFrame(r + 1) : clip.FrameCount());
        ranges.emplace_back(start, end);
    }
    return ranges;
}

class ScnByDate : public ConversionPipelines, public ::testing::WithParamInterface<TTestClip> {};

// The command's part: a scene writer fed by the reader's scene hook and
// destroyed by its end-of-stream hook, set here before the build.
TEST_P(ScnByDate, WritesOneSceneForEachRecording) {
    const TTestClip& clip = GetParam();
    const QString video = VideoHere(clip);
    auto detector = Cdm().SceneDetect();
    auto writer = std::make_shared<TwriteScene>(video);
    std::weak_ptr<TwriteScene> watch = writer;
    detector->OnScene = [&writer](const TFrameInfo& start, const TFrameInfo& end) {
        ASSERT_TRUE(writer);
        writer->WriteScene(TSceneClass(start.FrameIndex, end.FrameIndex));
    };
    detector->OnEndOfStream = [&writer] { writer.reset(); };

    QString error;
    auto run = Cdm().BuildScnByDate(PathOf(clip), &error);
    ASSERT_NE(run, nullptr) << error.toStdString();
    EXPECT_TRUE(error.isEmpty());
    EXPECT_TRUE(detector->OnScene) << "the builder keeps the command's hooks";

    const std::int64_t frameHns = clip.Ntsc() ? 333667 : 400000;
    EXPECT_NEAR(run->DurationHns(), clip.FrameCount() * frameHns, frameHns / 2);

    TSceneList list;
    bool readAtDone = false;
    std::int64_t positionAtDone = 0;
    const TRunResult r = RunToEnd(*run, [&] {
        positionAtDone = run->PositionHns();
        // The end of the stream has reached the reader before done: the
        // writer is gone and its file whole.
        EXPECT_TRUE(watch.expired());
        readAtDone = ReadScnFile(ScnFilePath(video), list);
    });
    ASSERT_TRUE(r.done);
    EXPECT_EQ(r.doneCalls, 1);
    EXPECT_TRUE(run->ErrorText().isEmpty()) << run->ErrorText().toStdString();
    EXPECT_GE(positionAtDone, (clip.FrameCount() - 1) * frameHns);
    EXPECT_LE(positionAtDone, clip.FrameCount() * frameHns + frameHns / 2);
    EXPECT_EQ(run->PositionHns(), positionAtDone) << "kept after the stop";
    EXPECT_TRUE(readAtDone);
    TRanges scenes;
    for (int i = 0; i < list.Count(); ++i)
        scenes.emplace_back(list.Scene(i).StartFrame, list.Scene(i).EndFrame);
    EXPECT_EQ(scenes, RecordingRanges(clip));
    EXPECT_FALSE(detector->OnScene) << "the run's hooks end with the run";
    EXPECT_FALSE(detector->OnEndOfStream);
}

INSTANTIATE_TEST_SUITE_P(Clips, ScnByDate, ::testing::ValuesIn(test::TestClips()),
                         [](const auto& info) {
                             std::string name = info.param.FileName;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// What the subtitles of a clip must be with the default overlay (%D1 over
// %D2, shown all the time): one cue for each run of frames whose date and
// time texts are the same, timed at the frame rate.
QByteArray ExpectedSrt(const TTestClip& clip, double fps) {
    const TFormatSettings french = test::FrenchFormatSettings();
    auto texts = [&](std::int64_t frame) {
        TDatecode d;
        TDateTime value = 0;
        if (!clip.DatecodeAt(frame, d) || !DatecodeToDateTime(d, value)) return QString();
        return FormatDateValue(QStringLiteral("ddddd"), value, french) + QStringLiteral("\r\n") +
               FormatDateValue(QStringLiteral("tt"), value, french);
    };
    QByteArray srt;
    int number = 0;
    for (std::int64_t start = 0; start < clip.FrameCount();) {
        std::int64_t end = start + 1;
        while (end < clip.FrameCount() && texts(end) == texts(start)) ++end;
        if (!texts(start).isEmpty())
            srt += (QString::number(++number) + "\r\n" +
                    FormatSrtTime(static_cast<std::uint32_t>(start), fps) + " --> " +
                    FormatSrtTime(static_cast<std::uint32_t>(end), fps) + "\r\n" + texts(start) +
                    "\r\n\r\n")
                       .toUtf8();
        start = end;
    }
    return srt;
}

// The command's part for subtitles, set after the build this time: the
// first frame is not read before the run starts, so its cue is there.
TEST_F(ConversionPipelines, SrtCuesAt25And2997FramesPerSecond) {
    for (TTestClipId id : {TTestClipId::Type2Pal43, TTestClipId::Type1Ntsc43}) {
        const TTestClip& clip = TestClip(id);
        SCOPED_TRACE(clip.FileName);
        const QString video = VideoHere(clip);
        QString error;
        auto run = Cdm().BuildSrt(PathOf(clip), &error);
        ASSERT_NE(run, nullptr) << error.toStdString();

        auto detector = Cdm().SceneDetect();
        auto lines = std::make_shared<TOverlayLines>(OverlayDisplaySettings(nullptr));
        detector->SetLineSource(lines);
        auto writer = std::make_shared<TWriteSrt>(video, 0.0);  // rate from the reader
        AttachSrtWriter(*detector, writer);

        const TRunResult r = RunToEnd(*run);
        ASSERT_TRUE(r.done);
        EXPECT_TRUE(writer->ErrorText().isEmpty()) << writer->ErrorText().toStdString();
        const double fps = clip.Ntsc() ? 1e7 / 333667 : 25.0;
        EXPECT_NEAR(writer->FrameRate(), fps, 1e-9);
        const QByteArray srt = ReadAll(SrtFilePath(video));
        EXPECT_EQ(srt, ExpectedSrt(clip, fps));
        EXPECT_TRUE(srt.startsWith("1\r\n00:00:00,000 --> ")) << srt.left(40).toStdString();
    }
}

// A hook left by one command never fires in the next one: the scan's scene
// hook is gone when the subtitles run, and its writer with it.
TEST_F(ConversionPipelines, HooksOfOneRunDoNotReachTheNext) {
    const TTestClip& clip = TestClip(TTestClipId::ThreeRecordings);
    auto detector = Cdm().SceneDetect();
    int firstRunScenes = 0;
    auto firstWriter = std::make_shared<int>(0);
    std::weak_ptr<int> watch = firstWriter;
    detector->OnScene = [&firstRunScenes, firstWriter](const TFrameInfo&, const TFrameInfo&) {
        ++firstRunScenes;
    };
    {
        auto run = Cdm().BuildScnByDate(PathOf(clip));
        ASSERT_NE(run, nullptr);
        ASSERT_TRUE(RunToEnd(*run).done);
    }
    firstWriter.reset();
    EXPECT_EQ(firstRunScenes, 3);
    EXPECT_TRUE(watch.expired());

    auto writer = std::make_shared<TWriteSrt>(VideoHere(clip), 25.0);
    detector->SetLineSource(std::make_shared<TOverlayLines>(OverlayDisplaySettings(nullptr)));
    AttachSrtWriter(*detector, writer);
    auto run = Cdm().BuildSrt(PathOf(clip));
    ASSERT_NE(run, nullptr);
    ASSERT_TRUE(RunToEnd(*run).done);
    EXPECT_EQ(firstRunScenes, 3);
    EXPECT_GT(writer->CueCount(), 0u);
}

// A run that is built and dropped unstarted (a file of length 0 for the
// engine) ends its hooks too.
TEST_F(ConversionPipelines, AnUnstartedRunReleasesItsPipelineAndHooks) {
    auto detector = Cdm().SceneDetect();
    {
        auto run = Cdm().BuildScnByDate(PathOf(TestClip(TTestClipId::Type2Pal43)));
        ASSERT_NE(run, nullptr);
        detector->OnScene = [](const TFrameInfo&, const TFrameInfo&) {};
    }
    EXPECT_FALSE(detector->OnScene);
}

TEST_F(ConversionPipelines, FilesWithoutDvGiveNoPipelineAndSayWhy) {
    const QString text = dir.filePath("notes.avi");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Ceci n'est pas une vidéo.\r\n");
    }
    const QString audioOnly = dir.filePath("audio.avi");
    {
        // A valid AVI file with one PCM stream and no video.
        const test::TBytes bytes = PcmOnlyAvi();
        QFile f(audioOnly);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    }
    const struct {
        QString path;
        const char* says;
    } cases[] = {
        {text, "n'est pas une vidéo AVI lisible"},
        {audioOnly, "ne contient aucun flux vidéo DV"},
        {dir.filePath("absent.avi"), "Impossible d'ouvrir le fichier"},
        {QString(), "Impossible d'ouvrir le fichier"},
    };
    auto detector = Cdm().SceneDetect();
    int endOfStreams = 0;
    detector->OnEndOfStream = [&endOfStreams] { ++endOfStreams; };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        for (int kind = 0; kind < 2; ++kind) {
            QString error;
            auto run =
                kind == 0 ? Cdm().BuildScnByDate(c.path, &error) : Cdm().BuildSrt(c.path, &error);
            EXPECT_EQ(run, nullptr);
            EXPECT_TRUE(error.contains(QString::fromUtf8(c.says))) << error.toStdString();
        }
    }
    EXPECT_EQ(endOfStreams, 0);
    detector->OnEndOfStream = nullptr;
}

// Interrupting: Stop in the middle of the stream returns at once, done is not
// called after it, no end of stream is reported, and the scene file written
// so far is well formed and closed.
TEST_F(ConversionPipelines, StopMidway) {
    const TTestClip& clip = TestClip(TTestClipId::ThreeRecordings);
    const QString video = VideoHere(clip);
    auto detector = Cdm().SceneDetect();
    auto writer = std::make_shared<TwriteScene>(video);
    std::weak_ptr<TwriteScene> watch = writer;
    detector->OnScene = [writer](const TFrameInfo& start, const TFrameInfo& end) {
        writer->WriteScene(TSceneClass(start.FrameIndex, end.FrameIndex));
    };
    int endOfStreams = 0;
    detector->OnEndOfStream = [&endOfStreams] { ++endOfStreams; };
    writer.reset();

    auto run = Cdm().BuildScnByDate(PathOf(clip));
    ASSERT_NE(run, nullptr);
    // Slow the sink down so that the stop lands mid-stream.
    auto* gst = dynamic_cast<TGstPipelineRun*>(run.get());
    ASSERT_NE(gst, nullptr);
    std::atomic<int> frames{0};
    GstElement* sink = gst_bin_get_by_name(GST_BIN(gst->Pipeline()), "nullrender");
    ASSERT_NE(sink, nullptr);
    GstPad* pad = gst_element_get_static_pad(sink, "sink");
    gst_pad_add_probe(
        pad, GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad*, GstPadProbeInfo*, gpointer data) {
            static_cast<std::atomic<int>*>(data)->fetch_add(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            return GST_PAD_PROBE_OK;
        },
        &frames, nullptr);
    gst_object_unref(pad);
    gst_object_unref(sink);

    std::atomic<int> doneCalls{0};
    run->RemoveClock();
    ASSERT_TRUE(run->Start([&doneCalls] { ++doneCalls; }));
    while (frames.load() < 50) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const auto before = std::chrono::steady_clock::now();
    run->Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
    const int seen = frames.load();
    EXPECT_LT(seen, clip.FrameCount());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(frames.load(), seen) << "nothing flows after Stop";
    EXPECT_EQ(doneCalls.load(), 0);
    EXPECT_EQ(endOfStreams, 0);
    EXPECT_TRUE(watch.expired()) << "the stop released the writer, closing its file";
    TSceneList list;
    EXPECT_TRUE(ReadScnFile(ScnFilePath(video), list));
    EXPECT_EQ(list.Count(), 1);  // the first recording ended at frame 40
    run->Stop();                 // a second stop is harmless
}

TEST(GstErrors, FrenchTexts) {
    ASSERT_TRUE(gst_init_check(nullptr, nullptr, nullptr));
    GError* notFound =
        g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NOT_FOUND, "No such file");
    EXPECT_EQ(FrenchGstError(notFound, QStringLiteral("filesrc0")).toStdString(),
              "Le fichier est introuvable (filesrc0 : No such file)");
    g_error_free(notFound);
    GError* demux = g_error_new_literal(GST_STREAM_ERROR, GST_STREAM_ERROR_DEMUX, "");
    EXPECT_EQ(FrenchGstError(demux).toStdString(), "Le fichier AVI est endommagé ou illisible");
    g_error_free(demux);
    EXPECT_FALSE(FrenchGstError(nullptr).isEmpty());
}

}  // namespace
}  // namespace tavrel
