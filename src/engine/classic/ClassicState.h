// What only the designed engine keeps: the processor record, the hook its run
// loop calls, the picture processor's latches as its register file has them,
// the hook's line count and predicted sprite-0 line, the controllers' shift
// position and the held frame start. The engine owns one (ClassicEngine.h,
// reached through Classic(m)); the Machine keeps what every engine shares.
#pragma once

#include <array>
#include <cstdint>

#include "engine/classic/cpu/CpuState.h"

struct Machine;

using HookFn = uint8_t (*)(Machine&);

struct ClassicState {
  TCpuState Cpu{.CyclesPerLine = kCyclesPerLine};
  // The hook the run loop calls at the end of each slice (ScanlineHook).
  HookFn Hook = nullptr;
  // Set while the hook's line-0 call stands between the frame start (poll,
  // message processing) and the rest of that line (mapper clock, scroll
  // latch, sprite-0 test), and kept when the run stops there. A snapshot
  // records it; a resumed run drops that rest, a restored one runs it first,
  // as the run it was taken from went on to do.
  bool FrameStartHeld = false;

  // --- Picture processor -----------------------------------------------------
  uint8_t PpuCtrl = 0;
  uint8_t PpuMask = 0;
  uint8_t PpuStatus = 0;
  uint8_t OamAddr = 0;
  uint16_t VramAddr = 0;
  uint8_t ScrollToggle = 0;
  uint8_t ScrollXWritten = 0;
  uint8_t ScrollYWritten = 0;
  uint8_t ScrollX = 0;
  uint8_t ScrollY = 0;
  bool ScrollChanged = false;
  bool ReadPending = false;

  // --- Scanline hook and controllers ----------------------------------------
  int32_t ScanlineCounter = 0;
  int32_t Sprite0Line = 0;
  std::array<uint8_t, 2> PadBit{};
};

// The fields a snapshot carries, listed once for writing and reading
// (core/StateFields.h). The hook is not state: the engine installs it.
template <class Io, class S>
void ClassicFields(Io& io, S& s) {
  io(s.Cpu.A, s.Cpu.P, s.Cpu.X, s.Cpu.Y, s.Cpu.S, s.Cpu.PC, s.Cpu.CyclesPerLine, s.Cpu.Cycles);
  io(s.FrameStartHeld);
  io(s.PpuCtrl, s.PpuMask, s.PpuStatus, s.OamAddr, s.VramAddr, s.ScrollToggle, s.ScrollXWritten,
     s.ScrollYWritten, s.ScrollX, s.ScrollY, s.ScrollChanged, s.ReadPending);
  io(s.ScanlineCounter, s.Sprite0Line, s.PadBit);
}
