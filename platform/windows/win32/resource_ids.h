#pragma once
// Identifiers of the pictures, the manifest and the saver's name in the program's resources
// (tessiva.rc). Macros, because the resource compiler reads this file too.
#define TESSIVA_ICON 1
#define TESSIVA_HAND_CURSOR 101
#define TESSIVA_PREVIEW_JPEG 102
// The Display settings take a screensaver's name from its string 1.
#define TESSIVA_SAVER_NAME 1
