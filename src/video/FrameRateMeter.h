// The frames-per-second figure of the display: the time between two measured
// presentations, from a millisecond tick count.
#pragma once

#include <cstdint>

struct FrameRateMeter {
  // Tick of the previous measured presentation; 0 before the first. The meter
  // is only consulted while the figure is shown, so the first value after
  // switching it on is measured against an old tick.
  uint32_t LastTick = 0;
};

// 1000 / (now - last tick), or 0 when there is no previous tick or no time has
// passed; then remembers `now`.
double MeasureFrameRate(FrameRateMeter& meter, uint32_t now);
