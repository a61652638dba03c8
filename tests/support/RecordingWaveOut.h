// Test support: a wave output that plays nothing. It keeps every buffer
// written to it, and the test decides when a buffer has "played" (Complete),
// which hands it back to the layer's worker exactly as a device would.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "sound/SoundDevices.h"

struct WaveRecording {
  struct Written {
    int index;
    std::vector<uint8_t> bytes;
  };

  std::mutex mutex;
  std::condition_variable changed;
  int opens = 0;
  int rate = 0;
  int channels = 0;
  int resets = 0;
  int closeAttempts = 0;
  int closes = 0;
  // Close reports "still playing" this many times before it succeeds.
  int refuseCloses = 0;
  std::vector<Written> writes;
  std::vector<int> queued;  // written and not yet played or reset
  WaveNotify notify;

  // Waits until at least `count` buffers have been written; false on timeout.
  bool WaitForWrites(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, timeout, [&] { return writes.size() >= count; });
  }
  size_t WriteCount() {
    std::lock_guard<std::mutex> lock(mutex);
    return writes.size();
  }
  Written Write(size_t i) {
    std::lock_guard<std::mutex> lock(mutex);
    return writes.at(i);
  }
  // Buffer `index` has played: the device reports it done.
  void Complete(int index) {
    WaveNotify callback;
    {
      std::lock_guard<std::mutex> lock(mutex);
      std::erase(queued, index);
      callback = notify;
    }
    if (callback) callback(WaveNotice::BufferDone, index);
  }
};

class RecordingWaveOut final : public WaveOut {
 public:
  explicit RecordingWaveOut(std::shared_ptr<WaveRecording> recording) : r_(std::move(recording)) {}

  bool Open(int rate, int channels, WaveNotify notify) override {
    std::lock_guard<std::mutex> lock(r_->mutex);
    ++r_->opens;
    r_->rate = rate;
    r_->channels = channels;
    r_->notify = std::move(notify);
    return true;
  }
  bool Write(int index, const uint8_t* data, int length) override {
    {
      std::lock_guard<std::mutex> lock(r_->mutex);
      r_->writes.push_back({index, std::vector<uint8_t>(data, data + length)});
      r_->queued.push_back(index);
    }
    r_->changed.notify_all();
    return true;
  }
  void Reset() override {
    std::vector<int> returned;
    WaveNotify callback;
    {
      std::lock_guard<std::mutex> lock(r_->mutex);
      ++r_->resets;
      returned.swap(r_->queued);
      callback = r_->notify;
    }
    for (int index : returned) callback(WaveNotice::BufferDone, index);
  }
  bool Close() override {
    WaveNotify callback;
    {
      std::lock_guard<std::mutex> lock(r_->mutex);
      ++r_->closeAttempts;
      if (r_->refuseCloses > 0 && !r_->queued.empty()) {
        --r_->refuseCloses;
        return false;
      }
      ++r_->closes;
      callback = std::move(r_->notify);
      r_->notify = nullptr;
    }
    if (callback) callback(WaveNotice::Closed, 0);
    return true;
  }

 private:
  std::shared_ptr<WaveRecording> r_;
};
