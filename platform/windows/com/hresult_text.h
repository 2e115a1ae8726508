#pragma once
// HRESULTs and Win32 error codes in words, for the messages a user reads: the DirectShow and
// Win32 layers build their error texts here (DirectInput's name only what failed). Plain
// functions of any thread; they never fail.
//
// The header takes codes as the 32-bit integers they are, so that it needs no SDK header.
#include <cstdint>
#include <string>

namespace tessiva::win32 {

// The system's own words for a Win32 error or an HRESULT, or "error <number>".
std::string systemMessage(std::uint32_t code);
// "<what>: <the system's words> (0x8004...)", for Status messages.
std::string describe(const std::string& what, std::int32_t hresult);
// "VFW_E_CANNOT_RENDER (0x80040218)": our name for the codes a clip that won't play is likely
// to bring (the system's message table doesn't know DirectShow's VFW_* codes), else the
// system's words for it, else the bare number.
std::string describeHresult(std::int32_t hr);

}  // namespace tessiva::win32
