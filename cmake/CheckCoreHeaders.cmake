# Fails when a core source (under src/<subsystem>/, folders inside a subsystem
# such as cartridge/boards included, the gui/ and devices/ folders left out)
# includes a Qt, SDL, FluidSynth, RtMidi or JACK header: the emulation core
# must build without any toolkit.
file(GLOB core_files ${SOURCE_DIR}/src/*/*.cpp ${SOURCE_DIR}/src/*/*.h ${SOURCE_DIR}/src/*/*/*.cpp
     ${SOURCE_DIR}/src/*/*/*.h)
list(FILTER core_files EXCLUDE REGEX "/src/[^/]+/(gui|devices)/")
set(bad "")
foreach(f IN LISTS core_files)
  file(STRINGS ${f} hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]+|SDL|fluidsynth|RtMidi|rtmidi|jack/)")
  if(hits)
    list(APPEND bad "${f}: ${hits}")
  endif()
endforeach()
if(bad)
  message(FATAL_ERROR "The core must not include toolkit headers:\n${bad}")
endif()
