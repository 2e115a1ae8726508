// Any command line either picks a mode or ends the program; a preview handle either
// converts or raises a run-time error. Nothing else may happen: no crash, no other exception.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/runtime_error.h"
#include "startup/switches.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const std::string text = tessiva::switchText(line);
    if (text.size() > line.size()) __builtin_trap();
    if (tessiva::chooseMode(text) == tessiva::DisplayMode::Preview) {
        try {
            (void)tessiva::hostHandle(text);
        } catch (const tessiva::RuntimeError& error) {
            if (error.number() != 5 && error.number() != 6 && error.number() != 13) __builtin_trap();
        }
    }
    return 0;
}
