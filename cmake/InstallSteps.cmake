# The install steps that install() can't say, run by `cmake --install` and `cpack` for one
# component of cmake/Install.cmake, with the prefix and DESTDIR they install with:
#   user     PREFIX/lib/tessiva/Tessiva.ini naming that folder, unless a settings file is there
#            in any spelling; PREFIX/bin/tessiva, an absolute link to the program
#   package  /etc/tessiva/Tessiva.ini naming /usr/share/tessiva/, and a link to it beside the
#            program; /usr/bin/tessiva and /usr/libexec/xscreensaver/tessiva, relative links to
#            the program
#   both     the menu entry "Tessiva settings", which runs the installed program with /C
# What it makes goes into the install manifest, as install()'s own files do.
# In: TESSIVA_COMPONENT, TESSIVA_APP_DIR, TESSIVA_BINDIR, TESSIVA_DATADIR (relative to the prefix).
set(prefix "${CMAKE_INSTALL_PREFIX}")
string(REGEX REPLACE "(.)/+$" "\\1" prefix "${prefix}")
if(NOT prefix MATCHES "^/" OR prefix MATCHES "[\r\n]")
  message(FATAL_ERROR "The install prefix must be an absolute path without line breaks, not \"${prefix}\"")
endif()
set(app "${prefix}/${TESSIVA_APP_DIR}")
set(staged "$ENV{DESTDIR}")

function(tessiva_made path)
  set(CMAKE_INSTALL_MANIFEST_FILES ${CMAKE_INSTALL_MANIFEST_FILES} "${staged}${path}" PARENT_SCOPE)
endfunction()

# A file with these contents, put in place by a rename: a reader sees the old or the new one.
function(tessiva_write path contents)
  get_filename_component(folder "${staged}${path}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  file(WRITE "${staged}${path}.new" "${contents}")
  file(RENAME "${staged}${path}.new" "${staged}${path}")
  message(STATUS "Installing: ${staged}${path}")
endfunction()

function(tessiva_link target path)
  get_filename_component(folder "${staged}${path}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  file(CREATE_LINK "${target}" "${staged}${path}" SYMBOLIC)
  message(STATUS "Installing: ${staged}${path} -> ${target}")
endfunction()

if(TESSIVA_COMPONENT STREQUAL "package")
  # The prefix /usr: GNUInstallDirs' system configuration folder is then /etc.
  tessiva_write(/etc/tessiva/Tessiva.ini "[config]\npath=${prefix}/${TESSIVA_DATADIR}/tessiva/\n")
  tessiva_link(/etc/tessiva/Tessiva.ini "${app}/Tessiva.ini")
  file(RELATIVE_PATH program "${prefix}/${TESSIVA_BINDIR}" "${app}/tessiva")
  tessiva_link("${program}" "${prefix}/${TESSIVA_BINDIR}/tessiva")
  # MATE's and Xfce's screensaver run a theme's program only from their own folder.
  file(RELATIVE_PATH hack "${prefix}/libexec/xscreensaver" "${app}/tessiva")
  tessiva_link("${hack}" "${prefix}/libexec/xscreensaver/tessiva")
  tessiva_made(/etc/tessiva/Tessiva.ini)
  tessiva_made("${app}/Tessiva.ini")
  tessiva_made("${prefix}/libexec/xscreensaver/tessiva")
else()
  # The settings file is the user's: a second install keeps it as it is, in any spelling.
  file(GLOB entries LIST_DIRECTORIES false "${staged}${app}/*")
  set(settings "")
  foreach(entry IN LISTS entries)
    get_filename_component(name "${entry}" NAME)
    string(TOLOWER "${name}" name)
    if(name STREQUAL "tessiva.ini")
      set(settings "${entry}")
    endif()
  endforeach()
  if(settings STREQUAL "")
    tessiva_write("${app}/Tessiva.ini" "[config]\npath=${app}/\n")
  endif()
  tessiva_link("${app}/tessiva" "${prefix}/${TESSIVA_BINDIR}/tessiva")
endif()
tessiva_made("${prefix}/${TESSIVA_BINDIR}/tessiva")

# The menu entry's Exec: the program's path as a desktop entry reads it. A path with a
# character the entry's quoting reserves is quoted with those escaped, and then the value's own
# backslash escape applies.
set(exec "${app}/tessiva")
if(NOT exec MATCHES "^[A-Za-z0-9/._+-]+$")
  string(REPLACE "\\" "\\\\" exec "${exec}")
  foreach(reserved "\"" "`" "$")
    string(REPLACE "${reserved}" "\\${reserved}" exec "${exec}")
  endforeach()
  string(REPLACE "\\" "\\\\" exec "\"${exec}\"")
endif()
string(REPLACE "%" "%%" exec "${exec}")
set(entry "${prefix}/share/applications/tessiva-settings.desktop")
tessiva_write("${entry}" "[Desktop Entry]
Type=Application
Name=Tessiva settings
Comment=Sound setting of the Tessiva video screensaver
Exec=${exec} /C
Icon=preferences-desktop-screensaver
Terminal=false
Categories=Settings;DesktopSettings;
Keywords=screensaver;video;sound;
")
tessiva_made("${entry}")
