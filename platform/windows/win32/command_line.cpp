#include "platform/windows/win32/command_line.h"

namespace tessiva::win32 {

std::wstring argumentsAfterProgramName(std::wstring_view line) {
    std::size_t i = 0;
    if (i < line.size() && line[i] == L'"') {
        ++i;
        while (i < line.size() && line[i] != L'"') ++i;
        if (i < line.size()) ++i;  // the closing quotation mark
    } else {
        while (i < line.size() && line[i] != L' ' && line[i] != L'\t') ++i;
    }
    while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) ++i;
    return std::wstring(line.substr(i));
}

}  // namespace tessiva::win32
