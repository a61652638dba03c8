# Fails when a shared layer includes a layer above it. The rules, one a line:
# the folder (under src/, its subfolders included), then after the colon the
# include paths it must not use (a regular expression). The shared layers
# know no front end and no particular engine: the engine seam (core/Engine.h)
# is theirs to use. The core is the ground floor: it includes only itself.
# More rules join as the layers are pulled apart.
set(rules
  "timeline:(frontend|engine/classic|engine/console)/"
  "video:(frontend|engine/classic|engine/console)/"
  "core:(cartridge|debugger|engine|frontend|sound|timeline|video|voice)/"
)
set(bad "")
foreach(rule IN LISTS rules)
  string(REPLACE ":" ";" parts "${rule}")
  list(GET parts 0 folder)
  list(GET parts 1 forbidden)
  file(GLOB_RECURSE files ${SOURCE_DIR}/src/${folder}/*.cpp ${SOURCE_DIR}/src/${folder}/*.h)
  foreach(f IN LISTS files)
    file(STRINGS ${f} hits REGEX "^[ \t]*#[ \t]*include[ \t]*\"${forbidden}")
    if(hits)
      list(APPEND bad "${f}: ${hits}")
    endif()
  endforeach()
endforeach()
if(bad)
  message(FATAL_ERROR "A shared layer includes one above it:\n${bad}")
endif()
