#include "platform/linux/session/daemon_switches.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace tessiva {
namespace {

bool isRoot(std::string_view argument) { return argument == "--root" || argument == "-root"; }
bool isWindowId(std::string_view argument) { return argument == "--window-id" || argument == "-window-id"; }
constexpr std::string_view kWindowIdIs = "--window-id=";

// An X window id: decimal or 0x hex, nothing around it, not 0, within X's 32 bits.
std::optional<unsigned long> windowId(const std::string& text) {
    if (text.empty() || text.front() == '-' || text.front() == '+' || text.front() == ' ') return std::nullopt;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || end == text.c_str() || *end != '\0' || value == 0 || value > UINT32_MAX) return std::nullopt;
    return static_cast<unsigned long>(value);
}

DaemonHost failed(std::string why) { return DaemonHost{0, std::move(why)}; }

}  // namespace

std::optional<DaemonHost> daemonHost(int argc, const char* const* argv, const char* xscreensaverWindow) {
    if (argc < 2) return std::nullopt;
    const std::string_view first = argv[1];
    if (!isRoot(first) && !isWindowId(first) && first.substr(0, kWindowIdIs.size()) != kWindowIdIs) return std::nullopt;
    bool root = false;
    std::optional<std::string> id;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (isRoot(argument)) {
            root = true;
        } else if (isWindowId(argument)) {
            if (i + 1 >= argc) return failed(std::string(argument) + " needs a window id");
            id = argv[++i];
        } else if (argument.substr(0, kWindowIdIs.size()) == kWindowIdIs) {
            id = std::string(argument.substr(kWindowIdIs.size()));
        } else {
            return failed("unknown option \"" + std::string(argument) + "\" (a screensaver daemon's are --root and --window-id ID)");
        }
    }
    if (id) {
        if (const std::optional<unsigned long> window = windowId(*id)) return DaemonHost{*window, {}};
        return failed("\"" + *id + "\" is not a window id (decimal, or hex after 0x)");
    }
    if (root && xscreensaverWindow == nullptr) return failed("--root needs the window in XSCREENSAVER_WINDOW, which is not set");
    if (const std::optional<unsigned long> window = windowId(xscreensaverWindow)) return DaemonHost{*window, {}};
    return failed(std::string("XSCREENSAVER_WINDOW=\"") + xscreensaverWindow + "\" is not a window id");
}

}  // namespace tessiva
