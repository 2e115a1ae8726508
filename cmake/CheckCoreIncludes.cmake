# The include rule by folder. Fails when
# - a source of the portable core (startup/ window/ playback/ input/ settings/ vocabulary/ and
#   the seam's own files directly in platform/) includes anything but
#   - a header of the C++ standard library, in angle brackets (<cstdint>, not <stdint.h>);
#   - a core header: "startup/...", "window/...", "playback/...", "input/...", "settings/...",
#     "vocabulary/...";
#   - a seam header: "platform/<name>.h", directly in platform/;
# - a source of the portable core includes a core header from a layer above its own (the
#   layers are core_layers below, top to bottom);
# - a source in platform/shared/ includes a desktop folder's header ("platform/linux/...");
# - a source of one desktop folder (platform/linux/, platform/windows/, any other folder of
#   platform/ but shared/) includes another desktop folder's header;
# - inside platform/linux/, a source of one desktop's wing (x11/, wayland/) includes the
#   other's, or a source of a folder both share (qt/, gst/, mouse/, posix/, ...) includes a
#   wing: what both need lives beside them. Only the table that chooses the desktop
#   (session/) and the composition root (main.cpp) include the wings.
# The core's targets link no framework, but system headers (X11's, the Windows SDK's under
# mingw, POSIX's) sit on the default include path, so a stray include would otherwise compile.
# Names are matched exactly: on Windows' file system <String> or "Platform/desktop.h" would
# open some file, and not necessarily the one meant.
#   cmake -DROOT=<repository> -P CheckCoreIncludes.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT DEFINED ROOT)
  message(FATAL_ERROR "usage: cmake -DROOT=<repository> -P CheckCoreIncludes.cmake")
endif()

set(standard_headers
  # The language support and general library
  algorithm any array atomic barrier bit bitset charconv chrono compare complex concepts
  condition_variable coroutine deque exception execution filesystem format forward_list
  fstream functional future initializer_list iomanip ios iosfwd iostream istream iterator
  latch limits list locale map memory memory_resource mutex new numbers numeric optional
  ostream queue random ranges ratio regex scoped_allocator semaphore set shared_mutex
  source_location span sstream stack stdexcept stop_token streambuf string string_view
  syncstream system_error thread tuple type_traits typeindex typeinfo unordered_map
  unordered_set utility valarray variant vector version
  # The C library, as C++ declares it
  cassert cctype cerrno cfenv cfloat cinttypes climits clocale cmath csetjmp csignal cstdarg
  cstddef cstdint cstdio cstdlib cstring ctime cuchar cwchar cwctype)

# The core's layers, top to bottom. A source includes headers of its own layer and of those
# below it, never above: a module that reached up would need the one built on top of it.
# Folders of one layer may include each other (playback/ reads the settings). "platform" is
# the seam's own files.
set(core_layers startup window "playback input settings" vocabulary platform)
set(core_folders "")
set(index 0)
foreach(layer ${core_layers})
  string(REPLACE " " ";" layer_folders "${layer}")
  foreach(folder ${layer_folders})
    set(layer_of_${folder} ${index})
    if(NOT folder STREQUAL "platform")
      list(APPEND core_folders ${folder})
    endif()
  endforeach()
  math(EXPR index "${index} + 1")
endforeach()
set(sources "")
foreach(folder ${core_folders})
  file(GLOB_RECURSE found ${ROOT}/${folder}/*)
  list(APPEND sources ${found})
endforeach()
# The seam's own files, not the platform layers in its subfolders.
file(GLOB seam LIST_DIRECTORIES false ${ROOT}/platform/*)
list(APPEND sources ${seam})
list(FILTER sources INCLUDE REGEX "\\.(h|hh|hpp|hxx|inl|c|cc|cpp|cxx)$")
list(SORT sources)

list(JOIN core_folders "|" core_alternatives)
set(bad "")
set(upward "")
set(checked 0)
foreach(source ${sources})
  math(EXPR checked "${checked} + 1")
  file(RELATIVE_PATH shown ${ROOT} ${source})
  string(REGEX MATCH "^[^/]+" own_folder "${shown}")
  file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*(include|include_next|import)([^A-Za-z0-9_]|$)")
  foreach(line ${lines})
    string(REGEX MATCH "^[ \t]*#[ \t]*([a-z_]+)[ \t]*(.*)" target "${line}")
    set(directive "${CMAKE_MATCH_1}")
    set(target "${CMAKE_MATCH_2}")
    set(allowed FALSE)
    set(reached "")  # the core folder the include reaches
    if(NOT directive STREQUAL "include")
      # include_next and import reach past the include path's order: never core.
    elseif(target MATCHES "^<([a-z_]+)>")
      if(CMAKE_MATCH_1 IN_LIST standard_headers)
        set(allowed TRUE)
      endif()
    elseif(target MATCHES "^\"(${core_alternatives})/[A-Za-z0-9_/]+\\.h\"")
      set(allowed TRUE)
      set(reached ${CMAKE_MATCH_1})
    elseif(target MATCHES "^\"platform/[A-Za-z0-9_]+\\.h\"")
      set(allowed TRUE)
      set(reached platform)
    endif()
    string(STRIP "${line}" line)
    if(NOT allowed)
      list(APPEND bad "  ${shown}: ${line}")
    elseif(reached AND layer_of_${reached} LESS layer_of_${own_folder})
      list(APPEND upward "  ${shown}: ${line}")
    endif()
  endforeach()
endforeach()

# The layers: platform/shared/ and each desktop folder.
file(GLOB platform_entries LIST_DIRECTORIES true ${ROOT}/platform/*)
set(desktops "")
foreach(entry ${platform_entries})
  get_filename_component(name ${entry} NAME)
  if(IS_DIRECTORY ${entry} AND NOT name STREQUAL "shared")
    list(APPEND desktops ${name})
  endif()
endforeach()
set(crossing "")
foreach(folder shared ${desktops})
  file(GLOB_RECURSE layer_sources ${ROOT}/platform/${folder}/*)
  list(FILTER layer_sources INCLUDE REGEX "\\.(h|hh|hpp|hxx|inl|c|cc|cpp|cxx|rc)$")
  list(SORT layer_sources)
  foreach(source ${layer_sources})
    math(EXPR checked "${checked} + 1")
    file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*(include|include_next|import)[ \t]*\"platform/")
    foreach(line ${lines})
      string(REGEX MATCH "\"platform/([A-Za-z0-9_]+)/" found "${line}")
      set(target "${CMAKE_MATCH_1}")
      if(target STREQUAL "" OR target STREQUAL "shared" OR target STREQUAL folder)
        continue()
      endif()
      file(RELATIVE_PATH shown ${ROOT} ${source})
      string(STRIP "${line}" line)
      list(APPEND crossing "  ${shown}: ${line}")
    endforeach()
  endforeach()
endforeach()

# The desktops' wings on Linux: a wing includes no other wing, a shared folder no wing.
set(wings x11 wayland)
set(above_wings session)
file(GLOB_RECURSE linux_sources ${ROOT}/platform/linux/*)
list(FILTER linux_sources INCLUDE REGEX "\\.(h|hh|hpp|hxx|inl|c|cc|cpp|cxx)$")
list(SORT linux_sources)
foreach(source ${linux_sources})
  file(RELATIVE_PATH inside ${ROOT}/platform/linux ${source})
  if(NOT inside MATCHES "/")
    continue()  # the composition root
  endif()
  string(REGEX MATCH "^[^/]+" folder "${inside}")
  if(folder IN_LIST above_wings)
    continue()
  endif()
  math(EXPR checked "${checked} + 1")
  file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*(include|include_next|import)[ \t]*\"platform/linux/")
  foreach(line ${lines})
    string(REGEX MATCH "\"platform/linux/([A-Za-z0-9_]+)/" found "${line}")
    set(target "${CMAKE_MATCH_1}")
    if(target IN_LIST wings AND NOT target STREQUAL folder)
      file(RELATIVE_PATH shown ${ROOT} ${source})
      string(STRIP "${line}" line)
      list(APPEND crossing "  ${shown}: ${line}")
    endif()
  endforeach()
endforeach()

if(bad OR upward OR crossing)
  set(report "")
  if(bad)
    list(JOIN bad "\n" bad)
    string(APPEND report "includes the portable core may not have (only the C++ standard library, "
      "core headers and \"platform/<name>.h\"):\n${bad}\n")
  endif()
  if(upward)
    list(JOIN upward "\n" upward)
    list(JOIN core_layers ", " order)
    string(APPEND report "includes that run back up the core's layers (top to bottom: ${order}; "
      "each includes only its own layer and those below):\n${upward}\n")
  endif()
  if(crossing)
    list(JOIN crossing "\n" crossing)
    string(APPEND report "includes across layers (platform/shared/ includes no desktop folder, no "
      "desktop folder another; on Linux no wing, x11/ or wayland/, the other, and no shared folder a wing):\n${crossing}\n")
  endif()
  message(FATAL_ERROR "${report}")
endif()
message(STATUS "${checked} sources checked: clean")
