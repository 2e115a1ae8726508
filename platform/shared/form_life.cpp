#include "platform/shared/form_life.h"

#include "platform/error_boundary.h"

namespace tessiva {

bool FormLife::unload(Forms& forms, FormEvents& events) {
    if (!m_loaded) return false;
    std::int16_t cancel = 0;
    guarded(forms, [&] { events.Form_Unload(cancel); });
    if (cancel != 0) return false;
    m_loaded = false;
    return true;
}

}  // namespace tessiva
