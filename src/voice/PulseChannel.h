// The two pulse channels: an 11-bit timer stepping an 8-step duty sequence,
// the envelope and length counter, and the sweep unit that slides the period
// and mutes the channel when the period or the sweep's target leaves range.
#pragma once

#include <cstdint>

#include "voice/ChannelUnits.h"

struct PulseSweep {
  bool Enabled = false;
  bool Negate = false;
  bool Reload = false;
  uint8_t Period = 0;
  uint8_t Shift = 0;
  uint8_t Divider = 0;
};

struct PulseChannel {
  bool Second = false;  // the second channel negates in two's complement, the first in ones'
  uint8_t Duty = 0;
  uint8_t Step = 0;
  uint16_t Period = 0;
  // The sequencer's steps that leave the duty bit as it is change nothing
  // heard, so the next clock is the next change: it advances Stride steps
  // at once, taken StepCycles apart. Steps up to a given cycle are caught
  // up before anything (a write, a sweep) can disturb the timer.
  uint8_t Stride = 1;
  uint16_t StepCycles = 0;
  uint32_t NextClock = kNever;  // cycle of the next sequencer step that changes the duty bit
  Envelope Env;
  LengthCounter Length;
  PulseSweep Sweep;
};

// Takes the steps due by `now` one by one, so the next clock is one step
// away as the timer alone would have it.
void PulseCatchUp(PulseChannel& p, uint32_t now);
// Register writes, `reg` 0-3 for $4000-$4003 (or $4004-$4007).
void PulseWrite(PulseChannel& p, int reg, uint8_t value, uint32_t now);
// The timer ran out at `now`: step the sequence and schedule the next step.
void PulseClock(PulseChannel& p, uint32_t now);
void PulseHalfFrame(PulseChannel& p, uint32_t now);
// Where the sweep would move the period. The first channel's adder takes
// the ones' complement when going down, one lower than the second's.
inline int PulseSweepTarget(const PulseChannel& p) {
  int change = p.Period >> p.Sweep.Shift;
  if (!p.Sweep.Negate) return p.Period + change;
  int target = p.Period - change - (p.Second ? 0 : 1);
  return target < 0 ? 0 : target;
}
// Muted by the sweep unit, enabled or not: period below 8 or a target beyond $7FF.
inline bool PulseMuted(const PulseChannel& p) { return p.Period < 8 || PulseSweepTarget(p) > 0x7FF; }
// 0-15.
inline uint8_t PulseOutput(const PulseChannel& p) {
  if (p.Length.Count == 0 || kDutyTable[p.Duty][p.Step] == 0 || PulseMuted(p)) return 0;
  return EnvelopeVolume(p.Env);
}
