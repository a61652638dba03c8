// The sound chip as the processor sees it: its registers on the bus, its
// two interrupt lines, the sample reader's requests to the DMA unit, and
// what power and the reset button do to it. The chip itself is the voice's
// (ConsoleVoice in step mode); it is left behind and caught up only when
// the processor touches it or when it is due to do something the processor
// can see, so most cycles cost one comparison.
#include "core/Machine.h"
#include "engine/console/Console.h"
#include "sound/SoundChannels.h"

namespace {

// The sample reader reads through the processor's address space; the DMA
// unit makes the read, so the voice itself never reads.
uint8_t NoRead(const void* /*context*/, uint16_t /*address*/) { return 0; }

// The reader wants a byte: the DMA unit is asked, and decides the cycle on
// which it may halt the processor. The first byte after a $4015 write halts
// on the get cycle of the second sound-chip clock after the write; the
// later ones on the first put cycle after the request.
void SampleRequested(void* context, uint16_t address, uint32_t cycle) {
  auto& c = *static_cast<Console*>(context);
  const uint64_t at = c.FrameStartCycle + cycle;
  c.Dma.SamplePending = true;
  c.Dma.SampleAddress = address;
  if (c.SampleLoading)
    c.Dma.SampleHaltAt = DmaGetCycle(at) ? at + 4 : at + 3;
  else
    c.Dma.SampleHaltAt = DmaGetCycle(at + 1) ? at + 2 : at + 1;
  DmaRefreshDue(c);
}

VoiceMemory ApuMemory(Console& c) {
  VoiceMemory memory{c.M, &NoRead, &c, &SampleRequested};
  memory.Deferred = true;
  return memory;
}

}  // namespace

void ApuSettle(Console& c) {
  uint8_t& lines = c.Processor.IrqSources;
  lines =
      static_cast<uint8_t>((lines & ~(kIrqFrameCounter | kIrqSample)) |
                           (c.Apu.Frame.Irq ? kIrqFrameCounter : 0) | (c.Apu.Sample.Irq ? kIrqSample : 0));
  // A sample stopped before its fetch halted the processor takes no cycles.
  if (c.Dma.SamplePending && c.Apu.Sample.Remaining == 0) {
    c.Dma.SamplePending = false;
    c.Apu.Sample.Requested = false;
    DmaRefreshDue(c);
  }
  c.ApuDue = c.FrameStartCycle + VoiceNextDue(c.Apu);
}

void ApuService(Console& c) {
  VoiceRunTo(c.Apu, ConsoleFrameCycle(c), ApuMemory(c));
  ApuSettle(c);
}

uint8_t ApuReadStatus(Console& c) {
  const uint8_t status = VoiceReadStatus(c.Apu, ConsoleFrameCycle(c), ApuMemory(c));
  ApuSettle(c);
  // Bit 5 is not driven: it stays what the bus held.
  return static_cast<uint8_t>((status & ~0x20) | (c.OpenBus & 0x20));
}

// The chip hears the write at its cycle, and the designed sound (channel
// model, MIDI, the replayed voice) hears it as from the designed engine,
// stamped with its cycle in the frame.
void ApuWriteRegister(Console& c, uint16_t address, uint8_t value) {
  Machine& m = *c.M;
  const uint32_t cycle = ConsoleFrameCycle(c);
  c.SampleLoading = address == 0x4015;
  VoiceWrite(c.Apu, cycle, address, value, ApuMemory(c));
  c.SampleLoading = false;
  ApuSettle(c);
  m.SoundWrites.push_back({cycle, address, value});
  SoundRegisterWrite(m, address, value);
}

void ApuSampleArrived(Console& c, uint8_t value) {
  VoiceSampleArrived(c.Apu, ConsoleFrameCycle(c), value, ApuMemory(c));
  ApuSettle(c);
}

void ApuPowerOn(Console& c) {
  VoiceInit(c.Apu);
  // The player hears the voice that replays the frame's writes.
  VoiceSetUnheard(c.Apu);
  ApuSettle(c);
}

void ApuReset(Console& c) {
  Machine& m = *c.M;
  const uint32_t cycle = ConsoleFrameCycle(c);
  VoiceReset(c.Apu, cycle, ApuMemory(c));
  ApuSettle(c);
  // The heard sound falls silent as a $4015 write of 0 makes it.
  m.SoundWrites.push_back({cycle, 0x4015, 0});
  SoundRegisterWrite(m, 0x4015, 0);
}

void ApuEndFrame(Console& c, uint32_t frameCycles) { VoiceEndFrame(c.Apu, frameCycles, ApuMemory(c)); }
