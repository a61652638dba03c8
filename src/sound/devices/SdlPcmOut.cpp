// Live PCM output through SDL2's own queue (SDL_QueueAudio): the voice adds
// each frame's samples and reads back how much is still waiting, which is all
// its pacing needs.
#include "sound/devices/SdlPcmOut.h"

#include <SDL.h>

namespace {
// The device's own buffer, in samples: about 5 ms at 48 kHz, small against
// the 40 ms the voice keeps queued, so the queue's fill is what is heard next.
constexpr uint16_t kDeviceSamples = 256;
}  // namespace

SdlPcmOut::~SdlPcmOut() { Close(); }

bool SdlPcmOut::Open(int rate) {
  if (device_ != 0 || rate <= 0) return false;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  audioStarted_ = true;
  SDL_AudioSpec want{};
  want.freq = rate;
  want.format = AUDIO_S16SYS;
  want.channels = 1;
  want.samples = kDeviceSamples;
  want.callback = nullptr;  // queued, not pulled
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

void SdlPcmOut::Queue(const int16_t* samples, size_t count) {
  if (device_ == 0 || count == 0) return;
  // A refused queue (device lost) drops the frame: the voice carries on.
  SDL_QueueAudio(device_, samples, static_cast<uint32_t>(count * sizeof(int16_t)));
}

size_t SdlPcmOut::Queued() const {
  if (device_ == 0) return 0;
  return SDL_GetQueuedAudioSize(device_) / sizeof(int16_t);
}

void SdlPcmOut::Close() {
  if (device_ != 0) {
    SDL_ClearQueuedAudio(device_);
    SDL_CloseAudioDevice(device_);
  }
  device_ = 0;
  if (audioStarted_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  audioStarted_ = false;
}
