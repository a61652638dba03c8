// The processor's entries: reset, interrupt entry, the run loop that slices
// processor time into scanlines, and the debugger's single steps. The
// instruction itself lives in Instructions.h and is inlined into both the run
// loop and CpuStep.
#include "engine/classic/cpu/MF6502.h"

#include "engine/MachineState.h"
#include "engine/classic/ClassicEngine.h"
#include "engine/classic/cpu/Bus.h"
#include "engine/classic/cpu/Instructions.h"
#include "engine/classic/video/ScanlineHook.h"

namespace {

uint16_t ReadVector(Machine& m, uint16_t at) {
  const uint8_t lo = CpuRead(m, at);
  const uint8_t hi = CpuRead(m, static_cast<uint16_t>(at + 1));
  return static_cast<uint16_t>(lo | hi << 8);
}

// A run that follows a restore first finishes it: the shared step (the sound
// heard again), then, for a snapshot taken at a held frame start, the rest of
// that line's hook call, as the run it was taken from did. Returns the
// interrupt code that call would have returned.
uint8_t ResumeRestoredLine(Machine& m) {
  if (!m.RestorePending) [[likely]]
    return intNone;
  ResumeRestored(m);
  if (!Classic(m).FrameStartHeld) return intNone;
  return FinishHeldFrameStart(m);
}

// The end of a slice: ask the scanline hook what happens next and refill the
// slice. The refill is an assignment, so cycles the last instruction ran past
// the slice's end are dropped.
uint8_t EndSlice(Machine& m) {
  TCpuState& s = Classic(m).Cpu;
  const uint8_t code = CpuScanlineHook(m);
  if (m.LoopRestarted) [[unlikely]] {
    // Emulation was restarted from inside the hook: the record is what the
    // reset, the new cartridge, the debugger or a restored snapshot left,
    // slice count included, and no interrupt of the old run reaches it.
    m.LoopRestarted = false;
    if (code == intStop) return intStop;
    return ResumeRestoredLine(m);
  }
  s.Cycles = s.CyclesPerLine;
  return code;
}

}  // namespace

void CpuReset(Machine& m) {
  TCpuState& s = Classic(m).Cpu;
  s.A = s.X = s.Y = 0;
  // Z and bit 5 set, I clear; the stack starts at the top of page $01.
  s.P = FlagZ | FlagU;
  s.S = 0xFF;
  s.PC = ReadVector(m, 0xFFFC);
  s.Cycles = s.CyclesPerLine;
}

void CpuInterrupt(Machine& m, uint8_t code) {
  TCpuState& s = Classic(m).Cpu;
  // An IRQ that meets a set I is gone, not remembered.
  if (code == intNMI || (code == intIRQ && !(s.P & FlagI))) {
    s.Cycles -= 7;
    cpu6502::Push(m, s, static_cast<uint8_t>(s.PC >> 8));
    cpu6502::Push(m, s, static_cast<uint8_t>(s.PC));
    cpu6502::Push(m, s, static_cast<uint8_t>(s.P & ~FlagB));
    s.P = static_cast<uint8_t>(s.P & ~FlagD);
    // Only IRQ masks further IRQs; an NMI leaves I as it was.
    if (code == intIRQ) s.P |= FlagI;
    s.PC = ReadVector(m, code == intNMI ? 0xFFFA : 0xFFFE);
  }
}

uint16_t CpuRun(Machine& m) {
  TCpuState& s = Classic(m).Cpu;
  // Loops never nest: a command that reaches here from inside the active
  // loop's hook has already set Running, and that loop simply carries on.
  if (m.RunLoopDepth > 0) return s.PC;
  RunLoopScope active(m);
  // A resume from a stop leaves the rest of the held line undone, as it
  // always has; only a restored snapshot carries it out.
  if (const uint8_t code = ResumeRestoredLine(m); code != intNone) CpuInterrupt(m, code);
  Classic(m).FrameStartHeld = false;

  // The registers live in a local copy while instructions run, so the compiler
  // keeps them in machine registers; the record is brought up to date before
  // the hook runs (it may reset the processor or be looked at) and reloaded after.
  TCpuState r = s;
  for (;;) {
    do {
      cpu6502::ExecuteInstruction<true>(m, r);
    } while (r.Cycles > 0);
    s = r;
    const uint8_t code = EndSlice(m);
    if (code == intStop) return s.PC;
    if (code != intNone) CpuInterrupt(m, code);
    r = s;
  }
}

uint16_t CpuStep(Machine& m) {
  Classic(m).FrameStartHeld = false;
  cpu6502::ExecuteInstruction<false>(m, Classic(m).Cpu);
  return Classic(m).Cpu.PC;
}

uint16_t DebugStep(Machine& m) {
  if (const uint8_t code = ResumeRestoredLine(m); code != intNone) CpuInterrupt(m, code);
  const uint16_t pc = CpuStep(m);
  if (Classic(m).Cpu.Cycles > 0) return pc;
  // Stepping goes on across a frame start: intStop reaches CpuInterrupt,
  // which does nothing with it, and the address returned is the one after
  // the instruction even when an interrupt has just been entered.
  const uint8_t code = EndSlice(m);
  if (code != intNone) CpuInterrupt(m, code);
  return pc;
}
