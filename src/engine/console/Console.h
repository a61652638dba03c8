// The console engine's console: the 2A03 processor, the picture processor,
// the sound chip as the processor sees it ($4015, length counters, the frame
// and sample interrupts, sample fetches), the DMA unit and the controller
// ports, wired by one bus on which every processor cycle advances the others.
// The memories, bank tables and board registers stay the Machine's, shared
// with the designed engine.
#pragma once

#include <cstdint>

#include "engine/console/cpu/Cpu.h"
#include "engine/console/ppu/Ppu.h"
#include "voice/ConsoleVoice.h"

struct Machine;

// Bits of Cpu::IrqSources.
enum ConsoleIrqSource : uint8_t {
  kIrqFrameCounter = 0x01,
  kIrqSample = 0x02,
  kIrqBoard = 0x04,
};

// What the DMA unit has been asked for and how far it has come.
struct ConsoleDma {
  bool OamPending = false;  // $4014 written: the next read cycle halts the processor
  uint8_t OamPage = 0;
  bool SamplePending = false;  // the sample channel wants its next byte
  uint16_t SampleAddress = 0;
};

struct Console {
  Machine* M = nullptr;
  Cpu Processor;
  Ppu Video;
  ConsoleVoice Apu;
  ConsoleDma Dma;
  // The last value on the processor's data bus: what unmapped reads return.
  uint8_t OpenBus = 0;
  // The controller ports: the strobe latch ($4016 bit 0) and each pad's
  // shift register, reloaded from the Machine's pad bytes while the strobe
  // is high.
  bool Strobe = false;
  uint8_t PadShift[2] = {};
  // Processor cycle at which the current frame began: the sound chip and the
  // sound register stream count their cycles from it.
  uint64_t FrameStartCycle = 0;
  // The picture processor runs behind: the dots it is owed since it last
  // ran, and how many it may be owed before its outputs can change by
  // themselves. Every access that reaches it brings it up to date first.
  uint32_t OwedDots = 0;
  uint32_t DotsToEvent = 0;
};

// Power-on (new cartridge): processor, picture processor, sound chip and
// ports as the console starts; the reset sequence runs on the first step.
void ConsolePowerOn(Console& c, Machine& m);
// The reset button.
void ConsoleReset(Console& c);
// Runs instructions until the picture processor completes a frame (its
// FrameReady), leaving the processor between instructions.
void ConsoleRunFrame(Console& c);
// Brings the picture processor up to the processor's cycle.
void ConsoleSyncVideo(Console& c);
// The cycle of the current frame the processor has reached.
inline uint32_t ConsoleFrameCycle(const Console& c) {
  return static_cast<uint32_t>(c.Processor.Cycles - c.FrameStartCycle);
}
// Starts the next frame's cycle count; the finished frame's length.
uint32_t ConsoleBeginFrame(Console& c);

// The processor's bus (CpuBus entries, context = the Console).
uint8_t ConsoleRead(void* context, uint16_t address);
void ConsoleWrite(void* context, uint16_t address, uint8_t value);
// The debugger's view of memory: no side effect on any register.
uint8_t ConsolePeek(const Console& c, uint16_t address);
