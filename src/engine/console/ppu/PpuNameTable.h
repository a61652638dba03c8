// Where the picture processor's name-table addresses live in the Machine's
// video memory: the board's arrangement names the 1 KB table each quarter
// of $2000-$2FFF shows ($3000-$3EFF repeats them). Inline, as every
// background fetch asks it.
#pragma once

#include <cstdint>

#include "engine/console/boards/ConsoleBoard.h"

inline uint16_t PpuNameTableIndex(const NameTableArrangement& tables, uint16_t address) {
  return static_cast<uint16_t>(0x2000 | tables[(address >> 10) & 3] << 10 | (address & 0x3FF));
}
