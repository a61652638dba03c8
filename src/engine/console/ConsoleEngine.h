// The console engine: the console as the hardware behaves, cycle by cycle
// (Console.h), run a frame at a time, with the front end's turn at each
// frame's end. It shares the Machine's memories, bank tables, boards and
// sound layer with the designed engine and keeps the chips' own state in its
// Console, which its snapshots carry as one more section.
#pragma once

#include <memory>

#include "core/Engine.h"

struct Console;

class ConsoleEngine final : public Engine {
 public:
  explicit ConsoleEngine(Machine& m);
  ~ConsoleEngine() override;

  std::string_view Id() const override { return "console"; }
  void PowerOn() override;
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
  std::span<const ApuWrite> SoundWrites() const override;
  uint32_t FrameCycles() const override;

  // The chips, for tests and the benchmark.
  Console& Chips() { return *c_; }

 private:
  // The frame's end: the front end's turn. True when the run is to stop.
  bool FrameEnd();

  Machine& m_;
  std::unique_ptr<Console> c_;
  uint32_t frameCycles_ = 29781;
};
