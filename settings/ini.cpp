#include "settings/ini.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "platform/runtime_error.h"

namespace tessiva {

namespace {
// Room for 256 characters, of which the profile may fill 254 and a NUL.
constexpr std::size_t kBufferBytes = 256 * Profile::kBytesPerCharacter;
constexpr std::uint32_t kCapacity = 255;
}  // namespace

std::string ReadIni(Profile& profile, const std::string& file, const std::string& section, const std::string& key,
                    const std::string& defaultValue) {
    std::string buffer(kBufferBytes, ' ');
    const std::uint32_t answered = profile.getPrivateProfileString(section, key, defaultValue, buffer.data(), kCapacity, file);
    // The program keeps the count in a 16-bit Integer; a larger answer could not be stored.
    if (answered > static_cast<std::uint32_t>(std::numeric_limits<std::int16_t>::max())) throw errors::overflow();
    const auto count = static_cast<std::int16_t>(answered);
    buffer.resize(std::min<std::size_t>(static_cast<std::size_t>(count), kBufferBytes));
    return buffer;
}

Status WriteIni(Profile& profile, const std::string& file, const std::string& section, const std::string& key,
                const std::string& value) {
    // A line break would split the entry over two lines of the file; a space keeps it one line
    // and keeps the length the user typed.
    std::string oneLine = value;
    std::replace(oneLine.begin(), oneLine.end(), '\r', ' ');
    std::replace(oneLine.begin(), oneLine.end(), '\n', ' ');
    return profile.writePrivateProfileString(section, key, oneLine, file);
}

}  // namespace tessiva
