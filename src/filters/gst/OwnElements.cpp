#include "filters/gst/OwnElements.h"

#include <gst/gst.h>

#include <mutex>

#include "filters/gst/GstDvSceneDetect.h"
#include "filters/gst/GstPatchedFileSrc.h"

namespace tavrel {

namespace {

gboolean PluginInit(GstPlugin* plugin) {
    return gst_element_register(plugin, kDvSceneDetectFactory, GST_RANK_NONE,
                                DvSceneDetectElementType()) &&
           gst_element_register(plugin, kPatchedFileSrcFactory, GST_RANK_NONE,
                                PatchedFileSrcType());
}

}  // namespace

bool RegisterOwnElements() {
    static std::once_flag once;
    static bool registered = false;
    std::call_once(once, [] {
        if (!gst_is_initialized()) {
            GError* error = nullptr;
            if (!gst_init_check(nullptr, nullptr, &error)) {
                g_clear_error(&error);
                return;
            }
        }
        registered = gst_plugin_register_static(GST_VERSION_MAJOR, GST_VERSION_MINOR, "tavrel",
                                                "Tavrel's own elements", PluginInit, "0.1", "LGPL",
                                                "tavrel", "Tavrel", "https://tavrel.invalid");
    });
    return registered;
}

}  // namespace tavrel
