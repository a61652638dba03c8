#include "engine/classic/ClassicEngine.h"

#include "engine/classic/cpu/MF6502.h"
#include "engine/classic/video/MemoryMap.h"
#include "engine/classic/video/Renderer.h"
#include "engine/classic/video/ScanlineHook.h"

ClassicEngine::ClassicEngine(Machine& m) : m_(m) { State.Hook = &ScanlineHook; }

void ClassicEngine::Reset() {
  ClassicState& s = State;
  s.PadBit = {};
  s.PpuCtrl = 0;
  s.PpuMask = 0;
  s.PpuStatus = 0;
  s.OamAddr = 0;
  s.VramAddr = 0;
  s.ScrollX = 0;
  s.ScrollY = 0;
  s.ScrollXWritten = 0;
  s.ScrollYWritten = 0;
  // The first $2007 read after a reset is the dummy one.
  s.ReadPending = true;
  s.ScrollToggle = 0;
  s.ScanlineCounter = 0;
  // Nothing of a held frame start survives a reset.
  s.FrameStartHeld = false;
  CpuReset(m_);
}
void ClassicEngine::Run() { CpuRun(m_); }
void ClassicEngine::Stop() { m_.Running = false; }
void ClassicEngine::Step() { DebugStep(m_); }

uint8_t ClassicEngine::Peek(uint16_t address) { return MemPeek(m_, address); }
uint8_t ClassicEngine::Read(uint16_t address) { return MemRead(m_, address); }

CpuRegisters ClassicEngine::Registers() const {
  const TCpuState& s = State.Cpu;
  return {s.A, s.X, s.Y, s.P, s.S, s.PC};
}

void ClassicEngine::SetRegisters(const CpuRegisters& r) {
  TCpuState& s = State.Cpu;
  s.A = r.A;
  s.X = r.X;
  s.Y = r.Y;
  s.P = r.P;
  s.S = r.S;
  s.PC = r.PC;
}

PictureView ClassicEngine::Picture() const { return {m_.FrameBuffer, m_.FrameColors}; }

// The sprites are drawn once more whether or not they are shown, so the
// picture has them even when the last frame's pass was skipped.
void ClassicEngine::CompletePicture() { RenderSprites(m_); }

std::span<const ApuWrite> ClassicEngine::SoundWrites() const { return m_.LastFrameSoundWrites; }

uint32_t ClassicEngine::FrameCycles() const { return kCyclesPerFrame; }
