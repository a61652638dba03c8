#include "support/AudioAnalysis.h"

#include <cmath>
#include <complex>
#include <fstream>
#include <iterator>
#include <numbers>

namespace {

// In-place iterative radix-2 FFT.
void Fft(std::vector<std::complex<double>>& a) {
  const size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    const double angle = -2 * std::numbers::pi / static_cast<double>(len);
    const std::complex<double> step(std::cos(angle), std::sin(angle));
    for (size_t i = 0; i < n; i += len) {
      std::complex<double> w(1);
      for (size_t k = 0; k < len / 2; ++k) {
        const std::complex<double> u = a[i + k];
        const std::complex<double> v = a[i + k + len / 2] * w;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
        w *= step;
      }
    }
  }
}

uint32_t Le(const std::string& bytes, size_t at, int size) {
  uint32_t v = 0;
  for (int i = size - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(bytes[at + i]);
  return v;
}

}  // namespace

std::vector<double> MonoStretch(const std::vector<int16_t>& stereo, size_t first, size_t count) {
  std::vector<double> mono;
  for (size_t i = first; i < first + count && 2 * i + 1 < stereo.size(); ++i) {
    mono.push_back((stereo[2 * i] + stereo[2 * i + 1]) / 2.0);
  }
  return mono;
}

double Rms(const std::vector<double>& mono) {
  if (mono.empty()) return 0;
  double sum = 0;
  for (double s : mono) sum += s * s;
  return std::sqrt(sum / static_cast<double>(mono.size()));
}

double ToneLevel(const std::vector<double>& mono, int rate, double hz) {
  if (mono.empty()) return 0;
  std::complex<double> sum = 0;
  const double step = 2 * std::numbers::pi * hz / rate;
  for (size_t i = 0; i < mono.size(); ++i) sum += mono[i] * std::polar(1.0, -step * static_cast<double>(i));
  // A sine of amplitude a correlates to a n / 2; its RMS is a / sqrt(2).
  return std::abs(sum) * std::numbers::sqrt2 / static_cast<double>(mono.size());
}

double DominantFrequency(const std::vector<double>& mono, int rate, double lowHz, double highHz) {
  size_t n = 1;
  while (n * 2 <= mono.size()) n *= 2;
  if (n < 256) return 0;
  std::vector<std::complex<double>> a(n);
  for (size_t i = 0; i < n; ++i) {
    const double hann = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) / (n - 1));
    a[i] = mono[i] * hann;
  }
  Fft(a);
  const double binHz = static_cast<double>(rate) / static_cast<double>(n);
  const size_t low = static_cast<size_t>(std::max(1.0, lowHz / binHz));
  const size_t high = std::min(n / 2 - 2, static_cast<size_t>(highHz / binHz));
  size_t best = low;
  for (size_t k = low; k <= high; ++k) {
    if (std::abs(a[k]) > std::abs(a[best])) best = k;
  }
  // Parabolic interpolation on the log magnitudes around the peak.
  const double l = std::log(std::abs(a[best - 1]) + 1e-9);
  const double c = std::log(std::abs(a[best]) + 1e-9);
  const double r = std::log(std::abs(a[best + 1]) + 1e-9);
  const double denominator = l - 2 * c + r;
  const double offset = denominator != 0 ? 0.5 * (l - r) / denominator : 0;
  return (static_cast<double>(best) + offset) * binHz;
}

double SemitonesBetween(double measured, double expected) { return 12 * std::log2(measured / expected); }

bool ReadWav16(const std::string& path, WavData* wav) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return false;
  bool haveFormat = false;
  for (size_t at = 12; at + 8 <= bytes.size();) {
    const std::string id = bytes.substr(at, 4);
    const size_t size = Le(bytes, at + 4, 4);
    const size_t body = at + 8;
    if (body + size > bytes.size()) return false;
    if (id == "fmt " && size >= 16) {
      if (Le(bytes, body, 2) != 1) return false;
      wav->channels = static_cast<int>(Le(bytes, body + 2, 2));
      wav->rate = static_cast<int>(Le(bytes, body + 4, 4));
      wav->bitsPerSample = static_cast<int>(Le(bytes, body + 14, 2));
      haveFormat = true;
    } else if (id == "data" && haveFormat && wav->bitsPerSample == 16) {
      wav->samples.resize(size / 2);
      for (size_t i = 0; i < size / 2; ++i)
        wav->samples[i] = static_cast<int16_t>(Le(bytes, body + 2 * i, 2));
      return true;
    }
    at = body + size + (size & 1);
  }
  return false;
}
