// The picture processor's registers $2000-$2007 as the processor sees them:
// control and mask, status with its write protection bit, sprite memory port,
// scroll latches, the video-memory address and data port with name-table
// mirroring by double writes and the palette backdrop copies.
#pragma once

#include <cstdint>

#include "core/Machine.h"

// Writes to $2000-$2007 (address taken AND 7).
void PpuRegisterWrite(Machine& m, uint16_t address, uint8_t value);
// $2002: the status register; bits 7 and 6 are cleared by the read.
uint8_t PpuReadStatus(Machine& m);
// $2007: the video-memory data read (a dummy $FF after each $2006 write).
uint8_t PpuReadData(Machine& m);
// The byte of a pattern address $0000-$1FFF through PatternBankTable.
inline uint8_t PatternByte(const Machine& m, uint16_t address) {
  return m.PatternBankTable[(address >> 10) & 7][address & 0x1FFF];
}
