#include "engine/console/Console.h"

#include <algorithm>

#include "core/Machine.h"
#include "engine/console/cpu/CpuInstructions.h"

namespace {

uint8_t ReadPad(Console& c, int pad, bool clock) {
  Machine& m = *c.M;
  if (c.Strobe) c.PadShift[pad] = m.PadState[pad];
  const uint8_t bit = c.PadShift[pad] & 1;
  // A standard pad shifts in ones: after its eight buttons it reads 1.
  if (!c.Strobe && clock) c.PadShift[pad] = static_cast<uint8_t>(0x80 | c.PadShift[pad] >> 1);
  // Only the low bits are driven; the rest is what the bus last held.
  return static_cast<uint8_t>((c.OpenBus & 0xE0) | bit);
}

uint8_t ReadIo(Console& c, uint16_t address, bool clockPads) {
  Machine& m = *c.M;
  if (address < 0x4000) {
    ConsoleCatchUpVideo(c);
    return PpuReadRegister(c.Video, m, address);
  }
  switch (address) {
    case 0x4016: return ReadPad(c, 0, clockPads);
    case 0x4017: return ReadPad(c, 1, clockPads);
    default: return c.OpenBus;
  }
}

void WriteIo(Console& c, uint16_t address, uint8_t value) {
  Machine& m = *c.M;
  if (address < 0x4000) {
    ConsoleCatchUpVideo(c);
    PpuWriteRegister(c.Video, m, address, value);
    return;
  }
  switch (address) {
    case 0x4014:
      c.Dma.OamPending = true;
      c.Dma.OamPage = value;
      DmaRefreshDue(c);
      return;
    case 0x4016:
      c.Strobe = value & 1;
      if (c.Strobe) c.PadShift[0] = m.PadState[0], c.PadShift[1] = m.PadState[1];
      m.IoRegs[0x16] = value;
      return;
    default:
      if (address <= 0x4017) ApuWriteRegister(c, address, value);
      return;
  }
}

// How many dots the picture processor may be owed before its outputs can
// change: a board that counts A12's rises sees each one in the cycle it comes.
uint32_t DotsToEvent(const Console& c) { return c.Video.A12.Watching ? 1 : PpuDotsToEvent(c.Video); }

// The first cycle from which the board's interrupt line may change by
// itself: every cycle for a board that counts A12's rises (the picture
// processor is brought up to date on each anyway), else the cycle its
// counter fires, never for a board without one.
uint64_t BoardDue(const ConsoleBoard& b) { return b.Clock == BoardClock::A12Rises ? 0 : b.FiresAt; }

// The picture processor sees the board's name tables as they now stand.
void WireBoard(Console& c) { c.Video.NameTables = c.Board.Tables; }

void BoardWrite(Console& c, uint16_t address, uint8_t value) {
  ConsoleBoardWrite(c.Board, *c.M, address, value, c.Processor.Cycles);
  WireBoard(c);
}

// NextDue for a console about to run cycle `next`. The picture processor is
// due on the cycle whose third dot makes the owed dots reach DotsToEvent, as
// ConsoleTickAfter would find them.
[[gnu::always_inline]] inline void SetNextDue(Console& c, uint64_t next) {
  // Owed within a cycle of the event (always, for a board watching A12):
  // due on the very next cycle, whatever else is.
  if (c.OwedDots + 3 >= c.DotsToEvent) {
    c.NextDue = next;
    return;
  }
  const uint64_t video = next - 1 + (c.DotsToEvent - c.OwedDots + 2) / 3;
  c.NextDue = std::min(std::min(video, c.ApuDue), std::min(c.Dma.Due, BoardDue(c.Board)));
}

[[gnu::always_inline]] inline uint8_t ReadCartridge(const Console& c, uint16_t address) {
  const CpuBank& bank = c.M->CpuBankTable[address >> 13];
  return bank.Base ? bank.Base[address & bank.Mask] : c.OpenBus;
}

// Kept inline in the processor's own read, the hottest path of the engine.
[[gnu::always_inline]] inline uint8_t BusRead(Console& c, uint16_t address, bool clockPads) {
  Machine& m = *c.M;
  switch (address >> 13) {
    case 0: c.OpenBus = m.Ram[address & 0x7FF]; break;
    case 1: c.OpenBus = ReadIo(c, static_cast<uint16_t>(0x2000 | (address & 7)), clockPads); break;
    case 2:
      // $4015 is inside the processor's chip: its value never reaches the
      // outer bus, which keeps what it held.
      if (address == 0x4015) return ApuReadStatus(c);
      if (address < 0x4020) c.OpenBus = ReadIo(c, address, clockPads);
      break;
    default: c.OpenBus = ReadCartridge(c, address); break;
  }
  return c.OpenBus;
}

}  // namespace

uint8_t ConsoleBusRead(Console& c, uint16_t address, bool clockPads) {
  return BusRead(c, address, clockPads);
}

namespace {

// A cycle's whole share of the other chips, the access in the middle: every
// check made, then NextDue worked out for the cycle after it. Out of line:
// most cycles never come here.
[[gnu::noinline]] uint8_t ReadCycleDue(Console& c, uint16_t address) {
  if (c.Processor.Cycles >= c.Dma.Due) [[unlikely]]
    DmaRun(c, address);
  ConsoleTickBefore(c);
  const uint8_t value = BusRead(c, address, true);
  ConsoleTickAfter(c);
  SetNextDue(c, c.Processor.Cycles + 1);
  return value;
}

[[gnu::noinline]] void WriteCycleDue(Console& c, uint16_t address, uint8_t value) {
  Machine& m = *c.M;
  ConsoleTickBefore(c);
  c.OpenBus = value;
  switch (address >> 13) {
    case 0: m.Ram[address & 0x7FF] = value; break;
    case 1: WriteIo(c, static_cast<uint16_t>(0x2000 | (address & 7)), value); break;
    case 2:
      if (address < 0x4020)
        WriteIo(c, address, value);
      else if (ConsoleBoardWatchesLowWrites(c.Board)) [[unlikely]]
        BoardWrite(c, address, value);
      break;
    case 3: m.BatteryRam[address & 0x1FFF] = value; break;
    default:
      // The board's banks and name tables change under the picture
      // processor's fetches from here on.
      ConsoleCatchUpVideo(c);
      BoardWrite(c, address, value);
      break;
  }
  ConsoleTickAfter(c);
  SetNextDue(c, c.Processor.Cycles + 1);
}

// One processor cycle's read or write with the other chips' share of it.
// Before NextDue nothing but the picture processor's three dots goes with a
// cycle that stays in RAM or the cartridge's memory (the registers at
// $2000-$5FFF and the board's at $8000-$FFFF always take the long way), and
// those dots are only owed.
[[gnu::always_inline]] inline uint8_t ReadCycle(Console& c, uint16_t address) {
  const unsigned region = address >> 13;
  if (c.Processor.Cycles >= c.NextDue || region - 1 < 2) [[unlikely]]
    return ReadCycleDue(c, address);
  c.OwedDots += 3;
  c.OpenBus = region == 0 ? c.M->Ram[address & 0x7FF] : ReadCartridge(c, address);
  return c.OpenBus;
}

[[gnu::always_inline]] inline void WriteCycle(Console& c, uint16_t address, uint8_t value) {
  const unsigned region = address >> 13;
  if (c.Processor.Cycles >= c.NextDue || (region != 0 && region != 3)) [[unlikely]] {
    WriteCycleDue(c, address, value);
    return;
  }
  c.OwedDots += 3;
  c.OpenBus = value;
  if (region == 0)
    c.M->Ram[address & 0x7FF] = value;
  else
    c.M->BatteryRam[address & 0x1FFF] = value;
}

// The console's bus built into the processor's instructions for the frame
// loop: the same cycles as through ConsoleRead and ConsoleWrite, without a
// call through a pointer for each.
struct ConsoleBus {
  static Console& Of(Cpu& cpu) { return *static_cast<Console*>(cpu.Bus.Context); }
  [[gnu::always_inline]] static uint8_t Read(Cpu& cpu, uint16_t address) {
    return ReadCycle(Of(cpu), address);
  }
  static void Write(Cpu& cpu, uint16_t address, uint8_t value) { WriteCycle(Of(cpu), address, value); }
};

}  // namespace

uint8_t ConsoleRead(void* context, uint16_t address) {
  return ReadCycle(*static_cast<Console*>(context), address);
}

void ConsoleWrite(void* context, uint16_t address, uint8_t value) {
  WriteCycle(*static_cast<Console*>(context), address, value);
}

uint8_t ConsolePeek(const Console& c, uint16_t address) {
  const Machine& m = *c.M;
  switch (address >> 13) {
    case 0: return m.Ram[address & 0x7FF];
    case 1: return PpuPeekRegister(c.Video, address);
    case 2: return c.OpenBus;
    default: return ReadCartridge(c, address);
  }
}

void ConsoleBoardCatchUp(Console& c) {
  ConsoleBoard& b = c.Board;
  for (; c.Video.A12.Rises; --c.Video.A12.Rises) ConsoleBoardA12Rise(b);
  ConsoleBoardCycle(b, c.Processor.Cycles);
  if (b.Line)
    c.Processor.IrqSources |= kIrqBoard;
  else
    c.Processor.IrqSources &= ~kIrqBoard;
}

void ConsolePowerOn(Console& c, Machine& m) {
  c.M = &m;
  ConsoleBoardPowerOn(c.Board, m);
  c.Processor = {};
  c.Processor.Bus = {&c, &ConsoleRead, &ConsoleWrite};
  CpuPowerOn(c.Processor);
  PpuPowerOn(c.Video);
  c.Video.A12.Watching = c.Board.Clock == BoardClock::A12Rises;
  WireBoard(c);
  c.OwedDots = 0;
  c.DotsToEvent = DotsToEvent(c);
  c.Dma = {};
  c.OpenBus = 0;
  c.Strobe = false;
  c.PadShift[0] = c.PadShift[1] = 0;
  c.FrameStartCycle = 0;
  c.SampleLoading = false;
  ApuPowerOn(c);
  ConsoleRefreshDue(c);
}

void ConsoleReset(Console& c) {
  ConsoleSyncVideo(c);
  CpuReset(c.Processor);
  PpuReset(c.Video);
  c.DotsToEvent = DotsToEvent(c);
  c.Dma = {};
  c.Apu.Sample.Requested = false;
  ApuReset(c);
  c.Processor.NmiLine = c.Video.Nmi;
  ConsoleRefreshDue(c);
}

void ConsoleCatchUpVideo(Console& c) {
  PpuRun(c.Video, *c.M, c.OwedDots);
  c.OwedDots = 0;
  c.DotsToEvent = DotsToEvent(c);
}

void ConsoleSyncVideo(Console& c) {
  ConsoleCatchUpVideo(c);
  // Between cycles: the NMI line is the processor's now (a cycle on the
  // short way leaves it alone), and the next due cycle counts from here.
  c.Processor.NmiLine = c.Video.Nmi;
  ConsoleRefreshDue(c);
}

// The name tables are handed over again too: after a restore the board's
// arrangement is the one read back.
void ConsoleRefreshDue(Console& c) {
  WireBoard(c);
  SetNextDue(c, c.Processor.Cycles);
}

void ConsoleRunFrame(Console& c) {
  while (!c.Video.FrameReady) cpu2a03::CpuStepOn<ConsoleBus>(c.Processor);
  ConsoleSyncVideo(c);
}

uint32_t ConsoleBeginFrame(Console& c) {
  c.Video.FrameReady = false;
  const uint32_t cycles = ConsoleFrameCycle(c);
  ApuEndFrame(c, cycles);
  c.FrameStartCycle = c.Processor.Cycles;
  // The chip's next due cycle counts from the new frame's start; a pending
  // sample fetch's halt cycle counts from power-on and stands.
  ApuSettle(c);
  ConsoleRefreshDue(c);
  return cycles;
}
