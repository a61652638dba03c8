# Keeps the window code's dependencies pointing one way. Every window may use
# the pieces in src/core/gui/ and the windows of its own subsystem; only the
# main window (src/frontend/gui/) composes the windows of other subsystems.
# So the cartridge, debugger and video windows never reach into the main
# window's folder, src/core/gui/ reaches into no other window folder, and the
# core itself (every file outside gui/ and devices/ folders) includes no window code.
file(GLOB gui_files ${SOURCE_DIR}/src/*/gui/*.cpp ${SOURCE_DIR}/src/*/gui/*.h)
file(GLOB_RECURSE core_files ${SOURCE_DIR}/src/*.cpp ${SOURCE_DIR}/src/*.h)
list(FILTER core_files EXCLUDE REGEX "/(gui|devices)/")
set(include_regex "^[ \t]*#[ \t]*include[ \t]*[<\"][A-Za-z0-9_]+/gui/")
set(bad "")

foreach(f IN LISTS gui_files)
  string(REGEX REPLACE "^.*/src/([^/]+)/gui/[^/]+$" "\\1" own "${f}")
  file(STRINGS ${f} hits REGEX "${include_regex}")
  foreach(hit IN LISTS hits)
    string(REGEX REPLACE "^[^<\"]*[<\"]([A-Za-z0-9_]+)/gui/.*$" "\\1" used "${hit}")
    if(NOT used STREQUAL own AND NOT used STREQUAL "core" AND NOT own STREQUAL "frontend")
      list(APPEND bad "${f}: ${hit}")
    endif()
  endforeach()
endforeach()

foreach(f IN LISTS core_files)
  file(STRINGS ${f} hits REGEX "${include_regex}")
  foreach(hit IN LISTS hits)
    list(APPEND bad "${f}: ${hit}")
  endforeach()
endforeach()

# The headless runner is a host of the core like the window, not a part of it:
# no window code and not the window program's command line.
file(GLOB runner_files ${SOURCE_DIR}/tools/virel-run/*.cpp ${SOURCE_DIR}/tools/virel-run/*.h)
foreach(f IN LISTS runner_files)
  file(STRINGS ${f} hits REGEX "${include_regex}|^[ \t]*#[ \t]*include[ \t]*[<\"]frontend/CommandLine")
  foreach(hit IN LISTS hits)
    list(APPEND bad "${f}: ${hit}")
  endforeach()
endforeach()

if(bad)
  string(REPLACE ";" "\n" bad "${bad}")
  message(FATAL_ERROR "Window code includes a window folder it must not use (only src/frontend/gui/ "
                      "composes other subsystems' windows; every window may use src/core/gui/; the "
                      "headless runner uses none, nor the window's command line):\n${bad}")
endif()
