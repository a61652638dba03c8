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

// The triangle, noise and sample channels share a second network whose
// output is close to a function of 3 t + 2 n + d (the weights of their
// resistors). Indexed in half steps so the triangle's mean level, 7.5, has
// an entry: 2 (3 t + 2 n + d) runs to 404.
constexpr std::array<float, 405> MakeTndMix() {
  std::array<float, 405> t{};
  for (int i = 1; i < 405; ++i) t[i] = static_cast<float>(163.67 / (24329.0 / (i / 2.0) + 100.0));
  return t;
}
inline constexpr std::array<float, 405> kTndMix = MakeTndMix();

// The mixed output of the five channel levels (pulses and noise 0-15, the
// triangle in half levels 0-30, the sample channel 0-127): 0 for silence
// and just under 1.0 with everything at most.
inline float VoiceMix(uint8_t pulse1, uint8_t pulse2, uint8_t triangleHalves, uint8_t noise, uint8_t sample) {
  return kPulseMix[pulse1 + pulse2] + kTndMix[3 * triangleHalves + 4 * noise + 2 * sample];
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
