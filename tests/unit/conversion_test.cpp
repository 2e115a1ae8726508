// The run-time's numeric conversions of text and numbers.
#include <gtest/gtest.h>

#include <clocale>

#include "platform/convert.h"
#include "platform/runtime_error.h"

namespace tessiva {
namespace {

int errorOf(auto conversion) {
    try {
        conversion();
    } catch (const RuntimeError& error) {
        return error.number();
    }
    return 0;
}

TEST(Conversion, HalfwayValuesGoToTheEvenNeighbour) {
    EXPECT_EQ(roundToLong(959.5), 960);
    EXPECT_EQ(roundToLong(960.5), 960);
    EXPECT_EQ(roundToLong(961.5), 962);
    EXPECT_EQ(roundToLong(-2.5), -2);
    EXPECT_EQ(roundToLong(10.51), 11);
    EXPECT_EQ(roundToInteger(0.5), 0);
    EXPECT_EQ(roundToInteger(1.5), 2);
}

TEST(Conversion, OutOfRangeIsOverflow) {
    EXPECT_EQ(errorOf([] { return roundToLong(2147483647.5); }), 6);
    EXPECT_EQ(roundToLong(-2147483648.4), -2147483647 - 1);
    EXPECT_EQ(errorOf([] { return roundToLong(1e300); }), 6);
    EXPECT_EQ(errorOf([] { return roundToInteger(32767.5); }), 6);
    EXPECT_EQ(errorOf([] { return toInteger("70000"); }), 6);
    EXPECT_EQ(errorOf([] { return toLong("-2147483649"); }), 6);
    EXPECT_EQ(errorOf([] { return toDouble("1e400"); }), 6);
}

TEST(Conversion, TextThatIsNotANumberIsATypeMismatch) {
    for (const char* text : {"", "  ", "abc", "1x", "--1", "1 2", "e5", ".", "0x", "&H", "nan", "inf", "1e", "0xG1"}) {
        EXPECT_EQ(errorOf([&] { return toDouble(text); }), 13) << '"' << text << '"';
    }
}

TEST(Conversion, NumbersInTextWithBlanksSignsFractionsAndHex) {
    EXPECT_EQ(toDouble(" 1 "), 1.0);
    EXPECT_EQ(toDouble("\t1.0"), 1.0);
    EXPECT_EQ(toDouble("+2"), 2.0);
    EXPECT_EQ(toDouble("-0.5"), -0.5);
    EXPECT_EQ(toDouble(".5"), 0.5);
    EXPECT_EQ(toDouble("1e3"), 1000.0);
    EXPECT_EQ(toLong("0x1F"), 31);
    EXPECT_EQ(toLong("&h1f"), 31);
    EXPECT_EQ(toLong("12.5"), 12);
    EXPECT_EQ(toInteger("2"), 2);
}

TEST(Conversion, TheCLocaleTakesOnlyThePoint) {
    ASSERT_NE(std::setlocale(LC_NUMERIC, "C"), nullptr);
    EXPECT_EQ(toDouble("1.5"), 1.5);
    EXPECT_EQ(errorOf([] { return toDouble("1,5"); }), 13);
}

TEST(Conversion, AGermanLocaleTakesOnlyTheComma) {
    // The C library's name for the locale differs by desktop.
    bool german = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "German_Germany.1252", "de-DE"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            german = true;
            break;
        }
    }
    if (!german) GTEST_SKIP() << "no German locale is installed here (locale-gen de_DE.UTF-8)";
    EXPECT_EQ(toDouble("1,5"), 1.5);
    EXPECT_EQ(errorOf([] { return toDouble("1.5"); }), 13);
    std::setlocale(LC_NUMERIC, "C");
}

}  // namespace
}  // namespace tessiva
