// Text between the seam's UTF-8 and Windows' UTF-16: lenient for what is shown, exact for a
// name that must arrive whole.
#include <gtest/gtest.h>

#include <string>

#include "platform/windows/com/text.h"

namespace tessiva {
namespace {

using win32::exactWideFromUtf8;
using win32::utf8FromWide;
using win32::wideFromUtf8;

TEST(Text, Utf8GoesToUtf16AndBack) {
    const std::string text = "vid\xC3\xA9o \xC3\x9F \xF0\x9F\x8E\xAC";  // "vidéo ß" and a clapper board
    EXPECT_EQ(wideFromUtf8(text), L"vid\u00e9o \u00df \U0001F3AC");
    EXPECT_EQ(utf8FromWide(wideFromUtf8(text)), text);
    EXPECT_EQ(wideFromUtf8(""), L"");
    EXPECT_EQ(wideFromUtf8("a\xFF" "b"), L"a\uFFFDb");  // shown, with the stray byte marked

    std::wstring exact = L"stale";
    EXPECT_TRUE(exactWideFromUtf8(text, exact).ok());
    EXPECT_EQ(exact, wideFromUtf8(text));
    EXPECT_TRUE(exactWideFromUtf8("", exact).ok());
    EXPECT_EQ(exact, L"");
}

TEST(Text, AnExactNameRefusesWhatWouldNotArriveWhole) {
    std::wstring out = L"stale";
    Status status = exactWideFromUtf8(std::string("clip\0.evc", 9), out);
    EXPECT_EQ(status.code(), Status::kInvalidArgument);
    EXPECT_EQ(status.message(), "holds a NUL character");
    EXPECT_EQ(out, L"");
    status = exactWideFromUtf8("clip\xFF.evc", out);
    EXPECT_EQ(status.code(), Status::kInvalidArgument);
    EXPECT_EQ(status.message(), "is not UTF-8");
    EXPECT_EQ(out, L"");
}

}  // namespace
}  // namespace tessiva
