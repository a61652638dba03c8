// The DMA unit: the sprite copy ($4014) and the sample reader's fetches,
// cycle by cycle. Either halts the processor on a read cycle; the halted
// read is repeated on every cycle the unit has nothing of its own to do,
// then made once more for real when the processor resumes. The unit reads
// on get cycles and writes on put cycles; a sample fetch takes the next get
// cycle over from the sprite copy, whose cycles otherwise overlap its own.
#include "core/Machine.h"
#include "engine/console/Console.h"

void DmaRefreshDue(Console& c) {
  const ConsoleDma& d = c.Dma;
  c.Dma.Due = d.OamPending ? 0 : d.SamplePending ? d.SampleHaltAt : kConsoleNever;
}

void DmaRun(Console& c, uint16_t haltedAt) {
  ConsoleDma& d = c.Dma;
  Machine& m = *c.M;
  bool copying = d.OamPending;  // the sprite copy is under way
  d.OamPending = false;
  const uint16_t page = static_cast<uint16_t>(d.OamPage << 8);
  int copied = 0;
  bool holding = false;  // a byte read on a get cycle waits for its put cycle
  uint8_t held = 0;
  bool copyHalted = false;  // the copy's own halt cycle has passed
  // A sample fetch first spends a halt cycle and a dummy cycle (overlapping
  // the copy's when one runs), then takes the next get cycle.
  int fetchStage = 0;
  bool first = true;
  for (;;) {
    Cpu& p = c.Processor;
    const uint64_t now = p.Cycles;
    const bool fetching = d.SamplePending && now >= d.SampleHaltAt;
    if (!copying && !fetching) break;
    ConsoleTickBefore(c);
    const bool get = DmaGetCycle(now);
    if (fetching && fetchStage >= 2 && get) {
      const uint8_t value = ConsoleBusRead(c, d.SampleAddress);
      d.SamplePending = false;
      fetchStage = 0;
      DmaRefreshDue(c);
      ApuSampleArrived(c, value);
    } else {
      if (copying && copyHalted && get && !holding) {
        held = ConsoleBusRead(c, static_cast<uint16_t>(page | copied));
        holding = true;
      } else if (copying && holding && !get) {
        c.OpenBus = held;
        ConsoleCatchUpVideo(c);
        PpuWriteRegister(c.Video, m, 0x2004, held);
        holding = false;
        copying = ++copied < 256;
      } else {
        // The halted read, repeated; the controllers see one long read.
        ConsoleBusRead(c, haltedAt, first);
      }
      if (fetching) ++fetchStage;
    }
    ConsoleTickAfter(c);
    copyHalted = true;
    first = false;
    ++p.Cycles;
  }
  DmaRefreshDue(c);
}
