// Mapper 33 (Taito TC0190/TC0350): two 8 KB program banks, two 2 KB and
// four 1 KB pattern banks and the name tables, each at one exact address.
// The interrupt registers some of these boards carry ($C000-$C003, $E001,
// $E002) do nothing here. No register is kept beyond the banks it chose.
#include "cartridge/Mapper.h"
#include "core/Machine.h"
#include "engine/console/boards/BoardFamilies.h"

namespace board {

namespace {

// A 2 KB pattern bank as two consecutive 1 KB banks; bank numbers are 8-bit.
void MapChr2(Machine& m, uint16_t window, uint8_t value) {
  MapChr1(m, window, static_cast<uint8_t>(2 * value));
  MapChr1(m, window + 0x400, static_cast<uint8_t>(2 * value + 1));
}

}  // namespace

void TaitoWrite(ConsoleBoard& b, Machine& m, uint16_t address, uint8_t value, uint64_t) {
  switch (address) {
    case 0x8000:
      MapPrg8(m, 0x8000, value & 0x1F);
      BoardMirrorHorizontal(b, (value >> 6) & 1);
      break;
    case 0x8001: MapPrg8(m, 0xA000, value & 0x1F); break;
    case 0x8002: MapChr2(m, 0x0000, value); break;
    case 0x8003: MapChr2(m, 0x0800, value); break;
    case 0xA000:
    case 0xA001:
    case 0xA002:
    case 0xA003: MapChr1(m, static_cast<uint16_t>(0x1000 + (address & 3) * 0x400), value); break;
    case 0xE000: BoardMirrorHorizontal(b, value & 1); break;
    default: break;
  }
}

const ConsoleBoardFamily kTaitoFamily = MakeBoardFamily<NoBoardRegs>(1, kNoBoardFields, nullptr, nullptr);

}  // namespace board
