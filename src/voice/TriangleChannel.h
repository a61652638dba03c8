// The triangle channel: an 11-bit timer clocked by every processor cycle,
// stepping a 32-step sequence while both the linear counter (fine note
// length, quarter frames) and the length counter hold the channel open.
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
  uint32_t NextClock = kNever;
  LengthCounter Length;
};

// `reg` 0-3 for $4008-$400B ($4009 does nothing).
void TriangleWrite(TriangleChannel& t, int reg, uint8_t value, uint32_t now);
// Starts or stops following the timer after something changed whether it runs.
void TriangleSchedule(TriangleChannel& t, uint32_t now);
void TriangleClock(TriangleChannel& t, uint32_t now);
void TriangleQuarterFrame(TriangleChannel& t, uint32_t now);
void TriangleHalfFrame(TriangleChannel& t, uint32_t now);
// 0-15, or 7.5 while an ultrasonic period runs (see the .cpp).
float TriangleOutput(const TriangleChannel& t);
