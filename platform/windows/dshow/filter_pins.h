#pragma once
// Questions about a DirectShow filter's pins, asked by walking them (IBaseFilter::EnumPins):
// the graph's renderer check and the sound-path surgery ask them. Plain functions of the
// interface thread; a pin that doesn't answer counts as not there.
//
// Facts relied on: EnumPins, IEnumPins::Next, IPin::ConnectedTo and IPin::QueryPinInfo hand
// out references counted for the caller; ConnectedTo fails on a pin that isn't connected.
#include "platform/windows/com/com_ref.h"

// The SDK's interfaces, declared as the SDK does, so that this header needs no system header.
struct IBaseFilter;
struct IPin;

namespace tessiva::dshow {

struct PinCount {
    int in = 0;
    int out = 0;
};

// Whether any pin of `filter` is connected.
bool anyPinConnected(IBaseFilter* filter);
// How many input and output pins `filter` has.
PinCount pinsOf(IBaseFilter* filter);
// The first input pin of `filter` that is connected, and the output pin it is connected to;
// false when none is.
bool connectedInput(IBaseFilter* filter, ComRef<IPin>& input, ComRef<IPin>& upstream);
// The filter `pin` belongs to; empty when it doesn't say.
ComRef<IBaseFilter> ownerOf(IPin* pin);

}  // namespace tessiva::dshow
