// Test support for the console voice: rendering frames of register writes
// and measuring what comes out (frequency by zero crossings, a power
// spectrum, levels).
#pragma once

#include <cstdint>
#include <vector>

#include "voice/ConsoleVoice.h"

inline constexpr uint32_t kTestFrameCycles = 29780;

// A voice at 48 kHz and everything it has rendered.
struct VoiceRender {
  ConsoleVoice Voice;
  std::vector<int16_t> Out;
  VoiceMemory Memory;

  VoiceRender() { VoiceInit(Voice); }
  // One frame with `writes` (cycles within it) and `frames - 1` frames without.
  void Run(const std::vector<ApuWrite>& writes, int frames = 1);
  // The samples from `from` on.
  std::vector<double> Tail(size_t from) const;
};

// Frequency from the rising crossings of half the peak (interpolated between
// samples), armed only below half the trough: the output filters' undershoot
// and the steps' ringing cross zero too, but never those levels.
double CrossingFrequency(const std::vector<double>& s, int rate);
// A pulse's share of time high, from its levels: the mean's place between
// the typical low and high levels. Unlike counting samples it is not blurred
// by the band-limited edges, and the filters' droop barely moves it.
double DutyFromLevels(std::vector<double> s);
double RootMeanSquare(const std::vector<double>& s);
// The share of samples the output's limiter has bent (past its knee).
double LimitedShare(const std::vector<double>& s);
// Hann-windowed power spectrum of the first n samples, n the largest power
// of two that fits; bin k is k * rate / n Hz (the result has n / 2 + 1 bins).
std::vector<double> PowerSpectrum(const std::vector<double>& s);
