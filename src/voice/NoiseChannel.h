// The noise channel: a 15-bit shift register clocked from the period table,
// with feedback from bit 1 (long mode, 32767 steps) or bit 6 (short mode,
// a 93- or 31-step loop that sounds as a metallic tone), plus the envelope
// and length counter.
#pragma once

#include <cstdint>

#include "voice/ChannelUnits.h"

struct NoiseChannel {
  bool Short = false;
  uint8_t PeriodIndex = 0;
  uint16_t Shift = 1;  // never zero: the register starts at 1
  uint32_t NextClock = kNever;
  Envelope Env;
  LengthCounter Length;
};

// `reg` 0-3 for $400C-$400F ($400D does nothing).
void NoiseWrite(NoiseChannel& n, int reg, uint8_t value, uint32_t now);
// Starts or stops following the timer after something changed whether it is heard.
void NoiseSchedule(NoiseChannel& n, uint32_t now);
void NoiseClock(NoiseChannel& n, uint32_t now);
void NoiseHalfFrame(NoiseChannel& n, uint32_t now);
inline uint8_t NoiseOutput(const NoiseChannel& n) {
  if (n.Length.Count == 0 || (n.Shift & 1) != 0) return 0;
  return EnvelopeVolume(n.Env);
}
