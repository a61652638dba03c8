// Live PCM output through an SDL2 audio device whose callback takes its
// samples from our own queue: the voice adds each frame's samples and reads
// back how much is still waiting, which is all its pacing needs.
#include "sound/devices/SdlPcmOut.h"

#include <SDL.h>

#include <algorithm>

namespace {
// The device's own buffer, in samples: about 5 ms at 48 kHz, small against
// the 40 ms the voice keeps queued, so the queue's fill is what is heard next.
constexpr uint16_t kDeviceSamples = 256;
}  // namespace

PcmQueue::PcmQueue() : ring_(kCapacity) {}

void PcmQueue::Push(const int16_t* samples, size_t count) {
  std::lock_guard lock(mutex_);
  // Only the newest capacity's worth of a long batch can ever be heard.
  if (count > kCapacity) {
    samples += count - kCapacity;
    count = kCapacity;
  }
  const size_t overflow = count_ + count > kCapacity ? count_ + count - kCapacity : 0;
  head_ = (head_ + overflow) % kCapacity;
  count_ -= overflow;
  for (size_t i = 0; i < count; ++i) ring_[(head_ + count_ + i) % kCapacity] = samples[i];
  count_ += count;
}

size_t PcmQueue::Queued() const {
  std::lock_guard lock(mutex_);
  return count_;
}

size_t PcmQueue::Pull(int16_t* out, size_t count) {
  std::lock_guard lock(mutex_);
  const size_t real = std::min(count, count_);
  for (size_t i = 0; i < real; ++i) out[i] = ring_[(head_ + i) % kCapacity];
  head_ = (head_ + real) % kCapacity;
  count_ -= real;
  if (real > 0) {
    last_ = out[real - 1];
    fade_ = 0;
  }
  // Dry: the last level slides to zero in a straight line, then silence.
  for (size_t i = real; i < count; ++i) {
    if (fade_ < kFadeSamples) ++fade_;
    out[i] = static_cast<int16_t>(last_ * static_cast<int32_t>(kFadeSamples - fade_) /
                                  static_cast<int32_t>(kFadeSamples));
  }
  return real;
}

void PcmQueue::Clear() {
  std::lock_guard lock(mutex_);
  head_ = count_ = 0;
  last_ = 0;
  fade_ = 0;
}

SdlPcmOut::~SdlPcmOut() { Close(); }

bool SdlPcmOut::Open(int rate) {
  if (device_ != 0 || rate <= 0) return false;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  audioStarted_ = true;
  queue_.Clear();
  SDL_AudioSpec want{};
  want.freq = rate;
  want.format = AUDIO_S16SYS;
  want.channels = 1;
  want.samples = kDeviceSamples;
  want.callback = &SdlPcmOut::Feed;
  want.userdata = this;
  // The voice makes samples at `rate` exactly: SDL converts if the device
  // runs at another rate or format.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
  if (device_ == 0) {
    Close();
    return false;
  }
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

// On SDL's audio thread, as often as the device wants a buffer.
void SdlPcmOut::Feed(void* self, uint8_t* stream, int bytes) {
  auto* out = static_cast<SdlPcmOut*>(self);
  out->queue_.Pull(reinterpret_cast<int16_t*>(stream), static_cast<size_t>(bytes) / sizeof(int16_t));
}

void SdlPcmOut::Queue(const int16_t* samples, size_t count) {
  if (device_ == 0 || count == 0) return;
  queue_.Push(samples, count);
}

size_t SdlPcmOut::Queued() const {
  if (device_ == 0) return 0;
  return queue_.Queued();
}

void SdlPcmOut::Close() {
  // Closing waits for a callback under way, so the queue is ours again after it.
  if (device_ != 0) SDL_CloseAudioDevice(device_);
  device_ = 0;
  queue_.Clear();
  if (audioStarted_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  audioStarted_ = false;
}
