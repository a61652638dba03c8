// Mapper 23 (Konami VRC2): the two 16 KB program halves and mirroring,
// decoded by A AND $E003 so that every address of a register's page (for
// instance $9000 for $8000, $B001 for $A001) acts as that register. Its
// pattern and interrupt registers are not emulated.
#include "cartridge/Mapper.h"
#include "cartridge/boards/Boards.h"

void Konami23Write(Machine& m, uint16_t address, uint8_t value) {
  switch (address & 0xE003) {
    case 0x8000: MapPrg16(m, 0x8000, value); break;
    case 0xA000:
    case 0xA001:
    case 0xA002: SetMirroring(m, value & 1); break;
    case 0xC000: MapPrg16(m, 0xC000, value); break;
    default: break;
  }
}
