# What is installed where, in one place, as two install components:
#
#   user     the per-user install (`make install`, scripts/install.sh; any prefix, ~/.local by
#            default): everything in PREFIX/lib/tessiva/, the program, GNOME's idle host, the
#            clip vorn.evc and Tessiva.ini, whose "path" names that folder (an existing one, in
#            any spelling, is kept); PREFIX/bin/tessiva, a link to the program, which finds its
#            settings beside the program file; PREFIX/bin/tessiva-idle; the menu entry.
#   package  the Debian package (`make deb`, cmake/Package.cmake; the prefix /usr): the program
#            and GNOME's idle host in /usr/lib/tessiva/, the clip in /usr/share/tessiva/, the
#            system's settings in /etc/tessiva/Tessiva.ini (a conffile, naming the clip's
#            folder) with a link to it beside the program, /usr/bin/tessiva (a link) and
#            tessiva-idle, the menu entry, manual pages, the copyright file and the changelog;
#            for the X11 screensaver daemons, a link to the program in /usr/libexec/xscreensaver/
#            (the only folder MATE's and Xfce's run programs from), xscreensaver's description of
#            it and MATE's and Xfce's theme entry.
#
# What install() can't say (links, the kept settings file, the menu entry whose Exec names the
# installed program) cmake/InstallSteps.cmake does at install time, for the prefix and DESTDIR
# that install runs with.
set(CMAKE_INSTALL_DOCDIR share/doc/tessiva)  # GNUInstallDirs would take the project's "Tessiva"
include(GNUInstallDirs)

# `cpack` and `cmake --install` install what has been built; they never build the whole tree
# (with its tests) first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(TESSIVA_APP_DIR lib/tessiva)
set(TESSIVA_CLIP ${PROJECT_SOURCE_DIR}/assets/vorn.evc)
set(TESSIVA_PACKAGING ${PROJECT_SOURCE_DIR}/packaging/linux)

# The manual pages and the changelog, compressed as Debian keeps them (-n: no name or time
# inside, so that the same sources give the same bytes).
set(package_files)
foreach(source tessiva.1 tessiva-idle.1 changelog)
  set(compressed ${CMAKE_BINARY_DIR}/packaging/${source}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND gzip -9n -c ${TESSIVA_PACKAGING}/${source} > ${compressed}
    DEPENDS ${TESSIVA_PACKAGING}/${source} VERBATIM)
  list(APPEND package_files ${compressed})
endforeach()
add_custom_target(tessiva_package_files ALL DEPENDS ${package_files})

foreach(component user package)
  install(TARGETS tessiva tessiva-gnome-idle RUNTIME DESTINATION ${TESSIVA_APP_DIR} COMPONENT ${component})
  install(PROGRAMS ${PROJECT_SOURCE_DIR}/scripts/tessiva-idle DESTINATION ${CMAKE_INSTALL_BINDIR}
    COMPONENT ${component})
endforeach()
install(FILES ${TESSIVA_CLIP} DESTINATION ${TESSIVA_APP_DIR} COMPONENT user)
install(FILES ${TESSIVA_CLIP} DESTINATION ${CMAKE_INSTALL_DATADIR}/tessiva COMPONENT package)
install(FILES ${CMAKE_BINARY_DIR}/packaging/tessiva.1.gz ${CMAKE_BINARY_DIR}/packaging/tessiva-idle.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT package)
install(FILES ${TESSIVA_PACKAGING}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT package)
install(FILES ${PROJECT_SOURCE_DIR}/assets/daemons/tessiva.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config
  COMPONENT package)
install(FILES ${PROJECT_SOURCE_DIR}/assets/daemons/tessiva.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications/screensavers COMPONENT package)

foreach(component user package)
  install(CODE "
    set(TESSIVA_COMPONENT ${component})
    set(TESSIVA_APP_DIR ${TESSIVA_APP_DIR})
    set(TESSIVA_BINDIR ${CMAKE_INSTALL_BINDIR})
    set(TESSIVA_DATADIR ${CMAKE_INSTALL_DATADIR})
    include(${PROJECT_SOURCE_DIR}/cmake/InstallSteps.cmake)
  " COMPONENT ${component})
endforeach()
