// The processor's three bus routines, thin forwarders to the Machine's memory
// map, and its way to the scanline hook. Each takes the Machine it runs on:
// there is no process-wide machine, so tests build and run as many Machines
// as they like, one after another on the same thread.
#pragma once

#include <cstdint>

#include "core/Machine.h"
#include "engine/classic/ClassicEngine.h"
#include "engine/classic/video/MemoryMap.h"

// The run loop's every fetch goes through these, so they are always inlined:
// a call per byte would cost more than the read itself.
// Full read with every I/O side effect: data operands, vectors, JMP-indirect target.
[[gnu::always_inline]] inline uint8_t CpuRead(Machine& m, uint16_t address) { return MemRead(m, address); }
// Read through the bank table alone: opcodes, operands, pointers, stack pulls.
[[gnu::always_inline]] inline uint8_t CpuPeek(Machine& m, uint16_t address) { return MemPeek(m, address); }
// Stores, read-modify-write results and pushes.
[[gnu::always_inline]] inline void CpuWrite(Machine& m, uint16_t address, uint8_t value) {
  MemWrite(m, address, value);
}
// End of a slice: the machine's scanline hook.
inline uint8_t CpuScanlineHook(Machine& m) { return Classic(m).Hook(m); }
