// The periodic write of battery RAM while a battery cartridge runs, so that a
// crash or a power cut loses at most the last few seconds of play. The run
// loop only compares and copies the 8 KB between frames; the file itself is
// written by a worker thread, so the frame that triggers a write never waits
// for the disk.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>

constexpr std::chrono::seconds kBatteryWriteInterval{5};

class BatteryAutosave {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  using Contents = std::array<uint8_t, 8192>;

  // The default clock is the monotonic one; tests pass their own.
  explicit BatteryAutosave(Clock clock = {});
  // Finishes the write in flight, if any.
  ~BatteryAutosave();
  BatteryAutosave(const BatteryAutosave&) = delete;
  BatteryAutosave& operator=(const BatteryAutosave&) = delete;

  // A battery cartridge has started with `contents` as read from its file
  // (or zeros without one): the interval counts from now.
  void Start(const Contents& contents);
  // Between frames: hands a copy of `contents` to the worker when they differ
  // from what was last written and the interval has passed since that write.
  // True when a write was queued.
  bool Tick(const std::string& path, const Contents& contents);
  // Whether the interval has passed, so that a frame can skip even building
  // the file's path.
  bool Due() const { return clock_() - lastWrite_ >= kBatteryWriteInterval; }
  // Waits for the write in flight and stops the worker; Tick starts it again.
  void Finish();

  // Writes completed and failed so far (for tests and diagnostics).
  int Written() const;
  int Failed() const;

 private:
  void Work();

  Clock clock_;
  std::chrono::steady_clock::time_point lastWrite_{};
  Contents lastContents_{};
  // False until a write succeeded or the contents came from the file: a
  // failed write is tried again at the next interval even with no change.
  bool contentsOnDisk_ = false;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::thread worker_;
  bool stop_ = false;
  bool pending_ = false;
  bool busy_ = false;
  bool failedSinceTick_ = false;
  std::string pendingPath_;
  Contents pendingContents_{};
  int written_ = 0;
  int failed_ = 0;
};
