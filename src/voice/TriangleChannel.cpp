#include "voice/TriangleChannel.h"

void TriangleCatchUp(TriangleChannel& t, uint32_t now) {
  if (t.TimerDue > now) return;
  const uint32_t stride = t.Period + 1u;
  const uint32_t expiries = (now - t.TimerDue) / stride + 1;
  t.TimerDue += expiries * stride;
  // Followed, the sequence took these steps as events; at periods 0 and 1 it
  // takes them unheard (its mean is heard), and where it stands when the
  // period is lowered into hearing again is where they left it.
  if (TriangleRunning(t) && t.NextClock == kNever) t.Step = static_cast<uint8_t>((t.Step + expiries) & 31);
  // An unheard chip follows no timer: its scheduled expiry moves on with it.
  if (t.NextClock != kNever) t.NextClock = t.TimerDue;
}

void TriangleSchedule(TriangleChannel& t, uint32_t now) {
  TriangleCatchUp(t, now);
  t.NextClock = TriangleRunning(t) && !TriangleUltrasonic(t) ? t.TimerDue : kNever;
}

void TriangleWrite(TriangleChannel& t, int reg, uint8_t value, uint32_t now) {
  TriangleCatchUp(t, now);
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
  t.TimerDue = now + t.Period + 1u;
  TriangleSchedule(t, now);
}

void TriangleQuarterFrame(TriangleChannel& t, uint32_t now) {
  TriangleCatchUp(t, now);
  if (t.LinearReload)
    t.Linear = t.LinearPeriod;
  else if (t.Linear > 0)
    --t.Linear;
  if (!t.Control) t.LinearReload = false;
  TriangleSchedule(t, now);
}

void TriangleHalfFrame(TriangleChannel& t, uint32_t now) {
  TriangleCatchUp(t, now);
  LengthHalfFrame(t.Length);
  TriangleSchedule(t, now);
}
