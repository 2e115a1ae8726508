# Fails when a source of the portable core includes a framework header. The core's targets
# don't link the frameworks either, but X11's headers sit on the default include path, so
# a stray include would otherwise compile.
file(GLOB_RECURSE sources
  ${ROOT}/startup/*.h ${ROOT}/startup/*.cpp ${ROOT}/window/*.h ${ROOT}/window/*.cpp
  ${ROOT}/playback/*.h ${ROOT}/playback/*.cpp ${ROOT}/input/*.h ${ROOT}/input/*.cpp
  ${ROOT}/settings/*.h ${ROOT}/settings/*.cpp)
# The seam's own files, not the platform layers in its subfolders.
file(GLOB seam ${ROOT}/platform/*.h ${ROOT}/platform/*.cpp)
list(APPEND sources ${seam})
set(bad "")
foreach(source ${sources})
  file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]+|Qt[A-Za-z]*/|gst/|glib|X11/|windows\\.h|objbase|dshow|dinput)")
  if(lines)
    list(APPEND bad "${source}: ${lines}")
  endif()
endforeach()
if(bad)
  message(FATAL_ERROR "framework includes in the portable core:\n${bad}")
endif()
message(STATUS "core sources checked: clean")
