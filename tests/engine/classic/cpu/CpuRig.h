// Test support for the processor: a Machine whose whole 64 KB is
// plain memory. Work RAM is m.Ram as on the console; $8000-$FFFF is a
// writable image (writes land through the mapper's write handler), so
// programs, vectors and data can be poked anywhere. The hook is scripted.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "engine/classic/ClassicEngine.h"
#include "engine/classic/cpu/MF6502.h"
#include "support/TestMachine.h"

struct CpuRig {
  TestMachine t;
  Machine& m = t.m;
  TCpuState& cpu = Classic(t.m).Cpu;

  CpuRig();

  // Bytes at `address` and on: RAM through m.Ram, $6000-$7FFF battery RAM,
  // $8000 and above the image. I/O addresses are skipped.
  void Poke(uint16_t address, std::initializer_list<uint8_t> bytes);
  uint8_t Peek(uint16_t address) const;
  // Puts `bytes` at `address` and points PC there.
  void Load(uint16_t address, std::initializer_list<uint8_t> bytes);
  void SetVector(uint16_t vector, uint16_t target);

  // Empties the bank-table entry of $0000-$1FFF, so that every peek of page
  // zero or the stack leaves its "erro ao ler memória:" line while full reads
  // and writes still reach m.Ram unlogged.
  void UnmapRamForPeeks();
  // Points the bank-table entry of $0000-$1FFF at `shadow` instead of m.Ram:
  // peeks (pointers, pulls) then see the shadow, full reads and writes m.Ram.
  void ShadowRamForPeeks();
  std::array<uint8_t, 0x800> shadow{};
  // The bus traffic visible in the log since the last call, one entry per
  // logged access: "P5000" a peek of an empty window, "R5000" a full read of
  // an undecoded I/O address, "W5000" a write to one.
  std::vector<std::string> TakeTrace();

  // Scripted scanline hook: returns the codes in order (then intNone, or
  // intStop once `stopAfter` calls have been made) and counts its calls.
  std::vector<uint8_t> hookCodes;
  int hookCalls = 0;
  int stopAfter = -1;
  // The processor record as the hook found it at each call (Cycles holds the
  // overrun before the refill).
  std::vector<TCpuState> atHook;
  // Called from inside the hook on its first call, when set.
  void (*onFirstHook)(CpuRig&) = nullptr;
  // What CpuRun's loop depth was inside the hook.
  int depthInHook = -1;

 private:
  size_t traceFrom_ = 0;
};
