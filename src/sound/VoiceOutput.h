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
#include "sound/SoundDevices.h"

struct ConsoleVoice;

// Output rate of the console voice.
constexpr int kVoiceRate = 48000;
// What the voice keeps queued on its device: enough to ride out a late
// frame, little enough that a key press is heard at once.
constexpr int kVoiceQueueTargetMs = 40;
constexpr size_t kVoiceQueueTarget = kVoiceRate * kVoiceQueueTargetMs / 1000;  // in samples

// Called by the engine once per frame, at its end.
void VoiceFrameEnd(Machine& m, std::span<const ApuWrite> writes, uint32_t frameCycles);
// The quick share of the resampling ratio for a queue holding `queued`
// samples: a fraction of a percent above 1 while it runs low, below while it
// runs high.
double VoicePaceRatio(size_t queued);
// The whole pace for the next frame: the quick share and a slow trim that
// gathers while the queue stays off its aim. The quick share alone would
// hold a device whose clock runs off the display's by a tenth of a percent
// a third of the way below its aim, a few milliseconds from running dry;
// the trim takes over that steady difference and brings the queue back.
struct VoicePace {
  double ratio;
  double trim;  // handed back with the next frame's call
};
VoicePace VoicePaceNext(size_t queued, double trim);
// Scales samples by the volume setting (0-255) as the MIDI voice's notes are
// scaled, so the two voices stay matched at every setting.
void VoiceApplyVolume(int16_t* samples, size_t count, int volume);
// The silence put before a frame's samples on a device whose queue holds
// `queued`: the whole aim once it has run dry (the start, after a pause),
// none while it still plays, where any would be a gap in the music.
size_t VoiceCushion(size_t queued);
// Samples of the fade-in that follows a cushion: the frame after a pause
// rises from silence instead of jumping to its level.
constexpr size_t kVoiceFadeIn = kVoiceRate * 5 / 1000;
// One frame's hand-over to the device, the whole pacing decision: the
// cushion (and fade-in) a dry queue needs, the samples, and the ratio the
// chip makes its next frame at. `samples` may be changed by the fade-in.
void VoiceDeliver(PcmOut& out, ConsoleVoice& v, int16_t* samples, size_t count);
// Closes the voice's device (SoundStop's share).
void VoiceCloseOutput(SoundLayer& s);
