#include "filters/gst/GstPatchedFileSrc.h"

#include <fcntl.h>
#include <gst/base/gstbasesrc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tavrel {
namespace {

struct TSourceState {
    std::string path;
    std::vector<TBytePatch> patches;
    int fd = -1;
    std::uint64_t size = 0;
};

}  // namespace
}  // namespace tavrel

G_BEGIN_DECLS
G_DECLARE_FINAL_TYPE(TavrelPatchedFileSrc, tavrel_patched_file_src, TAVREL, PATCHED_FILE_SRC,
                     GstBaseSrc)
G_END_DECLS

struct _TavrelPatchedFileSrc {
    GstBaseSrc parent;
    tavrel::TSourceState* state;
};

G_DEFINE_TYPE(TavrelPatchedFileSrc, tavrel_patched_file_src, GST_TYPE_BASE_SRC)

namespace {

GstStaticPadTemplate kSrcTemplate =
    GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);

tavrel::TSourceState* StateOf(GstBaseSrc* src) {
    return TAVREL_PATCHED_FILE_SRC(src)->state;
}

gboolean Start(GstBaseSrc* src) {
    tavrel::TSourceState* s = StateOf(src);
    s->fd = open(s->path.c_str(), O_RDONLY | O_CLOEXEC);
    if (s->fd < 0) {
        GST_ELEMENT_ERROR(src, RESOURCE, OPEN_READ, ("Cannot open %s", s->path.c_str()),
                          ("%s", g_strerror(errno)));
        return FALSE;
    }
    struct stat st {};
    if (fstat(s->fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(s->fd);
        s->fd = -1;
        GST_ELEMENT_ERROR(src, RESOURCE, OPEN_READ, ("Not a regular file: %s", s->path.c_str()),
                          (nullptr));
        return FALSE;
    }
    s->size = static_cast<std::uint64_t>(st.st_size);
    return TRUE;
}

gboolean Stop(GstBaseSrc* src) {
    tavrel::TSourceState* s = StateOf(src);
    if (s->fd >= 0) close(s->fd);
    s->fd = -1;
    return TRUE;
}

gboolean GetSize(GstBaseSrc* src, guint64* size) {
    *size = StateOf(src)->size;
    return TRUE;
}

gboolean IsSeekable(GstBaseSrc* /*src*/) {
    return TRUE;
}

GstFlowReturn Fill(GstBaseSrc* src, guint64 offset, guint length, GstBuffer* buffer) {
    tavrel::TSourceState* s = StateOf(src);
    if (offset >= s->size) return GST_FLOW_EOS;
    const guint64 wanted = std::min<guint64>(length, s->size - offset);
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_WRITE)) return GST_FLOW_ERROR;
    guint64 done = 0;
    while (done < wanted) {
        const ssize_t n = pread(s->fd, map.data + done, wanted - done, offset + done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<guint64>(n);
    }
    for (const tavrel::TBytePatch& p : s->patches) {
        for (std::size_t i = 0; i < p.Bytes.size(); ++i) {
            const guint64 at = p.Offset + i;
            if (at >= offset && at < offset + done) map.data[at - offset] = p.Bytes[i];
        }
    }
    gst_buffer_unmap(buffer, &map);
    if (done == 0) {
        GST_ELEMENT_ERROR(src, RESOURCE, READ, (nullptr), ("%s", g_strerror(errno)));
        return GST_FLOW_ERROR;
    }
    gst_buffer_set_size(buffer, done);
    GST_BUFFER_OFFSET(buffer) = offset;
    GST_BUFFER_OFFSET_END(buffer) = offset + done;
    return GST_FLOW_OK;
}

void Finalize(GObject* object) {
    delete TAVREL_PATCHED_FILE_SRC(object)->state;
    G_OBJECT_CLASS(tavrel_patched_file_src_parent_class)->finalize(object);
}

}  // namespace

static void tavrel_patched_file_src_class_init(TavrelPatchedFileSrcClass* klass) {
    GObjectClass* objectClass = G_OBJECT_CLASS(klass);
    GstElementClass* elementClass = GST_ELEMENT_CLASS(klass);
    GstBaseSrcClass* srcClass = GST_BASE_SRC_CLASS(klass);
    objectClass->finalize = Finalize;
    gst_element_class_add_static_pad_template(elementClass, &kSrcTemplate);
    gst_element_class_set_static_metadata(elementClass, "Tavrel patched file source", "Source/File",
                                          "Reads a file with a few bytes replaced", "Tavrel");
    srcClass->start = Start;
    srcClass->stop = Stop;
    srcClass->get_size = GetSize;
    srcClass->is_seekable = IsSeekable;
    srcClass->fill = Fill;
}

static void tavrel_patched_file_src_init(TavrelPatchedFileSrc* self) {
    self->state = new tavrel::TSourceState();
    gst_base_src_set_format(GST_BASE_SRC(self), GST_FORMAT_BYTES);
    gst_base_src_set_blocksize(GST_BASE_SRC(self), 65536);
}

namespace tavrel {

GType PatchedFileSrcType() {
    return tavrel_patched_file_src_get_type();
}

void SetPatchedFile(GstElement* element, const std::string& path, std::vector<TBytePatch> patches) {
    if (!element || !G_TYPE_CHECK_INSTANCE_TYPE(element, PatchedFileSrcType())) return;
    TSourceState* s = TAVREL_PATCHED_FILE_SRC(element)->state;
    s->path = path;
    s->patches = std::move(patches);
}

}  // namespace tavrel
