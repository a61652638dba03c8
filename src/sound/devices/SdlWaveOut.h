// The live wave output: 8-bit unsigned PCM buffers played in order through
// SDL2 audio, each handed back through the notify function once played.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "sound/SoundDevices.h"

class SdlWaveOut final : public WaveOut {
 public:
  ~SdlWaveOut() override;

  bool Open(int rate, int channels, WaveNotify notify) override;
  bool Write(int index, const uint8_t* data, int length) override;
  void Reset() override;
  bool Close() override;

 private:
  struct Queued {
    int index;
    std::vector<uint8_t> bytes;
    size_t played = 0;
  };

  static void AudioCallback(void* self, uint8_t* stream, int length);
  void Shutdown();

  uint32_t device_ = 0;  // SDL audio device id, 0 while closed
  bool audioStarted_ = false;
  WaveNotify notify_;
  std::deque<Queued> queue_;  // guarded by the SDL device lock
};
