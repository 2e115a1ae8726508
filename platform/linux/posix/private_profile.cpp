// PosixProfile; the fact sheet of what it relies on from the OS is in private_profile.h. The
// INI text model is ini_text, the file's reads and atomic replacement atomic_file; this file
// joins them and finds the file by the shared case rule.
#include "platform/linux/posix/private_profile.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/linux/posix/atomic_file.h"
#include "platform/linux/posix/ini_text.h"

namespace tessiva {

namespace {

std::string describeError(int error) {
    char buffer[256] = {};
    // strerror_r comes in a GNU flavour (returns the text) and an XSI one (fills the buffer).
    const auto pick = [&](auto result) -> std::string {
        if constexpr (std::is_same_v<decltype(result), char*>) {
            return result != nullptr ? std::string(result) : std::string("Unknown error");
        } else {
            return result == 0 ? std::string(buffer) : "Unknown error " + std::to_string(error);
        }
    };
    return pick(strerror_r(error, buffer, sizeof buffer));
}

Status saveFailure(const std::string& path, int error) {
    const std::int32_t code = (error == EACCES || error == EPERM || error == EROFS) ? Status::kAccessDenied : Status::kFail;
    return Status::failure(code, "Could not save settings to " + path + ": " + describeError(error));
}

// "<dir>\Tessiva.ini" as a POSIX path, as given.
std::string posixPath(const std::string& file) {
    std::string path(ini::untilNul(file));
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// A POSIX path with its final name resolved by the shared case rule.
std::string resolvePath(const std::string& path) {
    const posix_file::PathSplit split = posix_file::splitPath(path);
    if (split.name.empty() || split.name == "." || split.name == "..") return path;

    DIR* listing = opendir(split.directory.c_str());
    if (listing == nullptr) return path;
    std::string best;
    while (const dirent* entry = readdir(listing)) {
        const std::string_view candidate = entry->d_name;
        if (ini::equalsIgnoringAsciiCase(candidate, split.name) && (best.empty() || candidate < best)) best = candidate;
    }
    closedir(listing);
    if (best.empty()) return path;
    return split.prefix + best;
}

bool holdsLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

Status writeEntry(const std::string& section, const std::string& key, const std::string& value,
                  const std::string& posixName) {
    const std::string path = resolvePath(posixName);
    const std::string_view sectionName = ini::untilNul(section);
    const std::string_view keyName = ini::untilNul(key);
    const std::string_view text = ini::untilNul(value);
    // A line break would end the entry early and let the rest pose as new lines of the file.
    if (holdsLineBreak(sectionName) || holdsLineBreak(keyName) || holdsLineBreak(text)) {
        return Status::failure(Status::kInvalidArgument,
                               "Could not save settings to " + path + ": a name or value holds a line break");
    }

    const std::string target = posix_file::followLinks(path);
    struct stat existing {};
    bool exists = ::stat(target.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) return saveFailure(path, errno);
    std::string raw;
    if (exists) {
        if (S_ISDIR(existing.st_mode)) return saveFailure(path, EISDIR);
        if (!S_ISREG(existing.st_mode)) return saveFailure(path, EINVAL);
        // A file the user made read-only stays as it is, even where the folder would let a
        // rename replace it.
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return saveFailure(path, errno);
        if (const int error = posix_file::readFile(target, raw, posix_file::ReadLimit::Refuse, PosixProfile::kMaxFileBytes)) {
            return saveFailure(path, error);
        }
    }

    const std::string contents = ini::withEntry(raw, sectionName, keyName, text);
    const int error = posix_file::replaceContents(target, exists ? &existing : nullptr, contents);
    return error == 0 ? Status::success() : saveFailure(path, error);
}

// The value of the entry in the file at `path`; false when the file has none to give.
bool readEntry(const std::string& path, const std::string& section, const std::string& key, char* buffer,
               std::uint32_t capacity, std::uint32_t& count) {
    std::string raw;
    return posix_file::readFile(resolvePath(path), raw, posix_file::ReadLimit::Truncate, PosixProfile::kMaxFileBytes) == 0 &&
           ini::readValue(std::move(raw), section, key, buffer, capacity, count);
}

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    const passwd* user = ::getpwuid(::geteuid());
    return user != nullptr && user->pw_dir != nullptr ? user->pw_dir : std::string();
}

}  // namespace

std::string userSettingsFolder(const char* xdgConfigHome, const char* home) {
    if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/') return std::string(xdgConfigHome) + "/tessiva";
    if (home != nullptr && home[0] == '/') return std::string(home) + "/.config/tessiva";
    return std::string();
}

PosixProfile::PosixProfile() {
    try {
        m_userFolder = userSettingsFolder(std::getenv("XDG_CONFIG_HOME"), homeFolder().c_str());
    } catch (...) {
        // Without a settings folder of the user's own, the file named is used as it is.
    }
}

PosixProfile::PosixProfile(std::string userFolder) : m_userFolder(std::move(userFolder)) {}

std::string PosixProfile::userFileFor(const std::string& path) const {
    if (m_userFolder.empty()) return std::string();
    const posix_file::PathSplit split = posix_file::splitPath(path);
    struct stat folder {};
    // A folder that can't be looked at (missing, say) is left to the reads and writes to report.
    if (::stat(split.directory.c_str(), &folder) != 0 || folder.st_uid == ::geteuid()) return std::string();
    return m_userFolder + "/" + split.name;
}

std::uint32_t PosixProfile::getPrivateProfileString(const std::string& section, const std::string& key,
                                                    const std::string& defaultValue, char* buffer,
                                                    std::uint32_t capacity, const std::string& file) {
    try {
        const std::string path = posixPath(file);
        const std::string userFile = userFileFor(path);
        std::uint32_t count = 0;
        if ((!userFile.empty() && readEntry(userFile, section, key, buffer, capacity, count)) ||
            readEntry(path, section, key, buffer, capacity, count)) {
            return count;
        }
    } catch (...) {
        // Out of memory or the like: the default is still an answer the program can live with.
    }
    return ini::readDefault(defaultValue, buffer, capacity);
}

Status PosixProfile::writePrivateProfileString(const std::string& section, const std::string& key,
                                               const std::string& value, const std::string& file) {
    try {
        const std::string path = posixPath(file);
        const std::string userFile = userFileFor(path);
        if (userFile.empty()) return writeEntry(section, key, value, path);
        if (const int error = posix_file::makePrivateFolder(m_userFolder)) return saveFailure(userFile, error);
        return writeEntry(section, key, value, userFile);
    } catch (...) {
        // Nearly always std::bad_alloc. Building the message may need memory too, so the last
        // resort is a status without one.
    }
    try {
        return Status::failure("Could not save settings to " + file + ": " + describeError(ENOMEM));
    } catch (...) {
        return Status::failure(Status::kFail, std::string());
    }
}

std::string PosixProfile::fileName(const std::string& file) {
    try {
        const std::string path = posixPath(file);
        const std::string userFile = userFileFor(path);
        if (!userFile.empty()) {
            const std::string resolved = resolvePath(userFile);
            struct stat info {};
            if (::stat(resolved.c_str(), &info) == 0) return resolved;
        }
        return resolvePath(path);
    } catch (...) {
        return file;
    }
}

}  // namespace tessiva
