// The frames-per-second figure: interval between two measured presentations.
#include <gtest/gtest.h>

#include "video/FrameRateMeter.h"

TEST(FrameRateMeter, MeasuresTheIntervalSinceTheLastTick) {
  FrameRateMeter meter;
  EXPECT_EQ(MeasureFrameRate(meter, 1000), 0.0);  // no previous tick
  EXPECT_DOUBLE_EQ(MeasureFrameRate(meter, 1016), 62.5);
  EXPECT_EQ(MeasureFrameRate(meter, 1016), 0.0);  // no time has passed
  EXPECT_DOUBLE_EQ(MeasureFrameRate(meter, 1116), 10.0);
  // The tick count wraps after 49.7 days; the interval survives it.
  meter.LastTick = 0xFFFFFFF8u;
  EXPECT_DOUBLE_EQ(MeasureFrameRate(meter, 8), 62.5);
  EXPECT_EQ(meter.LastTick, 8u);
}
