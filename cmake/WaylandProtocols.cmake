# Client code for Wayland protocols, made by wayland-scanner from the protocols' XML.
# (The glue is C: the project enables C beside C++ for it.)
#
#   tessiva_wayland_protocols(TARGET XML...)
#
# makes the static library TARGET with the glue code of each protocol, and puts each
# protocol's client header (NAME-client-protocol.h, NAME being the XML file's name without
# .xml) where a target linking TARGET finds it. Debian 12 has the XML in two places:
# wayland-protocols (relative-pointer, xdg-shell) and, for the wlroots ones (layer-shell,
# virtual pointer), librust-wayland-protocols-dev; KWin's own (fake input) are in
# plasma-wayland-protocols.
set(TESSIVA_WLR_PROTOCOLS /usr/share/cargo/registry/wayland-protocols-0.29.4/wlr-protocols/unstable)
set(TESSIVA_WL_PROTOCOLS /usr/share/wayland-protocols)

function(tessiva_wayland_protocols target)
  find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target})
  set(sources)
  foreach(xml IN LISTS ARGN)
    if(NOT EXISTS ${xml})
      message(FATAL_ERROR "Wayland protocol ${xml} is missing: scripts/setup.sh --test installs it")
    endif()
    get_filename_component(name ${xml} NAME_WE)
    add_custom_command(OUTPUT ${out}/${name}-client-protocol.h
      COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
      COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${out}/${name}-client-protocol.h
      DEPENDS ${xml} VERBATIM)
    add_custom_command(OUTPUT ${out}/${name}-protocol.c
      COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
      COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${out}/${name}-protocol.c
      DEPENDS ${xml} VERBATIM)
    list(APPEND sources ${out}/${name}-protocol.c ${out}/${name}-client-protocol.h)
  endforeach()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${out})
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(WAYLAND_CLIENT REQUIRED IMPORTED_TARGET wayland-client)
  target_link_libraries(${target} PUBLIC PkgConfig::WAYLAND_CLIENT)
endfunction()
