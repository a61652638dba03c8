// The console voice heard: at each frame's end the engine hands over the
// frame's sound register writes; while the console voice is the one chosen
// and sound is on, the chip (voice/) replays them and its samples go to the
// PCM device, which the fill of its queue paces. The MIDI music carries on
// beside it as always: recordings and MIDI ports keep their messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/ApuWrite.h"
#include "core/Machine.h"

// Output rate of the console voice.
constexpr int kVoiceRate = 48000;
// What the voice keeps queued on its device: enough to ride out a late
// frame, little enough that a key press is heard at once.
constexpr int kVoiceQueueTargetMs = 40;
constexpr size_t kVoiceQueueTarget = kVoiceRate * kVoiceQueueTargetMs / 1000;  // in samples

// Called by the engine once per frame, at its end.
void VoiceFrameEnd(Machine& m, std::span<const ApuWrite> writes, uint32_t frameCycles);
// The resampling ratio for a queue holding `queued` samples: a fraction of a
// percent above 1 while it runs low, below while it runs high.
double VoicePaceRatio(size_t queued);
// Closes the voice's device (SoundStop's share).
void VoiceCloseOutput(SoundLayer& s);
