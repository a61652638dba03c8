// A PCM device that keeps what it is given: the headless runner's console
// voice, written to a WAV file after the run, and the tests'. It reports its
// queue always at `queued` (by default the voice's aim, so the pace never
// moves and a run renders the same samples every time).
#pragma once

#include <memory>
#include <vector>

#include "sound/SoundDevices.h"
#include "sound/VoiceOutput.h"

class RecordingPcmOut final : public PcmOut {
 public:
  explicit RecordingPcmOut(std::shared_ptr<std::vector<int16_t>> samples, size_t queued = kVoiceQueueTarget)
      : samples_(std::move(samples)), queued_(queued) {}
  bool Open(int) override { return true; }
  void Queue(const int16_t* samples, size_t count) override {
    samples_->insert(samples_->end(), samples, samples + count);
  }
  size_t Queued() const override { return queued_; }
  void Close() override {}

 private:
  std::shared_ptr<std::vector<int16_t>> samples_;
  size_t queued_;
};
