// Mapper 15 (the 100-in-1 multicart): four registers at exact addresses,
// each a different arrangement of 16 KB or 8 KB program banks for the game
// chosen from the menu, most of them with a mirroring bit. The banks chosen
// are the bank tables: no register is kept.
#include "cartridge/Mapper.h"
#include "core/Machine.h"
#include "engine/console/boards/BoardFamilies.h"

namespace board {

namespace {

// Bit 6 clear puts the tables one above the other, the opposite of the
// header's sense.
void MirrorFromBit6(ConsoleBoard& b, uint8_t value) { BoardMirrorHorizontal(b, !(value & 0x40)); }

}  // namespace

void Multicart15PowerOn(ConsoleBoard&, Machine& m) { MapPrg32(m, 0); }

void Multicart15Write(ConsoleBoard& b, Machine& m, uint16_t address, uint8_t value, uint64_t) {
  const uint8_t bank = value & 0x3F;
  switch (address) {
    case 0x8000:  // 32 KB made of two consecutive 16 KB banks
      MirrorFromBit6(b, value);
      MapPrg16(m, 0x8000, bank);
      MapPrg16(m, 0xC000, bank + 1);
      break;
    case 0x8001: MapPrg16(m, 0xC000, bank); break;
    case 0x8002: {
      // One 8 KB bank repeated in all four windows; bit 7 picks its half.
      const uint8_t bank8 = static_cast<uint8_t>(2 * value + (value >> 7));
      for (unsigned window = 0x8000; window <= 0xE000; window += 0x2000)
        MapPrg8(m, static_cast<uint16_t>(window), bank8);
      break;
    }
    case 0x8003:
      MirrorFromBit6(b, value);
      MapPrg16(m, 0xC000, bank);
      break;
    case 0xF001:
      // Bit 7 swaps the two 8 KB halves of the upper 16 KB.
      if (value & 0x80) {
        MapPrg8(m, 0xC000, 2 * bank + 1);
        MapPrg8(m, 0xE000, 2 * bank);
      } else {
        MapPrg16(m, 0xC000, value);
      }
      break;
    default: break;
  }
}

const ConsoleBoardFamily kMulticart15Family =
    MakeBoardFamily<NoBoardRegs>(1, kNoBoardFields, nullptr, nullptr);

}  // namespace board
