// ReadIni / WriteIni: the buffer and count handling against a scripted profile, and the round
// trip through the real POSIX profile.
#include "settings/ini.h"

#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/linux/posix/private_profile.h"
#include "platform/runtime_error.h"

namespace tessiva {
namespace {

using namespace std::string_literals;
using testing::_;
using testing::Return;

class ScriptedProfile : public Profile {
public:
    MOCK_METHOD(std::uint32_t, getPrivateProfileString,
                (const std::string&, const std::string&, const std::string&, char*, std::uint32_t, const std::string&),
                (override));
    MOCK_METHOD(Status, writePrivateProfileString,
                (const std::string&, const std::string&, const std::string&, const std::string&), (override));
    MOCK_METHOD(std::string, fileName, (const std::string&), (override));
};

TEST(ReadIni, HandsTheProfileASpaceFilledBufferAndItsArguments) {
    ScriptedProfile profile;
    EXPECT_CALL(profile, getPrivateProfileString("Section", "Key", "Default", _, 255u, "C:\\x\\Tessiva.ini"))
        .WillOnce([](auto&, auto&, auto&, char* buffer, std::uint32_t, auto&) {
            EXPECT_EQ(std::string(buffer, 768), std::string(768, ' '));  // room for 256 characters
            std::memcpy(buffer, "abc", 4);
            return 3u;
        });
    EXPECT_EQ(ReadIni(profile, "C:\\x\\Tessiva.ini", "Section", "Key", "Default"), "abc");
}

TEST(ReadIni, TakesTheFirstCountBytesOfTheBuffer) {
    const struct {
        std::uint32_t count;
        std::string expected;
    } rows[] = {
        {0, ""},
        {3, "abc"},
        {6, "abc\0  "s},             // past the NUL are the spaces the buffer started with
        {300, "abc\0"s + std::string(296, ' ')},
        {32767, "abc\0"s + std::string(764, ' ')},  // no more than the buffer holds
    };
    for (const auto& row : rows) {
        ScriptedProfile profile;
        EXPECT_CALL(profile, getPrivateProfileString).WillOnce([&](auto&, auto&, auto&, char* buffer, auto, auto&) {
            std::memcpy(buffer, "abc", 4);
            return row.count;
        });
        EXPECT_EQ(ReadIni(profile, "f", "s", "k", "d"), row.expected) << row.count;
    }
}

TEST(ReadIni, ACountBeyondSixteenBitsOverflows) {
    ScriptedProfile profile;
    EXPECT_CALL(profile, getPrivateProfileString).WillOnce(Return(32768u));
    try {
        (void)ReadIni(profile, "f", "s", "k", "d");
        FAIL() << "expected Overflow";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), errors::kOverflow);
    }
}

TEST(WriteIni, TurnsEachLineBreakIntoOneSpaceAndPassesTheStatusOn) {
    const struct {
        std::string value;
        std::string stored;
    } rows[] = {{"plain", "plain"}, {"a\r\nb", "a  b"}, {"\r", " "}, {"\n\nx\r", "  x "}, {"", ""}};
    for (const auto& row : rows) {
        ScriptedProfile profile;
        EXPECT_CALL(profile, writePrivateProfileString("Section", "Key", row.stored, "C:\\x\\Tessiva.ini"))
            .WillOnce(Return(Status::failure("Could not save settings to x: Disk full")));
        const Status status = WriteIni(profile, "C:\\x\\Tessiva.ini", "Section", "Key", row.value);
        EXPECT_EQ(status.message(), "Could not save settings to x: Disk full");
    }
}

TEST(IniRoundTrip, ThroughThePosixProfile) {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessiva-ini-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const std::string file = pattern + "\\Tessiva.ini";
    PosixProfile profile;

    EXPECT_EQ(ReadIni(profile, file, "Tessiva", "Folder", std::string(300, 'd')), std::string(254, 'd'));
    ASSERT_TRUE(WriteIni(profile, file, "Tessiva", "Folder", "line one\r\nline two").ok());
    EXPECT_EQ(ReadIni(profile, file, "tessiva", "folder", "x"), "line one  line two");
    ASSERT_TRUE(WriteIni(profile, file, "Tessiva", "Folder", std::string(300, 'v')).ok());
    EXPECT_EQ(ReadIni(profile, file, "Tessiva", "Folder", "x"), std::string(254, 'v'));
    // 254 characters, not bytes: a CJK folder name three times as long in UTF-8 comes whole.
    std::string cjk;
    for (int i = 0; i < 254; ++i) cjk += "\xe4\xb8\x80";
    ASSERT_TRUE(WriteIni(profile, file, "Tessiva", "Folder", cjk + "\xe4\xb8\x80").ok());
    EXPECT_EQ(ReadIni(profile, file, "Tessiva", "Folder", "x"), cjk);

    std::filesystem::remove_all(pattern);
    std::filesystem::create_directories(pattern + "/Tessiva.ini");
    EXPECT_EQ(ReadIni(profile, file, "Tessiva", "Folder", "x"), "x");
    EXPECT_FALSE(WriteIni(profile, file, "Tessiva", "Folder", "v").ok());
    std::filesystem::remove_all(pattern);
}

}  // namespace
}  // namespace tessiva
