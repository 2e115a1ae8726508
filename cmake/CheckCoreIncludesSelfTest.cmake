# Runs CheckCoreIncludes.cmake over small trees of its own: a clean tree must pass, and each
# tree with one include the core may not have, or one that runs back up the core's layers,
# must fail and name it.
#   cmake -DCHECK=<CheckCoreIncludes.cmake> -DWORK=<scratch folder> -P CheckCoreIncludesSelfTest.cmake
cmake_minimum_required(VERSION 3.25)

set(clean_source [=[
#include "window/form1.h"
#include <cstdint>
#  include <string>  // the blanks and the comment are fine
#include "platform/desktop.h"
#include "settings/dialogs/config_dialog.h"
]=])

# Runs the check over a tree holding the clean source and `extra` (file name, then its text),
# and leaves its exit status and output in `result` and `output`.
function(check_tree name extra_file extra_text)
  set(tree ${WORK}/${name})
  file(REMOVE_RECURSE ${tree})
  file(WRITE ${tree}/startup/clean.cpp "${clean_source}")
  # Each core layer may include its own and those below it, a folder of the middle layer its
  # neighbours too.
  file(WRITE ${tree}/window/form1.h "#include \"input/quit_rule.h\"\n#include \"window/form1_controls.h\"\n")
  file(WRITE ${tree}/playback/media_graph.cpp "#include \"settings/ini.h\"\n#include \"vocabulary/mode_flags.h\"\n")
  file(WRITE ${tree}/vocabulary/mode_flags.h "#include \"platform/basic_types.h\"\n")
  # A platform layer may include its framework, its own desktop's layers, the shared rules
  # and the seam; only the seam's own files are core.
  file(WRITE ${tree}/platform/linux/qt/qt_forms.cpp "#include <QWidget>\n#include \"platform/linux/posix/private_profile.h\"\n"
    "#include \"platform/shared/color.h\"\n#include \"platform/forms.h\"\n")
  # The table that chooses the desktop includes both wings, and the composition root it; each
  # wing includes what both share.
  file(WRITE ${tree}/platform/linux/session/connect_session.cpp "#include \"platform/linux/x11/qt/x11_session.h\"\n"
    "#include \"platform/linux/wayland/qt/wayland_session.h\"\n")
  file(WRITE ${tree}/platform/linux/main.cpp "#include \"platform/linux/session/connect_session.h\"\n")
  file(WRITE ${tree}/platform/linux/wayland/relative_mouse.cpp "#include \"platform/linux/mouse/mouse_feed.h\"\n"
    "#include \"platform/linux/wayland/wayland_seat.h\"\n")
  file(WRITE ${tree}/platform/linux/x11/qt/x11_presenter.cpp "#include \"platform/linux/qt/qt_form_window.h\"\n"
    "#include \"platform/linux/x11/x_connection.h\"\n")
  file(WRITE ${tree}/platform/windows/win32/win32_forms.cpp "#include <windows.h>\n#include \"platform/windows/com/com_ref.h\"\n"
    "#include \"platform/shared/form_rules.h\"\n")
  file(WRITE ${tree}/platform/shared/form_rules.cpp "#include <vector>\n#include \"platform/shared/form_rules.h\"\n"
    "#include \"platform/forms.h\"\n")
  if(extra_file)
    file(WRITE ${tree}/${extra_file} "${extra_text}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${tree} -P ${CHECK}
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  set(result ${status} PARENT_SCOPE)
  set(output "${out}" PARENT_SCOPE)
endfunction()

set(failures "")
check_tree(clean "" "")
if(NOT result EQUAL 0)
  list(APPEND failures "a clean tree was refused:\n${output}")
endif()

# Each: where the include sits | the include.
set(cases
  "window/form1.cpp|#include <Windows.h>"
  "window/form1.cpp|#include <windows.h>"
  "playback/media_graph.cpp|#include <strmif.h>"
  "input/mouse_watcher.h|#include <xcb/xcb.h>"
  "settings/ini.cpp|#include <unistd.h>"
  "settings/ini.cpp|#include <stdint.h>"
  "startup/switches.cpp|#include \"platform/linux/posix/private_profile.h\""
  "startup/switches.cpp|#include \"platform/shared/color.h\""
  "startup/switches.cpp|#include \"Platform/desktop.h\""
  "startup/switches.cpp|#include <String>"
  "startup/switches.cpp|#include <QtCore/QString>"
  "startup/switches.cpp|#include \"config.h\""
  "startup/switches.cpp|#include HEADER_OF_THE_DAY"
  "startup/switches.cpp|#include_next <string>"
  "settings/nested/deeper/file.h|  #  include <gst/gst.h>"
  "platform/status.h|#include <X11/Xlib.h>"
  "platform/convert.cpp|#include \"platform/linux/qt/error_report.h\""
  "platform/shared/cover_plan.h|#include \"platform/linux/x11/x_connection.h\""
  "platform/shared/nested/rule.cpp|#include \"platform/windows/com/com_ref.h\""
  "platform/linux/qt/qt_forms.cpp|#include \"platform/windows/win32/text.h\""
  "platform/windows/dshow/dshow_graph.cpp|#  include \"platform/linux/gst/gst_graph.h\""
  "platform/wayland/wl_forms.cpp|#include \"platform/linux/qt/qt_forms.h\""
  "platform/linux/wayland/wayland_client.cpp|#include \"platform/linux/x11/x_errors.h\""
  "platform/linux/x11/xinput/raw_mouse_watcher.h|#include \"platform/linux/wayland/wayland_seat.h\""
  "platform/linux/qt/qt_forms.cpp|#include \"platform/linux/x11/qt/x11_presenter.h\""
  "platform/linux/gst/gst_graph.cpp|#include \"platform/linux/wayland/video/frame_target.h\""
  "platform/linux/mouse/buffered_mouse.h|#include \"platform/linux/x11/xinput/raw_mouse_watcher.h\""
  # Back up the core's layers.
  "input/quit_rule.h|#include \"startup/mode_flags.h\""
  "settings/config_dialog.cpp|#include \"window/form1_controls.h\""
  "window/form1.cpp|#include \"startup/main_procedure.h\""
  "vocabulary/form1_controls.h|#include \"settings/ini.h\""
  "platform/forms.h|#include \"vocabulary/form1_controls.h\"")
foreach(case ${cases})
  string(FIND "${case}" "|" bar)
  string(SUBSTRING "${case}" 0 ${bar} file)
  math(EXPR start "${bar} + 1")
  string(SUBSTRING "${case}" ${start} -1 include)
  check_tree(bad "${file}" "#pragma once\n#include <vector>\n${include}\n")
  string(STRIP "${include}" line)
  string(FIND "${output}" "${file}: ${line}" named)
  if(result EQUAL 0)
    list(APPEND failures "passed: ${file}: ${line}")
  elseif(named EQUAL -1)
    list(APPEND failures "refused, but without naming ${file}: ${line}\n${output}")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK})
if(failures)
  list(JOIN failures "\n" failures)
  message(FATAL_ERROR "${failures}")
endif()
list(LENGTH cases count)
message(STATUS "the include check passed a clean tree and refused ${count} bad includes")
