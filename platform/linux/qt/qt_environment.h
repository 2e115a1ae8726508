#pragma once
// Qt's environment, set before the QApplication exists: the platform plugin the session
// chose, and no scaling of Qt's own, so that Qt's pixels are the display's (preview hosts and
// compositors hand us device pixels). Interface thread, at start-up.
namespace tessiva {

// `platform`: "xcb" or "wayland".
void prepareQt(const char* platform);

}  // namespace tessiva
