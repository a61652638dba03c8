// The designed engine: the processor in slices of one line's cycles, whole
// lines drawn at once by the scanline hook, the picture processor's registers
// as its own state keeps them. Fast and exact to its own rules; the default.
#pragma once

#include "core/Engine.h"
#include "engine/classic/ClassicState.h"

class ClassicEngine final : public Engine {
 public:
  explicit ClassicEngine(Machine& m);

  std::string_view Id() const override { return "classic"; }
  void Reset() override;
  void Run() override;
  void Stop() override;
  void Step() override;
  // ClassicSnapshot.cpp: the shared sections, then this engine's own.
  void Snapshot(std::vector<uint8_t>& out) const override;
  RestoreResult Restore(std::span<const uint8_t> data) override;
  uint8_t Peek(uint16_t address) override;
  uint8_t Read(uint16_t address) override;
  CpuRegisters Registers() const override;
  void SetRegisters(const CpuRegisters& registers) override;
  PictureView Picture() const override;
  void CompletePicture() override;
  std::span<const ApuWrite> SoundWrites() const override;
  uint32_t FrameCycles() const override;

  // Public so that Classic(m) reaches it with one load and an offset.
  ClassicState State;

 private:
  Machine& m_;
};

// The designed engine's state of a Machine it runs. Only its own code calls
// this, which runs only while it is the Machine's engine. Hot paths take the
// reference once per call (TCpuState& s = Classic(m).Cpu).
inline ClassicState& Classic(Machine& m) { return static_cast<ClassicEngine&>(*m.engine).State; }
inline const ClassicState& Classic(const Machine& m) {
  return static_cast<const ClassicEngine&>(*m.engine).State;
}
