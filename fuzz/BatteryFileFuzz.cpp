// Arbitrary files as a cartridge's battery RAM. The cartridge jumps straight
// to $6000, so the file's bytes are not only loaded but run as a program for
// two frames; the unload then writes the battery RAM back, and the file must
// hold exactly what the RAM held.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "FuzzSupport.h"
#include "cartridge/Lifecycle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BudgetMachine b;
  InstallProgram(b, {0x4C, 0x00, 0x60}, 1);  // JMP $6000
  b.m.RomFolder = FuzzFolder();
  b.m.RomFileName = "fuzz.nes";
  b.m.CartFlags |= kCartBattery;
  const std::string path = WriteInputFile("fuzz.sav", data, size);
  LoadBatteryAndMapper(b.m);
  ResetMachine(b.m);
  RunFrames(b, 2);

  const std::array<uint8_t, 8192> ram = b.m.BatteryRam;
  UnloadCartridge(b.m);
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> written{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (written.size() != ram.size() || !std::equal(ram.begin(), ram.end(), written.begin())) {
    std::fprintf(stderr, "battery file differs from the battery RAM it was written from\n");
    std::abort();
  }
  return 0;
}
