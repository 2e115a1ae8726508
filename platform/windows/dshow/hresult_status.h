#pragma once
// DirectShow's answers as the seam's statuses: a success code (S_OK, S_FALSE, and
// VFW_S_PARTIAL_RENDER when a clip renders without its sound) is a plain success; a failure
// keeps its HRESULT as the status code and says, after "DirectShow: ", what was being done
// and what the code means. Plain functions of the interface thread; they never fail.
//
// The header takes the HRESULT as the 32-bit integer it is, so that it needs no SDK header.
#include <cstdint>
#include <string>

#include "platform/status.h"

namespace tessiva::dshow {

// Success for a success code; otherwise "DirectShow: <what>: <win32::describeHresult>".
Status statusOf(std::int32_t hr, const std::string& what);

}  // namespace tessiva::dshow
