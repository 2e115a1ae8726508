#pragma once
// The buffered input framework on Windows: DirectInput 8's system mouse, with notification
// events of our own that call the program's callback on a thread of theirs.
//
// Facts relied on (DirectInput 8, Win32):
// - DirectInput8Create needs no COM initialisation on the calling thread; the instance
//   handle it takes is the program's own (GetModuleHandle(nullptr)).
// - A device holds a reference to the DirectInput object that made it, so the program may
//   keep the device alone.
// - Under Wine (8), the non-exclusive background mouse hears only what reaches a Wine window:
//   records come while the pointer is over any window of a Wine process, and not otherwise.
//   Wine reads X's input on the thread that owns the window under the pointer, as that
//   thread handles its messages, and hands it to DirectInput's own thread as raw input: while
//   that thread handles none, nothing comes, and what was done comes once it does again.
//
// Each DirectX8 object keeps the events it made (notification_events.h); a device takes its
// notification only from the events of the DirectX8 object it descends from.
// Failures answer DirectInput's HRESULT with a message that starts "DirectInput: ".
#include <memory>

#include "platform/input.h"

namespace tessiva {

class DInputInput final : public Input {
public:
    Status createDirectX8(std::shared_ptr<DirectX8>& out) override;
};

}  // namespace tessiva
