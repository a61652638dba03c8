// The worker thread's message queue: the wave back end's only channel between
// the emulation thread (and the wave device) and the thread that fills the
// buffers. Messages are handled strictly in the order they were posted.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

enum class SoundMsg : int32_t {
  SetVolume = 4095,     // channel := wParam, volume := lParam and 255
  SetFrequency = 4096,  // channel := wParam, frequency := lParam
  BufferDone,           // the device has played buffer wParam
  DeviceClosed,         // the device is closed (ignored)
  Quit,                 // the queue reports quit: the thread ends
};

struct SoundMessage {
  SoundMsg kind;
  int32_t wParam;
  int32_t lParam;
};

class SoundQueue {
 public:
  void Post(SoundMsg kind, int32_t wParam = 0, int32_t lParam = 0) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      messages_.push_back({kind, wParam, lParam});
    }
    ready_.notify_one();
  }

  // Blocks until a message is there.
  SoundMessage Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [this] { return !messages_.empty(); });
    const SoundMessage message = messages_.front();
    messages_.pop_front();
    return message;
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<SoundMessage> messages_;
};
