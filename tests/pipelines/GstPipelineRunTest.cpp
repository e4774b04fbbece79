#include "pipelines/GstPipelineRun.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "filters/gst/OwnElements.h"

namespace tavrel {
namespace {

GstElement* Launch(const char* description) {
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description, &error);
    if (error) g_error_free(error);
    return pipeline;
}

bool WaitFor(const std::atomic<int>& value, int atLeast) {
    for (int i = 0; i < 500 && value.load() < atLeast; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return value.load() >= atLeast;
}

class GstPipelineRunTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(RegisterOwnElements()); }
};

TEST_F(GstPipelineRunTest, EndOfStreamCallsDoneOnceWithoutError) {
    TGstPipelineRun run(Launch(
        "videotestsrc num-buffers=50 ! video/x-raw,framerate=25/1 ! fakesink name=sink sync=true"));
    run.RemoveClock();
    GstElement* sink = gst_bin_get_by_name(GST_BIN(run.Pipeline()), "sink");
    gboolean sync = TRUE;
    g_object_get(sink, "sync", &sync, nullptr);
    gst_object_unref(sink);
    EXPECT_FALSE(sync) << "no sink waits for a clock";

    std::atomic<int> done{0};
    ASSERT_TRUE(run.Start([&done] { ++done; }));
    ASSERT_TRUE(WaitFor(done, 1));
    EXPECT_GE(run.PositionHns(), 49 * 400000);
    run.Stop();
    EXPECT_EQ(done.load(), 1);
    EXPECT_TRUE(run.ErrorText().isEmpty());
    EXPECT_FALSE(run.Start([&done] { ++done; })) << "a run plays once";
}

TEST_F(GstPipelineRunTest, AnErrorWhilePlayingEndsTheRunWithAFrenchText) {
    TGstPipelineRun run(Launch("fakesrc is-live=true ! fakesink name=sink"));
    std::atomic<int> done{0};
    ASSERT_TRUE(run.Start([&done] { ++done; }));
    GstElement* sink = gst_bin_get_by_name(GST_BIN(run.Pipeline()), "sink");
    GError* error = g_error_new_literal(GST_STREAM_ERROR, GST_STREAM_ERROR_DECODE, "bad frame");
    gst_element_post_message(sink, gst_message_new_error(GST_OBJECT(sink), error, "detail"));
    g_error_free(error);
    gst_object_unref(sink);
    ASSERT_TRUE(WaitFor(done, 1));
    EXPECT_EQ(run.ErrorText().toStdString(), "Erreur de décodage de la vidéo (sink : bad frame)");
    run.Stop();
    EXPECT_EQ(done.load(), 1);
}

TEST_F(GstPipelineRunTest, APipelineThatCannotPlayIsRefused) {
    TGstPipelineRun run(Launch("filesrc location=/nonexistent/tavrel.avi ! fakesink"));
    std::atomic<int> done{0};
    EXPECT_FALSE(run.Start([&done] { ++done; }));
    EXPECT_TRUE(run.ErrorText().startsWith(QStringLiteral("Le fichier est introuvable")) ||
                run.ErrorText().startsWith(QStringLiteral("Impossible d'ouvrir le fichier")))
        << run.ErrorText().toStdString();
    run.Stop();
    EXPECT_EQ(done.load(), 0);
}

TEST_F(GstPipelineRunTest, HooksAroundTheRun) {
    std::vector<std::string> calls;
    {
        TGstPipelineRun run(Launch("fakesrc is-live=true ! fakesink"));
        run.SetOnPlay([&calls] { calls.push_back("play"); });
        run.SetOnStop([&calls] { calls.push_back("stop"); });
        run.SetOnFinish([&calls] { calls.push_back("finish"); });
        ASSERT_TRUE(run.Start([] {}));
        run.Stop();
        run.Stop();
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"play", "stop", "finish"}));

    // A run never started finishes when it goes, without a stop of the stream.
    calls.clear();
    {
        TGstPipelineRun run(Launch("fakesrc ! fakesink"));
        run.SetOnStop([&calls] { calls.push_back("stop"); });
        run.SetOnFinish([&calls] { calls.push_back("finish"); });
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"finish"}));

    // Stopped before it started: it does not play.
    TGstPipelineRun stopped(Launch("fakesrc ! fakesink"));
    stopped.Stop();
    EXPECT_FALSE(stopped.Start([] {}));
}

// Stop from another thread while the run plays and done may be firing.
TEST_F(GstPipelineRunTest, StopFromAnotherThread) {
    for (int i = 0; i < 20; ++i) {
        TGstPipelineRun run(Launch("fakesrc num-buffers=200 ! fakesink"));
        std::atomic<int> done{0};
        ASSERT_TRUE(run.Start([&done] { ++done; }));
        std::thread stopper([&run] { run.Stop(); });
        run.Stop();
        stopper.join();
        const int after = done.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        EXPECT_EQ(done.load(), after);
        EXPECT_LE(after, 1);
    }
}

}  // namespace
}  // namespace tavrel
