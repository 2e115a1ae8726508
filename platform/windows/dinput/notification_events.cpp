#include "platform/windows/dinput/notification_events.h"

#include <windows.h>

#include <utility>

namespace tessiva {
namespace {

// How long a table that goes waits for a callback in progress to return.
constexpr DWORD kStopWaitMilliseconds = 2000;

Status lastError(const char* what) {
    return Status::failure(static_cast<std::int32_t>(HRESULT_FROM_WIN32(GetLastError())),
                           std::string("DirectInput: cannot make a notification event (") + what + ")");
}

std::shared_ptr<void> ownedHandle(HANDLE handle) {
    return std::shared_ptr<void>(handle, [](HANDLE h) { CloseHandle(h); });
}

// What the thread needs, and owns: it outlives the table if the table stops waiting for it.
struct Watch {
    std::shared_ptr<void> stop;
    std::shared_ptr<void> event;
    DirectXEvent8* callback;
    std::int32_t id;
};

DWORD WINAPI watch(void* parameter) {
    const std::unique_ptr<Watch> own(static_cast<Watch*>(parameter));
    const HANDLE handles[] = {own->stop.get(), own->event.get()};
    while (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        try {
            own->callback->DXCallback(own->id);
        } catch (...) {
            // The program's callback handles its own errors; whatever escapes stops here, on a
            // thread that has nowhere to take it.
        }
    }
    return 0;
}

}  // namespace

struct NotificationEvents::Event {
    std::shared_ptr<void> stop;
    std::shared_ptr<void> event;
    HANDLE thread = nullptr;
    DWORD threadId = 0;

    Event() = default;
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    ~Event() {
        if (thread == nullptr) return;
        SetEvent(stop.get());
        if (threadId != GetCurrentThreadId()) WaitForSingleObject(thread, kStopWaitMilliseconds);
        CloseHandle(thread);
    }
};

NotificationEvents::NotificationEvents() = default;
NotificationEvents::~NotificationEvents() = default;

Status NotificationEvents::create(DirectXEvent8& callback, std::int32_t& id) try {
    auto made = std::make_unique<Event>();
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (event == nullptr) return lastError("CreateEventW");
    made->event = ownedHandle(event);
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (stop == nullptr) return lastError("CreateEventW");
    made->stop = ownedHandle(stop);

    const auto handleValue = reinterpret_cast<std::intptr_t>(event);
    const auto eventId = static_cast<std::int32_t>(handleValue);
    if (eventId != handleValue) {
        return Status::failure("DirectInput: the event's handle doesn't fit the program's 32-bit event id");
    }

    auto watchState = std::make_unique<Watch>(Watch{made->stop, made->event, &callback, eventId});
    made->thread = CreateThread(nullptr, 0, watch, watchState.get(), 0, &made->threadId);
    if (made->thread == nullptr) return lastError("CreateThread");
    watchState.release();  // the thread's now

    const std::lock_guard lock(m_mutex);
    m_events[eventId] = std::move(made);
    id = eventId;
    return Status::success();
} catch (...) {
    return Status::failure("DirectInput: cannot make a notification event");
}

std::shared_ptr<void> NotificationEvents::find(std::int32_t id) const {
    const std::lock_guard lock(m_mutex);
    const auto found = m_events.find(id);
    return found != m_events.end() ? found->second->event : nullptr;
}

}  // namespace tessiva
