// The settings file's reads and atomic replacement (see atomic_file.h).
#include "platform/linux/posix/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <limits>

namespace tessiva::posix_file {
namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now and reports the result; close can be where a delayed write error shows up.
    int close() {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

int writeAll(int fd, std::string_view data, off_t offset) {
    while (!data.empty()) {
        const ssize_t written = ::pwrite(fd, data.data(), data.size(), offset);
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
        offset += written;
    }
    return 0;
}

bool isPermissionError(int error) { return error == EACCES || error == EPERM; }

// Rewrites the file where it stands: new bytes first, then the length, so an old tail is only
// cut once everything before it is written.
int writeInPlace(const std::string& path, std::string_view contents) {
    FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) return errno;
    if (const int error = writeAll(fd.get(), contents, 0)) return error;
    if (::ftruncate(fd.get(), static_cast<off_t>(contents.size())) != 0) return errno;
    if (::fsync(fd.get()) != 0) return errno;
    return fd.close() == 0 ? 0 : errno;
}

// A new file next to `path`, created with 0666 so the umask shapes a brand-new settings file the
// way it shapes any other. Returns the descriptor or -1 with errno set.
int createTemporary(const std::string& path, std::string& temporaryPath) {
    static std::atomic<unsigned> counter{0};
    const PathSplit split = splitPath(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto stamp = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
        temporaryPath = split.prefix + "." + split.name + "." + std::to_string(::getpid()) + "." +
                        std::to_string(counter.fetch_add(1)) + "." + std::to_string(stamp % 1000000) + ".tmp";
        const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// The process id in a temporary file's name of ours for `name` (".<name>.<pid>.<n>.<n>.tmp"),
// or 0 when the entry is something else.
pid_t writerOfTemporary(std::string_view entry, std::string_view name) {
    // Appended in steps: GCC 12 at -O3 warns falsely about "." + std::string(...).
    std::string prefix = ".";
    prefix.append(name).append(".");
    if (entry.size() <= prefix.size() + 4 || entry.substr(0, prefix.size()) != prefix ||
        entry.substr(entry.size() - 4) != ".tmp") {
        return 0;
    }
    std::string_view rest = entry.substr(prefix.size(), entry.size() - prefix.size() - 4);
    long long pid = 0;
    int fields = 0;
    while (!rest.empty()) {
        const std::size_t dot = rest.find('.');
        const std::string_view field = rest.substr(0, dot);
        const bool digits = std::all_of(field.begin(), field.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (field.empty() || field.size() > 18 || !digits) return 0;
        if (fields == 0) pid = std::stoll(std::string(field));
        ++fields;
        rest = dot == std::string_view::npos ? std::string_view() : rest.substr(dot + 1);
    }
    if (fields != 3 || pid <= 0 || pid > std::numeric_limits<pid_t>::max()) return 0;
    return static_cast<pid_t>(pid);
}

// A writer killed between creating its temporary file and renaming it leaves the file
// behind; the settings are safe, but the litter would stay. Temporary files of writers that
// no longer exist go. A process id that has been reused keeps its file: it may be a writer.
void removeAbandonedTemporaries(const std::string& target) {
    const PathSplit split = splitPath(target);
    DIR* folder = ::opendir(split.directory.c_str());
    if (folder == nullptr) return;
    while (const dirent* entry = ::readdir(folder)) {
        const pid_t writer = writerOfTemporary(entry->d_name, split.name);
        if (writer == 0 || writer == ::getpid()) continue;
        if (::kill(writer, 0) == 0 || errno != ESRCH) continue;
        struct stat info {};
        if (::fstatat(::dirfd(folder), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(info.st_mode)) continue;
        (void)::unlinkat(::dirfd(folder), entry->d_name, 0);
    }
    ::closedir(folder);
}

void syncDirectoryOf(const std::string& path) {
    FileDescriptor fd(::open(splitPath(path).directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0) (void)::fsync(fd.get());  // best effort: the rename itself already happened
}

enum class Outcome { Done, UseInPlace };

// The safe path: temporary file, old mode and owner, fsync, rename. Returns UseInPlace when the
// folder or the ownership rules forbid it; the temporary file never outlives a failure.
Outcome replaceViaTemporary(const std::string& target, const struct stat* existing, std::string_view contents,
                            int& error) {
    removeAbandonedTemporaries(target);
    std::string temporaryPath;
    FileDescriptor fd(createTemporary(target, temporaryPath));
    if (fd.get() < 0) {
        error = errno;
        return (existing != nullptr && (isPermissionError(error) || error == EROFS)) ? Outcome::UseInPlace : Outcome::Done;
    }
    const auto abandon = [&](int why) {
        (void)::unlink(temporaryPath.c_str());
        error = why;
    };
    if (existing != nullptr) {
        struct stat created {};
        if (::fstat(fd.get(), &created) != 0) {
            abandon(errno);
            return Outcome::Done;
        }
        // Owner first: changing the owner may clear set-id bits that the mode then restores.
        if ((created.st_uid != existing->st_uid || created.st_gid != existing->st_gid) &&
            ::fchown(fd.get(), existing->st_uid, existing->st_gid) != 0) {
            abandon(errno);
            return Outcome::UseInPlace;
        }
        if (::fchmod(fd.get(), existing->st_mode & 07777) != 0) {
            abandon(errno);
            return Outcome::Done;
        }
    }
    if (const int why = writeAll(fd.get(), contents, 0)) {
        abandon(why);
        return Outcome::Done;
    }
    if (::fsync(fd.get()) != 0 || fd.close() != 0) {
        abandon(errno);
        return Outcome::Done;
    }
    if (::rename(temporaryPath.c_str(), target.c_str()) != 0) {
        const int why = errno;
        abandon(why);
        return (existing != nullptr && isPermissionError(why)) ? Outcome::UseInPlace : Outcome::Done;
    }
    syncDirectoryOf(target);
    error = 0;
    return Outcome::Done;
}

}  // namespace

PathSplit splitPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return PathSplit{".", path, std::string()};
    return PathSplit{slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1), path.substr(0, slash + 1)};
}

int readFile(const std::string& path, std::string& contents, ReadLimit limit, std::size_t maxBytes) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) return errno;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return errno;
    if (S_ISDIR(info.st_mode)) return EISDIR;
    if (!S_ISREG(info.st_mode)) return EINVAL;
    contents.clear();
    contents.reserve(std::min<std::size_t>(static_cast<std::size_t>(std::max<off_t>(info.st_size, 0)),
                                           maxBytes));
    char chunk[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (got == 0) return 0;
        const std::size_t room = maxBytes - contents.size();
        if (static_cast<std::size_t>(got) > room) {
            if (limit == ReadLimit::Refuse) return EFBIG;
            contents.append(chunk, room);
            return 0;
        }
        contents.append(chunk, static_cast<std::size_t>(got));
    }
}

std::string followLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        std::string target(4096, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return path;
        target.resize(static_cast<std::size_t>(length));
        if (target.front() != '/') {
            const std::size_t slash = path.rfind('/');
            target = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + target;
        }
        path = std::move(target);
    }
    return path;
}

int makePrivateFolder(const std::string& path) {
    if (path.size() > 1 && path.back() == '/') return makePrivateFolder(path.substr(0, path.size() - 1));
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
    if (errno != ENOENT) return errno;
    const PathSplit split = splitPath(path);
    if (split.directory != path) {
        if (const int error = makePrivateFolder(split.directory)) return error;
    }
    if (::mkdir(path.c_str(), 0700) == 0) return 0;
    const int error = errno;
    // Another process may have made it meanwhile; a folder is all that's asked.
    if (error == EEXIST && ::stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
    return error;
}

int replaceContents(const std::string& target, const struct stat* existing, std::string_view contents) {
    // Another hard link would keep the old text after a rename; write through all names at once.
    int error = 0;
    if (existing == nullptr || existing->st_nlink <= 1) {
        if (replaceViaTemporary(target, existing, contents, error) == Outcome::Done) return error;
    }
    return writeInPlace(target, contents);
}

}  // namespace tessiva::posix_file
