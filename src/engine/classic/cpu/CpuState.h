// The 6502 register record and the interrupt codes the scanline hook hands
// back to the run loop.
#pragma once

#include <cstdint>

struct TCpuState {
  uint8_t A = 0;
  uint8_t P = 0;
  uint8_t X = 0;
  uint8_t Y = 0;
  uint8_t S = 0;
  uint16_t PC = 0;
  int32_t CyclesPerLine = 0;
  int32_t Cycles = 0;
};

enum : uint8_t { intNone = 0, intIRQ = 1, intNMI = 2, intStop = 3 };

// Status bits of P.
enum : uint8_t {
  FlagC = 0x01,
  FlagZ = 0x02,
  FlagI = 0x04,
  FlagD = 0x08,
  FlagB = 0x10,
  FlagU = 0x20,
  FlagV = 0x40,
  FlagN = 0x80,
};

constexpr int32_t kCyclesPerLine = 122;
