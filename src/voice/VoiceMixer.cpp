#include "voice/VoiceMixer.h"

#include <array>
#include <numbers>

namespace {

// The pulse network depends only on the sum of the two pulses: 31 entries.
constexpr std::array<float, 31> MakePulseMix() {
  std::array<float, 31> t{};
  for (int n = 1; n < 31; ++n) t[n] = static_cast<float>(95.88 / (8128.0 / n + 100.0));
  return t;
}
constexpr std::array<float, 31> kPulseMix = MakePulseMix();

}  // namespace

float VoiceMix(uint8_t pulse1, uint8_t pulse2, float triangle, uint8_t noise, uint8_t sample) {
  float out = kPulseMix[pulse1 + pulse2];
  // The triangle, noise and sample channels share a second network; its
  // weights are the channels' resistor values.
  float tnd = triangle / 8227.0f + noise / 12241.0f + sample / 22638.0f;
  if (tnd > 0) out += 159.79f / (1.0f / tnd + 100.0f);
  return out;
}

void FiltersInit(OutputFilters& f, double sampleRate, double restingLevel) {
  const double dt = 1.0 / sampleRate;
  const double cutoffs[3] = {90.0, 440.0, 14000.0};
  for (int i = 0; i < 3; ++i) {
    const double rc = 1.0 / (2.0 * std::numbers::pi * cutoffs[i]);
    FirstOrderFilter& s = f.Stage[i];
    s = FirstOrderFilter{};
    s.HighPass = i < 2;
    s.Coefficient = s.HighPass ? rc / (rc + dt) : dt / (rc + dt);
  }
  f.Stage[0].PreviousIn = restingLevel;
}

double FiltersRun(OutputFilters& f, double in) {
  double x = in;
  for (FirstOrderFilter& s : f.Stage) {
    double y = s.HighPass ? s.Coefficient * (s.PreviousOut + x - s.PreviousIn)
                          : s.PreviousOut + s.Coefficient * (x - s.PreviousOut);
    s.PreviousIn = x;
    s.PreviousOut = y;
    x = y;
  }
  return x;
}
