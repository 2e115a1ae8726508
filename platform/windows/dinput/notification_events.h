#pragma once
// The notification events one DirectX8 object has made: for each, a Win32 auto-reset event
// and a thread of ours that waits on it and calls the program's callback once per wake-up.
// An event's id is its handle's value, so ids are unique in the process and never 0.
//
// Facts relied on (Win32, DirectInput 8):
// - Kernel handles are 32-bit values sign-extended to the pointer's width, so a HANDLE
//   survives the round trip through the program's 32-bit event id.
// - CreateEventW never answers a null handle on success.
// - A device notifies by SetEvent on the handle it was given; it doesn't duplicate it, so the
//   handle must stay open for as long as the device may signal it.
// - Signals of an auto-reset event that come while nobody waits collapse into one wake-up:
//   the callback reads everything the device holds, so none is lost.
// - WaitForMultipleObjects answers the lowest index among the signalled handles, so a stop
//   event put first wins over a device that keeps signalling.
//
// Threads: create and find from any thread. The callback runs on the event's own thread; it
// may end the process from there. Nothing of the program's reaches that thread but the
// callback and its id.
//
// Lifetime: the program never lets go of these (platform/input.h). When a table goes (in
// tests), each thread is told to stop and waited for, but only so long: a callback that
// doesn't return within it is left to finish, and the thread ends after it without calling
// again. From the event's own thread (a callback that lets go of the last reference) it
// isn't waited for at all. Each thread keeps its handles open itself, so none closes under it.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "platform/input.h"
#include "platform/status.h"

namespace tessiva {

class NotificationEvents {
public:
    NotificationEvents();
    ~NotificationEvents();
    NotificationEvents(const NotificationEvents&) = delete;
    NotificationEvents& operator=(const NotificationEvents&) = delete;

    // Makes an event whose every signal calls callback.DXCallback(id) on the event's thread.
    Status create(DirectXEvent8& callback, std::int32_t& id);

    // The event handle of `id`, kept open while the answer is held; empty when this table
    // didn't make it.
    std::shared_ptr<void> find(std::int32_t id) const;

private:
    struct Event;  // the handles and the thread; defined in the .cpp, where Win32 is

    mutable std::mutex m_mutex;
    std::map<std::int32_t, std::unique_ptr<Event>> m_events;
};

}  // namespace tessiva
