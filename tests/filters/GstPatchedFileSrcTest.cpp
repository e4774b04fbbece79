#include "filters/gst/GstPatchedFileSrc.h"

#include <gst/check/gstharness.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "filters/gst/OwnElements.h"

namespace tavrel {
namespace {

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(PatchedFileSrc, ShowsThePatchedBytesAndLeavesTheFileAlone) {
    ASSERT_TRUE(RegisterOwnElements());
    const auto path = std::filesystem::temp_directory_path() / "tavrel-patched-src.bin";
    std::vector<std::uint8_t> original(200000);
    for (std::size_t i = 0; i < original.size(); ++i)
        original[i] = static_cast<std::uint8_t>(i * 7);
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(original.data()), original.size());
    }
    // At the start, across the boundary of two reads, and partly past the end.
    const std::vector<TBytePatch> patches = {
        {3, {'d', 'v', 's', 'd'}}, {65534, {'A', 'B', 'C', 'D'}}, {199998, {'x', 'y', 'z', 'w'}}};
    std::vector<std::uint8_t> expected = original;
    for (const auto& p : patches)
        for (std::size_t i = 0; i < 4; ++i)
            if (p.Offset + i < expected.size()) expected[p.Offset + i] = p.Bytes[i];

    GstHarness* h = gst_harness_new(kPatchedFileSrcFactory);
    SetPatchedFile(h->element, path.string(), patches);
    gst_harness_play(h);
    std::vector<std::uint8_t> seen;
    while (seen.size() < expected.size()) {
        GstBuffer* b = gst_harness_pull(h);
        ASSERT_NE(b, nullptr);
        GstMapInfo map;
        gst_buffer_map(b, &map, GST_MAP_READ);
        seen.insert(seen.end(), map.data, map.data + map.size);
        gst_buffer_unmap(b, &map);
        gst_buffer_unref(b);
    }
    gst_harness_teardown(h);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(ReadAll(path), original);
    std::filesystem::remove(path);
}

TEST(PatchedFileSrc, MissingFileFailsToStart) {
    ASSERT_TRUE(RegisterOwnElements());
    GstElement* src = gst_element_factory_make(kPatchedFileSrcFactory, nullptr);
    ASSERT_NE(src, nullptr);
    SetPatchedFile(src, "/nonexistent/tavrel.avi", {});
    EXPECT_EQ(gst_element_set_state(src, GST_STATE_PAUSED), GST_STATE_CHANGE_FAILURE);
    gst_element_set_state(src, GST_STATE_NULL);
    gst_object_unref(src);
}

}  // namespace
}  // namespace tavrel
