# Fails when a shared layer includes a layer above it. The rules, one a line:
# the folder (under src/, its subfolders included), then after the colon the
# include paths it must not use (a regular expression). The shared layers
# know no front end and no particular engine: the engine seam (engine/*.h)
# is theirs to use. The core is the ground floor: it includes only itself.
# More rules join as the layers are pulled apart.
set(rules
  "timeline:(frontend|engine/classic|engine/console)/"
  "video:(frontend|engine/classic|engine/console)/"
  "core:(cartridge|debugger|engine|frontend|sound|timeline|video|voice)/"
)
# Includes a rule allows in one file: the file (under src/), then after the
# colon the include paths it may still use. The Machine's constructor and
# destructor build and end the shared parts it owns (the battery writer,
# the empty board handlers, the sound layer, the voice chip); they leave
# with the board fields, which move into the engines next.
set(exceptions
  "core/Machine.cpp:(cartridge/BatteryAutosave|cartridge/Mapper|sound/SoundLayerState|voice/ConsoleVoice)\\.h"
)
set(bad "")
foreach(rule IN LISTS rules)
  string(REPLACE ":" ";" parts "${rule}")
  list(GET parts 0 folder)
  list(GET parts 1 forbidden)
  file(GLOB_RECURSE files ${SOURCE_DIR}/src/${folder}/*.cpp ${SOURCE_DIR}/src/${folder}/*.h)
  foreach(f IN LISTS files)
    file(STRINGS ${f} hits REGEX "^[ \t]*#[ \t]*include[ \t]*\"${forbidden}")
    foreach(exception IN LISTS exceptions)
      string(REPLACE ":" ";" allowed "${exception}")
      list(GET allowed 0 allowedFile)
      list(GET allowed 1 allowedPath)
      if(f STREQUAL "${SOURCE_DIR}/src/${allowedFile}")
        list(FILTER hits EXCLUDE REGEX "include[ \t]*\"${allowedPath}\"")
      endif()
    endforeach()
    if(hits)
      list(APPEND bad "${f}: ${hits}")
    endif()
  endforeach()
endforeach()
if(bad)
  message(FATAL_ERROR "A shared layer includes one above it:\n${bad}")
endif()
