// Feeds arbitrary bytes to the INI text model as a settings file. Every read keeps the buffer
// contract (no more characters than the capacity allows, NUL-terminated at the count, nothing
// written past it), and an entry set into the file reads back as it was set.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/linux/posix/ini_text.h"
#include "platform/profile.h"
#include "platform/shared/profile_characters.h"

namespace {

constexpr std::uint32_t kCapacity = 255;

// The value of section/key in `raw`, or nothing when the file has no such entry; aborts when
// the read breaks the buffer contract.
bool read(const std::string& raw, std::string_view section, std::string_view key, std::string& value) {
    char buffer[kCapacity * tessiva::Profile::kBytesPerCharacter + 1];
    std::memset(buffer, '#', sizeof buffer);
    std::uint32_t count = 0;
    const bool found = tessiva::ini::readValue(raw, section, key, buffer, kCapacity, count);
    if (!found) count = tessiva::ini::readDefault("\"default\"", buffer, kCapacity);
    if (buffer[count] != '\0' || tessiva::profile_characters::count({buffer, count}) >= kCapacity) std::abort();
    for (std::size_t i = count + 1; i < sizeof buffer; ++i) {
        if (buffer[i] != '#') std::abort();
    }
    value.assign(buffer, count);
    return found;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string raw(reinterpret_cast<const char*>(data), size);
    static const char* const kNames[][2] = {{"S", "k"}, {"", ""}, {"s", "K"}, {"", "k"}, {"Tessiva", "Folder"}};
    std::string value;
    for (const auto& name : kNames) read(raw, name[0], name[1], value);

    // What the settings dialog stores, into whatever the file held.
    const std::string written = tessiva::ini::withEntry(raw, "config", "sound", "2");
    if (!read(written, "config", "sound", value) || value != "2") std::abort();
    return 0;
}
