#include "platform/windows/win32/command_line.h"

#include <windows.h>

#include <algorithm>

namespace tessiva::win32 {
namespace {

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// File names compare as the file system compares them: ordinal, ignoring case.
bool startsWithPath(std::wstring_view line, std::wstring_view path) {
    if (path.empty() || line.size() < path.size()) return false;
    if (line.size() > path.size() && !isBlank(line[path.size()])) return false;
    return CompareStringOrdinal(line.data(), static_cast<int>(path.size()), path.data(), static_cast<int>(path.size()),
                                TRUE) == CSTR_EQUAL;
}

// The length of the program's name by the C runtime's rules.
std::size_t firstWordLength(std::wstring_view line) {
    std::size_t i = 0;
    if (i < line.size() && line[i] == L'"') {
        ++i;
        while (i < line.size() && line[i] != L'"') ++i;
        if (i < line.size()) ++i;  // the closing quotation mark
    } else {
        while (i < line.size() && !isBlank(line[i])) ++i;
    }
    return i;
}

// A path query that answers the length it needs when the buffer is too small.
template <typename Query>
std::wstring queried(Query query) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = query(path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(std::max<std::size_t>(length, path.size() * 2));
    }
}

}  // namespace

std::wstring argumentsAfterProgramName(std::wstring_view line, const std::vector<std::wstring>& programPaths) {
    std::size_t skipped = 0;
    if (line.empty() || line.front() != L'"') {
        for (const std::wstring& path : programPaths) {
            if (path.size() > skipped && startsWithPath(line, path)) skipped = path.size();
        }
    }
    std::size_t i = skipped != 0 ? skipped : firstWordLength(line);
    while (i < line.size() && isBlank(line[i])) ++i;
    return std::wstring(line.substr(i));
}

std::wstring moduleFileName() {
    return queried([](wchar_t* buffer, DWORD size) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer, size);
        return length == size ? size + 1 : length;  // a cut name answers the buffer's size
    });
}

std::vector<std::wstring> programPathSpellings() {
    const std::wstring module = moduleFileName();
    std::vector<std::wstring> spellings{module};
    if (module.empty()) return spellings;
    for (const std::wstring& other :
         {queried([&](wchar_t* buffer, DWORD size) { return GetLongPathNameW(module.c_str(), buffer, size); }),
          queried([&](wchar_t* buffer, DWORD size) { return GetShortPathNameW(module.c_str(), buffer, size); })}) {
        if (!other.empty() && std::find(spellings.begin(), spellings.end(), other) == spellings.end()) {
            spellings.push_back(other);
        }
    }
    return spellings;
}

}  // namespace tessiva::win32
