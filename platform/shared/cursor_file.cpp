#include "platform/shared/cursor_file.h"

#include <cstdint>

namespace tessiva {
namespace {

int le16(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint8_t>(bytes[at]) | (static_cast<std::uint8_t>(bytes[at + 1]) << 8);
}

}  // namespace

std::optional<HotSpot> cursorHotSpot(std::string_view bytes) {
    if (bytes.size() < 6 + 16) return std::nullopt;
    if (le16(bytes, 0) != 0 || le16(bytes, 2) != 2 || le16(bytes, 4) < 1) return std::nullopt;
    return HotSpot{le16(bytes, 6 + 4), le16(bytes, 6 + 6)};
}

}  // namespace tessiva
