#include "voice/FrameSequencer.h"

#include <array>

namespace {

struct FrameEvent {
  uint32_t Cycle;  // processor cycles since the sequence started
  uint8_t Bits;
};

// The chip counts in its own clock, half the processor's; its steps fall on
// half cycles, which the processor sees on the cycle after.
constexpr std::array<FrameEvent, 6> kFourStep = {{
    {7457, kQuarterFrame},
    {14913, kQuarterFrame | kHalfFrame},
    {22371, kQuarterFrame},
    {29828, kFrameIrq},
    {29829, kQuarterFrame | kHalfFrame | kFrameIrq},
    {29830, kFrameIrq | kFrameWrap},
}};
constexpr std::array<FrameEvent, 5> kFiveStep = {{
    {7457, kQuarterFrame},
    {14913, kQuarterFrame | kHalfFrame},
    {22371, kQuarterFrame},
    {37281, kQuarterFrame | kHalfFrame},
    {37282, kFrameWrap},
}};

const FrameEvent& EventAt(const FrameSequencer& f, int step) {
  return f.FiveStep ? kFiveStep[step] : kFourStep[step];
}

}  // namespace

void FrameStart(FrameSequencer& f, uint32_t now) {
  f.Step = 0;
  f.NextEvent = now + EventAt(f, 0).Cycle;
}

void FrameWrite(FrameSequencer& f, uint8_t value, uint32_t now, bool oddCycle) {
  f.IrqInhibit = (value & 0x40) != 0;
  if (f.IrqInhibit) f.Irq = false;
  f.PendingFiveStep = (value & 0x80) != 0;
  f.ResetAt = now + (oddCycle ? 4 : 3);
}

uint8_t FrameAdvance(FrameSequencer& f, uint32_t now) {
  if (f.ResetAt == now) {
    f.ResetAt = kNever;
    f.FiveStep = f.PendingFiveStep;
    FrameStart(f, now);
    // Entering 5-step mode clocks everything at once, which games use to
    // sync their envelopes to the write.
    return f.FiveStep ? kQuarterFrame | kHalfFrame : 0;
  }
  if (f.NextEvent != now) return 0;
  const FrameEvent& e = EventAt(f, f.Step);
  if ((e.Bits & kFrameIrq) && !f.IrqInhibit) f.Irq = true;
  if (e.Bits & kFrameWrap) {
    FrameStart(f, now);
  } else {
    ++f.Step;
    f.NextEvent = now + (EventAt(f, f.Step).Cycle - e.Cycle);
  }
  return e.Bits & (kQuarterFrame | kHalfFrame);
}

bool FrameHalfClockAt(const FrameSequencer& f, uint32_t cycle) {
  if (f.ResetAt <= f.NextEvent) return f.ResetAt == cycle && f.PendingFiveStep;
  return f.NextEvent == cycle && (EventAt(f, f.Step).Bits & kHalfFrame) != 0;
}

void FrameRebase(FrameSequencer& f, uint32_t frameCycles) {
  f.NextEvent -= frameCycles;
  if (f.ResetAt != kNever) f.ResetAt -= frameCycles;
}
