// Feeds arbitrary bytes to PosixProfile as a settings file and checks the buffer contract of
// every read: fewer bytes than the capacity, NUL-terminated at the count, nothing written past
// it. Each process writes its inputs to one file in its own temporary folder, reached through
// the program's backslash name in another case so the name lookup runs too.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/linux/posix/private_profile.h"

namespace {

std::string g_folder;

void removeFolder() {
    std::remove((g_folder + "/fuzz.ini").c_str());
    ::rmdir(g_folder.c_str());
}

const std::string& folder() {
    if (g_folder.empty()) {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/tessiva-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        g_folder = pattern;
        std::atexit(removeFolder);
    }
    return g_folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& dir = folder();
    std::FILE* out = std::fopen((dir + "/fuzz.ini").c_str(), "wb");
    if (out == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, out) != size) std::abort();
    std::fclose(out);

    static const char* const kNames[][2] = {{"S", "k"}, {"", ""}, {"s", "K"}, {"", "k"}, {"Tessiva", "Folder"}};
    constexpr std::uint32_t kCapacity = 255;
    tessiva::PosixProfile profile;
    for (const auto& name : kNames) {
        char buffer[kCapacity + 1];
        std::memset(buffer, '#', sizeof buffer);
        const std::uint32_t count =
            profile.getPrivateProfileString(name[0], name[1], "\"default\"", buffer, kCapacity, dir + "\\FUZZ.INI");
        if (count >= kCapacity || buffer[count] != '\0') std::abort();
        for (std::size_t i = count + 1; i < sizeof buffer; ++i) {
            if (buffer[i] != '#') std::abort();
        }
    }
    return 0;
}
