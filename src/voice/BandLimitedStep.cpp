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

// The kernel rows start on a 4-sample boundary of the buffer, a row per
// position of the step within those four samples: every step then reads and
// writes the buffer in the same aligned 4-sample blocks, so the processor
// can hand each block from one step's store straight to the next step's
// load. (Rows that start at the step's own sample make overlapping,
// misaligned blocks that stall on every step, at several times the cost.)
constexpr int kAlign = 4;
constexpr int kRowTaps = kStepTaps + kAlign;
constexpr int kRows = kAlign * kStepPhases + 1;

// Impulse responses, one row per position from the block's start (the last
// row is the next block's start, for interpolation); each row sums to
// exactly 1 so the integral of a step settles at the step's full height.
struct StepKernel {
  alignas(16) float Row[kRows][kRowTaps];

  StepKernel() {
    constexpr double half = kStepTaps / 2.0;
    for (int p = 0; p < kRows; ++p) {
      double shift = static_cast<double>(p) / kStepPhases;
      double taps[kRowTaps];
      double sum = 0;
      for (int k = 0; k < kRowTaps; ++k) {
        double t = k - (half - 1) - shift;
        double x = 2 * kCutoff * t;
        double sinc = t == 0 ? 1 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
        double r = t / half;
        double window = r * r >= 1 ? 0 : BesselI0(kKaiserBeta * std::sqrt(1 - r * r)) / BesselI0(kKaiserBeta);
        taps[k] = sinc * window;
        sum += taps[k];
      }
      for (int k = 0; k < kRowTaps; ++k) Row[p][k] = static_cast<float>(taps[k] / sum);
    }
  }
};

// Built once at start-up, before any voice runs.
const StepKernel kKernel;

// The hot loop of the voice. Restrict says the buffer and the kernel never
// overlap, which lets the compiler run the taps several at a time.
void AddTaps(float* __restrict out, const float* __restrict a, const float* __restrict c, float low,
             float high) {
  for (int k = 0; k < kRowTaps; ++k) out[k] += low * a[k] + high * c[k];
}

void AddTaps(float* __restrict out, const float* __restrict row, float delta) {
  for (int k = 0; k < kRowTaps; ++k) out[k] += delta * row[k];
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
  uint32_t whole = std::min(static_cast<uint32_t>(pos), kStepRing - 1);
  uint32_t block = whole & ~static_cast<uint32_t>(kAlign - 1);
  double phase = (pos - block) * kStepPhases;
  int row = std::min(static_cast<int>(phase), kRows - 2);
  // Linear interpolation between the two nearest phases, folded into two
  // weights so the loop below is one multiply-add per tap and row.
  float high = delta * static_cast<float>(phase - row), low = delta - high;
  AddTaps(b.Pending + block, kKernel.Row[row], kKernel.Row[row + 1], low, high);
}

void StepAddNearest(BandLimitedBuffer& b, uint32_t cycle, float delta) {
  b.Level += delta;
  double pos = b.Origin + cycle * b.SamplesPerCycle;
  uint32_t whole = std::min(static_cast<uint32_t>(pos), kStepRing - 1);
  uint32_t block = whole & ~static_cast<uint32_t>(kAlign - 1);
  int row = static_cast<int>((pos - block) * kStepPhases + 0.5);
  AddTaps(b.Pending + block, kKernel.Row[row], delta);
}

namespace {

// Integrates the first `count` samples into `out` and moves what is still
// pending to the front. Only valid when no change placed so far reaches
// beyond sample count + kStepTaps.
void Finish(BandLimitedBuffer& b, uint32_t count, double* out) {
  for (uint32_t i = 0; i < count; ++i) {
    b.Integral += b.Pending[i];
    out[i] = b.Integral;
  }
  std::memmove(b.Pending, b.Pending + count, kStepTaps * sizeof(float));
  std::fill(b.Pending + kStepTaps, b.Pending + kStepTaps + count, 0.0f);
  // Float kernels sum to 1 only to rounding; over an hour the integral would
  // wander from the level. Whatever is still pending plus the integral must
  // equal the level, so the difference is folded back every time.
  double pending = 0;
  for (int k = 0; k < kStepTaps; ++k) pending += b.Pending[k];
  b.Integral = b.Level - pending;
}

}  // namespace

uint32_t StepFinishBefore(BandLimitedBuffer& b, uint32_t cycle, double* out) {
  double at = b.Origin + cycle * b.SamplesPerCycle;
  uint32_t count = std::min(static_cast<uint32_t>(std::max(at, 0.0)), kStepRing);
  Finish(b, count, out);
  b.Origin -= count;
  return count;
}

uint32_t StepCyclesThatFit(const BandLimitedBuffer& b) {
  // One sample short of the ring, so a change at the last cycle still has
  // its whole kernel inside the buffer.
  double cycles = (kStepRing - 1 - b.Origin) / b.SamplesPerCycle;
  return cycles >= 4e9 ? 4000000000u : static_cast<uint32_t>(cycles);
}

uint32_t StepEndFrame(BandLimitedBuffer& b, uint32_t frameCycles, double samplesPerCycle, double* out) {
  double end = b.Origin + frameCycles * b.SamplesPerCycle;
  uint32_t count = std::min(static_cast<uint32_t>(std::max(end, 0.0)), kStepRing);
  // What the frame's last changes left beyond its samples moves to the front.
  Finish(b, count, out);
  b.Origin = end - count;
  b.SamplesPerCycle = samplesPerCycle;
  return count;
}
