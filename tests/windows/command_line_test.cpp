// The Windows command line: the program's name goes by the C runtime's rules, and the rest
// reaches Main exactly as the host wrote it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/windows/win32/command_line.h"

namespace tessiva {
namespace {

using win32::argumentsAfterProgramName;

TEST(CommandLine, TheProgramsNameGoesAndTheRestStaysAsWritten) {
    EXPECT_EQ(argumentsAfterProgramName(L"tessiva.scr /s"), L"/s");
    EXPECT_EQ(argumentsAfterProgramName(L"C:\\Tessiva\\tessiva.scr /p 1234"), L"/p 1234");
    // A quoted name runs to the next quotation mark, spaces and all.
    EXPECT_EQ(argumentsAfterProgramName(L"\"C:\\Program Files\\tessiva.scr\" /c:5678"), L"/c:5678");
    EXPECT_EQ(argumentsAfterProgramName(L"\"C:\\a b\\tessiva.scr\"/S"), L"/S");
    // Blanks after the name go; blanks inside and after the switch are the program's.
    EXPECT_EQ(argumentsAfterProgramName(L"tessiva.scr \t  /p   0x10  "), L"/p   0x10  ");
    EXPECT_EQ(argumentsAfterProgramName(L"tessiva.scr \"/p 12\""), L"\"/p 12\"");
    EXPECT_EQ(argumentsAfterProgramName(L"tessiva.scr"), L"");
    EXPECT_EQ(argumentsAfterProgramName(L"\"unterminated /s"), L"");
    EXPECT_EQ(argumentsAfterProgramName(L""), L"");
}

// Launchers write "%s /s" with the path unquoted, long or short, in whatever case they hold.
TEST(CommandLine, TheProgramsOwnPathGoesUnquotedWithItsSpaces) {
    const std::vector<std::wstring> paths{L"C:\\Users\\\u0141ukasz \u00dcnal\\Tessiva\\tessiva.scr",
                                          L"C:\\Users\\UKASZ~1\\Tessiva\\tessiva.scr"};
    EXPECT_EQ(argumentsAfterProgramName(L"C:\\Users\\\u0141ukasz \u00dcnal\\Tessiva\\tessiva.scr /s", paths), L"/s");
    EXPECT_EQ(argumentsAfterProgramName(L"c:\\users\\\u0142UKASZ \u00fcNAL\\tessiva\\TESSIVA.SCR /p 1234", paths),
              L"/p 1234");
    EXPECT_EQ(argumentsAfterProgramName(L"C:\\USERS\\UKASZ~1\\TESSIVA\\TESSIVA.SCR /c:5678", paths), L"/c:5678");
    EXPECT_EQ(argumentsAfterProgramName(L"C:\\Users\\UKASZ~1\\Tessiva\\tessiva.scr", paths), L"");
    // Quoted, the path goes by the quotation marks, as before.
    EXPECT_EQ(argumentsAfterProgramName(L"\"C:\\Users\\\u0141ukasz \u00dcnal\\Tessiva\\tessiva.scr\" /s", paths), L"/s");
    // Only a whole path counts: a longer name, or another program, keeps the first-word rule.
    EXPECT_EQ(argumentsAfterProgramName(L"C:\\Users\\UKASZ~1\\Tessiva\\tessiva.scrx /s", paths), L"/s");
    EXPECT_EQ(argumentsAfterProgramName(L"C:\\Other Folder\\tessiva.scr /s", paths), L"Folder\\tessiva.scr /s");
}

}  // namespace
}  // namespace tessiva
