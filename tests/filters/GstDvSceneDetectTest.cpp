#include "filters/gst/GstDvSceneDetect.h"

#include <gst/check/gstharness.h>
#include <gtest/gtest.h>

#include <cstring>

#include "filters/gst/OwnElements.h"
#include "support/DvFrameFactory.h"

namespace tavrel {
namespace {

GstBuffer* BufferOf(const std::vector<std::uint8_t>& bytes) {
    return gst_buffer_new_memdup(bytes.data(), bytes.size());
}

class DvSceneDetectElement : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(RegisterOwnElements());
        harness = gst_harness_new(kDvSceneDetectFactory);
        ASSERT_NE(harness, nullptr);
        detector = DvSceneDetectOf(harness->element);
        ASSERT_NE(detector, nullptr);
        detector->OnScene = [this](const TFrameInfo& a, const TFrameInfo& b) {
            scenes.emplace_back(a.FrameIndex, b.FrameIndex);
        };
        detector->OnEndOfStream = [this] { ++endOfStreams; };
    }
    void TearDown() override {
        if (harness) gst_harness_teardown(harness);
    }

    GstHarness* harness = nullptr;
    std::shared_ptr<Tdv_sceneDetect> detector;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> scenes;
    int endOfStreams = 0;
};

TEST_F(DvSceneDetectElement, IsRegisteredUnderItsName) {
    GstElementFactory* factory = gst_element_factory_find(kDvSceneDetectFactory);
    ASSERT_NE(factory, nullptr);
    EXPECT_STREQ(gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_LONGNAME),
                 "Ombrix dv_sceneDetect");
    EXPECT_EQ(gst_plugin_feature_get_rank(GST_PLUGIN_FEATURE(factory)), GST_RANK_NONE);
    gst_object_unref(factory);
}

TEST_F(DvSceneDetectElement, PassesDvVideoThroughUnchangedAndReadsIt) {
    gst_harness_set_src_caps_str(harness,
                                 "video/x-dv, systemstream=(boolean)false, width=720, height=576, "
                                 "framerate=(fraction)25/1");
    test::TFrameSpec recipe;
    recipe.Datecode = test::Datecode(2024, 7, 8, 19, 55, 58);
    const auto first = test::MakeFrame(recipe);
    recipe.Datecode = test::Datecode(2024, 7, 9, 8, 0, 0);
    const auto second = test::MakeFrame(recipe);
    const std::vector<std::uint8_t> odd(1000, 0x11);

    for (const auto* bytes : {&first, &first, &odd, &second}) {
        GstBuffer* out = gst_harness_push_and_pull(harness, BufferOf(*bytes));
        ASSERT_NE(out, nullptr);
        GstMapInfo map;
        ASSERT_TRUE(gst_buffer_map(out, &map, GST_MAP_READ));
        EXPECT_EQ(map.size, bytes->size());
        EXPECT_EQ(std::memcmp(map.data, bytes->data(), map.size), 0);
        gst_buffer_unmap(out, &map);
        gst_buffer_unref(out);
    }
    EXPECT_EQ(detector->FrameDurationHns(), 400000);
    EXPECT_EQ(detector->CurrentFrame().FrameIndex, 2u);
    EXPECT_TRUE(detector->CurrentFrame().HasDatecode);

    ASSERT_TRUE(gst_harness_push_event(harness, gst_event_new_eos()));
    EXPECT_EQ(scenes, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{0, 2}, {2, 3}}));
    EXPECT_EQ(endOfStreams, 1);
    // The end of stream goes on downstream.
    bool sawEos = false;
    while (GstEvent* e = gst_harness_try_pull_event(harness)) {
        sawEos = sawEos || GST_EVENT_TYPE(e) == GST_EVENT_EOS;
        gst_event_unref(e);
    }
    EXPECT_TRUE(sawEos);
}

TEST_F(DvSceneDetectElement, InterleavedDvTakesItsFrameDurationFromTheFrames) {
    gst_harness_set_src_caps_str(harness, "video/x-dv, systemstream=(boolean)true");
    test::TFrameSpec recipe;
    recipe.Standard = test::TStandard::Ntsc;
    gst_buffer_unref(gst_harness_push_and_pull(harness, BufferOf(test::MakeFrame(recipe))));
    EXPECT_EQ(detector->FrameDurationHns(), kFrameDuration525Hns);
    EXPECT_TRUE(detector->CurrentFrame().IsNtsc);
}

TEST_F(DvSceneDetectElement, AcceptsOnlyDv) {
    GstPad* sink = gst_element_get_static_pad(harness->element, "sink");
    for (const char* caps : {"video/x-dv, systemstream=(boolean)true",
                             "video/x-dv, systemstream=(boolean)false, width=720"}) {
        GstCaps* c = gst_caps_from_string(caps);
        EXPECT_TRUE(gst_pad_query_accept_caps(sink, c)) << caps;
        gst_caps_unref(c);
    }
    for (const char* caps : {"video/x-raw, format=I420", "audio/x-raw", "video/x-h264"}) {
        GstCaps* c = gst_caps_from_string(caps);
        EXPECT_FALSE(gst_pad_query_accept_caps(sink, c)) << caps;
        gst_caps_unref(c);
    }
    gst_object_unref(sink);
}

TEST(DvSceneDetectCaps, FrameDurationFromCaps) {
    ASSERT_TRUE(RegisterOwnElements());
    const std::pair<const char*, std::int64_t> cases[] = {
        {"video/x-dv, framerate=(fraction)25/1", 400000},
        {"video/x-dv, framerate=(fraction)30000/1001", 333667},
        {"video/x-dv, systemstream=(boolean)true", 0},
        {"video/x-dv, framerate=(fraction)0/1", 0},
    };
    for (auto [text, expected] : cases) {
        GstCaps* caps = gst_caps_from_string(text);
        EXPECT_EQ(FrameDurationFromCaps(caps), expected) << text;
        gst_caps_unref(caps);
    }
    EXPECT_EQ(FrameDurationFromCaps(nullptr), 0);
}

}  // namespace
}  // namespace tavrel
