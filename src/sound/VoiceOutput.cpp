#include "sound/VoiceOutput.h"

#include <algorithm>
#include <array>

#include "sound/Sound.h"
#include "sound/SoundLayerState.h"
#include "voice/ConsoleVoice.h"

namespace {

constexpr double kTargetQueued = kVoiceQueueTarget;
// How far the pace may move from the console's own: half a percent is far
// below what an ear hears as pitch, and far above any drift between the
// display's clock and the sound card's.
constexpr double kMostPaceChange = 0.005;
// What the trim gathers per frame for a queue off its aim by all of it. The
// quick share alone settles in about 480 frames; a gain this small lets the
// trim follow over half a minute, slowly enough that the two together do
// not overshoot, and a late frame's dip barely moves it.
constexpr double kTrimGain = 2e-6;
// A sound card's clock is within a few hundredths of a percent of its rate,
// and a display's within a tenth: the trim needs no more than this.
constexpr double kMostTrim = 0.003;

// The chip joins a run already going: it starts from the registers as the
// program last wrote them, as if written at the frame's first cycle.
void BringChipInStep(Machine& m, const VoiceMemory& memory) {
  ConsoleVoice& v = *m.Chip;
  VoiceInit(v, kVoiceRate);
  const auto write = [&](uint16_t address) { VoiceWrite(v, 0, address, m.IoRegs[address - 0x4000], memory); };
  // The sample channel's registers before the enables that start it, and
  // the enables before the tone registers, whose last byte loads a length
  // counter only in an enabled channel.
  for (uint16_t address = 0x4010; address <= 0x4013; ++address) write(address);
  write(0x4015);
  for (uint16_t address = 0x4000; address <= 0x400F; ++address) write(address);
  write(0x4017);
  m.ChipInStep = true;
}

PcmOut* Output(SoundLayer& s) {
  if (!s.pcm && !s.pcmTried) {
    s.pcmTried = true;
    if (s.factory.pcm) s.pcm = s.factory.pcm();
    if (s.pcm && !s.pcm->Open(kVoiceRate)) s.pcm.reset();
  }
  return s.pcm.get();
}

}  // namespace

double VoicePaceRatio(size_t queued) {
  const double shortfall = (kTargetQueued - static_cast<double>(queued)) / kTargetQueued;
  return 1.0 + std::clamp(shortfall * kMostPaceChange, -kMostPaceChange, kMostPaceChange);
}

VoicePace VoicePaceNext(size_t queued, double trim) {
  const double shortfall = (kTargetQueued - static_cast<double>(queued)) / kTargetQueued;
  const double gathered = std::clamp(trim + shortfall * kTrimGain, -kMostTrim, kMostTrim);
  const double ratio =
      std::clamp(VoicePaceRatio(queued) + gathered, 1 - kMostPaceChange, 1 + kMostPaceChange);
  return {ratio, gathered};
}

void VoiceApplyVolume(int16_t* samples, size_t count, int volume) {
  // The square of the setting: the law the synthesiser gives the MIDI
  // notes' channel volume (half the slider is 12 dB down in both).
  const int32_t clamped = std::clamp(volume, 0, 255);
  const int32_t squared = clamped * clamped;
  for (size_t i = 0; i < count; ++i) samples[i] = static_cast<int16_t>(samples[i] * squared / (255 * 255));
}

size_t VoiceCushion(size_t queued) { return queued == 0 ? kVoiceQueueTarget : 0; }

void VoiceDeliver(PcmOut& out, ConsoleVoice& v, int16_t* samples, size_t count) {
  // Frames arrive in bursts of one frame's samples: without a cushion each
  // would play out before the next came, with a gap at every late one. Only
  // a queue that has truly run dry gets it: one that is merely low still
  // plays, and the pace (below) fills it again without a gap.
  if (const size_t cushion = VoiceCushion(out.Queued()); cushion > 0) {
    const std::array<int16_t, kVoiceQueueTarget> silence{};
    out.Queue(silence.data(), cushion);
    const size_t ramp = std::min(count, kVoiceFadeIn);
    for (size_t i = 0; i < ramp; ++i)
      samples[i] =
          static_cast<int16_t>(samples[i] * static_cast<int32_t>(i) / static_cast<int32_t>(kVoiceFadeIn));
  }
  out.Queue(samples, count);
  const VoicePace pace = VoicePaceNext(out.Queued(), v.PaceTrim);
  v.PaceTrim = pace.trim;
  VoiceSetRatio(v, pace.ratio);
}

void VoiceFrameEnd(Machine& m, std::span<const ApuWrite> writes, uint32_t frameCycles) {
  if (m.Voice != SoundVoice::Console || !m.SoundOn) {
    // Out of step from here on: brought back from the registers when it is heard again.
    m.ChipInStep = false;
    return;
  }
  const VoiceMemory memory = VoiceMemoryOf(m);
  if (!m.ChipInStep) BringChipInStep(m, memory);
  ConsoleVoice& v = *m.Chip;
  // The channel switches silence the voice's channels as they do the notes.
  uint8_t muted = 0;
  for (int channel = 0; channel < 5; ++channel)
    if (!m.ChannelEnabled[channel]) muted |= static_cast<uint8_t>(1 << channel);
  VoiceSetMuted(v, muted);
  VoiceRunFrame(v, writes, frameCycles, memory);

  std::array<int16_t, kStepRing> samples;
  const size_t count = VoiceTakeSamples(v, samples.data(), samples.size());
  // A frame run but not heard (run ahead, rewound, fast-forwarded between
  // shown frames): the chip stays in step, its samples go nowhere.
  if (SoundHeld(*m.Sound)) return;
  VoiceApplyVolume(samples.data(), count, m.SoundVolume);
  if (PcmOut* out = Output(*m.Sound)) VoiceDeliver(*out, v, samples.data(), count);
}

void VoiceCloseOutput(SoundLayer& s) {
  if (s.pcm) s.pcm->Close();
  s.pcm.reset();
  s.pcmTried = false;
}
