// Test support: measuring rendered audio. The level (RMS) of a stretch of
// samples, its dominant frequency by a Hann-windowed FFT, and a WAV reader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Interleaved stereo 16-bit samples folded to mono doubles, frames [first, first + count).
std::vector<double> MonoStretch(const std::vector<int16_t>& stereo, size_t first, size_t count);

// Root mean square of the samples, in 16-bit units.
double Rms(const std::vector<double>& mono);

// The strongest frequency between `lowHz` and `highHz`: the FFT's peak bin
// refined by parabolic interpolation. The stretch is cut to a power of two.
double DominantFrequency(const std::vector<double>& mono, int rate, double lowHz = 40, double highHz = 6000);

// The level (RMS, 16-bit units) of the sine at `hz` in the samples: their
// correlation with it over the whole stretch, so a tone is measured apart
// from whatever else sounds with it.
double ToneLevel(const std::vector<double>& mono, int rate, double hz);

// Semitones from `expected` to `measured` (signed).
double SemitonesBetween(double measured, double expected);

struct WavData {
  int channels = 0;
  int rate = 0;
  int bitsPerSample = 0;
  std::vector<int16_t> samples;  // interleaved
};
// Reads a 16-bit PCM WAV file; false when it is not one.
bool ReadWav16(const std::string& path, WavData* wav);
