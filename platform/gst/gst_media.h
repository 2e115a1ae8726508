#pragma once
// The media seam on GStreamer: each filter graph is a GstGraph (playbin into an X window of
// its own). Construct one GstMedia for the program's life, on the interface thread:
//     tessiva::GstMedia media;
// It initialises GStreamer on first use; creating a graph fails if that is impossible.
//
// Facts relied on: gst_init_check may be called any number of times, from one thread; it
// loads the plugin registry only once.
#include "platform/media.h"

namespace tessiva {

class GstMedia final : public Media {
public:
    Status createFilterGraph(std::shared_ptr<MediaControl>& out) override;
};

}  // namespace tessiva
