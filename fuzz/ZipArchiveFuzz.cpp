// Arbitrary bytes as a ".zip" archive: libzip's reading of the directory and
// the member, the choice of the "*.nes" member and its size limit, then the
// same load-and-start sequence as a plain image.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  StartRunAndUnload(WriteInputFile("fuzz.zip", data, size), "fuzz.zip");
  return 0;
}
