#include "engine/console/Console.h"

#include "core/Machine.h"
#include "sound/SoundChannels.h"

namespace {

// The sample channel's fetches come through the processor's address space.
uint8_t SampleByte(const void* context, uint16_t address) {
  const Machine& m = *static_cast<const Machine*>(context);
  const CpuBank& bank = m.CpuBankTable[address >> 13];
  return bank.Base ? bank.Base[address & bank.Mask] : 0;
}

void SampleFetched(void* context, uint16_t address, uint32_t /*cycle*/) {
  auto& c = *static_cast<Console*>(context);
  c.Dma.SamplePending = true;
  c.Dma.SampleAddress = address;
}

VoiceMemory ApuMemory(Console& c) { return {c.M, &SampleByte, &c, &SampleFetched}; }

// Brings the sound chip up to the current cycle and its interrupt line to
// the processor.
void ApuCatchUp(Console& c) {
  VoiceRunTo(c.Apu, ConsoleFrameCycle(c), ApuMemory(c));
  if (c.Apu.Frame.Irq)
    c.Processor.IrqSources |= kIrqFrameCounter;
  else
    c.Processor.IrqSources &= ~kIrqFrameCounter;
  if (c.Apu.Sample.Irq)
    c.Processor.IrqSources |= kIrqSample;
  else
    c.Processor.IrqSources &= ~kIrqSample;
}

// One processor cycle's worth of the other chips, around its access: two
// picture dots before it and one after, then the NMI line as the processor's
// edge detector takes it at the cycle's end. A $2002 read thus lands on the
// second dot, and a flag raised on the third is seen in this same cycle. The
// dots are owed until something looks at the picture processor or its
// outputs may change.
void TickBefore(Console& c) {
  c.OwedDots += 2;
  ApuCatchUp(c);
}

void TickAfter(Console& c) {
  if (++c.OwedDots >= c.DotsToEvent) ConsoleSyncVideo(c);
  c.Processor.NmiLine = c.Video.Nmi;
}

// A sound register write: the chip hears it at its cycle, and the designed
// sound (channel model, MIDI, the replayed voice) hears it as from the
// designed engine, stamped with its cycle in the frame.
void SoundWrite(Console& c, uint16_t address, uint8_t value) {
  Machine& m = *c.M;
  const uint32_t cycle = ConsoleFrameCycle(c);
  VoiceWrite(c.Apu, cycle, address, value, ApuMemory(c));
  m.SoundWrites.push_back({cycle, address, value});
  SoundRegisterWrite(m, address, value);
}

uint8_t ReadPad(Console& c, int pad) {
  Machine& m = *c.M;
  if (c.Strobe) c.PadShift[pad] = m.PadState[pad];
  const uint8_t bit = c.PadShift[pad] & 1;
  // A standard pad shifts in ones: after its eight buttons it reads 1.
  if (!c.Strobe) c.PadShift[pad] = static_cast<uint8_t>(0x80 | c.PadShift[pad] >> 1);
  // Only the low bits are driven; the rest is what the bus last held.
  return static_cast<uint8_t>((c.OpenBus & 0xE0) | bit);
}

void RunOamDma(Console& c, uint16_t haltedAt);

uint8_t ReadIo(Console& c, uint16_t address) {
  Machine& m = *c.M;
  if (address < 0x4000) {
    ConsoleSyncVideo(c);
    return PpuReadRegister(c.Video, m, address);
  }
  switch (address) {
    case 0x4015: {
      // Bit 5 is not driven: it stays what the bus held.
      const uint8_t status = VoiceReadStatus(c.Apu, ConsoleFrameCycle(c), ApuMemory(c));
      c.Processor.IrqSources &= ~kIrqFrameCounter;
      return static_cast<uint8_t>((status & ~0x20) | (c.OpenBus & 0x20));
    }
    case 0x4016: return ReadPad(c, 0);
    case 0x4017: return ReadPad(c, 1);
    default: return c.OpenBus;
  }
}

void WriteIo(Console& c, uint16_t address, uint8_t value) {
  Machine& m = *c.M;
  if (address < 0x4000) {
    ConsoleSyncVideo(c);
    PpuWriteRegister(c.Video, m, address, value);
    return;
  }
  switch (address) {
    case 0x4014:
      c.Dma.OamPending = true;
      c.Dma.OamPage = value;
      return;
    case 0x4016:
      c.Strobe = value & 1;
      if (c.Strobe) c.PadShift[0] = m.PadState[0], c.PadShift[1] = m.PadState[1];
      m.IoRegs[0x16] = value;
      return;
    default:
      if (address <= 0x4017) SoundWrite(c, address, value);
      return;
  }
}

uint8_t ReadCartridge(Console& c, uint16_t address) {
  const CpuBank& bank = c.M->CpuBankTable[address >> 13];
  return bank.Base ? bank.Base[address & bank.Mask] : c.OpenBus;
}

uint8_t ReadNoDma(Console& c, uint16_t address) {
  Machine& m = *c.M;
  switch (address >> 13) {
    case 0: c.OpenBus = m.Ram[address & 0x7FF]; break;
    case 1: c.OpenBus = ReadIo(c, static_cast<uint16_t>(0x2000 | (address & 7))); break;
    case 2:
      if (address < 0x4020) c.OpenBus = ReadIo(c, address);
      break;
    default: c.OpenBus = ReadCartridge(c, address); break;
  }
  return c.OpenBus;
}

// OAM DMA: the processor halts on a read cycle, waits one more cycle (two
// when the copy would begin on a write cycle), then the unit alternates a
// read of the page and a write to $2004, 256 times.
void RunOamDma(Console& c, uint16_t haltedAt) {
  c.Dma.OamPending = false;
  TickBefore(c);
  ++c.Processor.Cycles;
  ReadNoDma(c, haltedAt);
  TickAfter(c);
  if (c.Processor.Cycles & 1) {
    TickBefore(c);
    ++c.Processor.Cycles;
    ReadNoDma(c, haltedAt);
    TickAfter(c);
  }
  const uint16_t base = static_cast<uint16_t>(c.Dma.OamPage << 8);
  for (int i = 0; i < 256; ++i) {
    TickBefore(c);
    ++c.Processor.Cycles;
    const uint8_t value = ReadNoDma(c, static_cast<uint16_t>(base + i));
    TickAfter(c);
    TickBefore(c);
    ++c.Processor.Cycles;
    ConsoleSyncVideo(c);
    PpuWriteRegister(c.Video, *c.M, 0x2004, value);
    TickAfter(c);
  }
}

// A sample fetch halts the processor on a read cycle for four cycles; the
// halted read is repeated, which is what makes a fetch during a $2007 or
// $4016 read visible to the program.
void RunSampleDma(Console& c, uint16_t haltedAt) {
  c.Dma.SamplePending = false;
  for (int i = 0; i < 3; ++i) {
    TickBefore(c);
    ++c.Processor.Cycles;
    ReadNoDma(c, haltedAt);
    TickAfter(c);
  }
  TickBefore(c);
  ++c.Processor.Cycles;
  c.OpenBus = SampleByte(c.M, c.Dma.SampleAddress);
  TickAfter(c);
}

}  // namespace

uint8_t ConsoleRead(void* context, uint16_t address) {
  auto& c = *static_cast<Console*>(context);
  if (c.Dma.OamPending) [[unlikely]]
    RunOamDma(c, address);
  if (c.Dma.SamplePending) [[unlikely]]
    RunSampleDma(c, address);
  TickBefore(c);
  const uint8_t value = ReadNoDma(c, address);
  TickAfter(c);
  return value;
}

void ConsoleWrite(void* context, uint16_t address, uint8_t value) {
  auto& c = *static_cast<Console*>(context);
  Machine& m = *c.M;
  TickBefore(c);
  c.OpenBus = value;
  switch (address >> 13) {
    case 0: m.Ram[address & 0x7FF] = value; break;
    case 1: WriteIo(c, static_cast<uint16_t>(0x2000 | (address & 7)), value); break;
    case 2:
      if (address < 0x4020) WriteIo(c, address, value);
      break;
    case 3: m.BatteryRam[address & 0x1FFF] = value; break;
    default:
      // The board's banks and mirroring change under the picture
      // processor's fetches from here on.
      ConsoleSyncVideo(c);
      m.MapperWrite(m, address, value);
      break;
  }
  TickAfter(c);
}

uint8_t ConsolePeek(const Console& c, uint16_t address) {
  const Machine& m = *c.M;
  switch (address >> 13) {
    case 0: return m.Ram[address & 0x7FF];
    case 1: return PpuPeekRegister(c.Video, address);
    case 2: return c.OpenBus;
    case 3: return m.BatteryRam[address & 0x1FFF];
    default: {
      const CpuBank& bank = m.CpuBankTable[address >> 13];
      return bank.Base ? bank.Base[address & bank.Mask] : c.OpenBus;
    }
  }
}

void ConsolePowerOn(Console& c, Machine& m) {
  c.M = &m;
  c.Processor = {};
  c.Processor.Bus = {&c, &ConsoleRead, &ConsoleWrite};
  CpuPowerOn(c.Processor);
  PpuPowerOn(c.Video);
  VoiceInit(c.Apu);
  c.Dma = {};
  c.OpenBus = 0;
  c.Strobe = false;
  c.PadShift[0] = c.PadShift[1] = 0;
  c.FrameStartCycle = 0;
  c.OwedDots = 0;
  c.DotsToEvent = PpuDotsToEvent(c.Video);
}

void ConsoleReset(Console& c) {
  ConsoleSyncVideo(c);
  CpuReset(c.Processor);
  PpuReset(c.Video);
  // The sound chip's reset silences it as a write of 0 to $4015 does; the
  // frame counter keeps its mode.
  SoundWrite(c, 0x4015, 0);
  c.Dma = {};
}

void ConsoleSyncVideo(Console& c) {
  PpuRun(c.Video, *c.M, c.OwedDots);
  c.OwedDots = 0;
  c.DotsToEvent = PpuDotsToEvent(c.Video);
}

void ConsoleRunFrame(Console& c) {
  while (!c.Video.FrameReady) CpuStep(c.Processor);
  ConsoleSyncVideo(c);
}

uint32_t ConsoleBeginFrame(Console& c) {
  c.Video.FrameReady = false;
  const uint32_t cycles = ConsoleFrameCycle(c);
  VoiceEndFrame(c.Apu, cycles, ApuMemory(c));
  // Samples of the chip the processor sees are not heard: the voice the
  // player hears replays the frame's writes.
  int16_t drop[kStepRing];
  VoiceTakeSamples(c.Apu, drop, kStepRing);
  c.FrameStartCycle = c.Processor.Cycles;
  return cycles;
}
