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
  // The volume slider scales the voice as it scales the MIDI notes.
  const int32_t volume = std::clamp(m.SoundVolume, 0, 255);
  for (size_t i = 0; i < count; ++i) samples[i] = static_cast<int16_t>(samples[i] * volume / 255);
  if (PcmOut* out = Output(*m.Sound)) {
    // A queue that has run dry (the start, a pause, a dialog) is first
    // filled to its aim with silence: frames arrive in bursts of one
    // frame's samples, and without that cushion each would play out before
    // the next came, with a crackle at every late one.
    if (out->Queued() < kTargetQueued / 4) {
      const std::array<int16_t, kVoiceQueueTarget> silence{};
      out->Queue(silence.data(), silence.size() - out->Queued());
    }
    out->Queue(samples.data(), count);
    VoiceSetRatio(v, VoicePaceRatio(out->Queued()));
  }
}

void VoiceCloseOutput(SoundLayer& s) {
  if (s.pcm) s.pcm->Close();
  s.pcm.reset();
  s.pcmTried = false;
}
