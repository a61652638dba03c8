// The processor's 64 KB address space: work RAM and its mirrors, battery RAM,
// the program windows of CpuBankTable, and the I/O registers at $2000-$5FFF
// (picture processor, sound, sprite DMA, controller ports).
#pragma once

#include <cstdint>

#include "core/Machine.h"

// Out-of-line paths: I/O decoding and the log line of an empty window.
uint8_t IoRead(Machine& m, uint16_t address);
void IoWrite(Machine& m, uint16_t address, uint8_t value);
uint8_t MemPeekEmpty(Machine& m, uint16_t address);
void SpriteDma(Machine& m, uint8_t page);

// A read through CpuBankTable alone, with no side effect on any register.
// Every opcode and operand byte comes through here: always inlined.
[[gnu::always_inline]] inline uint8_t MemPeek(Machine& m, uint16_t address) {
  const CpuBank& bank = m.CpuBankTable[address >> 13];
  if (bank.Base) [[likely]]
    return bank.Base[address & bank.Mask];
  return MemPeekEmpty(m, address);
}

// The processor's data read: reads of $2002, $2007, $4016 and $4017 change state.
inline uint8_t MemRead(Machine& m, uint16_t address) {
  switch (address >> 13) {
    case 0: return m.Ram[address & 0x7FF];
    case 1:
    case 2: return IoRead(m, address);
    case 3: return m.BatteryRam[address & 0x1FFF];
    default: return MemPeek(m, address);
  }
}

// The processor's write; $8000-$FFFF goes to the installed mapper, ROM never changes.
inline void MemWrite(Machine& m, uint16_t address, uint8_t value) {
  switch (address >> 13) {
    case 0: m.Ram[address & 0x7FF] = value; break;
    case 1:
    case 2: IoWrite(m, address, value); break;
    case 3: m.BatteryRam[address & 0x1FFF] = value; break;
    default: m.MapperWrite(m, address, value); break;
  }
}
