#include "voice/VoiceSignal.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <numeric>

void VoiceRender::Run(const std::vector<ApuWrite>& writes, int frames) {
  for (int f = 0; f < frames; ++f) {
    if (f == 0)
      VoiceRunFrame(Voice, writes, kTestFrameCycles, Memory);
    else
      VoiceRunFrame(Voice, {}, kTestFrameCycles, Memory);
    int16_t buffer[kStepRing];
    size_t n = VoiceTakeSamples(Voice, buffer, kStepRing);
    Out.insert(Out.end(), buffer, buffer + n);
  }
}

std::vector<double> VoiceRender::Tail(size_t from) const {
  return std::vector<double>(Out.begin() + static_cast<std::ptrdiff_t>(std::min(from, Out.size())),
                             Out.end());
}

double CrossingFrequency(const std::vector<double>& s, int rate) {
  auto [low, high] = std::minmax_element(s.begin(), s.end());
  const double arm = *low / 2, fire = *high / 2;
  double first = 0, last = 0;
  int count = 0;
  bool armed = false;
  for (size_t i = 1; i < s.size(); ++i) {
    if (s[i] < arm) armed = true;
    if (armed && s[i - 1] < fire && s[i] >= fire) {
      double at = (i - 1) + (fire - s[i - 1]) / (s[i] - s[i - 1]);
      if (count++ == 0) first = at;
      last = at;
      armed = false;
    }
  }
  return count < 2 ? 0 : (count - 1) * rate / (last - first);
}

double DutyFromLevels(std::vector<double> s) {
  if (s.empty()) return 0;
  double mean = std::accumulate(s.begin(), s.end(), 0.0) / s.size();
  auto [low, high] = std::minmax_element(s.begin(), s.end());
  const double middle = (*low + *high) / 2;
  auto split = std::partition(s.begin(), s.end(), [&](double x) { return x < middle; });
  auto median = [](auto first, auto last) {
    auto at = first + (last - first) / 2;
    std::nth_element(first, at, last);
    return *at;
  };
  double lowLevel = median(s.begin(), split), highLevel = median(split, s.end());
  return (mean - lowLevel) / (highLevel - lowLevel);
}

double RootMeanSquare(const std::vector<double>& s) {
  double sum = 0;
  for (double x : s) sum += x * x;
  return s.empty() ? 0 : std::sqrt(sum / s.size());
}

std::vector<double> PowerSpectrum(const std::vector<double>& s) {
  size_t n = 1;
  while (n * 2 <= s.size()) n *= 2;
  std::vector<std::complex<double>> a(n);
  for (size_t i = 0; i < n; ++i)
    a[i] = s[i] * (0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) / n));
  // Iterative radix-2 transform.
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    std::complex<double> step = std::polar(1.0, -2 * std::numbers::pi / static_cast<double>(len));
    for (size_t i = 0; i < n; i += len) {
      std::complex<double> w(1);
      for (size_t k = 0; k < len / 2; ++k, w *= step) {
        std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
      }
    }
  }
  std::vector<double> power(n / 2 + 1);
  for (size_t k = 0; k <= n / 2; ++k) power[k] = std::norm(a[k]);
  return power;
}

double LimitedShare(const std::vector<double>& s) {
  if (s.empty()) return 0;
  const auto bent =
      std::count_if(s.begin(), s.end(), [](double x) { return std::abs(x) > kVoiceLimiterKnee; });
  return static_cast<double>(bent) / static_cast<double>(s.size());
}
