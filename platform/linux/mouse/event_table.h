#pragma once
// The notification events one DirectX8 object has made: a handle for each, and the callback
// its signal calls. Handles are unique in the process and never 0 (0 means "no event").
// Any thread.
#include <cstdint>
#include <map>
#include <mutex>

#include "platform/input.h"

namespace tessiva {

class EventTable {
public:
    std::int32_t add(DirectXEvent8& callback);
    // The callback of `handle`; nullptr when this table didn't make it.
    DirectXEvent8* find(std::int32_t handle) const;

private:
    mutable std::mutex m_mutex;
    std::map<std::int32_t, DirectXEvent8*> m_events;
};

}  // namespace tessiva
