# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (package g++-mingw-w64-x86-64-posix)
# and runs what it builds under Wine.
#   cmake --preset windows      (or -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake)
#
# The -posix compilers, because the default win32 thread model has no std::thread or
# std::mutex. libgcc, libstdc++ and winpthreads link statically so that an .exe (and later the
# .scr) stands alone: no DLLs to copy beside it, under Wine or on Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TESSIVA_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TESSIVA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESSIVA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TESSIVA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TESSIVA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Test programs, and gtest's discovery of the tests in them, run under Wine.
get_filename_component(TESSIVA_SOURCE_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TESSIVA_SOURCE_ROOT}/scripts/wine-run.sh)
