// The live output of the console voice: 16-bit mono samples queued on an
// SDL2 audio device and played at the device's own pace. SDL keeps the queue;
// no thread of ours feeds it, so a paused emulation simply lets it run dry
// into silence.
#pragma once

#include <cstdint>

#include "sound/SoundDevices.h"

class SdlPcmOut final : public PcmOut {
 public:
  ~SdlPcmOut() override;

  // False when there is no audio device; the voice then plays to nothing.
  bool Open(int rate) override;
  void Queue(const int16_t* samples, size_t count) override;
  size_t Queued() const override;
  void Close() override;

 private:
  uint32_t device_ = 0;  // SDL audio device id, 0 while closed
  bool audioStarted_ = false;
};
