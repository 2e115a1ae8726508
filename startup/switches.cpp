#include "startup/switches.h"

#include "platform/convert.h"
#include "platform/runtime_error.h"

namespace tessiva {

std::string switchText(std::string_view commandLine) {
    const auto first = commandLine.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = commandLine.find_last_not_of(' ');
    std::string text(commandLine.substr(first, last - first + 1));
    // ASCII only: the switches are ASCII, and other bytes of UTF-8 text must pass unchanged.
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

DisplayMode displayModeOf(std::string_view commandLine) { return chooseMode(switchText(commandLine)); }

DisplayMode chooseMode(const std::string& text) {
    const std::string_view head = std::string_view(text).substr(0, 2);
    if (head == "/S") return DisplayMode::Saver;
    if (head == "/P") return DisplayMode::Preview;
    if (head == "/C") return DisplayMode::Config;
    return DisplayMode::None;
}

std::int32_t hostHandle(const std::string& text) {
    // Taking the last (length - 3) characters: a negative count is an invalid argument.
    if (text.size() < 3) throw errors::invalidProcedureCall();
    return toLong(std::string_view(text).substr(3));
}

std::string joinArguments(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += argv[i];
    }
    return line;
}

}  // namespace tessiva
