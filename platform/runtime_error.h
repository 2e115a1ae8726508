#pragma once
// RuntimeError: the program's run-time error, a number and a description. The core raises it
// where a failing call or conversion would stop a handler; the forms layer catches it at the
// event boundary, reports it and ends the process with status 1.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/status.h"

namespace tessiva {

class RuntimeError : public std::runtime_error {
public:
    RuntimeError(std::int32_t number, const std::string& description)
        : std::runtime_error(description), m_number(number) {}
    std::int32_t number() const { return m_number; }
    std::string description() const { return what(); }

private:
    std::int32_t m_number;
};

// The numbers the program's own operations raise.
namespace errors {
inline constexpr std::int32_t kInvalidProcedureCall = 5;
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kObjectNotSet = 91;
inline constexpr std::int32_t kInvalidPropertyValue = 380;

RuntimeError invalidProcedureCall();
RuntimeError overflow();
RuntimeError typeMismatch();
RuntimeError objectNotSet();
RuntimeError invalidPropertyValue();
}  // namespace errors

// Turns a failing status into the run-time error it stands for; a success passes through.
void check(const Status& status);

// The text a report shows: "Run-time error '13':\n\nType mismatch".
std::string reportText(const RuntimeError& error);

}  // namespace tessiva
