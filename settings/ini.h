#pragma once
// ReadIni / WriteIni: the program's two settings procedures over the private-profile functions.
// They own no state and run on whichever thread calls them (the UI thread in the program).
// A read never fails: a missing file, section or key gives the default. A write hands back the
// profile's Status for a caller that wants to report it.
#include <string>

#include "platform/profile.h"
#include "platform/status.h"

namespace tessiva {

// Reads a value the way the program always has: a buffer of spaces with room for 256
// characters, capacity 255, the count taken as a 16-bit signed integer, the first `count`
// bytes returned (so at most 254 characters, in UTF-8). A count above 32767 overflows that
// integer and raises the Overflow run-time error; a count beyond the buffer gives the whole
// buffer.
std::string ReadIni(Profile& profile, const std::string& file, const std::string& section, const std::string& key,
                    const std::string& defaultValue);

// Replaces every CR and every LF in value with one space (length unchanged), then stores it.
// Returns the write's status so that a caller that cares can report it.
Status WriteIni(Profile& profile, const std::string& file, const std::string& section, const std::string& key,
                const std::string& value);

}  // namespace tessiva
