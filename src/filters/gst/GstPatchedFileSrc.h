#pragma once
// A file source that shows a file with a few bytes replaced, without writing
// to it: the analysis retries a DV file whose declared codec GStreamer does
// not know as if the file declared "dvsd", and the user's file stays as it
// is (also when it is read-only or on read-only media).

#include <gst/gst.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tavrel {

inline constexpr const char* kPatchedFileSrcFactory = "tavrel_patched_filesrc";

struct TBytePatch {
    std::uint64_t Offset = 0;
    std::array<std::uint8_t, 4> Bytes{};
};

GType PatchedFileSrcType();

// Sets the file and the patches; call while the element is in the NULL state.
void SetPatchedFile(GstElement* element, const std::string& path, std::vector<TBytePatch> patches);

}  // namespace tavrel
