// Live wave output. SDL pulls samples from its own thread; the queue of
// written buffers is shared with it under the device lock. A buffer is
// reported done as soon as its last byte has been handed to SDL, which is when
// the layer's worker may refill it.
#include "sound/devices/SdlWaveOut.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace {
constexpr uint8_t kSilence = 128;
}  // namespace

SdlWaveOut::~SdlWaveOut() {
  Reset();
  Shutdown();
}

void SdlWaveOut::AudioCallback(void* self, uint8_t* stream, int length) {
  auto* out = static_cast<SdlWaveOut*>(self);
  int filled = 0;
  while (filled < length && !out->queue_.empty()) {
    Queued& front = out->queue_.front();
    const size_t take = std::min<size_t>(length - filled, front.bytes.size() - front.played);
    std::memcpy(stream + filled, front.bytes.data() + front.played, take);
    front.played += take;
    filled += static_cast<int>(take);
    if (front.played == front.bytes.size()) {
      const int index = front.index;
      out->queue_.pop_front();
      out->notify_(WaveNotice::BufferDone, index);
    }
  }
  // Running dry (a slow worker) plays silence rather than old samples.
  std::memset(stream + filled, kSilence, length - filled);
}

bool SdlWaveOut::Open(int rate, int channels, WaveNotify notify) {
  if (device_ != 0 || rate <= 0 || channels <= 0) return false;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  audioStarted_ = true;
  notify_ = std::move(notify);
  SDL_AudioSpec want{};
  want.freq = rate;
  want.format = AUDIO_U8;
  want.channels = static_cast<uint8_t>(channels);
  want.samples = 256;  // about one buffer of the layer's at a time
  want.callback = &SdlWaveOut::AudioCallback;
  want.userdata = this;
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
  if (device_ == 0) {
    Shutdown();
    return false;
  }
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

bool SdlWaveOut::Write(int index, const uint8_t* data, int length) {
  if (device_ == 0 || length <= 0) return false;
  SDL_LockAudioDevice(device_);
  queue_.push_back({index, std::vector<uint8_t>(data, data + length)});
  SDL_UnlockAudioDevice(device_);
  return true;
}

void SdlWaveOut::Reset() {
  if (device_ == 0) return;
  std::deque<Queued> returned;
  SDL_LockAudioDevice(device_);
  returned.swap(queue_);
  SDL_UnlockAudioDevice(device_);
  for (const Queued& q : returned) notify_(WaveNotice::BufferDone, q.index);
}

bool SdlWaveOut::Close() {
  if (device_ != 0) {
    SDL_LockAudioDevice(device_);
    const bool playing = !queue_.empty();
    SDL_UnlockAudioDevice(device_);
    if (playing) return false;
  }
  const bool wasOpen = device_ != 0;
  Shutdown();
  if (wasOpen && notify_) notify_(WaveNotice::Closed, 0);
  notify_ = nullptr;
  return true;
}

void SdlWaveOut::Shutdown() {
  if (device_ != 0) SDL_CloseAudioDevice(device_);
  device_ = 0;
  if (audioStarted_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  audioStarted_ = false;
}
