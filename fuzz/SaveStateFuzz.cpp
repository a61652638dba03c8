// Arbitrary files as the save state of a running cartridge. A state replaces
// work RAM, sprite memory and video memory wholesale, so after the load the
// renderer meets any palette value, pattern, name table and sprite the file
// holds: three frames are drawn from it, with both sprite sizes.
#include <unistd.h>

#include "FuzzSupport.h"
#include "cartridge/Lifecycle.h"
#include "cartridge/SaveState.h"
#include "engine/classic/ClassicEngine.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // State files live in the working directory.
  return chdir(FuzzFolder().c_str());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BudgetMachine b;
  // JMP $8000; no pattern ROM, so the patterns come from the state too.
  InstallProgram(b, {0x4C, 0x00, 0x80}, 0);
  b.m.RomFileName = "fuzz.nes";
  ResetMachine(b.m);
  WriteInputFile("fuzz.wb", data, size);
  LoadState(b.m);
  Classic(b.m).PpuMask = 0x1E;
  Classic(b.m).PpuCtrl = 0xA0;  // NMI on, 8x16 sprites
  RunFrames(b, 2);
  Classic(b.m).PpuCtrl = 0x98;  // 8x8 sprites from the second pattern table
  RunFrames(b, 1);
  return 0;
}
