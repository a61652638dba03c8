// Arbitrary bytes as a ".nes" cartridge file, through the whole load-and-start
// sequence: loader, battery file, mapper installation, reset, two frames of
// whatever program the image holds, and the unload.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  StartRunAndUnload(WriteInputFile("fuzz.nes", data, size), "fuzz.nes");
  return 0;
}
