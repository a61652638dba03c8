// The wave back end: a worker thread that owns the channels while it runs and
// keeps the wave device fed with 8-bit PCM. The emulation thread only posts
// frequency and volume messages; the device posts a notice for each buffer it
// has played, and the worker refills that buffer and writes it again.
#include <algorithm>

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
void MixBuffer(int buffer, int rate) {
  for (int channel = 0; channel < 4; ++channel) {
    SoundChannelCache& c = gSound.channels[channel];
    if (c.frequency == 0 || c.volume == 0 || !(gSound.channelMask & (1u << channel))) continue;
    const uint32_t step = static_cast<uint32_t>((int64_t{c.frequency} * 65536) / rate);
    const int32_t amplitude = c.volume * kSquareAmplitudePerVolume;
    for (int32_t& sum : gSound.mixing) {
      sum += (c.phase & 0x8000) ? amplitude : -amplitude;
      c.phase += step;
    }
  }
  uint8_t* slot = gSound.waveBuffers[buffer].data();
  for (int i = 0; i < kWaveBufferSamples; ++i) {
    slot[i] = static_cast<uint8_t>((gSound.mixing[i] / kMixScale + 128) & 255);
    gSound.mixing[i] = 0;
  }
}

// Runs until the queue reports quit, or until a played buffer comes back
// after output was stopped. The device is only ever closed once this thread
// has ended, so it stays valid for every write made here.
void SoundThread(std::shared_ptr<SoundQueue> queue, int rate) {
  for (;;) {
    const SoundMessage msg = queue->Wait();
    const bool validChannel = msg.wParam >= 0 && msg.wParam < kSoundChannels;
    switch (msg.kind) {
      case SoundMsg::Quit: return;
      case SoundMsg::SetVolume:
        if (validChannel) gSound.channels[msg.wParam].volume = msg.lParam & 255;
        break;
      case SoundMsg::SetFrequency:
        if (validChannel) gSound.channels[msg.wParam].frequency = AcceptFrequency(msg.lParam, rate);
        break;
      case SoundMsg::DeviceClosed: break;
      case SoundMsg::BufferDone:
        if (gSound.mode < kWaveModeMin) return;
        if (msg.wParam < 0 || msg.wParam >= kWaveBuffers) break;
        MixBuffer(msg.wParam, rate);
        if (gSound.wave) {
          gSound.wave->Write(msg.wParam, gSound.waveBuffers[msg.wParam].data(), kWaveBufferSamples);
        }
        break;
    }
  }
}

}  // namespace

void OpenWaveBackEnd(int rate, int bufferCount) {
  gSound.mode = 0;
  const int buffers = std::clamp(bufferCount, 2, kWaveBuffers);  // the callers' 255 becomes 31
  gSound.queue = std::make_shared<SoundQueue>();
  gSound.worker = std::thread(SoundThread, gSound.queue, rate);

  // The held channel count starts at 0 and only a positive count is ever
  // replaced, so a device opened with it would have no channels and never
  // play: while it is 0 the stream opens with one channel.
  const int channels = gSound.waveChannels > 0 ? gSound.waveChannels : 1;
  if (gSound.factory.wave) gSound.wave = gSound.factory.wave();
  std::weak_ptr<SoundQueue> target = gSound.queue;
  const WaveNotify notify = [target](WaveNotice notice, int buffer) {
    if (auto queue = target.lock()) {
      queue->Post(notice == WaveNotice::BufferDone ? SoundMsg::BufferDone : SoundMsg::DeviceClosed, buffer);
    }
  };
  if (!gSound.wave || !gSound.wave->Open(rate, channels, notify)) {
    // No device: the worker still services the primed buffers, against nothing.
    gSound.wave.reset();
    gSound.queue->Post(SoundMsg::DeviceClosed);
  }
  gSound.mode = rate;
  // Prime the device: the worker fills and queues every buffer at once, and
  // from then on each played buffer comes back to be refilled.
  for (int j = 0; j < buffers; ++j) gSound.queue->Post(SoundMsg::BufferDone, j);
}
