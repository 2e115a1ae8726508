# Every target of ours builds warning-free; warnings are errors.
function(tessiva_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
  endif()
endfunction()

# A static library of one module, with the repository root as its include root
# ("platform/status.h", "window/form1.h", ...).
function(tessiva_module target)
  add_library(${target} STATIC ${ARGN})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  tessiva_warnings(${target})
endfunction()
