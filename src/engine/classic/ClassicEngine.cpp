#include "engine/classic/ClassicEngine.h"

#include "engine/classic/cpu/MF6502.h"
#include "engine/classic/video/MemoryMap.h"
#include "engine/classic/video/Renderer.h"
#include "engine/classic/video/ScanlineHook.h"

void ClassicEngine::Reset() { CpuReset(m_); }
void ClassicEngine::Run() { CpuRun(m_); }
void ClassicEngine::Stop() { m_.Running = false; }
void ClassicEngine::Step() { DebugStep(m_); }

void ClassicEngine::Snapshot(std::vector<uint8_t>& out) const { TakeSnapshot(m_, out); }
RestoreResult ClassicEngine::Restore(std::span<const uint8_t> data) {
  // The console engine's snapshots carry its chips, which this engine has not.
  if (CheckSnapshotHeader(m_, data) == RestoreResult::Restored &&
      !FindSnapshotSection(data, kSnapshotTagConsole).empty())
    return RestoreResult::OtherEngine;
  return RestoreSnapshot(m_, data);
}

uint8_t ClassicEngine::Peek(uint16_t address) { return MemPeek(m_, address); }
uint8_t ClassicEngine::Read(uint16_t address) { return MemRead(m_, address); }

CpuRegisters ClassicEngine::Registers() const {
  const TCpuState& s = m_.Cpu;
  return {s.A, s.X, s.Y, s.P, s.S, s.PC};
}

void ClassicEngine::SetRegisters(const CpuRegisters& r) {
  TCpuState& s = m_.Cpu;
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
