// Boards without registers of their own: mapper 0, and 5 and 64, whose
// chips are not emulated beyond the common layout. Every write is ignored
// and the name tables stay as the cartridge is wired.
#include "engine/console/boards/BoardFamilies.h"

namespace board {

const ConsoleBoardFamily kPassiveFamily = MakeBoardFamily<NoBoardRegs>(1, kNoBoardFields, nullptr, nullptr);

}  // namespace board
