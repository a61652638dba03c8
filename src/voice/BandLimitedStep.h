// Band-limited step synthesis: each change of the mixed level is placed at
// its processor cycle as a windowed-sinc step, positioned to a fraction of an
// output sample, so square edges and sample jumps carry no energy above the
// output's band and high notes do not fold back as false tones. Changes are
// accumulated as impulses in a buffer and integrated when their samples are
// finished. All of it lives in one plain struct so a snapshot copies it.
#pragma once

#include <cstdint>

inline constexpr int kStepTaps = 32;         // kernel length in output samples
inline constexpr int kStepPhases = 64;       // sub-sample positions, interpolated between
inline constexpr uint32_t kStepRing = 4096;  // samples of a frame of 65,536 cycles at 96 kHz fit

struct BandLimitedBuffer {
  // Impulses of the samples not yet finished, the next one first; a frame's
  // changes reach up to kStepTaps past its last sample.
  float Pending[kStepRing + kStepTaps] = {};
  double Origin = 0;  // position of the frame's cycle 0, in samples after the first pending
  double SamplesPerCycle = 0;
  double Integral = 0;  // the running sum: the band-limited signal
  double Level = 0;     // the level every change so far adds up to
};

// Starts empty with the signal resting at `level`.
void StepInit(BandLimitedBuffer& b, double samplesPerCycle, double level);
// A change of `delta` at `cycle` of the current frame.
void StepAdd(BandLimitedBuffer& b, uint32_t cycle, float delta);
// The frame ends after `frameCycles`: the samples no later change can reach
// are finished into `out` (room for kStepRing), and the frame's cycle 0 moves
// to its end. `samplesPerCycle` takes effect from the next frame. Returns
// the count.
uint32_t StepEndFrame(BandLimitedBuffer& b, uint32_t frameCycles, double samplesPerCycle, double* out);
