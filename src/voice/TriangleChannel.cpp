#include "voice/TriangleChannel.h"

namespace {

bool Running(const TriangleChannel& t) { return t.Linear > 0 && t.Length.Count > 0; }

// Periods 0 and 1 step the sequence at 56 kHz or faster. Games write them to
// silence the channel; the console's output stage smooths that into its
// mean level. Following the steps would only alias into audible noise, so
// the timer is not followed and the output sits at the mean (see below).
bool Ultrasonic(const TriangleChannel& t) { return t.Period < 2; }

}  // namespace

void TriangleSchedule(TriangleChannel& t, uint32_t now) {
  if (!Running(t) || Ultrasonic(t))
    t.NextClock = kNever;
  else if (t.NextClock == kNever)
    t.NextClock = now + t.Period + 1u;
}

void TriangleWrite(TriangleChannel& t, int reg, uint8_t value, uint32_t now) {
  switch (reg) {
    case 0:
      t.Control = (value & 0x80) != 0;
      t.Length.Halt = t.Control;
      t.LinearPeriod = value & 0x7F;
      break;
    case 1: break;
    case 2: t.Period = static_cast<uint16_t>((t.Period & 0x700) | value); break;
    default:
      t.Period = static_cast<uint16_t>((t.Period & 0xFF) | ((value & 7) << 8));
      LengthLoad(t.Length, value);
      t.LinearReload = true;
      break;
  }
  TriangleSchedule(t, now);
}

void TriangleClock(TriangleChannel& t, uint32_t now) {
  t.Step = (t.Step + 1) & 31;
  t.NextClock = kNever;
  TriangleSchedule(t, now);
}

void TriangleQuarterFrame(TriangleChannel& t, uint32_t now) {
  if (t.LinearReload)
    t.Linear = t.LinearPeriod;
  else if (t.Linear > 0)
    --t.Linear;
  if (!t.Control) t.LinearReload = false;
  TriangleSchedule(t, now);
}

void TriangleHalfFrame(TriangleChannel& t, uint32_t now) {
  LengthHalfFrame(t.Length);
  TriangleSchedule(t, now);
}

float TriangleOutput(const TriangleChannel& t) {
  // A stopped triangle holds its last level (it is never forced to zero);
  // a running ultrasonic one is heard as its mean: one step to 7.5 instead
  // of a click every time a game parks the channel there.
  if (Ultrasonic(t) && Running(t)) return 7.5f;
  return kTriangleTable[t.Step];
}
