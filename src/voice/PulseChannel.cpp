#include "voice/PulseChannel.h"

namespace {

// Below period 8 the channel is muted, so its timer is not followed: its
// steps would be thousands a frame and change nothing that is heard.
void Schedule(PulseChannel& p, uint32_t now) {
  if (p.Period < 8)
    p.NextClock = kNever;
  else if (p.NextClock == kNever)
    p.NextClock = now + 2u * (p.Period + 1u);
}

}  // namespace

void PulseWrite(PulseChannel& p, int reg, uint8_t value, uint32_t now) {
  switch (reg) {
    case 0:
      p.Duty = value >> 6;
      EnvelopeWrite(p.Env, p.Length, value);
      break;
    case 1:
      p.Sweep.Enabled = (value & 0x80) != 0;
      p.Sweep.Period = (value >> 4) & 7;
      p.Sweep.Negate = (value & 0x08) != 0;
      p.Sweep.Shift = value & 7;
      p.Sweep.Reload = true;
      break;
    case 2: p.Period = static_cast<uint16_t>((p.Period & 0x700) | value); break;
    default:
      p.Period = static_cast<uint16_t>((p.Period & 0xFF) | ((value & 7) << 8));
      LengthLoad(p.Length, value);
      // A new note restarts the waveform and the envelope.
      p.Step = 0;
      p.Env.Start = true;
      break;
  }
  Schedule(p, now);
}

void PulseClock(PulseChannel& p, uint32_t now) {
  p.Step = (p.Step + 1) & 7;
  p.NextClock = kNever;
  Schedule(p, now);
}

void PulseHalfFrame(PulseChannel& p, uint32_t now) {
  LengthHalfFrame(p.Length);
  PulseSweep& s = p.Sweep;
  if (s.Divider == 0 && s.Enabled && s.Shift > 0 && !PulseMuted(p)) {
    p.Period = static_cast<uint16_t>(PulseSweepTarget(p));
    Schedule(p, now);
  }
  if (s.Divider == 0 || s.Reload) {
    s.Divider = s.Period;
    s.Reload = false;
  } else {
    --s.Divider;
  }
}
