#pragma once
// The settings file on a POSIX file system, as PosixProfile reads and replaces it: a read of
// regular files only, and the atomic replacement of a file's contents. Knows nothing of INI
// text.
//
// What it relies on from the OS:
// - open with O_NONBLOCK and an fstat of the descriptor: a FIFO or a folder at the name can't
//   hang or confuse a read.
// - rename() within one directory replaces the old file atomically, so a reader sees either
//   the old or the new contents. The new contents go to a temporary file beside the old one
//   (".<name>.<pid>.<n>.<n>.tmp"), which gets the old file's mode and owner and is fsync'ed
//   before the rename; the directory is fsync'ed after it, as far as it lets us.
// - Where that can't work (the folder is not writable, the owner can't be kept, the file has
//   other hard links) an existing file is rewritten in place: new bytes first, then the
//   length, so an old tail is only cut once everything before it is written.
// - kill(pid, 0) fails with ESRCH for a process that no longer exists: the temporary files of
//   writers killed mid-write are removed by the next writer.
//
// Any thread; two concurrent writers of one file may lose one update. Failures are errno
// values, never exceptions (but std::bad_alloc).
#include <sys/stat.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace tessiva::posix_file {

// A path as its folder and final name. `directory` is "." for a bare name and "/" at the
// root; `prefix` is the path up to and including its last '/', empty for a bare name.
struct PathSplit {
    std::string directory;
    std::string name;
    std::string prefix;
};
PathSplit splitPath(const std::string& path);

enum class ReadLimit { Truncate, Refuse };
// Reads a regular file whole, up to maxBytes. Returns 0 or an errno value; anything that is
// not a regular file is EISDIR (a folder) or EINVAL, and a larger file under Refuse is EFBIG.
int readFile(const std::string& path, std::string& contents, ReadLimit limit, std::size_t maxBytes);

// Follows a chain of symlinks to the file they name, which need not exist yet. A loop or a
// chain too long ends where it stands; the open that follows then reports the problem.
std::string followLinks(std::string path);

// Makes the folder `path` and any of its parents that are missing with mode 0700, so that only
// the user can look inside; an existing folder is left as it is. Returns 0 or an errno value.
int makePrivateFolder(const std::string& path);

// Puts `contents` in the place of the regular file `target` (`existing` its stat, or null when
// there is none yet): through a temporary file and a rename where it can, else in place.
// Returns 0 or an errno value.
int replaceContents(const std::string& target, const struct stat* existing, std::string_view contents);

}  // namespace tessiva::posix_file
