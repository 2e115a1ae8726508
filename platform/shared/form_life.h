#pragma once
// FormLife: the one form's life in a forms layer. It is loaded from Load until an unload that
// its Unload handler lets through; the handler runs at most once per unload request, and once
// the form has gone it stays gone. After that every call on its window does nothing and
// succeeds (unlessGone), so a handler still running after its form unloaded can't bring the
// window back or fail on it. Interface thread only; never throws past the event boundary.
#include <cstdint>
#include <type_traits>

#include "platform/forms.h"
#include "platform/status.h"

namespace tessiva {

class FormLife {
public:
    void load() { m_loaded = true; }
    bool loaded() const { return m_loaded; }

    // Runs the form's Unload handler at the event boundary while the form is loaded. True
    // when the form unloaded now; false when it had gone already or the handler cancelled.
    bool unload(Forms& forms, FormEvents& events);

private:
    bool m_loaded = false;
};

// Runs `call` on a window that is still there; on a window gone it does nothing and
// succeeds. `call` answers a Status, or nothing for a plain success.
template <class Call>
Status unlessGone(bool gone, Call&& call) {
    if (gone) return Status::success();
    if constexpr (std::is_void_v<std::invoke_result_t<Call>>) {
        call();
        return Status::success();
    } else {
        return call();
    }
}

}  // namespace tessiva
