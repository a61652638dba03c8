// The live output of the console voice: 16-bit mono samples queued for an
// SDL2 audio device and played at the device's own pace. The queue is ours,
// not SDL's, so that what the device hears when the emulation stops sending
// (a pause, a dialog, the debugger) is decided here: a few milliseconds'
// fade from the last sample to silence, then silence, never a jump to zero
// and never the last buffer again.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "sound/SoundDevices.h"

// The samples waiting for the device, shared by the emulation's thread, which
// adds each frame's, and the device's, which takes them as it plays.
class PcmQueue {
 public:
  // A quarter of a second at 48 kHz: far beyond the voice's aim, so only a
  // run that makes sound faster than it is played (fast forward) reaches it.
  static constexpr size_t kCapacity = 12000;
  // The fade from the last sample played to silence when the queue runs dry:
  // about 1.3 ms at 48 kHz, short enough to be no sound and long enough to
  // be no click.
  static constexpr size_t kFadeSamples = 64;

  PcmQueue();
  // Adds samples; past capacity the oldest waiting are dropped, so what is
  // heard stays close to what the game plays now.
  void Push(const int16_t* samples, size_t count);
  size_t Queued() const;
  // Fills `out` with the next `count` samples to play: those waiting, then,
  // once they run out, the fade and silence. Returns how many were waiting.
  size_t Pull(int16_t* out, size_t count);
  // Forgets what waits and starts again from silence.
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<int16_t> ring_;
  size_t head_ = 0;   // the next sample to play
  size_t count_ = 0;  // samples waiting from head_ on
  int16_t last_ = 0;  // the last sample played, from which a dry queue fades
  size_t fade_ = 0;   // fade samples already played since the queue ran dry
};

class SdlPcmOut final : public PcmOut {
 public:
  ~SdlPcmOut() override;

  // False when there is no audio device; the voice then plays to nothing.
  bool Open(int rate) override;
  void Queue(const int16_t* samples, size_t count) override;
  size_t Queued() const override;
  void Close() override;

 private:
  static void Feed(void* self, uint8_t* stream, int bytes);

  uint32_t device_ = 0;  // SDL audio device id, 0 while closed
  bool audioStarted_ = false;
  PcmQueue queue_;
};
