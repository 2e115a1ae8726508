#pragma once
// The system's own words for a Win32 error or an HRESULT, for messages a user reads.
#include <cstdint>
#include <string>

namespace tessiva::win32 {

std::string systemMessage(std::uint32_t code);
// "<what>: <the system's words> (0x8004...)", for Status messages.
std::string describe(const std::string& what, std::int32_t hresult);

}  // namespace tessiva::win32
