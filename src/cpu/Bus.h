// The processor's three bus routines, thin forwarders to the current Machine's
// memory map, and its way to the scanline hook.
#pragma once

#include <cstdint>

#include "core/Machine.h"
#include "video/MemoryMap.h"

// The run loop's every fetch goes through these, so they are always inlined:
// a call per byte would cost more than the read itself.
// Full read with every I/O side effect: data operands, vectors, JMP-indirect target.
[[gnu::always_inline]] inline uint8_t CpuRead(uint16_t address) { return MemRead(*CurrentMachine, address); }
// Read through the bank table alone: opcodes, operands, pointers, stack pulls.
[[gnu::always_inline]] inline uint8_t CpuPeek(uint16_t address) { return MemPeek(*CurrentMachine, address); }
// Stores, read-modify-write results and pushes.
[[gnu::always_inline]] inline void CpuWrite(uint16_t address, uint8_t value) {
  MemWrite(*CurrentMachine, address, value);
}
// End of a slice: the current machine's scanline hook.
inline uint8_t CpuScanlineHook() { return CurrentMachine->Hook(*CurrentMachine); }
