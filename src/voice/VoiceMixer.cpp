#include "voice/VoiceMixer.h"

#include <numbers>

void FiltersInit(OutputFilters& f, double sampleRate, double restingLevel) {
  const double dt = 1.0 / sampleRate;
  const double cutoffs[3] = {90.0, 440.0, 14000.0};
  for (int i = 0; i < 3; ++i) {
    const double rc = 1.0 / (2.0 * std::numbers::pi * cutoffs[i]);
    FirstOrderFilter& s = f.Stage[i];
    s = FirstOrderFilter{};
    s.Coefficient = i < 2 ? rc / (rc + dt) : dt / (rc + dt);
  }
  f.Stage[0].PreviousIn = restingLevel;
}
