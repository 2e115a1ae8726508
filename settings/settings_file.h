#pragma once
// Where the settings live: the application directory followed by the file name, with the
// desktop's separator. The program spells the name two ways; the profile functions match it
// without regard to case, so both reach one file.
#include <string>

#include "platform/forms.h"

namespace tessiva {

inline std::string settingsFile(Forms& forms) { return forms.appPath() + "\\Tessiva.ini"; }
inline std::string settingsFileLowerCase(Forms& forms) { return forms.appPath() + "\\tessiva.ini"; }

}  // namespace tessiva
