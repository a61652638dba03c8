// The seam between what runs the console and what drives it. The window, the
// headless runner, the debugger and the tests start, run, step, snapshot and
// look into the console through this interface alone, so another engine can
// sit beside the designed one (engine/classic/) without any of them knowing
// which one runs. Everything an engine shares with the others (the cartridge
// and its banking, the devices, the window) lives outside engine/.
//
// An engine is bound to the Machine that owns it: the Machine holds the state
// every engine shares (memories, bank tables, cartridge images, the picture,
// the sound layer); an engine may keep more of its own, and then its snapshot
// carries it too.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/ApuWrite.h"
#include "core/Machine.h"
#include "core/Snapshot.h"

// What the debugger shows and edits of the processor.
struct CpuRegisters {
  uint8_t A = 0, X = 0, Y = 0, P = 0, S = 0;
  uint16_t PC = 0;
};

// The finished picture: palette-memory indices and the colour table they index.
struct PictureView {
  std::span<const uint8_t, kScreenWidth * kScreenHeight> Pixels;
  std::span<const Rgb, 256> Colors;
};

class Engine {
 public:
  virtual ~Engine() = default;

  // The name the settings and the command line use for it.
  virtual std::string_view Id() const = 0;

  // The reset of a started cartridge: the processor takes its reset vector
  // through the banks the board has set up.
  virtual void Reset() = 0;
  // A cartridge just started: the console as it powers up, then the reset.
  virtual void PowerOn() { Reset(); }
  // Runs until a frame start finds Running clear. Loops never nest: from
  // inside the active run this only lets that run carry on (the lifecycle
  // decides which, see RunOrContinue).
  virtual void Run() = 0;
  // Asks the run to stop at the next frame start.
  virtual void Stop() = 0;
  // One instruction, with the run's own handling of line and frame ends: the
  // debugger's step and the traced run.
  virtual void Step() = 0;

  // The whole console as bytes, and back; a refused snapshot changes nothing.
  virtual void Snapshot(std::vector<uint8_t>& out) const = 0;
  virtual RestoreResult Restore(std::span<const uint8_t> data) = 0;

  // Memory for the debugger and the runner: Peek has no side effect; Read is
  // the processor's own read, with the effects an I/O register has on it.
  virtual uint8_t Peek(uint16_t address) = 0;
  virtual uint8_t Read(uint16_t address) = 0;
  virtual CpuRegisters Registers() const = 0;
  virtual void SetRegisters(const CpuRegisters& registers) = 0;

  virtual PictureView Picture() const = 0;
  // Before the picture is saved as a screenshot: whatever it still lacks is
  // drawn into it. The console engine's picture is whole dot by dot.
  virtual void CompletePicture() {}
  // The sound register writes of the last whole frame, stamped with their
  // cycle, and that frame's length in processor cycles: what the console's
  // voice replays.
  virtual std::span<const ApuWrite> SoundWrites() const = 0;
  virtual uint32_t FrameCycles() const = 0;
};
