#pragma once
// Silence as no sound path: a graph's sound renderers, and the decoders that fed only them,
// taken out of the graph, and the sound rendered again when a level above silence comes.
// DShowGraph owns one and calls it on the interface thread, with the graph stopped.
//
// Facts relied on (Windows' quartz, and Wine 8's):
// - A muted audio renderer (put_Volume's -10000) still streams to the device, and Windows
//   counts an open audio stream as a reason to stay awake: silence has to be no renderer.
// - Filters join or leave a graph only while it is stopped (VFW_E_NOT_STOPPED otherwise).
// - A splitter's output pin left unconnected delivers nothing; IGraphBuilder::Render on it
//   builds the sound path again.
#include <vector>

#include "platform/status.h"
#include "platform/windows/com/com_ref.h"

// The SDK's interfaces, declared as the SDK does, so that this header needs no system header.
struct IGraphBuilder;
struct IPin;

namespace tessiva::dshow {

class SoundPath {
public:
    // Takes each sound renderer out of `graph`, and upstream of it each filter that only fed
    // it, up to the output pin that has other work (the splitter's): that pin is kept, cut.
    Status takeOut(IGraphBuilder* graph);
    // Renders each cut pin again; the cut is forgotten, whatever the answer.
    Status putBack(IGraphBuilder* graph);
    // Whether a sound path is out (nothing plays to be balanced).
    bool isOut() const { return !m_cut.empty(); }

private:
    std::vector<ComRef<IPin>> m_cut;
};

}  // namespace tessiva::dshow
