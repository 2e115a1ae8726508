// GstMedia: initialises GStreamer and makes graphs (see gst_media.h).
//
// Facts relied on: gst_init_check reports failure through a GError instead of exiting; it
// succeeds without any plugin, so a GStreamer without playbin (the base plugins missing)
// shows only when the factory is looked up.
#include "platform/linux/gst/gst_media.h"

#include <gst/gst.h>

#include <initializer_list>
#include <thread>

#include "platform/linux/gst/gst_graph.h"
#include "platform/linux/gst/gst_ref.h"
#include "platform/linux/gst/no_clip_graph.h"

namespace tessiva {

namespace {

// Loads the plugins of these names that are installed.
void loadPlugins(std::initializer_list<const char*> names) {
    for (const char* name : names) {
        if (GstPlugin* plugin = gst_plugin_load_by_name(name)) gst_object_unref(plugin);
    }
}

// Loads every plugin that autoaudiosink may try, the way it chooses: audio sinks of at least
// marginal rank. Loading is what costs; trying each device is left to the graph.
void loadAudioSinks() {
    GList* sinks =
        gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_SINK | GST_ELEMENT_FACTORY_TYPE_MEDIA_AUDIO,
                                              GST_RANK_MARGINAL);
    for (GList* item = sinks; item != nullptr; item = item->next) {
        if (GstPluginFeature* loaded = gst_plugin_feature_load(GST_PLUGIN_FEATURE(item->data))) gst_object_unref(loaded);
    }
    gst_plugin_feature_list_free(sinks);
}

}  // namespace

void GstMedia::startEarly() {
    if (m_playing == Playing::Nothing) return;
    std::thread([] {
        if (!gst_init_check(nullptr, nullptr, nullptr)) return;  // the graph's own call reports it
        // Plugins load one at a time, under one lock. First what the interface thread needs to
        // build its graph (playbin, the video output, the sound sinks and filter), so that it
        // builds while the rest loads; then what playing the sample's kind of clip (MP4, H.264,
        // AAC) needs, the libav plugin last: it alone takes most of the time to a first frame.
        // Nothing here opens the display: Xlib isn't safe to enter from two threads at once
        // before XInitThreads, and Qt is opening its connection meanwhile.
        if (GstElement* playbin = gst_element_factory_make("playbin", nullptr)) gst_object_unref(gst_object_ref_sink(playbin));
        loadPlugins({"xvimagesink", "videoconvertscale", "ximagesink", "app", "coreelements", "autodetect", "audiofx"});
        loadAudioSinks();
        loadPlugins({"typefindfunctions", "isomp4", "videoparsersbad", "audioparsers", "libav"});
    }).detach();
}

Status GstMedia::createFilterGraph(std::shared_ptr<MediaControl>& out) {
    if (m_playing == Playing::Nothing) {
        out = std::make_shared<NoClipGraph>();
        return Status::success();
    }
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
    out = std::make_shared<GstGraph>(m_surfaces(), m_playing == Playing::Silently);
    return Status::success();
}

}  // namespace tessiva
