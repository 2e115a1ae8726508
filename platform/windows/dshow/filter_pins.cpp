// A filter's pins (see filter_pins.h): every question is one walk over EnumPins.
#include "platform/windows/dshow/filter_pins.h"

#include <windows.h>
#include <dshow.h>

#include <utility>

namespace tessiva::dshow {
namespace {

// Calls `visit` with each pin of `filter` until it answers true; whether one did.
template <class Visit>
bool anyPin(IBaseFilter* filter, Visit visit) {
    ComRef<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.put()))) return false;
    for (ComRef<IPin> pin; pins->Next(1, pin.put(), nullptr) == S_OK;) {
        if (visit(pin)) return true;
    }
    return false;
}

}  // namespace

bool anyPinConnected(IBaseFilter* filter) {
    return anyPin(filter, [](ComRef<IPin>& pin) {
        ComRef<IPin> peer;
        return SUCCEEDED(pin->ConnectedTo(peer.put()));
    });
}

PinCount pinsOf(IBaseFilter* filter) {
    PinCount count;
    anyPin(filter, [&](ComRef<IPin>& pin) {
        PIN_DIRECTION direction = PINDIR_INPUT;
        if (SUCCEEDED(pin->QueryDirection(&direction))) ++(direction == PINDIR_INPUT ? count.in : count.out);
        return false;
    });
    return count;
}

bool connectedInput(IBaseFilter* filter, ComRef<IPin>& input, ComRef<IPin>& upstream) {
    return anyPin(filter, [&](ComRef<IPin>& pin) {
        PIN_DIRECTION direction = PINDIR_OUTPUT;
        if (FAILED(pin->QueryDirection(&direction)) || direction != PINDIR_INPUT) return false;
        if (FAILED(pin->ConnectedTo(upstream.put()))) return false;
        input = std::move(pin);
        return true;
    });
}

ComRef<IBaseFilter> ownerOf(IPin* pin) {
    PIN_INFO info{};
    if (FAILED(pin->QueryPinInfo(&info))) return {};
    return ComRef<IBaseFilter>(info.pFilter);  // QueryPinInfo counted the reference
}

}  // namespace tessiva::dshow
