// Mappers 16 and 18 (Bandai and Jaleco boards sharing one handler): eight
// 1 KB pattern banks, the 16 KB program bank at $8000 and the mirror distance,
// decoded by the low four address bits anywhere in $8000-$FFFF. The boards'
// interrupt-counter registers ($A-$F) are accepted and have no effect.
#include "cartridge/Mapper.h"
#include "cartridge/boards/Boards.h"

void BandaiWrite(Machine& m, uint16_t address, uint8_t value) {
  const unsigned reg = address & 0x0F;
  if (reg < 8) {
    MapChr1(m, static_cast<uint16_t>(reg * 0x400), value);
  } else if (reg == 8) {
    MapPrg16(m, 0x8000, value);
  } else if (reg == 9) {
    // Stored straight into the mirror distance: the header's Mirroring stays.
    m.MirrorMask = (value & 1) ? 0x400 : 0x800;
  }
}
