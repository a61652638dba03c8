#include "voice/TriangleChannel.h"

void TriangleSchedule(TriangleChannel& t, uint32_t now) {
  if (!TriangleRunning(t) || TriangleUltrasonic(t))
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
