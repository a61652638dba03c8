// The wave back end: a worker thread that owns the channels while it runs and
// keeps the wave device fed with 8-bit PCM. The emulation thread only posts
// frequency and volume messages; the device posts a notice for each buffer it
// has played, and the worker refills that buffer and writes it again.
#include <algorithm>
#include <functional>

#include "sound/SoundLayerState.h"

namespace {

// One channel at full volume adds +-255 * 32768 per sample; four of them at
// most 33.4 million, which the 1/262144 scale brings to the byte's +-127.
constexpr int32_t kSquareAmplitudePerVolume = 32768;
constexpr int32_t kMixScale = 262144;

// A frequency at or above half the rate cannot be sampled (it would come out
// as a false low tone), so the channel falls silent instead.
int32_t AcceptFrequency(int32_t hertz, int rate) { return hertz > 0 && hertz < rate / 2 ? hertz : 0; }

// Squares for channels 0-3: only a channel with a frequency, a non-zero
// volume and its bit in the mask is heard; a switched-off channel (volume 0)
// adds nothing. The phase persists from buffer to buffer.
void MixBuffer(SoundLayer& s, int buffer, int rate) {
  for (int channel = 0; channel < 4; ++channel) {
    SoundChannelCache& c = s.channels[channel];
    if (c.frequency == 0 || c.volume == 0 || !(s.channelMask & (1u << channel))) continue;
    const uint32_t step = static_cast<uint32_t>((int64_t{c.frequency} * 65536) / rate);
    const int32_t amplitude = c.volume * kSquareAmplitudePerVolume;
    for (int32_t& sum : s.mixing) {
      sum += (c.phase & 0x8000) ? amplitude : -amplitude;
      c.phase += step;
    }
  }
  uint8_t* slot = s.waveBuffers[buffer].data();
  for (int i = 0; i < kWaveBufferSamples; ++i) {
    slot[i] = static_cast<uint8_t>((s.mixing[i] / kMixScale + 128) & 255);
    s.mixing[i] = 0;
  }
}

// Runs until the queue reports quit, or until a played buffer comes back
// after output was stopped. The device is only ever closed once this thread
// has ended, so it stays valid for every write made here.
void SoundThread(SoundLayer& s, std::shared_ptr<SoundQueue> queue, int rate) {
  for (;;) {
    const SoundMessage msg = queue->Wait();
    const bool validChannel = msg.wParam >= 0 && msg.wParam < kSoundChannels;
    switch (msg.kind) {
      case SoundMsg::Quit: return;
      case SoundMsg::SetVolume:
        if (validChannel) s.channels[msg.wParam].volume = msg.lParam & 255;
        break;
      case SoundMsg::SetFrequency:
        if (validChannel) s.channels[msg.wParam].frequency = AcceptFrequency(msg.lParam, rate);
        break;
      case SoundMsg::DeviceClosed: break;
      case SoundMsg::BufferDone:
        if (s.mode < kWaveModeMin) return;
        if (msg.wParam < 0 || msg.wParam >= kWaveBuffers) break;
        MixBuffer(s, msg.wParam, rate);
        if (s.wave) {
          s.wave->Write(msg.wParam, s.waveBuffers[msg.wParam].data(), kWaveBufferSamples);
        }
        break;
    }
  }
}

}  // namespace

void OpenWaveBackEnd(SoundLayer& s, int rate, int bufferCount) {
  s.mode = 0;
  const int buffers = std::clamp(bufferCount, 2, kWaveBuffers);  // the callers' 255 becomes 31
  s.queue = std::make_shared<SoundQueue>();
  // The worker starts from the channels as they stand.
  s.posted = s.channels;
  s.worker = std::thread(SoundThread, std::ref(s), s.queue, rate);

  // The held channel count starts at 0 and only a positive count is ever
  // replaced, so a device opened with it would have no channels and never
  // play: while it is 0 the stream opens with one channel.
  const int channels = s.waveChannels > 0 ? s.waveChannels : 1;
  if (s.factory.wave) s.wave = s.factory.wave();
  std::weak_ptr<SoundQueue> target = s.queue;
  const WaveNotify notify = [target](WaveNotice notice, int buffer) {
    if (auto queue = target.lock()) {
      queue->Post(notice == WaveNotice::BufferDone ? SoundMsg::BufferDone : SoundMsg::DeviceClosed, buffer);
    }
  };
  if (!s.wave || !s.wave->Open(rate, channels, notify)) {
    // No device: the worker still services the primed buffers, against nothing.
    s.wave.reset();
    s.queue->Post(SoundMsg::DeviceClosed);
  }
  s.mode = rate;
  // Prime the device: the worker fills and queues every buffer at once, and
  // from then on each played buffer comes back to be refilled.
  for (int j = 0; j < buffers; ++j) s.queue->Post(SoundMsg::BufferDone, j);
}
