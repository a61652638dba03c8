// The console engine's picture processor (2C02), dot by dot: 341 dots on each
// of 262 lines, the background fetch pipeline and its shift registers, sprite
// evaluation into secondary OAM, sprite-0 hit, the status flags and their
// read races, the read buffer and the decaying open bus, and the odd-frame
// dot skip. It reads pattern bytes through the Machine's bank tables and
// keeps name tables and palette in the Machine's video memory, so the boards'
// banking is the same as the designed engine's.
#pragma once

#include <cstdint>

struct Machine;

struct Ppu {
  // --- Position ------------------------------------------------------------------
  uint16_t Dot = 0;   // 0-340
  uint16_t Line = 0;  // 0-239 visible, 240 post-render, 241-260 vertical blank, 261 pre-render
  bool OddFrame = false;
  uint64_t Frame = 0;  // frames begun since power on
  uint64_t Dots = 0;   // dots run since power on
  // Set when the picture of a frame is complete (the post-render line
  // begins); the engine clears it when it has taken its turn there.
  bool FrameReady = false;

  // --- Outputs the engine reads -------------------------------------------------
  // The /NMI output: vertical blank flag AND the NMI enable bit.
  bool Nmi = false;
  // The address on the picture processor's bus after its last access: the
  // boards that watch A12 (the MMC3's interrupt counter) read it.
  uint16_t BusAddress = 0;

  // --- Registers ---------------------------------------------------------------
  uint8_t Ctrl = 0, Mask = 0, Status = 0, OamAddr = 0;
  uint16_t V = 0, T = 0;  // current and temporary address (loopy)
  uint8_t FineX = 0;
  bool Toggle = false;
  uint8_t ReadBuffer = 0;
  uint8_t OpenBus = 0;
};

void PpuPowerOn(Ppu& p);
// The console's reset line: the picture processor's registers cleared as the
// hardware clears them; position, memories and the status flags stay.
void PpuReset(Ppu& p);

// $2000-$2007 (mirrored every 8 bytes) as the processor reads and writes them.
uint8_t PpuReadRegister(Ppu& p, Machine& m, uint16_t address);
// The side-effect-free view of a register, for the debugger.
uint8_t PpuPeekRegister(const Ppu& p, uint16_t address);
void PpuWriteRegister(Ppu& p, Machine& m, uint16_t address, uint8_t value);
// One dot.
void PpuStep(Ppu& p, Machine& m);
