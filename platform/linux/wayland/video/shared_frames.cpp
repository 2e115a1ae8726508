// Frames in memfd memory for the forms layer's compositor (see shared_frames.h).
#include "platform/linux/wayland/video/shared_frames.h"

#include <gst/allocators/allocators.h>
#include <sys/mman.h>
#include <unistd.h>

#include <memory>

namespace tessiva {
namespace {

// ---- The allocator: one memfd for each piece of memory ----

struct MemfdAllocator {
    GstFdAllocator parent;
};
struct MemfdAllocatorClass {
    GstFdAllocatorClass parent_class;
};

GType memfdAllocatorType();
G_DEFINE_TYPE(MemfdAllocator, memfd_allocator, GST_TYPE_FD_ALLOCATOR)
GType memfdAllocatorType() { return memfd_allocator_get_type(); }

GstMemory* allocMemfd(GstAllocator* allocator, gsize size, GstAllocationParams* params) {
    const gsize prefix = params != nullptr ? params->prefix : 0;
    const gsize whole = prefix + size + (params != nullptr ? params->padding : 0);
    const int fd = memfd_create("tessiva-frame", MFD_CLOEXEC);
    if (fd < 0) return nullptr;
    if (ftruncate(fd, static_cast<off_t>(whole)) != 0) {
        close(fd);
        return nullptr;
    }
    GstMemory* memory = gst_fd_allocator_alloc(allocator, fd, whole, GST_FD_MEMORY_FLAG_KEEP_MAPPED);
    if (memory == nullptr) {
        close(fd);
        return nullptr;
    }
    // Mapped for reading and writing once, and kept: a mapping for writing alone (the
    // converter's) and then for reading (ours) would otherwise be undone and made again at
    // each frame, its pages faulted in again, which doubled the converter's time.
    GstMapInfo map;
    if (gst_memory_map(memory, &map, GST_MAP_READWRITE)) gst_memory_unmap(memory, &map);
    gst_memory_resize(memory, static_cast<gssize>(prefix), size);
    return memory;
}

void memfd_allocator_class_init(MemfdAllocatorClass* klass) { GST_ALLOCATOR_CLASS(klass)->alloc = allocMemfd; }
void memfd_allocator_init(MemfdAllocator* self) {
    GstAllocator* allocator = GST_ALLOCATOR(self);
    allocator->mem_type = "tessiva-memfd";
    GST_OBJECT_FLAG_UNSET(allocator, GST_ALLOCATOR_FLAG_CUSTOM_ALLOC);
}

GstAllocator* sharedAllocator() {
    // One for the program's life, as GStreamer's own allocators are.
    static GstAllocator* allocator = [] {
        auto* made = static_cast<GstAllocator*>(g_object_new(memfdAllocatorType(), nullptr));
        gst_object_ref_sink(made);
        return made;
    }();
    return allocator;
}

GstPadProbeReturn answerAllocation(GstPad*, GstPadProbeInfo* info, gpointer) {
    GstQuery* query = GST_PAD_PROBE_INFO_QUERY(info);
    if (GST_QUERY_TYPE(query) != GST_QUERY_ALLOCATION) return GST_PAD_PROBE_OK;
    GstCaps* caps = nullptr;
    gboolean needPool = FALSE;
    gst_query_parse_allocation(query, &caps, &needPool);
    GstVideoInfo video;
    if (caps == nullptr || !gst_video_info_from_caps(&video, caps)) return GST_PAD_PROBE_OK;
    GstBufferPool* pool = gst_video_buffer_pool_new();
    GstStructure* config = gst_buffer_pool_get_config(pool);
    const guint size = static_cast<guint>(GST_VIDEO_INFO_SIZE(&video));
    // Two at least: one the compositor shows, one being written.
    gst_buffer_pool_config_set_params(config, caps, size, 2, 0);
    gst_buffer_pool_config_set_allocator(config, sharedAllocator(), nullptr);
    if (!gst_buffer_pool_set_config(pool, config)) {
        gst_object_unref(pool);
        return GST_PAD_PROBE_OK;
    }
    gst_query_add_allocation_pool(query, pool, size, 2, 0);
    gst_query_add_allocation_param(query, sharedAllocator(), nullptr);
    gst_query_add_allocation_meta(query, GST_VIDEO_META_API_TYPE, nullptr);
    gst_object_unref(pool);
    return GST_PAD_PROBE_HANDLED;
}

GQuark attachmentQuark() {
    static const GQuark quark = g_quark_from_static_string("tessiva-attachment");
    return quark;
}

}  // namespace

void offerSharedFrames(GstElement* sink) {
    GstPad* pad = gst_element_get_static_pad(sink, "sink");
    if (pad == nullptr) return;
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_QUERY_DOWNSTREAM, answerAllocation, nullptr, nullptr);
    gst_object_unref(pad);
}

bool sharedPixels(GstBuffer* buffer, const GstVideoFrame& frame, SharedPixels& out) {
    if (gst_buffer_n_memory(buffer) != 1) return false;
    GstMemory* memory = gst_buffer_peek_memory(buffer, 0);
    if (memory->allocator != sharedAllocator() || !gst_is_fd_memory(memory)) return false;
    out.fd = gst_fd_memory_get_fd(memory);
    out.size = memory->maxsize;
    out.offset = memory->offset + GST_VIDEO_FRAME_PLANE_OFFSET(&frame, 0);
    gst_buffer_ref(buffer);
    out.hold = std::shared_ptr<const void>(buffer, [](const void* held) {
        gst_buffer_unref(static_cast<GstBuffer*>(const_cast<void*>(held)));
    });
    // The target's own object for this memory, freed with it.
    auto* attachment = static_cast<std::shared_ptr<void>*>(
        gst_mini_object_get_qdata(GST_MINI_OBJECT(memory), attachmentQuark()));
    if (attachment == nullptr) {
        attachment = new std::shared_ptr<void>();
        gst_mini_object_set_qdata(GST_MINI_OBJECT(memory), attachmentQuark(), attachment,
                                  [](gpointer data) { delete static_cast<std::shared_ptr<void>*>(data); });
    }
    out.attachment = attachment;
    return true;
}

}  // namespace tessiva
