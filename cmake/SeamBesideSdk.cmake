# The Windows layer will include the seam's headers beside the SDK's, and the SDK defines
# thousands of macros (GWL_STYLE, WS_CHILD, DISCL_BACKGROUND, DIMOFS_X, min, max, ...) that
# would rewrite any seam name spelt the same. So every header directly in platform/ (and in
# platform/shared/, whose rules the Windows layers include too) is
# compiled twice with the target's compiler: after <windows.h>, <dinput.h>, <dshow.h> and
# <shellapi.h>, and before them (which also shows that no seam header breaks the SDK's). No
# NOMINMAX or WIN32_LEAN_AND_MEAN: a layer may include the SDK as it comes.
function(tessiva_seam_beside_sdk target)
  set(sdk_headers
    "#define DIRECTINPUT_VERSION 0x0800"
    "#include <windows.h>"
    "#include <dinput.h>"
    "#include <dshow.h>"
    "#include <shellapi.h>")
  list(JOIN sdk_headers "\n" sdk)
  file(GLOB seam_headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/*.h ${PROJECT_SOURCE_DIR}/platform/shared/*.h)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/seam_beside_sdk)
  set(sources "")
  foreach(header ${seam_headers})
    file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${header})
    string(REGEX REPLACE "\\.h$" "" relative "${relative}")
    string(REPLACE "/" "_" name "${relative}")
    set(seam "#include \"${relative}.h\"")
    # CONFIGURE writes only what changed, so a reconfigure rebuilds nothing needlessly.
    file(CONFIGURE OUTPUT ${dir}/${name}_after_sdk.cpp CONTENT "${sdk}\n${seam}\n" @ONLY)
    file(CONFIGURE OUTPUT ${dir}/${name}_before_sdk.cpp CONTENT "${seam}\n${sdk}\n" @ONLY)
    list(APPEND sources ${dir}/${name}_after_sdk.cpp ${dir}/${name}_before_sdk.cpp)
  endforeach()
  add_library(${target} OBJECT ${sources})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  tessiva_warnings(${target})
endfunction()
