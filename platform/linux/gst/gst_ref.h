#pragma once
// Owning handles for GStreamer and GLib objects, so every early return drops its references.
//
// Facts relied on:
// - gst_object_unref/gst_message_unref/gst_query_unref/g_free/g_error_free release exactly one
//   reference (or the block); none of them accepts nullptr, so the deleters check.
// - A new element's reference is floating: gst_object_ref_sink takes ownership of it, and an
//   element added to a bin (or set as a playbin sink) is then held by both.
#include <gst/gst.h>

#include <memory>

namespace tessiva {

struct GstObjectUnref {
    void operator()(gpointer object) const {
        if (object != nullptr) gst_object_unref(object);
    }
};
struct GstMessageUnref {
    void operator()(GstMessage* message) const {
        if (message != nullptr) gst_message_unref(message);
    }
};
struct GstQueryUnref {
    void operator()(GstQuery* query) const {
        if (query != nullptr) gst_query_unref(query);
    }
};
struct GErrorFree {
    void operator()(GError* error) const {
        if (error != nullptr) g_error_free(error);
    }
};
struct GFree {
    void operator()(gpointer block) const { g_free(block); }
};

using ElementRef = std::unique_ptr<GstElement, GstObjectUnref>;
using BusRef = std::unique_ptr<GstBus, GstObjectUnref>;
using MessageRef = std::unique_ptr<GstMessage, GstMessageUnref>;
using QueryRef = std::unique_ptr<GstQuery, GstQueryUnref>;
using ErrorRef = std::unique_ptr<GError, GErrorFree>;
using TextRef = std::unique_ptr<gchar, GFree>;

// Takes ownership of a freshly made (floating) element; nullptr stays nullptr.
inline ElementRef adoptElement(GstElement* element) {
    if (element != nullptr) gst_object_ref_sink(element);
    return ElementRef{element};
}

}  // namespace tessiva
