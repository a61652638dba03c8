#include "cartridge/BatteryAutosave.h"

#include <algorithm>
#include <exception>

#include "core/AtomicFile.h"

BatteryAutosave::BatteryAutosave(Clock clock) : clock_(std::move(clock)) {
  if (!clock_) clock_ = [] { return std::chrono::steady_clock::now(); };
}

BatteryAutosave::~BatteryAutosave() { Finish(); }

void BatteryAutosave::Start(const Contents& contents) {
  lastContents_ = contents;
  contentsOnDisk_ = true;
  lastWrite_ = clock_();
}

bool BatteryAutosave::Tick(const std::string& path, const Contents& contents) {
  const auto now = clock_();
  if (now - lastWrite_ < kBatteryWriteInterval) return false;
  {
    std::lock_guard lock(mutex_);
    if (failedSinceTick_) {
      failedSinceTick_ = false;
      contentsOnDisk_ = false;
    }
    if (contentsOnDisk_ && contents == lastContents_) return false;
    // A slow disk still busy with the previous copy: try again next frame
    // rather than queue up copies nobody will read.
    if (pending_ || busy_) return false;
    pendingPath_ = path;
    pendingContents_ = contents;
    pending_ = true;
    stop_ = false;
  }
  lastContents_ = contents;
  contentsOnDisk_ = true;
  lastWrite_ = now;
  if (!worker_.joinable()) worker_ = std::thread([this] { Work(); });
  wake_.notify_one();
  return true;
}

void BatteryAutosave::Finish() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  // The worker drains what is queued before it honours the stop, so the
  // unload's own write that follows always lands last.
  if (worker_.joinable()) worker_.join();
  std::lock_guard lock(mutex_);
  stop_ = false;
}

int BatteryAutosave::Written() const {
  std::lock_guard lock(mutex_);
  return written_;
}

int BatteryAutosave::Failed() const {
  std::lock_guard lock(mutex_);
  return failed_;
}

void BatteryAutosave::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return pending_ || stop_; });
    if (!pending_) return;
    const std::string path = pendingPath_;
    const Contents contents = pendingContents_;
    pending_ = false;
    busy_ = true;
    lock.unlock();
    bool ok = true;
    try {
      WriteFileAtomically(path, contents);
    } catch (const std::exception&) {
      // Silent by design: the unload writes again and reports its own
      // failure; meanwhile the old file stays whole.
      ok = false;
    }
    lock.lock();
    busy_ = false;
    if (ok) {
      ++written_;
    } else {
      ++failed_;
      failedSinceTick_ = true;
    }
  }
}
