// PosixProfile against real files, each test in a fresh temporary folder.
//
// The read expectations were taken from the desktop's own GetPrivateProfileStringA (capacity
// 255) on the same bytes; rows marked "ours" are where we differ on purpose (UTF-8 text).
#include "platform/linux/posix/private_profile.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>

#include <gtest/gtest.h>

namespace tessiva {
namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "tessiva-profile-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(m_path, ignored)) {
            if (entry.is_directory(ignored)) fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
        fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(m_path, ignored);
    }
    std::string path(const std::string& name = "Tessiva.ini") const { return m_path + "/" + name; }
    // The name as the program passes it: its folder, a backslash, the file name.
    std::string programName(const std::string& name = "Tessiva.ini") const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

struct Answer {
    std::uint32_t count;
    std::string value;
};

// Reads through the profile and checks the buffer contract on the way: NUL at count, nothing
// written past it.
Answer readWith(PosixProfile& profile, const std::string& file, const std::string& section, const std::string& key,
                const std::string& defaultValue = "D", std::uint32_t capacity = 255) {
    std::string buffer(capacity * Profile::kBytesPerCharacter + 16, '#');
    const std::uint32_t count = profile.getPrivateProfileString(section, key, defaultValue, buffer.data(), capacity, file);
    EXPECT_LT(count, std::max<std::uint32_t>(capacity * Profile::kBytesPerCharacter, 1));
    if (capacity > 0) {
        EXPECT_EQ(buffer[count], '\0');
    }
    EXPECT_EQ(buffer.find_first_not_of('#', capacity == 0 ? 0 : count + 1), std::string::npos);
    return {count, buffer.substr(0, count)};
}

Answer read(const std::string& file, const std::string& section, const std::string& key,
            const std::string& defaultValue = "D", std::uint32_t capacity = 255) {
    PosixProfile profile;
    return readWith(profile, file, section, key, defaultValue, capacity);
}

Status write(const std::string& file, const std::string& section, const std::string& key, const std::string& value) {
    return PosixProfile().writePrivateProfileString(section, key, value, file);
}

// ---------------------------------------------------------------------------------------------

struct ReadCase {
    const char* name;
    std::string file;
    const char* section;
    const char* key;
    std::string expected;
    std::string defaultValue = "D";
};

void PrintTo(const ReadCase& row, std::ostream* out) { *out << row.name; }

class ReadCorpus : public testing::TestWithParam<ReadCase> {};

TEST_P(ReadCorpus, AnswersWhatTheDesktopAnswers) {
    const ReadCase& row = GetParam();
    TempDir dir;
    writeBytes(dir.path(), row.file);
    const Answer answer = read(dir.programName(), row.section, row.key, row.defaultValue);
    EXPECT_EQ(answer.value, row.expected);
    EXPECT_EQ(answer.count, row.expected.size());
}

const std::string kA300(300, 'a');

std::string repeat(const std::string& unit, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += unit;
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Profile, ReadCorpus,
    testing::Values(
        // Line ends: CR LF, LF and a lone CR all end a line; other control characters do not.
        ReadCase{"Lf", "[S]\nk=v\n", "S", "k", "v"}, ReadCase{"CrLf", "[S]\r\nk=v\r\nj=w\r\n", "S", "j", "w"},
        ReadCase{"LoneCr", "[S]\rk=v\rj=w\r", "S", "j", "w"}, ReadCase{"LoneCrAmongLf", "[S]\nk=a\rb=c\n", "S", "b", "c"},
        ReadCase{"CrCrLf", "[S]\r\r\nk=v\r\r\n", "S", "k", "v"}, ReadCase{"NoFinalLineEnd", "[S]\nk=v", "S", "k", "v"},
        ReadCase{"VerticalTabIsNoLineEnd", "[S]\nk=a\vb=c\n", "S", "b", "D"},
        // Quotes: one matching pair comes off, nothing else does.
        ReadCase{"DoubleQuotes", "[S]\nk=\"v\"\n", "S", "k", "v"}, ReadCase{"SingleQuotes", "[S]\nk='v'\n", "S", "k", "v"},
        ReadCase{"MismatchedQuotes", "[S]\nk=\"v'\n", "S", "k", "\"v'"}, ReadCase{"LoneQuote", "[S]\nk=\"\n", "S", "k", "\""},
        ReadCase{"EmptyQuotes", "[S]\nk=\"\"\n", "S", "k", ""}, ReadCase{"QuoteInside", "[S]\nk=\"a\"b\"\n", "S", "k", "a\"b"},
        ReadCase{"TrailingQuotedWord", "[S]\nk=a\"b\"\n", "S", "k", "a\"b\""},
        ReadCase{"QuotesAfterTrim", "[S]\nk= \"v\" \n", "S", "k", "v"},
        ReadCase{"OnlyOnePair", "[S]\nk='\"v\"'\n", "S", "k", "\"v\""},
        ReadCase{"BlanksInsideQuotesKept", "[S]\nk=\" v \"\n", "S", "k", " v "},
        ReadCase{"OpeningQuoteOnly", "[S]\nk=\"abc\n", "S", "k", "\"abc"},
        ReadCase{"QuoteBeforeNul", "[S]\nk=\"\0\"\n"s, "S", "k", "\""},
        // Blanks are space, tab, VT, FF and Ctrl-Z, around names, values and the looked-up names.
        ReadCase{"BlanksAroundEquals", "[S]\n k = v \n", "S", "k", "v"},
        ReadCase{"Tabs", "[S]\n\tk\t=\tv\t\n", "S", "k", "v"}, ReadCase{"CtrlZ", "[S]\nk=\x1av\x1a\n", "S", "k", "v"},
        ReadCase{"NoBreakSpaceIsText", "[S]\nk=\xa0v\xa0\n", "S", "k", "\xa0v\xa0"},
        ReadCase{"InnerBlanksKept", "[S]\nk=a\tb\t\r\n", "S", "k", "a\tb"},
        ReadCase{"BlankValue", "[S]\nk=   \n", "S", "k", ""}, ReadCase{"BlanksInHeader", " [ S ]\t\nk=v\n", "S", "k", "v"},
        ReadCase{"LookupTrimmed", "[S]\nk=v\n", " S\n", "k\t", "v"},
        ReadCase{"KeyWithSpace", "[S]\nmy key=v\n", "S", "my key", "v"},
        // Comments are entries like any other; a line without '=' is an entry with no value.
        ReadCase{"SemicolonLine", "[S]\n;k=v\n", "S", "k", "D"}, ReadCase{"SemicolonKey", "[S]\n  ;k=v\n", "S", ";k", "v"},
        ReadCase{"HashKey", "[S]\n#k=v\n", "S", "#k", "v"},
        ReadCase{"InlineSemicolonKept", "[S]\nk=v ; c\n", "S", "k", "v ; c"},
        ReadCase{"NoEquals", "[S]\n k \n", "S", "k", "D"}, ReadCase{"NoEqualsWinsOverLater", "[S]\nk\nk=v\n", "S", "k", "D"},
        ReadCase{"EmptyKey", "[S]\n\n =x\n", "S", "", "x"}, ReadCase{"EqualsInValue", "[S]\nk==a=b\n", "S", "k", "=a=b"},
        // The first of repeated entries and sections wins; sections are not merged.
        ReadCase{"DuplicateKey", "[S]\nk=1\nK=2\n", "S", "k", "1"},
        ReadCase{"DuplicateSectionFirst", "[S]\nk=1\n[T]\n[s]\nk=2\nj=3\n", "S", "k", "1"},
        ReadCase{"DuplicateSectionNotMerged", "[S]\nk=1\n[T]\n[s]\nk=2\nj=3\n", "S", "j", "D"},
        ReadCase{"KeyInOtherSection", "[S]\n[T]\nk=v\n", "S", "k", "D"},
        ReadCase{"MissingSection", "[S]\nk=v\n", "T", "k", "D"}, ReadCase{"CaseInsensitive", "[s]\nK=v\n", "S", "k", "v"},
        // Entries before the first header form the nameless section; "[]" cannot be reached.
        ReadCase{"BeforeFirstHeader", "k=v\n[S]\nk=w\n", "", "k", "v"},
        ReadCase{"NotInNamedSection", "k=v\n[S]\n", "S", "k", "D"},
        ReadCase{"EmptyHeaderUnreachable", "[S]\n[]\nk=v\n", "", "k", "D"},
        ReadCase{"BlankHeaderUnreachable", "[ ]\nk=v\n", "", "k", "D"},
        // Headers: the name runs to the last ']'; text after it is ignored; no ']' means an entry.
        ReadCase{"TextAfterHeader", "[ S ] junk=1\nk=v\n", "S", "k", "v"},
        ReadCase{"BracketInName", "[a]b]c\nk=v\n", "a]b", "k", "v"}, ReadCase{"NotUpToFirstBracket", "[a]b]\nk=v\n", "a", "k", "D"},
        ReadCase{"EqualsInHeader", "[a=b]\nk=v\n", "a=b", "k", "v"},
        ReadCase{"UnclosedHeaderIsEntry", "[S\nk=v\n", "S", "k", "D"},
        ReadCase{"UnclosedHeaderKeepsSection", "[S\nk=v\n", "", "k", "v"},
        ReadCase{"UnclosedHeaderWithValue", "[S]\n[x=y\n", "S", "[x", "y"},
        // Encodings: a UTF-8 mark is skipped, UTF-16 is read; other bytes come back unchanged.
        ReadCase{"Utf8Mark", "\xef\xbb\xbf[S]\nk=v\n", "S", "k", "v"},
        ReadCase{"SecondMarkIsText", "\xef\xbb\xbf\xef\xbb\xbf[S]\nk=v\n", "S", "k", "D"},
        ReadCase{"PartialMark", "\xef\xbb[S]\nk=v\n", "S", "k", "D"},
        ReadCase{"Utf16Le", "\xff\xfe[\0S\0]\0\r\0\n\0k\0=\0v\0"s, "S", "k", "v"},
        ReadCase{"Utf16Be", "\xfe\xff\0[\0S\0]\0\n\0k\0=\xd8\x3d\xde\x00"s, "S", "k", "\xf0\x9f\x98\x80"},  // ours: UTF-8
        ReadCase{"RawBytes", "[S]\nk=\xc3\xa9\xff\xfe\x81\n", "S", "k", "\xc3\xa9\xff\xfe\x81"},
        ReadCase{"EmptyFile", "", "S", "k", "D"},
        // NUL ends a name or value, but the line is parsed past it.
        ReadCase{"NulEndsValue", "[S]\nk=a\0b\nj=c\n"s, "S", "k", "a"},
        ReadCase{"NulLineThenMore", "[S]\nk=a\0b\nj=c\n"s, "S", "j", "c"},
        ReadCase{"EqualsAfterNul", "[S]\n k\0 =v\n"s, "S", "k", "v"},
        ReadCase{"BracketAfterNul", "[S\0]\nk=v\n"s, "S", "k", "v"},
        ReadCase{"NulFirstInKey", "[S]\n\0k=v\n"s, "S", "k", "D"}, ReadCase{"NulValue", "[S]\nk=\0\n"s, "S", "k", ""},
        ReadCase{"NulBeforeHeader", "\0[S]\nk=v\n"s, "S", "k", "D"},
        ReadCase{"NulLineIsEmptyKey", "[S]\n\0\n=x\n"s, "S", "", "D"},
        // The default loses trailing spaces (only spaces) and one pair of quotes.
        ReadCase{"DefaultSpaces", "", "S", "k", "  D", "  D  "},
        ReadCase{"DefaultOnlySpaces", "", "S", "k", " ", "   "}, ReadCase{"DefaultTabs", "", "S", "k", "\tD\t", "\tD\t"},
        ReadCase{"DefaultQuoted", "", "S", "k", "D", "\"D\" "}, ReadCase{"DefaultQuoteLate", "", "S", "k", " \"D\"", " \"D\""},
        ReadCase{"DefaultHalfQuoted", "", "S", "k", "x\"", "x\""}, ReadCase{"DefaultEmpty", "", "S", "k", "", ""},
        ReadCase{"DefaultLong", "", "S", "k", std::string(254, 'a'), kA300}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------

TEST(ProfileRead, CutsLongValuesLikeTheDesktop) {
    const std::string a252(252, 'a'), a253(253, 'a'), a254(254, 'a');
    const struct {
        std::string value;
        std::string expected;
    } rows[] = {
        {kA300, a254},
        {std::string(255, 'a'), a254},
        {a253, a253},
        {'"' + a252 + '"', a252},
        {'"' + a253 + '"', a253},
        {'"' + a254 + '"', a253},  // the desktop's quirk: the cut quote takes one more character along
        {'"' + kA300 + '"', a254},
        // 254 characters, as the desktop's wide functions count them, however many bytes; a
        // character outside the BMP counts two and is never split.
        {"a" + repeat("\xc3\xa9", 300), "a" + repeat("\xc3\xa9", 253)},
        {"ab" + repeat("\xe4\xb8\x80", 300), "ab" + repeat("\xe4\xb8\x80", 252)},
        {"abc" + repeat("\xf0\x9f\x98\x80", 200), "abc" + repeat("\xf0\x9f\x98\x80", 125)},
        {'"' + a252 + "\xc3\xa9\"", a252 + "\xc3\xa9"},
        {'"' + repeat("\xe4\xb8\x80", 254) + '"', repeat("\xe4\xb8\x80", 253)},  // the quirk, in characters
        {std::string(300, '\x80'), std::string(254, '\x80')},  // not UTF-8: a byte is a character
        {"\xe4\xb8" + std::string(300, 'a'), "\xe4\xb8" + a252},  // a broken sequence: bytes too
    };
    TempDir dir;
    for (const auto& row : rows) {
        writeBytes(dir.path(), "[S]\nk=" + row.value + "\n");
        EXPECT_EQ(read(dir.programName(), "S", "k").value, row.expected) << row.value;
    }
}

TEST(ProfileRead, HonoursSmallCapacities) {
    TempDir dir;
    writeBytes(dir.path(), "[S]\nk=abcdef\n");
    EXPECT_EQ(read(dir.programName(), "S", "k", "D", 4).value, "abc");
    EXPECT_EQ(read(dir.programName(), "S", "k", "D", 1).value, "");
    EXPECT_EQ(read(dir.programName(), "S", "k", "D", 0).count, 0u);
}

TEST(ProfileFileName, EverySpellingReachesOneFile) {
    TempDir dir;
    writeBytes(dir.path("Tessiva.ini"), "[S]\nk=v\n");
    for (const char* spelling : {"Tessiva.ini", "tessiva.ini", "TESSIVA.INI"}) {
        EXPECT_EQ(read(dir.programName(spelling), "S", "k").value, "v") << spelling;
    }
    ASSERT_TRUE(write(dir.programName("TESSIVA.INI"), "S", "k", "w").ok());
    EXPECT_EQ(readBytes(dir.path("Tessiva.ini")), "[S]\nk=w\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path(".")), fs::directory_iterator()), 1);
}

TEST(ProfileFileName, NamesDifferingInCaseShareTheSmallestName) {
    TempDir dir;
    writeBytes(dir.path("tessiva.ini"), "[S]\nk=lower\n");
    writeBytes(dir.path("Tessiva.ini"), "[S]\nk=mixed\n");
    if (readBytes(dir.path("tessiva.ini")) != "[S]\nk=lower\n") GTEST_SKIP() << "case-insensitive file system";
    writeBytes(dir.path("TESSIVA.INI"), "[S]\nk=upper\n");
    for (const char* spelling : {"Tessiva.ini", "tessiva.ini", "TESSIVA.INI"}) {
        EXPECT_EQ(read(dir.programName(spelling), "S", "k").value, "upper") << spelling;
    }
    ASSERT_TRUE(write(dir.programName("tessiva.ini"), "S", "k", "new").ok());
    EXPECT_EQ(readBytes(dir.path("TESSIVA.INI")), "[S]\nk=new\n");
    // Messages name the file that was reached, as a path of this desktop.
    EXPECT_EQ(PosixProfile().fileName(dir.programName("Tessiva.ini")), dir.path("TESSIVA.INI"));
    EXPECT_EQ(readBytes(dir.path("tessiva.ini")), "[S]\nk=lower\n");
    EXPECT_EQ(readBytes(dir.path("Tessiva.ini")), "[S]\nk=mixed\n");
}

TEST(ProfileFileName, MissingFileOrFolder) {
    TempDir dir;
    EXPECT_EQ(read(dir.programName(), "S", "k").value, "D");
    EXPECT_EQ(read(dir.programName("none\\Tessiva.ini"), "S", "k").value, "D");
    const Status status = write(dir.programName("none\\Tessiva.ini"), "S", "k", "v");
    EXPECT_EQ(status.message(), "Could not save settings to " + dir.path("none/Tessiva.ini") + ": No such file or directory");
    ASSERT_TRUE(write(dir.programName("TeSsIvA.iNi"), "S", "k", "v").ok());  // created under the name as given
    EXPECT_EQ(readBytes(dir.path("TeSsIvA.iNi")), "[S]\nk=v\n");
}

// ---------------------------------------------------------------------------------------------

struct WriteCase {
    const char* name;
    std::optional<std::string> before;  // no file when empty
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

void PrintTo(const WriteCase& row, std::ostream* out) { *out << row.name; }

class WriteCorpus : public testing::TestWithParam<WriteCase> {};

TEST_P(WriteCorpus, ChangesOnlyTheEntry) {
    const WriteCase& row = GetParam();
    TempDir dir;
    if (row.before) writeBytes(dir.path(), *row.before);
    const Status status = write(dir.programName(), row.section, row.key, row.value);
    ASSERT_TRUE(status.ok()) << status.message();
    EXPECT_EQ(readBytes(dir.path()), row.after);
    EXPECT_EQ(read(dir.programName(), row.section, row.key).value, row.value);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path(".")), fs::directory_iterator()), 1) << "temporary left over";
}

std::string utf16le(std::u16string_view text) {
    std::string bytes = "\xff\xfe";
    for (char16_t unit : text) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Profile, WriteCorpus,
    testing::Values(
        WriteCase{"NewFile", std::nullopt, "S", "k", "v", "[S]\nk=v\n"}, WriteCase{"EmptyFile", "", "S", "k", "v", "[S]\nk=v\n"},
        WriteCase{"Replace", "[S]\n  K = old ; c\nj=1\n", "s", "k", "new", "[S]\nk=new\nj=1\n"},
        WriteCase{"ReplaceFirstSectionOnly", "[S]\nk=1\n[T]\n[S]\nk=2\n", "S", "k", "9", "[S]\nk=9\n[T]\n[S]\nk=2\n"},
        WriteCase{"ReplaceEntryWithoutValue", "[S]\nk\nx=1\n", "S", "k", "v", "[S]\nk=v\nx=1\n"},
        WriteCase{"ReplaceInCrLf", "; top\r\n[S]\r\nk=old\r\n\r\n[T]\r\nx=1", "S", "k", "new",
                  "; top\r\n[S]\r\nk=new\r\n\r\n[T]\r\nx=1"},
        WriteCase{"AppendAfterLastNonBlankLine", "[S]\nk=1\n; note\n\n\n[T]\nx=1\n", "S", "j", "2",
                  "[S]\nk=1\n; note\nj=2\n\n\n[T]\nx=1\n"},
        WriteCase{"AppendToEmptySection", "[S]\n[T]\n", "S", "k", "v", "[S]\nk=v\n[T]\n"},
        WriteCase{"AppendInCrLf", "[S]\r\nk=1\r\n", "S", "j", "2", "[S]\r\nk=1\r\nj=2\r\n"},
        WriteCase{"AppendInLoneCr", "[S]\rk=1\r", "S", "j", "2", "[S]\rk=1\rj=2\r"},
        WriteCase{"AppendToUnterminatedLine", "[S]\nk=1", "S", "j", "2", "[S]\nk=1\nj=2\n"},
        WriteCase{"AppendToUnterminatedHeader", "[S]", "S", "k", "v", "[S]\nk=v\n"},
        WriteCase{"NewSection", "[S]\nk=1\n", "T", "j", "2", "[S]\nk=1\n[T]\nj=2\n"},
        WriteCase{"NewSectionAfterUnterminatedLine", "a\r\nb\nc", "T", "k", "v", "a\r\nb\nc\r\n[T]\r\nk=v\r\n"},
        WriteCase{"NamelessSection", "k=1\n[S]\nx=1\n", "", "j", "2", "k=1\nj=2\n[S]\nx=1\n"},
        WriteCase{"NamelessSectionAfterMark", "\xef\xbb\xbf[S]\n", "", "k", "v", "\xef\xbb\xbfk=v\n[S]\n"},
        WriteCase{"OddBytesKept", "\xef\xbb\xbf[S]\nk=1\n\0\xff junk\x1a\n"s, "S", "k", "2", "\xef\xbb\xbf[S]\nk=2\n\0\xff junk\x1a\n"s},
        WriteCase{"Utf16", utf16le(u"[S]\r\nk=1\r\n"), "S", "k", "\xc3\xa9\xf0\x9f\x98\x80",
                  utf16le(u"[S]\r\nk=\u00e9\U0001F600\r\n")},
        WriteCase{"Utf16Append", utf16le(u"[S]\nk=1\n"), "T", "j", "2", utf16le(u"[S]\nk=1\n[T]\nj=2\n")}),
    [](const testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

TEST(ProfileWrite, RefusesLineBreaksInNamesAndValues) {
    TempDir dir;
    writeBytes(dir.path(), "[S]\nk=1\n");
    EXPECT_EQ(write(dir.programName(), "S", "k", "a\nb").code(), Status::kInvalidArgument);
    EXPECT_EQ(write(dir.programName(), "S\r", "k", "v").code(), Status::kInvalidArgument);
    EXPECT_EQ(readBytes(dir.path()), "[S]\nk=1\n");
}

TEST(ProfileWrite, FollowsSymlinksAndKeepsModeOwnerAndHardLinks) {
    TempDir dir;
    fs::create_directory(dir.path("real"));
    writeBytes(dir.path("real/settings.ini"), "[S]\nk=1\n");
    ::chmod(dir.path("real/settings.ini").c_str(), 0640);
    fs::create_symlink("real/settings.ini", dir.path());
    const bool root = ::geteuid() == 0;
    const passwd* nobody = ::getpwnam("nobody");
    if (root && nobody != nullptr) {
        ASSERT_EQ(::chown(dir.path("real/settings.ini").c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    }

    ASSERT_TRUE(write(dir.programName(), "S", "k", "2").ok());
    EXPECT_TRUE(fs::is_symlink(dir.path()));
    EXPECT_EQ(readBytes(dir.path("real/settings.ini")), "[S]\nk=2\n");
    struct stat info {};
    ASSERT_EQ(::stat(dir.path("real/settings.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    if (root && nobody != nullptr) {
        EXPECT_EQ(info.st_uid, nobody->pw_uid);
    }

    fs::create_hard_link(dir.path("real/settings.ini"), dir.path("other.ini"));
    ASSERT_TRUE(write(dir.programName(), "S", "k", "3").ok());
    EXPECT_EQ(readBytes(dir.path("other.ini")), "[S]\nk=3\n");

    fs::create_symlink("real/new.ini", dir.path("dangling.ini"));
    ASSERT_TRUE(write(dir.programName("dangling.ini"), "S", "k", "v").ok());
    EXPECT_TRUE(fs::is_symlink(dir.path("dangling.ini")));
    EXPECT_EQ(readBytes(dir.path("real/new.ini")), "[S]\nk=v\n");
}

TEST(ProfileWrite, RemovesTheTemporaryFilesOfWritersThatAreGone) {
    TempDir dir;
    ASSERT_TRUE(write(dir.programName(), "config", "sound", "1").ok());
    // A writer killed before its rename: its process is gone, its temporary file stayed.
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ASSERT_GT(gone, 0);
    ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
    const std::string abandoned = dir.path(".Tessiva.ini." + std::to_string(gone) + ".0.123456.tmp");
    const std::string living = dir.path(".Tessiva.ini." + std::to_string(::getppid()) + ".0.654321.tmp");
    const std::string foreign = dir.path(".Tessiva.ini.notes.tmp");
    for (const auto& path : {abandoned, living, foreign}) writeBytes(path, "[config]\nsound=0\n");

    ASSERT_TRUE(write(dir.programName(), "config", "sound", "0").ok());
    EXPECT_FALSE(fs::exists(abandoned));
    EXPECT_TRUE(fs::exists(living));   // its writer may still rename it
    EXPECT_TRUE(fs::exists(foreign));  // not one of ours
    EXPECT_EQ(read(dir.programName(), "config", "sound").value, "0");
}

TEST(ProfileWrite, NewFileFollowsTheUmask) {
    TempDir dir;
    const mode_t old = ::umask(027);
    const Status status = write(dir.programName(), "S", "k", "v");
    ::umask(old);
    ASSERT_TRUE(status.ok());
    struct stat info {};
    ASSERT_EQ(::stat(dir.path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

// ---------------------------------------------------------------------------------------------

TEST(ProfileHostile, GarbageLongLinesAndHugeFiles) {
    TempDir dir;
    std::mt19937 random(1234);
    std::string garbage(64 * 1024, '\0');
    for (char& c : garbage) c = static_cast<char>(random());
    writeBytes(dir.path(), garbage);
    for (const char* section : {"", "S", "\xff"}) read(dir.programName(), section, "k");  // checks the buffer contract
    ASSERT_TRUE(write(dir.programName(), "Tessiva", "k", "v").ok());
    EXPECT_EQ(read(dir.programName(), "Tessiva", "k").value, "v");
    EXPECT_EQ(readBytes(dir.path()).substr(0, garbage.size()), garbage);

    writeBytes(dir.path(), "[S]\nk=" + std::string(1 << 20, 'x') + "\nj=2\n");
    EXPECT_EQ(read(dir.programName(), "S", "k").value, std::string(254, 'x'));
    EXPECT_EQ(read(dir.programName(), "S", "j").value, "2");

    // Past the size limit a read sees only the start and a write refuses to cut the file.
    const std::string huge = "[S]\nk=v\n" + std::string(PosixProfile::kMaxFileBytes, '\n') + "[T]\nj=w\n";
    writeBytes(dir.path(), huge);
    EXPECT_EQ(read(dir.programName(), "S", "k").value, "v");
    EXPECT_EQ(read(dir.programName(), "T", "j").value, "D");
    EXPECT_EQ(write(dir.programName(), "S", "k", "2").message(),
              "Could not save settings to " + dir.path() + ": File too large");
    EXPECT_EQ(readBytes(dir.path()), huge);
}

TEST(ProfileHostile, FolderOrPipeAtTheName) {
    TempDir dir;
    fs::create_directory(dir.path());
    EXPECT_EQ(read(dir.programName(), "S", "k").value, "D");
    const Status status = write(dir.programName("TESSIVA.INI"), "S", "k", "v");
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(status.message(), "Could not save settings to " + dir.path() + ": Is a directory");
    EXPECT_TRUE(fs::is_empty(dir.path()));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path(".")), fs::directory_iterator()), 1);

    fs::remove(dir.path());
    ASSERT_EQ(::mkfifo(dir.path().c_str(), 0644), 0);
    EXPECT_EQ(read(dir.programName(), "S", "k").value, "D");  // would hang if opened blocking
    EXPECT_FALSE(write(dir.programName(), "S", "k", "v").ok());
}

// ---------------------------------------------------------------------------------------------
// Permissions. Root ignores them, so these run in a child that drops to "nobody" when the tests
// run as root. The child reports a failed expectation as text through a pipe.

std::string runUnprivileged(const std::function<std::string()>& check) {
    int channel[2];
    if (::pipe(channel) != 0) return "pipe failed";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        std::string result = "could not become nobody";
        const passwd* nobody = ::getpwnam("nobody");
        if (::geteuid() != 0 || (nobody != nullptr && ::setgroups(0, nullptr) == 0 && ::setgid(nobody->pw_gid) == 0 &&
                                 ::setuid(nobody->pw_uid) == 0)) {
            result = check();
        }
        (void)!::write(channel[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string result;
    char chunk[512];
    for (ssize_t got; (got = ::read(channel[0], chunk, sizeof chunk)) > 0;) result.append(chunk, static_cast<std::size_t>(got));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? result : "child crashed";
}

// Hands `path` to the user the permission cases run as, when the tests run as root.
void giveToUnprivileged(const std::string& path) {
    if (const passwd* nobody = ::getpwnam("nobody"); ::geteuid() == 0 && nobody != nullptr) {
        ASSERT_EQ(::chown(path.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    }
}

// The user's own folder: the file named is read and written as it always was.
class ProfilePermissions : public testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() == 0 && ::getpwnam("nobody") == nullptr) GTEST_SKIP() << "no user nobody to drop to";
        ::chmod(m_dir.path(".").c_str(), 0777);
        giveToUnprivileged(m_dir.path("."));
    }
    TempDir m_dir;
};

TEST_F(ProfilePermissions, ReadOnlyFolderWritableFileIsWrittenInPlace) {
    writeBytes(m_dir.path(), "[S]\r\nk=1\r\n");
    ::chmod(m_dir.path().c_str(), 0666);
    ::chmod(m_dir.path(".").c_str(), 0555);
    EXPECT_EQ(runUnprivileged([&]() -> std::string {
                  const Status status = write(m_dir.programName(), "S", "j", "2");
                  return status.ok() ? "" : status.message();
              }),
              "");
    EXPECT_EQ(readBytes(m_dir.path()), "[S]\r\nk=1\r\nj=2\r\n");
}

TEST_F(ProfilePermissions, ReadOnlyFolderWithoutFileFails) {
    ::chmod(m_dir.path(".").c_str(), 0555);
    EXPECT_EQ(runUnprivileged([&] { return write(m_dir.programName(), "S", "k", "v").message(); }),
              "Could not save settings to " + m_dir.path() + ": Permission denied");
    EXPECT_TRUE(fs::is_empty(m_dir.path(".")));
}

TEST_F(ProfilePermissions, UnreadableFileGivesTheDefaultAndIsNotReplaced) {
    writeBytes(m_dir.path(), "[S]\nk=secret\n");
    ::chmod(m_dir.path().c_str(), 0222);  // writable but unreadable: a rewrite would lose what it holds
    EXPECT_EQ(runUnprivileged([&] {
                  return read(m_dir.programName(), "S", "k").value + "|" + write(m_dir.programName(), "S", "j", "2").message();
              }),
              "D|Could not save settings to " + m_dir.path() + ": Permission denied");
    ::chmod(m_dir.path().c_str(), 0644);
    EXPECT_EQ(readBytes(m_dir.path()), "[S]\nk=secret\n");
}

TEST_F(ProfilePermissions, ReadOnlyFileInWritableFolderIsNotReplaced) {
    writeBytes(m_dir.path(), "[S]\nk=1\n");
    ::chmod(m_dir.path().c_str(), 0444);
    // The user's own file, so nothing but its mode stands in the way of a rename over it.
    giveToUnprivileged(m_dir.path());
    EXPECT_EQ(runUnprivileged([&] { return write(m_dir.programName(), "S", "k", "2").message(); }),
              "Could not save settings to " + m_dir.path() + ": Permission denied");
    EXPECT_EQ(readBytes(m_dir.path()), "[S]\nk=1\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.path(".")), fs::directory_iterator()), 1);
}

// ---------------------------------------------------------------------------------------------
// A program's folder that belongs to another user (a system-wide install): each user's settings
// are a file of their own, read before the program's and written alone. Only root can make a
// folder of another user's, so these run as root and check as "nobody".

TEST(UserSettingsFolder, FromTheEnvironment) {
    EXPECT_EQ(userSettingsFolder("/x/config", "/home/u"), "/x/config/tessiva");
    EXPECT_EQ(userSettingsFolder(nullptr, "/home/u"), "/home/u/.config/tessiva");
    EXPECT_EQ(userSettingsFolder("", "/home/u"), "/home/u/.config/tessiva");
    EXPECT_EQ(userSettingsFolder("config", "/home/u"), "/home/u/.config/tessiva");  // relative: ignored
    EXPECT_EQ(userSettingsFolder(nullptr, ""), "");
    EXPECT_EQ(userSettingsFolder(nullptr, nullptr), "");
}

// What differs from what was expected, as text the child can send back; empty when all matched.
std::string differences(std::initializer_list<std::pair<std::string, std::string>> gotAndWanted) {
    std::string out;
    for (const auto& [got, wanted] : gotAndWanted) {
        if (got != wanted) out += "got \"" + got + "\", wanted \"" + wanted + "\"\n";
    }
    return out;
}

std::string listing(const std::string& folder) {
    std::string names;
    for (const auto& entry : fs::directory_iterator(folder)) names += entry.path().filename().string() + " ";
    return names;
}

class ProfileOfAnotherUsersFolder : public testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "only root can make a folder of another user's";
        if (::getpwnam("nobody") == nullptr) GTEST_SKIP() << "no user nobody to drop to";
        // The program's folder and its settings, root's as a package installs them.
        ::chmod(m_program.path(".").c_str(), 0755);
        writeBytes(m_program.path(), kSystem);
        ::chmod(m_program.path().c_str(), 0644);
        // The user's home, with a ~/.config that other programs made readable to all.
        giveToUnprivileged(m_home.path("."));
        fs::create_directory(m_home.path(".config"));
        ::chmod(m_home.path(".config").c_str(), 0755);
        giveToUnprivileged(m_home.path(".config"));
    }
    std::string userFolder() const { return m_home.path(".config/tessiva"); }

    static constexpr const char* kSystem = "[config]\nsound=1\npath=/usr/share/tessiva/\n[other]\nk=system\n";
    TempDir m_program;
    TempDir m_home;
};

TEST_F(ProfileOfAnotherUsersFolder, ReadsTheUsersFileFirstThenTheProgramsFolder) {
    EXPECT_EQ(runUnprivileged([&] {
                  PosixProfile profile(userFolder());
                  const auto value = [&](const char* section, const char* key) {
                      return readWith(profile, m_program.programName(), section, key).value;
                  };
                  // No file of the user's yet: the program's folder answers, the user's file is
                  // not named.
                  std::string out = differences({{value("config", "sound"), "1"},
                                                 {profile.fileName(m_program.programName()), m_program.path()}});
                  if (::mkdir(userFolder().c_str(), 0700) != 0) return out + "mkdir failed";
                  // Any spelling of the name, as beside the program.
                  writeBytes(userFolder() + "/tessiva.INI", "[config]\r\nsound=0\r\n[other]\r\nj=user\r\n");
                  return out + differences({{value("config", "sound"), "0"},
                                            {value("config", "path"), "/usr/share/tessiva/"},
                                            {value("other", "k"), "system"},
                                            {value("other", "j"), "user"},
                                            {value("other", "missing"), "D"},
                                            {profile.fileName(m_program.programName()), userFolder() + "/tessiva.INI"}});
              }),
              "");
}

TEST_F(ProfileOfAnotherUsersFolder, WritesOnlyTheUsersFileInAFolderOnlyTheUserCanRead) {
    const std::string programFolderBefore = listing(m_program.path("."));
    EXPECT_EQ(runUnprivileged([&] {
                  PosixProfile profile(userFolder());
                  const Status first = profile.writePrivateProfileString("config", "sound", "0", m_program.programName());
                  const Status second = profile.writePrivateProfileString("other", "j", "v", m_program.programName());
                  return differences({{first.message(), ""}, {second.message(), ""}});
              }),
              "");
    EXPECT_EQ(readBytes(userFolder() + "/Tessiva.ini"), "[config]\nsound=0\n[other]\nj=v\n");
    EXPECT_EQ(readBytes(m_program.path()), kSystem);
    EXPECT_EQ(listing(m_program.path(".")), programFolderBefore);
    struct stat info {};
    ASSERT_EQ(::stat(userFolder().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(info.st_uid, ::getpwnam("nobody")->pw_uid);
    ASSERT_EQ(::stat(m_home.path(".config").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0755u);  // a folder that was there stays as it was

    // A settings folder that can't be made: the user's file is named, nothing else changes.
    fs::remove_all(m_home.path(".config"));
    ::chown(m_home.path(".").c_str(), 0, 0);
    EXPECT_EQ(runUnprivileged([&] {
                  PosixProfile profile(userFolder());
                  return profile.writePrivateProfileString("config", "sound", "0", m_program.programName()).message();
              }),
              "Could not save settings to " + userFolder() + "/Tessiva.ini: Permission denied");
    EXPECT_EQ(readBytes(m_program.path()), kSystem);
}

TEST_F(ProfileOfAnotherUsersFolder, AFolderOfTheUsersOwnIsReadAndWrittenAsItIs) {
    giveToUnprivileged(m_program.path("."));
    giveToUnprivileged(m_program.path());
    fs::create_directory(userFolder());
    giveToUnprivileged(userFolder());
    writeBytes(userFolder() + "/Tessiva.ini", "[config]\nsound=0\n");
    EXPECT_EQ(runUnprivileged([&] {
                  PosixProfile profile(userFolder());
                  const std::string before = readWith(profile, m_program.programName(), "config", "sound").value;
                  const Status saved = profile.writePrivateProfileString("config", "sound", "2", m_program.programName());
                  return differences({{before, "1"},
                                      {saved.message(), ""},
                                      {profile.fileName(m_program.programName()), m_program.path()}});
              }),
              "");
    EXPECT_EQ(readBytes(m_program.path()), "[config]\nsound=2\npath=/usr/share/tessiva/\n[other]\nk=system\n");
    EXPECT_EQ(readBytes(userFolder() + "/Tessiva.ini"), "[config]\nsound=0\n");
}

}  // namespace
}  // namespace tessiva
