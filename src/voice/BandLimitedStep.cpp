#include "voice/BandLimitedStep.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

// Cut-off of the kernel as a share of the output rate: 21 kHz at 48 kHz,
// with the Kaiser window's transition ending just above half the rate, so
// whatever would fold back into the audible band is some 80 dB down.
constexpr double kCutoff = 0.44;
constexpr double kKaiserBeta = 8.0;

double BesselI0(double x) {
  double sum = 1, term = 1;
  for (int k = 1; k < 40; ++k) {
    term *= (x / (2 * k)) * (x / (2 * k));
    sum += term;
  }
  return sum;
}

// Impulse responses, one row per sub-sample phase (the last row is phase 1,
// for interpolation); each row sums to exactly 1 so the integral of a step
// settles at the step's full height.
struct StepKernel {
  float Row[kStepPhases + 1][kStepTaps];

  StepKernel() {
    constexpr double half = kStepTaps / 2.0;
    for (int p = 0; p <= kStepPhases; ++p) {
      double phase = static_cast<double>(p) / kStepPhases;
      double taps[kStepTaps];
      double sum = 0;
      for (int k = 0; k < kStepTaps; ++k) {
        double t = k - (half - 1) - phase;
        double x = 2 * kCutoff * t;
        double sinc = t == 0 ? 1 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
        double r = t / half;
        double window = r * r >= 1 ? 0 : BesselI0(kKaiserBeta * std::sqrt(1 - r * r)) / BesselI0(kKaiserBeta);
        taps[k] = sinc * window;
        sum += taps[k];
      }
      for (int k = 0; k < kStepTaps; ++k) Row[p][k] = static_cast<float>(taps[k] / sum);
    }
  }
};

// Built once at start-up, before any voice runs.
const StepKernel kKernel;

// The hot loop of the voice. Restrict says the buffer and the kernel never
// overlap, which lets the compiler run the taps several at a time.
void AddTaps(float* __restrict out, const float* __restrict a, const float* __restrict c, float low,
             float high) {
  for (int k = 0; k < kStepTaps; ++k) out[k] += low * a[k] + high * c[k];
}

}  // namespace

void StepInit(BandLimitedBuffer& b, double samplesPerCycle, double level) {
  b = BandLimitedBuffer{};
  b.SamplesPerCycle = samplesPerCycle;
  b.Integral = b.Level = level;
}

void StepAdd(BandLimitedBuffer& b, uint32_t cycle, float delta) {
  b.Level += delta;
  double pos = b.Origin + cycle * b.SamplesPerCycle;
  double whole = std::floor(pos);
  double phase = (pos - whole) * kStepPhases;
  int row = std::min(static_cast<int>(phase), kStepPhases - 1);
  // Linear interpolation between the two nearest phases, folded into two
  // weights so the loop below is one multiply-add per tap.
  float high = delta * static_cast<float>(phase - row), low = delta - high;
  AddTaps(b.Pending + std::min(static_cast<uint32_t>(whole), kStepRing), kKernel.Row[row],
          kKernel.Row[row + 1], low, high);
}

uint32_t StepEndFrame(BandLimitedBuffer& b, uint32_t frameCycles, double samplesPerCycle, double* out) {
  double end = b.Origin + frameCycles * b.SamplesPerCycle;
  uint32_t count = std::min(static_cast<uint32_t>(end), kStepRing);
  for (uint32_t i = 0; i < count; ++i) {
    b.Integral += b.Pending[i];
    out[i] = b.Integral;
  }
  // What the frame's last changes left beyond its samples moves to the front.
  std::memmove(b.Pending, b.Pending + count, kStepTaps * sizeof(float));
  std::fill(b.Pending + kStepTaps, b.Pending + kStepTaps + count, 0.0f);
  b.Origin = end - count;
  b.SamplesPerCycle = samplesPerCycle;
  // Float kernels sum to 1 only to rounding; over an hour the integral would
  // wander from the level. Whatever is still pending plus the integral must
  // equal the level, so the difference is folded back every frame.
  double pending = 0;
  for (int k = 0; k < kStepTaps; ++k) pending += b.Pending[k];
  b.Integral = b.Level - pending;
  return count;
}
