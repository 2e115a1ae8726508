#include "platform/linux/mouse/event_table.h"

#include <atomic>

namespace tessiva {
namespace {

std::atomic<std::int32_t> g_nextHandle{1};

}  // namespace

std::int32_t EventTable::add(DirectXEvent8& callback) {
    const std::int32_t handle = g_nextHandle++;
    const std::lock_guard lock(m_mutex);
    m_events[handle] = &callback;
    return handle;
}

DirectXEvent8* EventTable::find(std::int32_t handle) const {
    const std::lock_guard lock(m_mutex);
    const auto found = m_events.find(handle);
    return found != m_events.end() ? found->second : nullptr;
}

}  // namespace tessiva
