// The console's mixer and output stage. The chip sums its channels through
// resistor networks, so the result is not linear: two pulses together are
// less than twice one, and a loud sample channel softens the triangle and
// noise. Behind the mixer the console's amplifier and the television's input
// form two high-pass filters (90 Hz, 440 Hz) and a low-pass (14 kHz), which
// give the familiar thin, DC-free sound.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

// The pulse network depends only on the sum of the two pulses: 31 entries.
constexpr std::array<float, 31> MakePulseMix() {
  std::array<float, 31> t{};
  for (int n = 1; n < 31; ++n) t[n] = static_cast<float>(95.88 / (8128.0 / n + 100.0));
  return t;
}
inline constexpr std::array<float, 31> kPulseMix = MakePulseMix();

// The triangle, noise and sample channels share a second network. Each
// drives it through its own resistor, so each level counts in proportion to
// that resistor's conductance (the triangle's a little under three times the
// sample channel's, the noise's a little under twice) before the network
// bends the sum. Rounding those weights to 3 and 2 would leave a tenth of
// the triangle standing where a program cancels it with the sample channel.
inline constexpr double kTriangleHalfWeight = 1.0 / (2 * 8227.0);
inline constexpr double kNoiseWeight = 1.0 / 12241.0;
inline constexpr double kSampleWeight = 1.0 / 22638.0;

inline float TndMix(uint8_t triangleHalves, uint8_t noise, uint8_t sample) {
  const double sum = triangleHalves * kTriangleHalfWeight + noise * kNoiseWeight + sample * kSampleWeight;
  // 159.79 / (1 / sum + 100), written so silence needs no special case.
  return static_cast<float>(159.79 * sum / (1.0 + 100.0 * sum));
}

// The mixed output of the five channel levels (pulses and noise 0-15, the
// triangle in half levels 0-30, the sample channel 0-127): 0 for silence
// and 1.0 with everything at most.
inline float VoiceMix(uint8_t pulse1, uint8_t pulse2, uint8_t triangleHalves, uint8_t noise, uint8_t sample) {
  return kPulseMix[pulse1 + pulse2] + TndMix(triangleHalves, noise, sample);
}

// Mixer level to 16-bit sample. Game music mostly keeps its channels well
// below their loudest, and at this gain it sounds about as loud as the MIDI
// voice at the same volume setting; the rare full-scale swing (every channel
// at its loudest, or a direct load jumping the sample channel across its
// range) goes past full scale and is bent by the limiter below, not clipped.
inline constexpr double kVoiceOutputGain = 144000.0;
// Where the limiter starts to bend: about 2 dB below full scale, so ordinary
// peaks pass untouched.
inline constexpr double kVoiceLimiterKnee = 26000.0;

// Linear up to the knee, then a tanh curve that meets it with the same
// slope and flattens toward full scale, which it never reaches: a loud peak
// is rounded off instead of cut flat with the harsh harmonics of clipping.
inline double VoiceSoftLimit(double y) {
  constexpr double room = 32767.0 - kVoiceLimiterKnee;
  const double size = std::abs(y);
  if (size <= kVoiceLimiterKnee) return y;
  const double bent = kVoiceLimiterKnee + room * std::tanh((size - kVoiceLimiterKnee) / room);
  return y < 0 ? -bent : bent;
}

// One first-order section.
struct FirstOrderFilter {
  double Coefficient = 0;
  double PreviousIn = 0;
  double PreviousOut = 0;
};

// The two high-passes, then the low-pass.
struct OutputFilters {
  FirstOrderFilter Stage[3];
};

// Coefficients for an output at `sampleRate` Hz; the history starts at rest
// with `restingLevel` at the input, so starting the voice makes no thump.
void FiltersInit(OutputFilters& f, double sampleRate, double restingLevel);

// Runs once per output sample, so it is inline and without branches.
inline double FiltersRun(OutputFilters& f, double in) {
  double x = in;
  for (int i = 0; i < 2; ++i) {
    FirstOrderFilter& s = f.Stage[i];
    double y = s.Coefficient * (s.PreviousOut + x - s.PreviousIn);
    s.PreviousIn = x;
    s.PreviousOut = y;
    x = y;
  }
  FirstOrderFilter& s = f.Stage[2];
  s.PreviousIn = x;
  s.PreviousOut += s.Coefficient * (x - s.PreviousOut);
  return s.PreviousOut;
}
