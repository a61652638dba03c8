// The designed engine: the processor in slices of one line's cycles, whole
// lines drawn at once by the scanline hook, the picture processor's registers
// as the Machine keeps them. Fast and exact to its own rules; the default.
#pragma once

#include "engine/Engine.h"

class ClassicEngine final : public Engine {
 public:
  explicit ClassicEngine(Machine& m) : m_(m) {}

  std::string_view Id() const override { return "classic"; }
  void Reset() override;
  void Run() override;
  void Stop() override;
  void Step() override;
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

 private:
  Machine& m_;
};
