# The emulator hands on how a program ends and what it prints, in the run's prefix (the tests)
# and in the build tree's own (gtest's discovery): a wrapper that lost a failing status would
# make every failing test pass, and the discovery reads the test names from the output.
#   cmake -DEMULATOR=<wine-run.sh> -DPROBE=<exit_probe.exe> -P EmulatorTest.cmake
cmake_minimum_required(VERSION 3.25)
foreach(prefix "the run's" "the build tree's")
  if(prefix STREQUAL "the run's")
    set(command ${EMULATOR})
  else()
    set(command ${CMAKE_COMMAND} -E env --unset=TESSIVA_WINEPREFIX ${EMULATOR})
  endif()
  # Passing tests check that 0 gets through.
  execute_process(COMMAND ${command} ${PROBE} 7 RESULT_VARIABLE status OUTPUT_VARIABLE output)
  if(NOT status EQUAL 7)
    message(FATAL_ERROR "in ${prefix} prefix the program ended with 7, the emulator answered ${status}")
  endif()
  # execute_process drops the CR of Windows' CRLF line ends.
  if(NOT output STREQUAL "first\nsecond\n")
    message(FATAL_ERROR "in ${prefix} prefix the program printed \"first\" and \"second\"; the emulator passed on:\n${output}")
  endif()
endforeach()
