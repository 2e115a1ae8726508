// makeScaledSink: converter, scaler and capsfilter in front of a sink (see scaled_sink.h).
#include "platform/linux/gst/scaled_sink.h"

#include <string>

namespace tessiva {

Status makeScaledSink(GstElement* sink, const char* sinkName, GstCaps* caps, ScaledSink& out) {
    ElementRef convert = adoptElement(gst_element_factory_make("videoconvert", nullptr));
    ElementRef scale = adoptElement(gst_element_factory_make("videoscale", nullptr));
    ElementRef filter = adoptElement(gst_element_factory_make("capsfilter", nullptr));
    if (sink == nullptr || !convert || !scale || !filter) {
        return Status::failure(std::string(sinkName) + ", videoconvert or videoscale is missing");
    }
    g_object_set(scale.get(), "add-borders", TRUE, nullptr);
    g_object_set(filter.get(), "caps", caps, nullptr);

    ElementRef bin = adoptElement(gst_bin_new("tessiva-video"));
    // The bin takes a reference of its own to each (they are no longer floating).
    gst_bin_add_many(GST_BIN(bin.get()), convert.get(), scale.get(), filter.get(), sink, nullptr);
    if (!gst_element_link_many(convert.get(), scale.get(), filter.get(), sink, nullptr)) {
        return Status::failure(std::string("cannot link the video scaler to ") + sinkName);
    }
    GstPad* target = gst_element_get_static_pad(convert.get(), "sink");
    gst_element_add_pad(bin.get(), gst_ghost_pad_new("sink", target));
    gst_object_unref(target);
    out = ScaledSink{std::move(bin), std::move(filter)};
    return Status::success();
}

}  // namespace tessiva
