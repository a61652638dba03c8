// The console engine's console: the 2A03 processor, the picture processor,
// the sound chip as the processor sees it ($4015, length counters, the frame
// and sample interrupts, sample fetches), the DMA unit and the controller
// ports, wired by one bus on which every processor cycle advances the others,
// and the cartridge's board (boards/). The memories and bank tables are the
// Machine's, shared with the designed engine.
#pragma once

#include <cstdint>

#include "engine/console/boards/ConsoleBoard.h"
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

// "Nothing due": a cycle the processor never reaches.
inline constexpr uint64_t kConsoleNever = UINT64_MAX;

// What the DMA unit has been asked for. It can halt the processor only on
// a read cycle; its reads fall on "get" cycles and its writes on "put"
// cycles, the two halves of the sound chip's clock.
struct ConsoleDma {
  bool OamPending = false;  // $4014 written: the next read cycle halts the processor
  uint8_t OamPage = 0;
  bool SamplePending = false;  // the sample reader wants its next byte
  uint16_t SampleAddress = 0;
  uint64_t SampleHaltAt = 0;  // the first cycle on which that fetch may halt the processor
  // The first cycle on which a read halts for either: one comparison per read.
  uint64_t Due = kConsoleNever;
};

// Get cycles are the odd ones, counted from power-on (the processor's and
// the sound chip's clocks start together; the sprite copy's 513 or 514
// cycles and the frame counter's write delay both follow from it).
inline bool DmaGetCycle(uint64_t cycle) { return (cycle & 1) == 1; }

struct Console {
  Machine* M = nullptr;
  Cpu Processor;
  Ppu Video;
  ConsoleVoice Apu;
  ConsoleDma Dma;
  ConsoleBoard Board;
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
  // The sound chip is left behind until this cycle (its next frame step or
  // sample request), or until the processor touches its registers.
  uint64_t ApuDue = 0;
  // A $4015 write is being made: a fetch it asks for is the first of a
  // sample, which halts on its own schedule.
  bool SampleLoading = false;
  // The picture processor runs behind: the dots it is owed since it last
  // ran, and how many it may be owed before its outputs can change by
  // themselves. Every access that reaches it brings it up to date first.
  uint32_t OwedDots = 0;
  uint32_t DotsToEvent = 0;
  // The first processor cycle on which anything but the processor's own
  // memory access is due: a DMA halt, the sound chip, the picture
  // processor's catch-up, the board's counter. Until then a cycle that only
  // touches RAM or the cartridge is the access and three owed dots, one
  // comparison. Derived from the fields above (ConsoleRefreshDue).
  uint64_t NextDue = 0;
};

// Power-on (new cartridge): processor, picture processor, sound chip and
// ports as the console starts; the reset sequence runs on the first step.
void ConsolePowerOn(Console& c, Machine& m);
// The reset button.
void ConsoleReset(Console& c);
// Runs instructions until the picture processor completes a frame (its
// FrameReady), leaving the processor between instructions.
void ConsoleRunFrame(Console& c);
// The cycle of the current frame the processor has reached.
inline uint32_t ConsoleFrameCycle(const Console& c) {
  return static_cast<uint32_t>(c.Processor.Cycles - c.FrameStartCycle);
}
// Brings the picture processor up to the processor's cycle, between two
// cycles (the NMI line and NextDue follow).
void ConsoleSyncVideo(Console& c);
// Works NextDue out again between two cycles, after anything it derives from
// changed outside a cycle (power, reset, a frame's start, a restored snapshot).
void ConsoleRefreshDue(Console& c);
// Starts the next frame's cycle count; the finished frame's length.
uint32_t ConsoleBeginFrame(Console& c);

// The processor's bus (CpuBus entries, context = the Console).
uint8_t ConsoleRead(void* context, uint16_t address);
void ConsoleWrite(void* context, uint16_t address, uint8_t value);
// The debugger's view of memory: no side effect on any register.
uint8_t ConsolePeek(const Console& c, uint16_t address);

// --- Between the console's units ------------------------------------------------

// Console.cpp: the picture processor's catch-up inside a cycle, whose end
// copies the NMI line and works NextDue out.
void ConsoleCatchUpVideo(Console& c);
// Console.cpp: one read cycle's bus access with its side effects, no DMA
// check and no clock; `clockPads` false for the DMA unit's repeats of a
// halted read, which the controllers see as the same read.
uint8_t ConsoleBusRead(Console& c, uint16_t address, bool clockPads = true);

// ConsoleApu.cpp: the sound chip as the processor sees it.
// Catches the chip up to the current cycle, then ApuSettle.
void ApuService(Console& c);
// The chip's interrupt lines to the processor and the next cycle it is due.
void ApuSettle(Console& c);
uint8_t ApuReadStatus(Console& c);
// $4000-$4013, $4015, $4017.
void ApuWriteRegister(Console& c, uint16_t address, uint8_t value);
// A sample byte the DMA unit read at the current cycle.
void ApuSampleArrived(Console& c, uint8_t value);
void ApuPowerOn(Console& c);
void ApuReset(Console& c);
void ApuEndFrame(Console& c, uint32_t frameCycles);

// Dma.cpp: the DMA unit.
// Runs the DMA cycles due at a read of `haltedAt`, returning with the
// processor's clock past them, ready to make that read.
void DmaRun(Console& c, uint16_t haltedAt);
void DmaRefreshDue(Console& c);

// One processor cycle's worth of the other chips, around its access: two
// picture dots and the sound chip (when it is due) before it, one dot after
// it, then the NMI line as the processor's edge detector takes it at the
// cycle's end.
// The dots are owed until something looks at the picture processor or its
// outputs may change.
inline void ConsoleTickBefore(Console& c) {
  c.OwedDots += 2;
  if (c.Processor.Cycles >= c.ApuDue) [[unlikely]]
    ApuService(c);
}

// The board's interrupt unit: A12's rises as the picture processor's last
// access left them, the processor's cycle, and the line they drive.
void ConsoleBoardCatchUp(Console& c);

inline void ConsoleTickAfter(Console& c) {
  if (++c.OwedDots >= c.DotsToEvent) ConsoleCatchUpVideo(c);
  c.Processor.NmiLine = c.Video.Nmi;
  if (c.Board.Clock != BoardClock::None) [[unlikely]]
    ConsoleBoardCatchUp(c);
}
