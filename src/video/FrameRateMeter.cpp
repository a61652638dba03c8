#include "video/FrameRateMeter.h"

double MeasureFrameRate(FrameRateMeter& meter, uint32_t now) {
  double fps = 0;
  // Unsigned difference, so a wrap of the tick count still gives the interval.
  if (meter.LastTick != 0 && meter.LastTick != now) fps = 1000.0 / double(uint32_t(now - meter.LastTick));
  meter.LastTick = now;
  return fps;
}
