#pragma once
// A file source that shows a file with a few bytes replaced, without writing
// to it: the analysis retries a DV file whose declared codec GStreamer does
// not know as if the file declared "dvsd", and the user's file stays as it
// is (also when it is read-only or on read-only media).

#include <gst/gst.h>

#include <string>
#include <vector>

#include "pipelines/BytePatch.h"

namespace tavrel {

inline constexpr const char* kPatchedFileSrcFactory = "tavrel_patched_filesrc";

GType PatchedFileSrcType();

// Sets the file and the patches; call while the element is in the NULL state.
void SetPatchedFile(GstElement* element, const std::string& path, std::vector<TBytePatch> patches);

}  // namespace tavrel
