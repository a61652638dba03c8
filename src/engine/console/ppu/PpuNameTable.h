// Where the picture processor's name-table addresses live in the Machine's
// video memory: the board's mirroring folds the four tables onto the
// console's 2 KB. Inline, as every background fetch asks it.
#pragma once

#include <cstdint>

#include "core/Machine.h"

inline uint16_t PpuNameTableIndex(const Machine& m, uint16_t address) {
  const uint16_t a = address & 0x0FFF;
  if (m.CartFlags & kCartFourScreen) return static_cast<uint16_t>(0x2000 | a);
  // The boards state their mirroring as the designed engine's copy distance:
  // $800 joins tables side by side (vertical), $400 one above the other
  // (horizontal). The single-screen latch board uses the two values to pick
  // the one table all four show.
  if (m.MapperNumber == 7) return static_cast<uint16_t>(0x2000 | ((m.MirrorMask & 0x800) >> 1) | (a & 0x3FF));
  if (m.MirrorMask & 0x400) return static_cast<uint16_t>(0x2000 | ((a >> 1) & 0x400) | (a & 0x3FF));
  return static_cast<uint16_t>(0x2000 | (a & 0x7FF));
}
