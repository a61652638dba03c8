#include "voice/PulseChannel.h"

#include <array>

namespace {

// Steps from each step of each duty to the next one whose bit differs.
constexpr std::array<std::array<uint8_t, 8>, 4> MakeStrides() {
  std::array<std::array<uint8_t, 8>, 4> t{};
  for (int duty = 0; duty < 4; ++duty)
    for (int step = 0; step < 8; ++step) {
      int k = 1;
      while (kDutyTable[duty][(step + k) & 7] == kDutyTable[duty][step]) ++k;
      t[duty][step] = static_cast<uint8_t>(k);
    }
  return t;
}
constexpr auto kStrides = MakeStrides();

// Below period 8 the channel is muted, so its timer is not followed: its
// steps would be thousands a frame and change nothing that is heard.
// `stride` is 1 when the timer's first step must come on its own (its
// period may have just changed).
void Schedule(PulseChannel& p, uint32_t now, bool stride) {
  if (p.Period < 8) {
    p.NextClock = kNever;
  } else if (p.NextClock == kNever) {
    p.StepCycles = static_cast<uint16_t>(2u * (p.Period + 1u));
    p.Stride = stride ? kStrides[p.Duty][p.Step] : 1;
    p.NextClock = now + p.Stride * p.StepCycles;
  }
}

}  // namespace

void PulseCatchUp(PulseChannel& p, uint32_t now) {
  if (p.NextClock == kNever || p.Stride == 1) return;
  // The cycle of the last step taken; steps fall every StepCycles after it,
  // and those at or before `now` are due.
  uint32_t last = p.NextClock - p.Stride * p.StepCycles;
  uint32_t due = (now - last) / p.StepCycles;
  p.Step = static_cast<uint8_t>((p.Step + due) & 7);
  p.NextClock = last + (due + 1) * p.StepCycles;
  p.Stride = 1;
}

void PulseWrite(PulseChannel& p, int reg, uint8_t value, uint32_t now) {
  PulseCatchUp(p, now);
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
  Schedule(p, now, false);
}

void PulseClock(PulseChannel& p, uint32_t now) {
  p.Step = static_cast<uint8_t>((p.Step + p.Stride) & 7);
  p.NextClock = kNever;
  Schedule(p, now, true);
}

void PulseHalfFrame(PulseChannel& p, uint32_t now) {
  PulseCatchUp(p, now);
  LengthHalfFrame(p.Length);
  PulseSweep& s = p.Sweep;
  if (s.Divider == 0 && s.Enabled && s.Shift > 0 && !PulseMuted(p)) {
    p.Period = static_cast<uint16_t>(PulseSweepTarget(p));
    Schedule(p, now, false);
  }
  if (s.Divider == 0 || s.Reload) {
    s.Divider = s.Period;
    s.Reload = false;
  } else {
    --s.Divider;
  }
}
