#pragma once
// PosixProfile: the private-profile (INI) functions on a POSIX file system.
//
// What it relies on from the OS:
// - POSIX open/read/write/fsync/rename/fchmod/fchown/opendir; rename() within one directory
//   replaces the old file atomically, so a reader sees either the old or the new settings.
// - File names arrive in the desktop's form ("<dir>\Tessiva.ini"): every backslash becomes '/'.
// - The final name matches without regard to ASCII case, the one rule readers and writers share:
//   list the directory and, among the entries whose name equals the requested one ignoring
//   ASCII case, take the byte-wise smallest ("TESSIVA.INI" before "Tessiva.ini" before
//   "tessiva.ini"). An exact-case match gets no preference, so every spelling reaches the same
//   file. With no such entry, a write creates the file under the name as given.
// - Reads open with O_NONBLOCK and accept regular files only, so a FIFO or a folder at the
//   name cannot hang or confuse a read; they give the default.
// - At most kMaxFileBytes of a file are read; a read looks only at that much, and a write to a
//   larger file fails rather than drop its tail.
// - Writes go to a temporary file beside the real one (a symlink is followed to its target, so
//   the link stays a link), which gets the old file's mode and owner, is fsync'ed and renamed
//   over it. Where that cannot work (the folder is not writable, the owner cannot be kept, the
//   file has other hard links) an existing writable file is rewritten in place instead. A file
//   the user cannot write is never replaced.
// - A file in a folder that belongs to another user (a system-wide install: the program's
//   folder is root's) is the system's default for this user. The user's own settings are then
//   the file of the same name in the user's settings folder ($XDG_CONFIG_HOME/tessiva, else
//   ~/.config/tessiva): a key is read there first, then from the file named; a write goes to
//   the user's file alone, through the same atomic replacement, in a folder made with mode
//   0700 where it is missing. Where the folder is the user's own, or no settings folder is
//   known, the file named is read and written as it is.
//
// Reads follow what the desktop's GetPrivateProfileStringA answers, with one deliberate
// difference: text is UTF-8, and the capacity counts characters, as the desktop's wide
// functions count them (platform/shared/profile_characters.h), so a value is never cut inside
// a character. Files with a UTF-16 byte-order mark are read (and written) as UTF-16.
//
// Holds only the user's settings folder, fixed when made; any thread may call it, but two
// concurrent writers of one file may lose one update. Never throws: a read falls back to the default, a write returns a failing Status
// ("Could not save settings to <path>: <reason>").
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/profile.h"

namespace tessiva {

class PosixProfile final : public Profile {
public:
    static constexpr std::size_t kMaxFileBytes = 4u * 1024u * 1024u;

    // The user's settings folder from the environment (userSettingsFolder).
    PosixProfile();
    // `userFolder` holds the user's own settings files; empty: there is none.
    explicit PosixProfile(std::string userFolder);

    std::uint32_t getPrivateProfileString(const std::string& section, const std::string& key,
                                          const std::string& defaultValue, char* buffer,
                                          std::uint32_t capacity, const std::string& file) override;

    Status writePrivateProfileString(const std::string& section, const std::string& key,
                                     const std::string& value, const std::string& file) override;

    // Where the user's own file is used, it is named once it exists; until then the file named.
    std::string fileName(const std::string& file) override;

private:
    // The user's own file standing in front of `path` (a POSIX path), or empty where `path`
    // is read and written as it is.
    std::string userFileFor(const std::string& path) const;

    std::string m_userFolder;
};

// The user's settings folder: XDG_CONFIG_HOME/tessiva where that is an absolute path (the
// XDG rule ignores a relative one), else HOME/.config/tessiva; empty when neither is usable.
std::string userSettingsFolder(const char* xdgConfigHome, const char* home);

}  // namespace tessiva
