// PosixProfile; the fact sheet of what it relies on from the OS is in private_profile.h.
#include "platform/posix/private_profile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>

namespace tessiva {

namespace {

// ---------------------------------------------------------------------------------------------
// Text helpers. The parser works on byte views of the file's text; every rule below was taken
// from what the desktop's own GetPrivateProfileStringA answers.

// The desktop trims these around names and values: the C blanks plus Ctrl-Z (0x1A), which old
// editors left at the end of text files. CR and LF never occur inside a line, but they are
// trimmed from the names a caller asks for.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Names and values are C strings to the desktop: a NUL byte ends them. The line around the NUL is
// still parsed as a whole (an '=' or ']' after it counts), which is why this is applied last.
std::string_view untilNul(std::string_view text) { return text.substr(0, text.find('\0')); }

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u; }

// The length of the UTF-8 sequence a lead byte opens; 0 for anything that is not a lead byte.
std::size_t utf8SequenceLength(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0xC0u && b <= 0xDFu) return 2;
    if (b >= 0xE0u && b <= 0xEFu) return 3;
    if (b >= 0xF0u && b <= 0xF7u) return 4;
    return 0;
}

// Copies a value the way the desktop does: one pair of matching quotes comes off, at most
// capacity - 1 bytes are kept, NUL-terminated. When the closing quote fits the buffer it is
// dropped by shortening the copy by one, so a quoted value exactly one byte too long for the
// buffer loses its last character as well (the desktop answers 253 bytes there, and so do we).
// Our addition: a cut never leaves a partial UTF-8 sequence at the end.
std::uint32_t copyEntry(std::string_view value, char* buffer, std::uint32_t capacity) {
    if (buffer == nullptr || capacity == 0) return 0;
    bool quoted = false;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        quoted = true;
        value.remove_prefix(1);
    }
    std::size_t count = std::min<std::size_t>(value.size(), capacity - 1);
    if (quoted && capacity >= value.size() && count > 0) --count;
    if (count < value.size() && isContinuationByte(value[count])) {
        std::size_t start = count;
        while (start > 0 && count - start < 3 && isContinuationByte(value[start - 1])) --start;
        if (start > 0) {
            const std::size_t lead = start - 1;
            const std::size_t length = utf8SequenceLength(value[lead]);
            if (length != 0 && lead + length > count) count = lead;
        }
    }
    std::memcpy(buffer, value.data(), count);
    buffer[count] = '\0';
    return static_cast<std::uint32_t>(count);
}

// The desktop strips trailing spaces (only spaces) from the default before using it, but
// never its first character: a default of nothing but spaces comes back as one space.
std::string_view prepareDefault(std::string_view value) {
    value = untilNul(value);
    while (value.size() > 1 && value.back() == ' ') value.remove_suffix(1);
    return value;
}

// ---------------------------------------------------------------------------------------------
// Encodings. The desktop reads a file with a UTF-16 byte-order mark as UTF-16 and skips a UTF-8
// one; everything else is bytes. UTF-16 text is parsed as UTF-8 and written back as UTF-16.

enum class Encoding { Bytes, Utf16Le, Utf16Be };

struct FileText {
    Encoding encoding = Encoding::Bytes;
    std::size_t markBytes = 0;  // the byte-order mark at the start of the raw file
    std::string text;           // what the parser sees, the mark removed
};

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::size_t utf8Length(char32_t cp) { return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4; }

// Walks the code points of raw UTF-16 (mark already skipped); an unpaired surrogate reads as
// U+FFFD and an odd last byte is ignored. `visit(codePoint, rawOffset)` returns false to stop.
template <typename Visit>
void walkUtf16(std::string_view raw, bool bigEndian, Visit visit) {
    const auto unitAt = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(raw[i]);
        const auto b = static_cast<unsigned char>(raw[i + 1]);
        return bigEndian ? static_cast<char32_t>((a << 8) | b) : static_cast<char32_t>((b << 8) | a);
    };
    std::size_t i = 0;
    while (i + 1 < raw.size()) {
        const std::size_t at = i;
        char32_t cp = unitAt(i);
        i += 2;
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < raw.size()) {
            const char32_t low = unitAt(i);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
        if (!visit(cp, at)) return;
    }
}

FileText decode(std::string raw) {
    FileText result;
    const std::string_view view = raw;
    if (view.substr(0, 3) == "\xEF\xBB\xBF") {
        result.markBytes = 3;
        result.text = std::move(raw);
        result.text.erase(0, 3);
    } else if (view.substr(0, 2) == "\xFF\xFE" || view.substr(0, 2) == "\xFE\xFF") {
        result.encoding = view[0] == '\xFE' ? Encoding::Utf16Be : Encoding::Utf16Le;
        result.markBytes = 2;
        walkUtf16(view.substr(2), result.encoding == Encoding::Utf16Be, [&](char32_t cp, std::size_t) {
            appendUtf8(result.text, cp);
            return true;
        });
    } else {
        result.text = std::move(raw);
    }
    return result;
}

// Where an offset into the parsed text lies in the raw file. Only ever asked for line
// boundaries, which fall between code points.
std::size_t rawOffset(const FileText& file, std::string_view raw, std::size_t textOffset) {
    if (file.encoding == Encoding::Bytes) return file.markBytes + textOffset;
    const std::string_view units = raw.substr(file.markBytes);
    std::size_t seen = 0;
    std::size_t found = units.size() - units.size() % 2;
    walkUtf16(units, file.encoding == Encoding::Utf16Be, [&](char32_t cp, std::size_t at) {
        if (seen >= textOffset) {
            found = at;
            return false;
        }
        seen += utf8Length(cp);
        return true;
    });
    return file.markBytes + found;
}

// Text to insert into the raw file, in the file's own encoding. Invalid UTF-8 becomes U+FFFD.
std::string encodeFor(const FileText& file, std::string_view utf8) {
    if (file.encoding == Encoding::Bytes) return std::string(utf8);
    std::string out;
    const bool bigEndian = file.encoding == Encoding::Utf16Be;
    const auto putUnit = [&](char32_t unit) {
        const char high = static_cast<char>((unit >> 8) & 0xFF);
        const char low = static_cast<char>(unit & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    };
    std::size_t i = 0;
    while (i < utf8.size()) {
        const std::size_t length = static_cast<unsigned char>(utf8[i]) < 0x80 ? 1 : utf8SequenceLength(utf8[i]);
        char32_t cp = 0xFFFD;
        bool valid = length != 0 && i + length <= utf8.size();
        if (valid) {
            cp = length == 1 ? static_cast<unsigned char>(utf8[i])
                             : static_cast<unsigned char>(utf8[i]) & (0xFFu >> (length + 1));
            for (std::size_t k = 1; k < length && valid; ++k) {
                valid = isContinuationByte(utf8[i + k]);
                cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
            }
        }
        if (!valid || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            cp = 0xFFFD;
            i += 1;
        } else {
            i += length;
        }
        if (cp >= 0x10000) {
            putUnit(0xD800 + ((cp - 0x10000) >> 10));
            putUnit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            putUnit(cp);
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// The parser. A line ends at CR LF, LF or a lone CR. After trimming, a line that starts with '['
// and holds a ']' is a section header; its name runs to the last ']' (text after it is ignored).
// Any other non-blank line is an entry: the name runs to the first '=', the value follows it; a
// line without '=' is an entry without a value, which answers the default. Comments (';', '#')
// are entries like any other. Entries before the first header belong to the nameless section,
// which a caller reaches with "" - a later "[]" header is a second, unreachable section of that
// name, because the first of repeated sections wins and is the only one searched (its
// namesakes are not merged in). The first of repeated entries wins too.

struct Location {
    bool sectionFound = false;
    bool keyFound = false;
    bool hasValue = false;
    std::string_view value;       // trimmed, cut at a NUL, quotes still on
    std::size_t keyBegin = 0;     // the key's line, line end excluded
    std::size_t keyEnd = 0;
    std::size_t appendAt = 0;     // after the section's last non-blank line and its line end
    bool appendNeedsBreak = false;  // that line is the file's last and has no line end
};

Location locate(std::string_view text, std::string_view section, std::string_view key) {
    section = trim(untilNul(section));
    key = trim(untilNul(key));
    Location found;
    bool inSection = section.empty();
    found.sectionFound = inSection;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t lineBegin = pos;
        std::size_t lineEnd = text.find_first_of("\r\n", pos);
        if (lineEnd == std::string_view::npos) {
            lineEnd = text.size();
            pos = lineEnd;
        } else {
            pos = lineEnd + ((text[lineEnd] == '\r' && lineEnd + 1 < text.size() && text[lineEnd + 1] == '\n') ? 2 : 1);
        }
        const std::string_view line = trim(text.substr(lineBegin, lineEnd - lineBegin));
        if (line.empty()) continue;

        const std::size_t close = line.front() == '[' ? line.rfind(']') : std::string_view::npos;
        if (close != std::string_view::npos) {
            if (inSection) break;  // the wanted section ended without the key
            if (!found.sectionFound && equalsIgnoringAsciiCase(untilNul(trim(line.substr(1, close - 1))), section)) {
                inSection = true;
                found.sectionFound = true;
                found.appendAt = pos;
                found.appendNeedsBreak = pos == lineEnd;
            }
            continue;
        }
        if (!inSection) continue;

        found.appendAt = pos;
        found.appendNeedsBreak = pos == lineEnd;
        const std::size_t equals = line.find('=');
        if (equalsIgnoringAsciiCase(untilNul(trim(line.substr(0, equals))), key)) {
            found.keyFound = true;
            found.keyBegin = lineBegin;
            found.keyEnd = lineEnd;
            if (equals != std::string_view::npos) {
                found.hasValue = true;
                found.value = untilNul(trim(line.substr(equals + 1)));
            }
            break;
        }
    }
    return found;
}

// ---------------------------------------------------------------------------------------------
// Files.

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

// "<dir>\Tessiva.ini" as a POSIX path, the final name resolved by the shared case rule.
std::string resolvePath(const std::string& file) {
    std::string path(untilNul(file));
    std::replace(path.begin(), path.end(), '\\', '/');
    const std::size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") return path;

    DIR* listing = opendir(directory.c_str());
    if (listing == nullptr) return path;
    std::string best;
    while (const dirent* entry = readdir(listing)) {
        const std::string_view candidate = entry->d_name;
        if (equalsIgnoringAsciiCase(candidate, name) && (best.empty() || candidate < best)) best = candidate;
    }
    closedir(listing);
    if (best.empty()) return path;
    return path.substr(0, slash == std::string::npos ? 0 : slash + 1) + best;
}

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

enum class ReadLimit { Truncate, Refuse };

// Reads a regular file whole, up to kMaxFileBytes. Returns 0 or an errno value; anything that is
// not a regular file is EISDIR (a folder) or EINVAL, and a larger file under Refuse is EFBIG.
int readFile(const std::string& path, std::string& contents, ReadLimit limit) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) return errno;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return errno;
    if (S_ISDIR(info.st_mode)) return EISDIR;
    if (!S_ISREG(info.st_mode)) return EINVAL;
    contents.clear();
    contents.reserve(std::min<std::size_t>(static_cast<std::size_t>(std::max<off_t>(info.st_size, 0)),
                                           PosixProfile::kMaxFileBytes));
    char chunk[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (got == 0) return 0;
        const std::size_t room = PosixProfile::kMaxFileBytes - contents.size();
        if (static_cast<std::size_t>(got) > room) {
            if (limit == ReadLimit::Refuse) return EFBIG;
            contents.append(chunk, room);
            return 0;
        }
        contents.append(chunk, static_cast<std::size_t>(got));
    }
}

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

// Follows a chain of symlinks to the file they name, which need not exist yet. A loop or a
// chain too long ends where it stands; the open that follows then reports the problem.
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
    const std::size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto stamp = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
        temporaryPath = directory + "." + name + "." + std::to_string(::getpid()) + "." +
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
    const std::size_t slash = target.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    DIR* folder = ::opendir(directory.c_str());
    if (folder == nullptr) return;
    while (const dirent* entry = ::readdir(folder)) {
        const pid_t writer = writerOfTemporary(entry->d_name, name);
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
    const std::size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    FileDescriptor fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
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

bool holdsLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

Status writeEntry(const std::string& section, const std::string& key, const std::string& value,
                  const std::string& file) {
    const std::string path = resolvePath(file);
    const std::string_view sectionName = untilNul(section);
    const std::string_view keyName = untilNul(key);
    const std::string_view text = untilNul(value);
    // A line break would end the entry early and let the rest pose as new lines of the file.
    if (holdsLineBreak(sectionName) || holdsLineBreak(keyName) || holdsLineBreak(text)) {
        return Status::failure(Status::kInvalidArgument,
                               "Could not save settings to " + path + ": a name or value holds a line break");
    }

    const std::string target = followLinks(path);
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
        if (const int error = readFile(target, raw, ReadLimit::Refuse)) return saveFailure(path, error);
    }

    const FileText parsed = decode(raw);
    const std::string_view body = parsed.text;
    const std::size_t firstBreak = body.find_first_of("\r\n");
    std::string lineEnd = "\n";
    if (firstBreak != std::string_view::npos) {
        lineEnd = body.compare(firstBreak, 2, "\r\n") == 0 ? "\r\n" : body.substr(firstBreak, 1);
    }
    const std::string entry = std::string(keyName) + "=" + std::string(text);

    const Location found = locate(body, sectionName, keyName);
    std::size_t begin = 0;
    std::size_t end = 0;
    std::string insert;
    if (found.keyFound) {
        begin = found.keyBegin;
        end = found.keyEnd;
        insert = entry;
    } else if (found.sectionFound) {
        begin = end = found.appendAt;
        insert = (found.appendNeedsBreak ? lineEnd : std::string()) + entry + lineEnd;
    } else {
        begin = end = body.size();
        const bool endsInBreak = body.empty() || body.back() == '\n' || body.back() == '\r';
        insert = (endsInBreak ? std::string() : lineEnd) + "[" + std::string(sectionName) + "]" + lineEnd + entry + lineEnd;
    }
    const std::size_t rawBegin = rawOffset(parsed, raw, begin);
    const std::size_t rawEnd = rawOffset(parsed, raw, end);
    const std::string contents = raw.substr(0, rawBegin) + encodeFor(parsed, insert) + raw.substr(rawEnd);

    // Another hard link would keep the old text after a rename; write through all names at once.
    int error = 0;
    if (!exists || existing.st_nlink <= 1) {
        if (replaceViaTemporary(target, exists ? &existing : nullptr, contents, error) == Outcome::Done) {
            return error == 0 ? Status::success() : saveFailure(path, error);
        }
    }
    error = writeInPlace(target, contents);
    return error == 0 ? Status::success() : saveFailure(path, error);
}

}  // namespace

std::uint32_t PosixProfile::getPrivateProfileString(const std::string& section, const std::string& key,
                                                    const std::string& defaultValue, char* buffer,
                                                    std::uint32_t capacity, const std::string& file) {
    try {
        std::string raw;
        if (readFile(resolvePath(file), raw, ReadLimit::Truncate) == 0) {
            const FileText parsed = decode(std::move(raw));
            const Location found = locate(parsed.text, section, key);
            if (found.keyFound && found.hasValue) return copyEntry(found.value, buffer, capacity);
        }
    } catch (...) {
        // Out of memory or the like: the default is still an answer the program can live with.
    }
    return copyEntry(prepareDefault(defaultValue), buffer, capacity);
}

Status PosixProfile::writePrivateProfileString(const std::string& section, const std::string& key,
                                               const std::string& value, const std::string& file) {
    try {
        return writeEntry(section, key, value, file);
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
        return resolvePath(file);
    } catch (...) {
        return file;
    }
}

}  // namespace tessiva
