// HRESULTs as statuses (see hresult_status.h); the words come from the COM helpers.
#include "platform/windows/dshow/hresult_status.h"

#include <windows.h>

#include "platform/windows/com/hresult_text.h"

namespace tessiva::dshow {

Status statusOf(std::int32_t hr, const std::string& what) {
    if (SUCCEEDED(hr)) return Status::success();
    return Status::failure(hr, "DirectShow: " + what + ": " + win32::describeHresult(hr));
}

}  // namespace tessiva::dshow
