#pragma once
// The run-time's numeric conversions. Text to number reads optionally signed decimal numbers
// (the locale's decimal separator, blanks around the number ignored) and hexadecimal written
// "0x1F" or "&H1F"; anything else raises Type mismatch, a value out of range raises Overflow.
// Floating-point to integer rounds to nearest, exactly halfway going to the even neighbour.
// The decimal separator is the C library's LC_NUMERIC one: runProgram sets the user's locale
// before Main, on every desktop.
#include <cstdint>
#include <string_view>

namespace tessiva {

double toDouble(std::string_view text);           // CDbl
std::int32_t toLong(std::string_view text);       // CLng of text
std::int16_t toInteger(std::string_view text);    // CInt of text
std::int32_t roundToLong(double value);           // CLng of a number
std::int16_t roundToInteger(double value);        // CInt of a number

}  // namespace tessiva
