# Runs profile_script's corpus through our PosixProfile (NATIVE, a Linux program) and through
# kernel32 (WINDOWS, under EMULATOR) and fails when any answer differs. Each side gets its own
# copy of the corpus, because the script writes to it.
#   cmake -DNATIVE=<host program> -DWINDOWS=<.exe> -DEMULATOR=<wine-run.sh> -DWORK=<folder>
#     -P ProfileDiffTest.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN} ended with ${status}")
  endif()
endfunction()

run(${NATIVE} generate ${WORK}/corpus)
file(COPY ${WORK}/corpus/ DESTINATION ${WORK}/posix)
file(COPY ${WORK}/corpus/ DESTINATION ${WORK}/win32)
run(${NATIVE} run ${WORK}/posix OUTPUT_FILE ${WORK}/posix.txt)
# Wine maps drive Z: to the Unix root; the program's own names use backslashes.
string(REPLACE "/" "\\" windows_dir "Z:${WORK}/win32")
run(${EMULATOR} ${WINDOWS} run ${windows_dir} OUTPUT_FILE ${WORK}/win32.txt)
execute_process(COMMAND ${NATIVE} compare ${WORK}/posix.txt ${WORK}/win32.txt RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "PosixProfile and kernel32 answer differently; all answers in ${WORK}")
endif()
