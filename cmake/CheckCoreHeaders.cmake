# Fails when a core source (any file under src/ outside gui/ and devices/) includes a Qt, SDL
# FluidSynth, RtMidi or JACK header: the emulation core must build without any toolkit.
# Core folders may nest (src/engine/classic/cpu/); window and device folders
# are the only ones outside the core.
file(GLOB_RECURSE core_files ${SOURCE_DIR}/src/*.cpp ${SOURCE_DIR}/src/*.h)
list(FILTER core_files EXCLUDE REGEX "/(gui|devices)/")
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
