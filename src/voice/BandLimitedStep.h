// Band-limited step synthesis: each change of the mixed level is placed at
// its processor cycle as a windowed-sinc step, positioned to a fraction of an
// output sample, so square edges and sample jumps carry no energy above the
// output's band and high notes do not fold back as false tones. Changes are
// accumulated as impulses in a buffer and integrated when their samples are
// finished. All of it lives in one plain struct so a snapshot copies it.
#pragma once

#include <cstdint>

inline constexpr int kStepTaps = 24;    // kernel length in output samples
inline constexpr int kStepPhases = 64;  // sub-sample positions, interpolated between
// Output samples of the longest frame the voice takes (32,768 cycles at
// 48 kHz, stretched 2 %: 897) fit, with room to spare.
inline constexpr uint32_t kStepRing = 1024;

struct BandLimitedBuffer {
  // Impulses of the samples not yet finished, the next one first; a frame's
  // changes reach up to kStepTaps past its last sample.
  alignas(16) float Pending[kStepRing + kStepTaps] = {};
  double Origin = 0;  // position of the frame's cycle 0, in samples after the first pending
  double SamplesPerCycle = 0;
  double Integral = 0;  // the running sum: the band-limited signal
  double Level = 0;     // the level every change so far adds up to
};

// Starts empty with the signal resting at `level`.
void StepInit(BandLimitedBuffer& b, double samplesPerCycle, double level);
// A change of `delta` at `cycle` of the current frame.
void StepAdd(BandLimitedBuffer& b, uint32_t cycle, float delta);
// As StepAdd, at the nearest of the sub-sample positions (1/128 of a sample
// off at most) for half the work: for a source that changes several times
// a sample, where that timing error is far below what it puts in the band.
void StepAddNearest(BandLimitedBuffer& b, uint32_t cycle, float delta);
// A run of changes in time order from a source that changes several times
// within one output sample (the hiss at its fastest rates): what such a
// source puts in the band is its level averaged over each sample, so each
// change is shared between the two samples around it by where it falls,
// which is exactly that average, and the shares are summed per sample
// before they reach the buffer: a change costs a few additions instead of
// a kernel. The average's own aliases stay some 13 dB and more below the
// content near the band's edge: for broadband noise far above the band,
// inaudible. Finish() before anything else is placed.
struct AveragedRun {
  BandLimitedBuffer& Buffer;
  uint32_t Sample = UINT32_MAX;  // the sample the sums belong to
  float Early = 0, Late = 0;     // its share and the next sample's
  float Net = 0;                 // all the run's changes together

  void Add(uint32_t cycle, float delta) {
    double pos = Buffer.Origin + cycle * Buffer.SamplesPerCycle;
    uint32_t whole = static_cast<uint32_t>(pos);
    if (whole != Sample) {
      Finish();
      Sample = whole;
    }
    float late = delta * static_cast<float>(pos - whole);
    Early += delta - late;
    Late += late;
    Net += delta;
  }
  void Finish() {
    if (Sample != UINT32_MAX) {
      // The kernel's centre tap: where a change at a whole sample lands.
      float* at = Buffer.Pending + (Sample < kStepRing ? Sample : kStepRing) + (kStepTaps / 2 - 1);
      at[0] += Early;
      at[1] += Late;
    }
    Buffer.Level += Net;
    Sample = UINT32_MAX;
    Early = Late = Net = 0;
  }
};

// The samples that no change at `cycle` or later can reach are finished
// into `out` (room for kStepRing) and leave the buffer; the frame's cycles
// keep their positions. This lets a frame longer than the buffer holds be
// taken in pieces. Returns the count.
uint32_t StepFinishBefore(BandLimitedBuffer& b, uint32_t cycle, double* out);
// The last cycle of the current frame whose change still fits the buffer.
uint32_t StepCyclesThatFit(const BandLimitedBuffer& b);
// The frame ends after `frameCycles`: the samples no later change can reach
// are finished into `out` (room for kStepRing), and the frame's cycle 0 moves
// to its end. `samplesPerCycle` takes effect from the next frame. Returns
// the count.
uint32_t StepEndFrame(BandLimitedBuffer& b, uint32_t frameCycles, double samplesPerCycle, double* out);
