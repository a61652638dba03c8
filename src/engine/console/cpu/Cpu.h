// The console engine's 2A03 processor, cycle by cycle: its registers, the
// state its interrupt inputs leave between cycles, and the stepping calls.
// The processor sees the console only through CpuBus, one read or one write
// per cycle, dummy accesses included, so the engine can advance the picture
// and sound chips inside every access.
#pragma once

#include <cstdint>

// The engine's side of the processor's bus. Every cycle is exactly one call.
struct CpuBus {
  void* Context = nullptr;
  uint8_t (*Read)(void* context, uint16_t address) = nullptr;
  void (*Write)(void* context, uint16_t address, uint8_t value) = nullptr;
};

enum CpuFlag : uint8_t {
  kCpuC = 0x01,
  kCpuZ = 0x02,
  kCpuI = 0x04,
  kCpuD = 0x08,  // kept and pushed, but the 2A03 has no decimal arithmetic
  kCpuB = 0x10,  // exists only in pushed copies of P
  kCpuU = 0x20,  // reads as set in every pushed copy
  kCpuV = 0x40,
  kCpuN = 0x80,
};

struct Cpu {
  uint16_t PC = 0;
  uint8_t A = 0, X = 0, Y = 0, S = 0;
  uint8_t P = kCpuU | kCpuI;  // bit 5 kept set, B kept clear
  // Cycles run since power on; every bus access is one.
  uint64_t Cycles = 0;

  // --- Inputs the engine drives -----------------------------------------------
  // True while the NMI line is held (asserted low on the chip).
  bool NmiLine = false;
  // One bit per source holding the IRQ line (the frame counter, the sample
  // channel, a board): the line is asserted while any bit is set.
  uint8_t IrqSources = 0;

  // --- Interrupt detection ----------------------------------------------------
  bool NmiLevel = false;    // the NMI line as last sampled, for the edge detector
  bool NmiPending = false;  // an edge was seen and no sequence has served it yet
  bool PollNow = false;     // an interrupt was due at the end of the last cycle
  bool PollPrev = false;    // ... and at the end of the cycle before it
  // Decided at the end of the last instruction: the next step runs the
  // interrupt sequence instead of an instruction.
  bool InterruptDue = false;

  bool ResetPending = false;
  // A KIL/JAM opcode stopped the processor; only a reset restarts it.
  bool Jammed = false;

  CpuBus Bus;
};

// Registers as the chip powers up (A = X = Y = 0, S = 0, P = I), then the
// reset sequence on the next step.
void CpuPowerOn(Cpu& c);
// The reset button: the next step runs the reset sequence. Registers other
// than S, P and PC keep their values.
void CpuReset(Cpu& c);
// Runs one instruction, one interrupt or reset sequence, or one idle cycle
// of a jammed processor.
void CpuStep(Cpu& c);
// Steps until Cycles reaches `cycle`; the last instruction may end past it.
void CpuRunUntil(Cpu& c, uint64_t cycle);
