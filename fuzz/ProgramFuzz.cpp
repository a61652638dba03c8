// Arbitrary program bytes run by the processor through the memory map and a
// supported mapper, for three frames, in either engine. The first byte picks
// the engine (its top bit) and the mapper board,
// the second the image's shape (program and pattern banks, mirroring,
// battery); the rest is repeated over the program and pattern images, so
// every bank the program switches to holds the fuzzer's bytes as well.
// Every reset vector points at $8000.
#include <cstdio>
#include <cstdlib>

#include "FuzzSupport.h"
#include "cartridge/Lifecycle.h"
#include "cartridge/boards/Boards.h"
#include "engine/EngineChoice.h"
#include "support/TestMachine.h"

namespace {

void Tile(std::vector<uint8_t>& image, const uint8_t* bytes, size_t count) {
  if (count == 0) return;
  // The spare byte past the banks stays as it is.
  for (size_t i = 0; i + 1 < image.size(); ++i) image[i] = bytes[i % count];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const auto boards = MapperBoards();
  // The first byte's top bit picks the engine, the rest the board.
  const bool console = data[0] & 0x80;
  const int mapper = boards[(data[0] & 0x7F) % boards.size()].Number;
  const int prgBanks = 1 + (data[1] & 7);
  const int chrBanks = (data[1] >> 3) & 7;
  const auto flags6 = static_cast<uint8_t>((data[1] >> 6 & 1) | (data[1] >> 6 & 2));

  BudgetMachine b;
  if (console) ChooseEngine(b.m, "console");
  if (!InstallCartridge(b.m, prgBanks, chrBanks, mapper, flags6)) {
    std::fprintf(stderr, "catalogue mapper %d refused\n", mapper);
    std::abort();
  }
  Tile(b.m.PrgRom, data + 2, size - 2);
  Tile(b.m.ChrRom, data + 2, size - 2);
  // Whichever 8 KB ends up at $E000, the reset enters at $8000, where the
  // program's first byte lies while bank 0 is mapped there; the NMI and IRQ
  // vectors stay the fuzzer's.
  for (size_t chunk = 0x1FFC; chunk + 1 < b.m.PrgRom.size(); chunk += 0x2000) {
    b.m.PrgRom[chunk] = 0x00;
    b.m.PrgRom[chunk + 1] = 0x80;
  }
  ResetMachine(b.m, true);
  RunFrames(b, 3);
  RequireBankTablesInBounds(b.m);
  return 0;
}
