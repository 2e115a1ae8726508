// Our POSIX private-profile functions against the desktop's own. This one program is built
// twice: for Linux on PosixProfile and for Windows on Win32Profile (run under Wine). Both run
// the same script of reads and writes over copies of one generated corpus of INI files and
// print every answer; the outputs must match line for line (ProfileDiffTest.cmake).
//
//   profile_script generate DIR   writes the corpus into DIR
//   profile_script run DIR        runs the script on the corpus in DIR (a Windows path for
//                                 Wine), one answer per line on stdout
//   profile_script compare A B    compares two outputs, ignoring CR; names the first differences
//
// The corpus is ASCII, and a few Unicode (UTF-16) files with long values in other scripts,
// where both sides count a value's 254 characters alike (UTF-16 code units, a character
// outside the BMP never split). Text the two sides may answer differently on purpose (ANSI
// files outside ASCII, files beyond our 4 MiB limit) stays out of it, and so do line breaks
// in written names and values, which we refuse and the desktop writes as they are.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include "platform/windows/win32/win32_profile.h"
using PlatformProfile = tessiva::Win32Profile;
#else
#include "platform/linux/posix/private_profile.h"
using PlatformProfile = tessiva::PosixProfile;
#endif

namespace {

constexpr std::uint32_t kFiles = 520;
constexpr std::uint32_t kSeed = 20240611;

// Numbers straight from the engine, whose output the standard fixes: the library's own
// distributions may differ between g++ and mingw, and the two builds must agree on the script.
class Random {
public:
    explicit Random(std::uint32_t seed) : m_engine(seed) {}
    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(m_engine() % n); }
    bool percent(std::uint32_t p) { return below(100) < p; }
    template <typename T>
    const T& pick(const std::vector<T>& items) { return items[below(static_cast<std::uint32_t>(items.size()))]; }

private:
    std::mt19937 m_engine;
};

const std::vector<std::string> kSectionNames = {"Tessiva", "Config", "S", "video", "Screen Saver", "a.b", "x-1", "t"};
const std::vector<std::string> kKeyNames = {"VideoFile", "Volume", "k", "K2", "mute", "Last Dir", "a.b", "x_y", "n"};

std::string word(Random& r, std::uint32_t maxLength) {
    static const std::string letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static const std::string inner = "._-~!@$%^&*()+{}|:<>?,/ ";
    std::string out;
    const std::uint32_t length = 1 + r.below(maxLength);
    for (std::uint32_t i = 0; i < length; ++i) {
        const bool edge = i == 0 || i + 1 == length;
        out += (!edge && r.percent(15)) ? inner[r.below(static_cast<std::uint32_t>(inner.size()))]
                                        : letters[r.below(static_cast<std::uint32_t>(letters.size()))];
    }
    return out;
}

// Printable ASCII and tabs, anything the parser might trip over included.
std::string text(Random& r, std::uint32_t length) {
    std::string out;
    for (std::uint32_t i = 0; i < length; ++i) out += r.percent(3) ? '\t' : static_cast<char>(0x20 + r.below(0x5F));
    return out;
}

std::string blanks(Random& r) {
    std::string out;
    if (r.percent(60)) return out;
    for (std::uint32_t n = 1 + r.below(3); n > 0; --n) out += r.percent(70) ? ' ' : '\t';
    return out;
}

std::string mixCase(Random& r, std::string name) {
    for (char& c : name) {
        if (r.percent(50)) continue;
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return name;
}

std::string value(Random& r) {
    switch (r.below(12)) {
    case 0: return "";
    case 1: return word(r, 10);
    case 2: return "\"" + text(r, r.below(20)) + "\"";
    case 3: return "'" + text(r, r.below(20)) + "'";
    case 4: return (r.percent(50) ? "\"" : "'") + word(r, 10);
    case 5: return word(r, 10) + (r.percent(50) ? "\"" : "'");
    case 6: return r.percent(50) ? "'" + word(r, 8) + "\"" : "\"" + word(r, 8) + "'";
    case 7: {
        // Around the program's buffer of 255, where a quoted value loses one more byte.
        const std::vector<std::uint32_t> lengths = {252, 253, 254, 255, 256, 257, 300, 420};
        std::string longValue = text(r, r.pick(lengths));
        if (r.percent(50)) longValue.front() = longValue.back() = r.percent(50) ? '"' : '\'';
        return longValue;
    }
    case 8: return word(r, 6) + " = " + word(r, 6) + " ; " + word(r, 4) + " [x] #";
    case 9: return r.pick(std::vector<std::string>{"\"\"", "''", "\"", "'", "\" \"", "'\"'"});
    default: return text(r, 1 + r.below(40));
    }
}

struct Query {
    std::string section, key, defaultValue;
    std::uint32_t capacity;
};
struct Write {
    std::string section, key, value;
};

// One file of the corpus and what the script does with it. Generated whole from its index,
// so `run` knows the names without parsing the file.
struct CorpusFile {
    std::string name;
    std::string contents;
    std::vector<Query> reads;
    std::vector<Write> writes;
};

CorpusFile makeFile(std::uint32_t index) {
    Random r(kSeed + index);
    CorpusFile file;
    char name[32];
    std::snprintf(name, sizeof name, "p%03u.ini", static_cast<unsigned>(index));
    file.name = name;

    // LF, CR LF, both mixed, or any line end at all: a lone CR ends a line too.
    const std::uint32_t endings = r.below(4);
    const auto lineEnd = [&]() -> std::string {
        if (endings < 2) return endings == 0 ? "\n" : "\r\n";
        return r.pick(endings == 2 ? std::vector<std::string>{"\n", "\r\n"}
                                   : std::vector<std::string>{"\n", "\r\n", "\r", "\r\r\n"});
    };
    bool emptyHeader = false;
    std::vector<std::string> sections;              // as named in the file, in order
    std::vector<std::vector<std::string>> keysOf;   // per section, every name an entry line starts with
    const auto line = [&](const std::string& text) { file.contents += text + lineEnd(); };

    const std::uint32_t sectionCount = r.below(7);
    const bool nameless = sectionCount == 0 || r.percent(30);
    for (std::uint32_t s = nameless ? 0 : 1; s <= sectionCount; ++s) {
        std::string section;
        if (s > 0) {
            if (!sections.empty() && r.percent(20)) section = mixCase(r, r.pick(sections));
            else section = r.percent(60) ? r.pick(kSectionNames) : word(r, 12);
            if (r.percent(4)) section = "";
            emptyHeader = emptyHeader || section.empty();
            std::string header = blanks(r) + "[" + blanks(r) + section + blanks(r) + "]";
            if (r.percent(10)) header += " " + word(r, 8);  // ignored after the bracket
            line(header + blanks(r));
        }
        sections.push_back(section);
        keysOf.emplace_back();
        std::vector<std::string>& keys = keysOf.back();
        for (std::uint32_t n = r.below(9); n > 0; --n) {
            const std::uint32_t kind = r.below(20);
            if (kind < 2) {
                line(r.percent(50) ? "" : blanks(r));
            } else if (kind < 4) {
                // Comment lines are entries to the desktop: ";x" is a key name.
                const std::string key = std::string(r.percent(50) ? ";" : "#") + word(r, 8);
                keys.push_back(key);
                line(blanks(r) + key + (r.percent(50) ? "=" + value(r) : ""));
            } else if (kind < 5) {
                const std::string key = word(r, 8);  // a line without '='
                keys.push_back(key);
                line(blanks(r) + key + blanks(r));
            } else if (kind < 6) {
                keys.push_back("");
                line(blanks(r) + "=" + blanks(r) + value(r));
            } else {
                std::string key;
                if (!keys.empty() && r.percent(15)) key = mixCase(r, r.pick(keys));  // repeated entry
                else key = r.percent(50) ? r.pick(kKeyNames) : word(r, 12);
                keys.push_back(key);
                line(blanks(r) + key + blanks(r) + "=" + blanks(r) + value(r) + blanks(r));
            }
        }
    }
    if (!file.contents.empty() && r.percent(20)) {
        // No line end after the last line.
        while (file.contents.back() == '\n' || file.contents.back() == '\r') file.contents.pop_back();
    }

    const std::vector<std::string> defaults = {"D", "D", "D", "", " ", "  pad  ", "\"quoted\"", "'half", std::string(300, 'd')};
    const std::vector<std::uint32_t> capacities = {1, 2, 8, 64, 254, 256};
    const auto lookup = [&](const std::string& name) {
        std::string spelt = mixCase(r, name);
        if (r.percent(10)) spelt = " " + spelt + "\t";
        return spelt;
    };
    const auto ask = [&](const std::string& section, const std::string& key) {
        file.reads.push_back({lookup(section), lookup(key), r.percent(85) ? "D" : r.pick(defaults),
                              r.percent(70) ? 255u : r.pick(capacities)});
    };
    std::vector<std::string> allKeys = {"k"};
    for (const auto& keys : keysOf) allKeys.insert(allKeys.end(), keys.begin(), keys.end());
    for (std::size_t s = 0; s < sections.size(); ++s) {
        for (const std::string& key : keysOf[s]) ask(sections[s], key);
        ask(sections[s], r.pick(allKeys));
        ask(sections[s], "missing");
    }
    ask("", r.pick(allKeys));
    ask("Missing", r.pick(allKeys));

    // Writes: an entry replaced, one added to a section there is (the first of repeated
    // sections), one in a new section; then every read again. Not to files with a "[]" header:
    // Wine's writer saves that section without its header, so its entries join the section
    // above it, where ours leaves the file's other lines alone.
    for (std::uint32_t n = emptyHeader ? 0 : 1 + r.below(3); n > 0; --n) {
        const std::uint32_t kind = r.below(4);
        std::string section = kind == 3 ? word(r, 10) : r.pick(sections);
        std::string key = kind == 0 ? r.pick(allKeys) : word(r, 10);
        std::string written = value(r);
        if (r.percent(10)) written = blanks(r) + written + blanks(r);
        file.writes.push_back({mixCase(r, section), mixCase(r, key), written});
        file.reads.push_back({section, key, "D", 255});
    }
    return file;
}

// Unicode files: a UTF-16LE byte-order mark, then "[S]" with one entry k=VALUE, VALUE made of
// a prefix and a character repeated around the cut at 254 characters.
struct UnicodeFile {
    std::string name;
    std::u16string value;
};
std::vector<UnicodeFile> unicodeFiles() {
    const auto repeat = [](const std::u16string& text, int n) {
        std::u16string out;
        for (int i = 0; i < n; ++i) out += text;
        return out;
    };
    const std::u16string cjk = u"\u4e00", emoji = u"\U0001F600", accented = u"\u00e9";
    return {{"u01.ini", repeat(cjk, 253)},         {"u02.ini", repeat(cjk, 254)},
            {"u03.ini", repeat(cjk, 300)},         {"u04.ini", u"\"" + repeat(cjk, 254) + u"\""},
            {"u05.ini", u"\"" + repeat(cjk, 252) + u"\""}, {"u06.ini", u"a" + repeat(emoji, 130)},
            {"u07.ini", u"ab" + repeat(emoji, 130)}, {"u08.ini", u"x" + repeat(accented, 300)}};
}

std::string escaped(const std::string& bytes) {
    std::string out = "\"";
    for (const char c : bytes) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (c >= 0x20 && c < 0x7F) {
            out += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned>(static_cast<unsigned char>(c)));
            out += hex;
        }
    }
    return out + "\"";
}

int generate(const std::string& dir) {
    for (const UnicodeFile& file : unicodeFiles()) {
        std::ofstream out(dir + "/" + file.name, std::ios::binary);
        out << "\xff\xfe";
        for (const char16_t unit : u"[S]\r\nk=" + file.value + u"\r\n") out << static_cast<char>(unit & 0xFF) << static_cast<char>(unit >> 8);
        if (!out.flush()) return 1;
    }
    for (std::uint32_t i = 0; i < kFiles; ++i) {
        const CorpusFile file = makeFile(i);
        std::ofstream out(dir + "/" + file.name, std::ios::binary);
        out << file.contents;
        if (!out.flush()) {
            std::fprintf(stderr, "cannot write %s/%s\n", dir.c_str(), file.name.c_str());
            return 1;
        }
    }
    return 0;
}

int run(const std::string& dir) {
    PlatformProfile profile;
    std::string out;
    std::vector<char> buffer(512 * tessiva::Profile::kBytesPerCharacter);
    const auto read = [&](const std::string& name, const std::string& path, const Query& q) {
        const std::uint32_t count = profile.getPrivateProfileString(q.section, q.key, q.defaultValue, buffer.data(),
                                                                    q.capacity, path);
        out += name + " get " + escaped(q.section) + " " + escaped(q.key) + " " + escaped(q.defaultValue) + " " +
               std::to_string(q.capacity) + " -> " + std::to_string(count) + " " +
               escaped(std::string(buffer.data(), count)) + "\n";
    };
    const auto write = [&](const std::string& name, const std::string& path, const Write& w) {
        const bool ok = profile.writePrivateProfileString(w.section, w.key, w.value, path).ok();
        out += name + " put " + escaped(w.section) + " " + escaped(w.key) + " " + escaped(w.value) + " -> " +
               (ok ? "ok" : "failed") + "\n";
    };
    for (const UnicodeFile& file : unicodeFiles()) {
        for (const std::uint32_t capacity : {255u, 64u, 2u}) read(file.name, dir + "\\" + file.name, {"S", "k", "D", capacity});
    }
    for (std::uint32_t i = 0; i < kFiles; ++i) {
        const CorpusFile file = makeFile(i);
        const std::string path = dir + "\\" + file.name;
        for (const Query& q : file.reads) read(file.name, path, q);
        if (i % 9 == 0) {
            // File names ignore case. (Built in steps: GCC 12 at -O3 warns falsely about
            // literal + substr.)
            std::string otherCase = "P";
            otherCase += file.name.substr(1, 3);
            otherCase += ".INI";
            read(otherCase, dir + "\\" + otherCase, file.reads.back());
        }
        for (const Write& w : file.writes) write(file.name, path, w);
        for (const Query& q : file.reads) read(file.name, path, q);
        if (i % 10 == 0) {
            // A file that is not there: the default, then a write creates it.
            const std::string absent = "absent" + std::to_string(i) + ".ini";
            const Query q{"S", "k", "D", 255};
            read(absent, dir + "\\" + absent, q);
            write(absent, dir + "\\" + absent, {"s", "K", "new"});
            read(absent, dir + "\\" + absent, q);
        }
        std::fwrite(out.data(), 1, out.size(), stdout);
        out.clear();
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

std::vector<std::string> linesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    std::vector<std::string> lines;
    std::string current;
    for (const char c : all.str()) {
        if (c == '\r') continue;  // the Windows program's console writes CR LF
        if (c == '\n') {
            lines.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) lines.push_back(current);
    return lines;
}

int compare(const std::string& ours, const std::string& theirs) {
    const std::vector<std::string> a = linesOf(ours), b = linesOf(theirs);
    std::size_t differences = 0;
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        const std::string* x = i < a.size() ? &a[i] : nullptr;
        const std::string* y = i < b.size() ? &b[i] : nullptr;
        if (x && y && *x == *y) continue;
        if (++differences <= 10) {
            std::printf("line %zu:\n  posix: %s\n  win32: %s\n", i + 1, x ? x->c_str() : "(none)", y ? y->c_str() : "(none)");
        }
    }
    std::printf("%zu and %zu answers, %zu differ\n", a.size(), b.size(), differences);
    return differences == 0 && !a.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "generate" && argc == 3) return generate(argv[2]);
    if (command == "run" && argc == 3) return run(argv[2]);
    if (command == "compare" && argc == 4) return compare(argv[2], argv[3]);
    std::fprintf(stderr, "usage: %s generate DIR | run DIR | compare OURS THEIRS\n", argv[0]);
    return 2;
}
