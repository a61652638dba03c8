// Mappers 9 and 77 (MMC2) and 10 (MMC4): a program bank and two 4 KB
// pattern banks, one per pattern half, and the name tables; each register
// answers to the whole 4 KB page of addresses given by A AND $F000. The
// latch-driven pattern switching of the real chips is not emulated: each
// half shows the last bank written for it, so no register is kept.
#include "cartridge/Mapper.h"
#include "core/Machine.h"
#include "engine/console/boards/BoardFamilies.h"

namespace board {

namespace {

// The registers both chips share; only the program register differs.
void WriteCommon(ConsoleBoard& b, Machine& m, uint16_t page, uint8_t value) {
  switch (page) {
    case 0xC000: MapChr4(m, 0x0000, value); break;
    case 0xE000: MapChr4(m, 0x1000, value); break;
    case 0xF000: BoardMirrorHorizontal(b, value & 1); break;
    default: break;  // $8000, $9000, $B000, $D000
  }
}

}  // namespace

// The MMC2 switches 8 KB at $8000 and fixes the three last 8 KB banks above it.
void Mmc2PowerOn(ConsoleBoard&, Machine& m) { MapPrg16(m, 0x8000, static_cast<uint8_t>(m.PrgCount - 2)); }

void Mmc2Write(ConsoleBoard& b, Machine& m, uint16_t address, uint8_t value, uint64_t) {
  const uint16_t page = address & 0xF000;
  if (page == 0xA000)
    MapPrg8(m, 0x8000, value);
  else
    WriteCommon(b, m, page, value);
}

// The MMC4 switches 16 KB at $8000 over the fixed last bank.
void Mmc4Write(ConsoleBoard& b, Machine& m, uint16_t address, uint8_t value, uint64_t) {
  const uint16_t page = address & 0xF000;
  if (page == 0xA000)
    MapPrg16(m, 0x8000, value);
  else
    WriteCommon(b, m, page, value);
}

const ConsoleBoardFamily kMmc2Mmc4Family = MakeBoardFamily<NoBoardRegs>(1, kNoBoardFields, nullptr, nullptr);

}  // namespace board
