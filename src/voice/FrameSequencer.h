// The frame sequencer: the chip's slow clock. In 4-step mode it gives a
// quarter frame four times and a half frame twice every 29,830 processor
// cycles and raises the frame interrupt at the end; in 5-step mode the
// sequence is 37,282 cycles with no interrupt. Writes to $4017 restart it
// three or four cycles later.
#pragma once

#include <cstdint>

#include "voice/VoiceTables.h"

// What one sequencer event does.
enum FrameEventBits : uint8_t {
  kQuarterFrame = 1,  // envelopes and the triangle's linear counter
  kHalfFrame = 2,     // length counters and sweeps
  kFrameIrq = 4,      // raises the frame interrupt unless inhibited
  kFrameWrap = 8,     // the sequence starts over at this cycle
};

struct FrameSequencer {
  bool FiveStep = false;
  bool IrqInhibit = false;
  bool Irq = false;
  uint8_t Step = 0;           // index of the next event in the mode's table
  uint32_t NextEvent = 0;     // cycle of that event
  uint32_t ResetAt = kNever;  // cycle at which a written mode takes over
  bool PendingFiveStep = false;
};

// Starts the 4-step sequence at `now`, as at power-on.
void FrameStart(FrameSequencer& f, uint32_t now);
// $4017 written at `now`; `oddCycle` says whether that is between the
// chip's own (two-processor-cycle) clocks, which delays the restart by one.
void FrameWrite(FrameSequencer& f, uint8_t value, uint32_t now, bool oddCycle);
// The next cycle something happens.
inline uint32_t FrameNextCycle(const FrameSequencer& f) {
  return f.ResetAt < f.NextEvent ? f.ResetAt : f.NextEvent;
}
// Runs what happens at `now` (which is FrameNextCycle) and returns the
// quarter and half frame bits the channels must be clocked with.
uint8_t FrameAdvance(FrameSequencer& f, uint32_t now);
// Whether the sequencer clocks the length counters at `cycle`.
bool FrameHalfClockAt(const FrameSequencer& f, uint32_t cycle);
// Moves the scheduled cycles back by one frame's length.
void FrameRebase(FrameSequencer& f, uint32_t frameCycles);
