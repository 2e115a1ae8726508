#pragma once
// Identifiers of the pictures and the manifest in the program's resources (tessiva.rc).
// Macros, because the resource compiler reads this file too.
#define TESSIVA_ICON 1
#define TESSIVA_HAND_CURSOR 101
#define TESSIVA_PREVIEW_JPEG 102
