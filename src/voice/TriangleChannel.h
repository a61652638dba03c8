// The triangle channel: an 11-bit timer clocked by every processor cycle,
// stepping a 32-step sequence while both the linear counter (fine note
// length, quarter frames) and the length counter hold the channel open. The
// timer counts whether or not the sequence follows it, so a note starts on
// the timer's next expiry, not a whole period after the write that opens it.
#pragma once

#include <cstdint>

#include "voice/ChannelUnits.h"

struct TriangleChannel {
  bool Control = false;  // holds the linear counter reloading; also halts the length counter
  bool LinearReload = false;
  uint8_t LinearPeriod = 0;
  uint8_t Linear = 0;
  uint8_t Step = 0;
  uint16_t Period = 0;
  uint32_t NextClock = kNever;  // the timer's next expiry while the sequence follows it
  uint32_t TimerDue = 1;        // the timer's next expiry, kept up only when looked at
  LengthCounter Length;
};

// Brings the timer (and a sequence running too fast to follow) up to `now`;
// every call below does this first, before anything that could start,
// stop or retune the channel.
void TriangleCatchUp(TriangleChannel& t, uint32_t now);
// `reg` 0-3 for $4008-$400B ($4009 does nothing).
void TriangleWrite(TriangleChannel& t, int reg, uint8_t value, uint32_t now);
// Starts or stops following the timer after something changed whether it runs.
void TriangleSchedule(TriangleChannel& t, uint32_t now);
void TriangleClock(TriangleChannel& t, uint32_t now);
void TriangleQuarterFrame(TriangleChannel& t, uint32_t now);
void TriangleHalfFrame(TriangleChannel& t, uint32_t now);
// Periods 0 and 1 step the sequence at 56 kHz or faster. Games write them to
// silence the channel; the console's output stage smooths that into the
// sequence's mean level. Following the steps would only cost time for
// nothing heard, so the timer is not followed while the output sits there.
inline bool TriangleUltrasonic(const TriangleChannel& t) { return t.Period < 2; }
inline bool TriangleRunning(const TriangleChannel& t) { return t.Linear > 0 && t.Length.Count > 0; }

// In half levels, 0-30. A stopped triangle holds its last level (it is
// never forced to 0); a running ultrasonic one is heard as its mean, 7.5
// (15 half levels): one step there instead of a click each time a game
// parks the channel.
inline uint8_t TriangleOutput(const TriangleChannel& t) {
  if (TriangleUltrasonic(t) && TriangleRunning(t)) return 15;
  return static_cast<uint8_t>(2 * kTriangleTable[t.Step]);
}
