#pragma once
// A sink with a converter and a scaler in front of it, in one bin that playbin takes as its
// video-sink: the scaler makes pictures of the size the capsfilter's caps ask for, keeping
// the clip's aspect with black borders. The caps may be replaced while playing (the scaler
// renegotiates on its next buffer).
#include "platform/linux/gst/gst_ref.h"
#include "platform/status.h"

namespace tessiva {

struct ScaledSink {
    ElementRef bin;     // for playbin
    ElementRef filter;  // the capsfilter, whose caps say the pictures' size
};

// Puts `sink` (named `sinkName` in messages) behind the scaler; `caps` are the first size's.
// A failure's message is the reason alone.
Status makeScaledSink(GstElement* sink, const char* sinkName, GstCaps* caps, ScaledSink& out);

}  // namespace tessiva
