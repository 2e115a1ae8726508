#pragma once
// Frames in memory another process can map: the converter in front of the pictures' appsink
// writes each frame into a memfd of ours, which a target can hand to its compositor as it is
// (a wl_shm buffer), with no copy, and which counts as shared memory, not our own. Playbin's
// waylandsink does the same with its pool.
//
// Facts relied on (GStreamer 1.22):
// - An element that converts (videoconvert) asks downstream for a pool in an ALLOCATION query
//   and uses the one offered; elements that pass the caps through (videoscale at the same
//   size, capsfilter) forward the query. A probe that answers it returns HANDLED: the query
//   then returns TRUE with the probe's entries.
// - GstFdAllocator's memory maps its fd (shared) and closes it when freed. Kept mapped, a
//   mapping serves a later map only if it allows at least as much.
#include <gst/gst.h>
#include <gst/video/video.h>

#include "platform/linux/wayland/video/frame_target.h"

namespace tessiva {

// Offers the pool of shared frames to whatever feeds `sink`.
void offerSharedFrames(GstElement* sink);

// Where `frame` (mapped from `buffer`) lies in shared memory of ours; false when it doesn't
// (a pool of its own upstream, or a frame in more than one piece). The hold keeps the buffer
// from going back to the pool; the attachment lives as long as the memory.
bool sharedPixels(GstBuffer* buffer, const GstVideoFrame& frame, SharedPixels& out);

}  // namespace tessiva
