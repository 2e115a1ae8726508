// GstMedia: initialises GStreamer and makes graphs (see gst_media.h).
//
// Facts relied on: gst_init_check reports failure through a GError instead of exiting.
#include "platform/gst/gst_media.h"

#include <gst/gst.h>

#include "platform/gst/gst_graph.h"
#include "platform/gst/gst_ref.h"

namespace tessiva {

Status GstMedia::createFilterGraph(std::shared_ptr<MediaControl>& out) {
    GError* raw = nullptr;
    if (!gst_init_check(nullptr, nullptr, &raw)) {
        ErrorRef error{raw};
        return Status::failure(std::string("GStreamer: cannot start: ") + (error ? error->message : "unknown error"));
    }
    out = std::make_shared<GstGraph>();
    return Status::success();
}

}  // namespace tessiva
