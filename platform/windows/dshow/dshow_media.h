#pragma once
// The media seam on DirectShow: each filter graph is a DShowGraph over a new Filter Graph
// Manager. Construct one DShowMedia for the program's life, on the interface thread, after
// the composition root has initialised COM there as a single-threaded apartment
// (platform/platform.h):
//     CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
//     tessiva::DShowMedia media;
// It never initialises COM itself; without it, creating a graph fails with
// CO_E_NOTINITIALIZED.
//
// Facts relied on: CLSID_FilterGraph is quartz's in-process server, on Windows and under Wine;
// its object offers IMediaControl, IMediaPosition and IMediaEvent itself, and IBasicAudio and
// IVideoWindow through the renderers a clip brings (dshow_graph.h).
#include <functional>

#include "platform/media.h"

namespace tessiva {

class DShowMedia final : public Media {
public:
    // `wakeOn` hears each graph's event handle (IMediaEvent::GetEventHandle) with true when the
    // graph is made, and with false when it goes, so that the interface thread's wait ends on
    // the graph's events; the graph reads them on every position query.
    using WakeOn = std::function<void(void* event, bool on)>;
    explicit DShowMedia(WakeOn wakeOn = {}) : m_wakeOn(std::move(wakeOn)) {}
    Status createFilterGraph(std::shared_ptr<MediaControl>& out) override;

private:
    WakeOn m_wakeOn;
};

}  // namespace tessiva
