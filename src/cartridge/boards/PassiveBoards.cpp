// Boards whose registers never reach the cartridge port at $8000-$FFFF. Mappers
// 0, 5 and 64 keep CommonLayout and ignore every write; mapper 17 keeps its
// registers in the I/O range ($42FF-$4517), which the memory map does not pass
// on, so only its initial layout differs.
#include "cartridge/Mapper.h"
#include "cartridge/boards/Boards.h"

// Mapper 17 starts with the first 16 KB bank at $8000 (as CommonLayout does).
void Ffe17Init(Machine& m) { MapPrg16(m, 0x8000, 0); }
