# The Debian package, tessiva_<version>_amd64.deb, made by CPack's DEB generator from the
# install component "package" (cmake/Install.cmake): `make deb` runs
#   cpack --config <build tree>/CPackConfig.cmake -B <folder>
# Depends are what dpkg-shlibdeps finds the binaries linked against, plus what they load at run
# time: the GStreamer plugins that play the clip (playbin, qtdemux, the libav decoders,
# autoaudiosink) and draw it on X11 (ximagesink, xvimagesink), and Qt's Wayland platform.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessiva)
set(CPACK_PACKAGE_VENDOR "The Tessiva authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Tessiva authors <authors@tessiva.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "video screensaver for X11 and Wayland desktops")
# Debian shows the long description as it stands: lines of at most 80 characters.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Tessiva plays one video clip over the whole screen in an endless loop, and"
  "ends the moment the keyboard or the mouse is touched. On more than one"
  "monitor, the clip plays on the primary one and the others go black."
  "A screensaver host starts it (xss-lock, xautolock, swayidle, xscreensaver or"
  "GNOME's idle monitor; tessiva-idle sets one up), and its settings dialog"
  "chooses whether the clip plays with its sound, for each user.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tessiva.example.org")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-libav, gstreamer1.0-x, qt6-wayland")
# The dialog's "Arial" is Liberation Sans; its links open through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xss-lock | xautolock | swayidle")
# The system's settings stay the admin's: dpkg keeps an edited file over an upgrade, and
# `apt-get remove` leaves it; only purge takes it.
file(WRITE ${CMAKE_BINARY_DIR}/packaging/conffiles "/etc/tessiva/Tessiva.ini\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# /etc lies outside the prefix: the staging folder takes it through DESTDIR.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Tessiva;package;/")
include(CPack)
