// The console's voice: its sound chip synthesised as the hardware behaves.
// It owns the five channels, the frame sequencer, the band-limited step
// buffer, the mixer's output filters and the finished samples waiting to be
// taken, all in one trivially copyable struct, so a snapshot of the console
// copies the voice as bytes and a restore continues it sample for sample.
//
// Two ways to drive it. An engine that only records its sound register
// writes hands over a frame's writes, stamped with their cycle, and the
// frame's length (VoiceRunFrame); the voice replays them and the program sees
// nothing of it. An engine that runs the chip as the processor's own uses the
// step calls: write at a cycle, run to a cycle, read $4015, the interrupt
// line, and the sample fetches as they happen (VoiceMemory::Fetched).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

#include "core/ApuWrite.h"
#include "voice/BandLimitedStep.h"
#include "voice/FrameSequencer.h"
#include "voice/NoiseChannel.h"
#include "voice/PulseChannel.h"
#include "voice/SampleChannel.h"
#include "voice/TriangleChannel.h"
#include "voice/VoiceMixer.h"

struct Machine;

// The longest frame the voice takes in one piece; cycles beyond it are
// treated as its end (the engines' frames are 29,768 and 29,781 cycles).
// With the output rate at most 48 kHz this bounds a frame's samples, and so
// the buffers every snapshot carries.
inline constexpr uint32_t kVoiceMaxFrameCycles = 32768;
inline constexpr uint32_t kVoiceMaxOutputRate = 48000;

struct ConsoleVoice {
  PulseChannel Pulse[2];
  TriangleChannel Triangle;
  NoiseChannel Noise;
  SampleChannel Sample;
  FrameSequencer Frame;
  OutputFilters Filters;
  BandLimitedBuffer Steps;
  uint32_t Now = 0;           // the cycle of the current frame the chip has reached
  uint64_t CyclesBefore = 0;  // processor cycles of all earlier frames
  uint8_t Levels[5] = {};     // each channel's output as the mixer takes it
  uint8_t Muted = 0;          // channels the player switched off (bit n: channel n), mixed as silent
  float Mixed = 0;            // the mixer's level as last placed in the step buffer
  uint32_t OutputRate = 48000;
  double Ratio = 1.0;             // output samples per nominal sample, steered by the caller
  double PaceTrim = 0;            // the caller's slow share of that steering, kept between frames
  int16_t Ready[kStepRing] = {};  // finished samples not yet taken: a frame's and some
  uint32_t ReadyCount = 0;
  uint64_t Dropped = 0;  // samples lost because nobody took them
  // The chip only answers the processor (its sound is made elsewhere): the
  // tone channels' timers are not followed and no samples are made, only
  // the frame sequencer, the length counters and the sample reader run.
  bool Unheard = false;
};
static_assert(std::is_trivially_copyable_v<ConsoleVoice>);
// Rewind keeps a snapshot every few frames, and the voice is part of each.
static_assert(sizeof(ConsoleVoice) <= 8192);
static_assert(kVoiceMaxFrameCycles * (kVoiceMaxOutputRate * 1.02 / kNtscCpuHz) + 2 <= kStepRing);

// Whether a chip read back from a snapshot is one the voice can run: every
// field that indexes a table, a sequence or a buffer in range, every level
// a number, every timer a step ahead. Bytes from a damaged or foreign file
// that fail it are not run.
bool VoicePlausible(const ConsoleVoice& v);

// Power-on state with output at `outputRate` Hz (8,000-48,000).
void VoiceInit(ConsoleVoice& v, uint32_t outputRate = 48000);
// Makes the voice Unheard from now on.
void VoiceSetUnheard(ConsoleVoice& v);
// Switches channels off (bit n set: channel n, in the order pulse 1, pulse 2,
// triangle, noise, sample) from now on; they keep running, unheard.
void VoiceSetMuted(ConsoleVoice& v, uint8_t muted);
// Stretches the output by `ratio` (0.98-1.02) from the next frame on: above
// 1 the voice makes more samples per frame, so a caller whose audio buffer
// runs low raises it a fraction of a percent and lowers it when it fills.
void VoiceSetRatio(ConsoleVoice& v, double ratio);

// --- Step calls (cycles count from the start of the current frame) -----------
void VoiceRunTo(ConsoleVoice& v, uint32_t cycle, const VoiceMemory& memory);
// A write to $4000-$4013, $4015 or $4017; other addresses are ignored.
void VoiceWrite(ConsoleVoice& v, uint32_t cycle, uint16_t address, uint8_t value, const VoiceMemory& memory);
// $4015 as the processor reads it: length counters running (bits 0-3),
// sample bytes remaining (4), frame interrupt (6), sample interrupt (7).
// The read clears the frame interrupt.
uint8_t VoiceReadStatus(ConsoleVoice& v, uint32_t cycle, const VoiceMemory& memory);
// The chip's interrupt request to the processor.
bool VoiceIrqLine(const ConsoleVoice& v);
// The next cycle at or after the chip's current one at which something the
// processor can see may change on its own: a frame sequencer step (the
// frame interrupt, the length counters) or the sample reader asking for a
// byte. Until then the chip may be left behind.
uint32_t VoiceNextDue(const ConsoleVoice& v);
// A deferred sample fetch's byte, handed over at `cycle` (the DMA's read).
void VoiceSampleArrived(ConsoleVoice& v, uint32_t cycle, uint8_t value, const VoiceMemory& memory);
// The reset button at `cycle`: the channels fall silent as $4015 = 0 makes
// them, the frame interrupt is cleared and the sequencer starts over in the
// mode last written, as if that value were written to $4017 again.
void VoiceReset(ConsoleVoice& v, uint32_t cycle, const VoiceMemory& memory);
// Runs to the frame's end, finishes its samples and starts the next frame.
void VoiceEndFrame(ConsoleVoice& v, uint32_t frameCycles, const VoiceMemory& memory);

// --- Frame calls ---------------------------------------------------------------
// Replays one frame's writes at their cycles (in order; a write stamped
// before an earlier one takes effect at the earlier one's cycle) and ends
// the frame after `frameCycles`.
void VoiceRunFrame(ConsoleVoice& v, std::span<const ApuWrite> writes, uint32_t frameCycles,
                   const VoiceMemory& memory);
// Moves up to `max` finished samples (mono, 16 bit) to `out`; the count.
size_t VoiceTakeSamples(ConsoleVoice& v, int16_t* out, size_t max);

// Sample bytes read from the Machine's bank tables ($8000-$FFFF), without
// side effects; an empty window reads 0. The Machine must outlive its use.
VoiceMemory VoiceMemoryOf(const Machine& m);
