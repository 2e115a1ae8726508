// The sound path taken out and put back (see sound_path.h).
#include "platform/windows/dshow/sound_path.h"

#include <windows.h>
#include <dshow.h>

#include <utility>

#include "platform/windows/dshow/filter_pins.h"
#include "platform/windows/dshow/hresult_status.h"

namespace tessiva::dshow {
namespace {

// A filter that plays sound: no output pin, and an input that takes audio.
bool rendersSound(IBaseFilter* filter) {
    if (pinsOf(filter).out != 0) return false;
    ComRef<IPin> input, upstream;
    if (!connectedInput(filter, input, upstream)) return false;
    AM_MEDIA_TYPE type{};
    if (FAILED(input->ConnectionMediaType(&type))) return false;
    const bool audio = IsEqualGUID(type.majortype, MEDIATYPE_Audio);
    CoTaskMemFree(type.pbFormat);
    if (type.pUnk != nullptr) type.pUnk->Release();
    return audio;
}

}  // namespace

Status SoundPath::takeOut(IGraphBuilder* graph) {
    std::vector<ComRef<IBaseFilter>> renderers;
    ComRef<IEnumFilters> filters;
    HRESULT hr = graph->EnumFilters(filters.put());
    if (FAILED(hr)) return statusOf(hr, "cannot list the graph's filters");
    for (ComRef<IBaseFilter> filter; filters->Next(1, filter.put(), nullptr) == S_OK;) {
        if (rendersSound(filter.get())) renderers.push_back(std::move(filter));
    }
    // Each renderer goes, and upstream of it each filter with one input and one output (the
    // decoder); the pin above them stays unconnected, and its stream goes nowhere.
    for (ComRef<IBaseFilter>& renderer : renderers) {
        ComRef<IBaseFilter> current = std::move(renderer);
        for (;;) {
            ComRef<IPin> input, upstream;
            const bool fed = connectedInput(current.get(), input, upstream);
            ComRef<IBaseFilter> feeder = fed ? ownerOf(upstream.get()) : ComRef<IBaseFilter>();
            hr = graph->RemoveFilter(current.get());
            if (FAILED(hr)) return statusOf(hr, "cannot take the sound renderer out of the graph");
            if (!feeder) break;
            const PinCount pins = pinsOf(feeder.get());
            if (pins.in != 1 || pins.out != 1) {
                m_cut.push_back(std::move(upstream));
                break;
            }
            current = std::move(feeder);
        }
    }
    return Status::success();
}

Status SoundPath::putBack(IGraphBuilder* graph) {
    std::vector<ComRef<IPin>> cut = std::move(m_cut);
    m_cut.clear();
    for (ComRef<IPin>& pin : cut) {
        const HRESULT hr = graph->Render(pin.get());
        if (FAILED(hr)) return statusOf(hr, "cannot render the sound again");
    }
    return Status::success();
}

}  // namespace tessiva::dshow
