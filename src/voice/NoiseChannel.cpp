#include "voice/NoiseChannel.h"

// While the length counter holds the channel silent the register is left
// where it is: at the shortest period it would step 7,000 times a frame
// for nothing heard.
void NoiseSchedule(NoiseChannel& n, uint32_t now) {
  if (n.Length.Count == 0)
    n.NextClock = kNever;
  else if (n.NextClock == kNever)
    n.NextClock = now + kNoisePeriodTable[n.PeriodIndex];
}

void NoiseWrite(NoiseChannel& n, int reg, uint8_t value, uint32_t now) {
  switch (reg) {
    case 0: EnvelopeWrite(n.Env, n.Length, value); break;
    case 1: break;
    case 2:
      n.Short = (value & 0x80) != 0;
      n.PeriodIndex = value & 0x0F;
      break;
    default:
      LengthLoad(n.Length, value);
      n.Env.Start = true;
      break;
  }
  NoiseSchedule(n, now);
}

void NoiseClock(NoiseChannel& n, uint32_t now) {
  int tap = n.Short ? 6 : 1;
  uint16_t feedback = (n.Shift ^ (n.Shift >> tap)) & 1;
  n.Shift = static_cast<uint16_t>((n.Shift >> 1) | (feedback << 14));
  n.NextClock = kNever;
  NoiseSchedule(n, now);
}

void NoiseHalfFrame(NoiseChannel& n, uint32_t now) {
  LengthHalfFrame(n.Length);
  NoiseSchedule(n, now);
}
