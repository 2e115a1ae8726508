// GstMedia: initialises GStreamer and makes graphs (see gst_media.h).
//
// Facts relied on: gst_init_check reports failure through a GError instead of exiting; it
// succeeds without any plugin, so a GStreamer without playbin (the base plugins missing)
// shows only when the factory is looked up.
#include "platform/gst/gst_media.h"

#include <gst/gst.h>

#include <thread>

#include "platform/gst/gst_graph.h"
#include "platform/gst/gst_ref.h"

namespace tessiva {

void GstMedia::startEarly() {
    std::thread([] {
        if (!gst_init_check(nullptr, nullptr, nullptr)) return;  // the graph's own call reports it
        if (GstElement* playbin = gst_element_factory_make("playbin", nullptr)) gst_object_unref(gst_object_ref_sink(playbin));
    }).detach();
}

Status GstMedia::createFilterGraph(std::shared_ptr<MediaControl>& out) {
    GError* raw = nullptr;
    if (!gst_init_check(nullptr, nullptr, &raw)) {
        ErrorRef error{raw};
        return Status::failure(std::string("GStreamer: cannot start: ") + (error ? error->message : "unknown error"));
    }
    // A graph that could never hold a clip is no graph: as when the desktop's filter graph
    // manager isn't registered, creating it fails.
    if (GstElementFactory* playbin = gst_element_factory_find("playbin")) {
        gst_object_unref(playbin);
    } else {
        return Status::failure("GStreamer: cannot make a filter graph: the playbin element is missing "
                               "(is gstreamer1.0-plugins-base installed?)");
    }
    out = std::make_shared<GstGraph>();
    return Status::success();
}

}  // namespace tessiva
