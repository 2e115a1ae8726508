#pragma once
// Status: what every platform call answers. An HRESULT-like code (0 and above is success,
// negative is failure) plus a message that names the layer that failed ("X11: ...",
// "POSIX: ...", "Qt: ..."). The core turns a failing status into a RuntimeError exactly where
// the program's own code would raise one; platform code never throws across the seam.
#include <cstdint>
#include <string>
#include <utility>

namespace tessiva {

class [[nodiscard]] Status {
public:
    static constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005u);         // E_FAIL
    static constexpr std::int32_t kNotImplemented = static_cast<std::int32_t>(0x80004001u);  // E_NOTIMPL
    static constexpr std::int32_t kInvalidArgument = static_cast<std::int32_t>(0x80070057u); // E_INVALIDARG
    static constexpr std::int32_t kAccessDenied = static_cast<std::int32_t>(0x80070005u);    // E_ACCESSDENIED

    Status() = default;
    static Status success() { return Status{}; }
    static Status failure(std::int32_t code, std::string message) { return Status{code, std::move(message)}; }
    static Status failure(std::string message) { return Status{kFail, std::move(message)}; }

    bool ok() const { return m_code >= 0; }
    std::int32_t code() const { return m_code; }
    const std::string& message() const { return m_message; }

private:
    Status(std::int32_t code, std::string message) : m_code(code), m_message(std::move(message)) {}
    std::int32_t m_code = 0;
    std::string m_message;
};

}  // namespace tessiva
