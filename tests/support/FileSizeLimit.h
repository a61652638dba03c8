// Test support: a full disk without a disk. While a FileSizeLimit lives, no
// file of this process can grow past `bytes` (the file-size resource limit),
// so a write runs out of room part-way through, as on a full file system, and
// fails with "File too large". Works for any user, root included, which a
// read-only folder does not. POSIX only.
#pragma once

#if !defined(_WIN32)
#include <sys/resource.h>

#include <csignal>
#include <cstddef>

class FileSizeLimit {
 public:
  explicit FileSizeLimit(size_t bytes) {
    // The limit raises SIGXFSZ, whose default action ends the process; ignored,
    // the write returns EFBIG instead.
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limited = previous_;
    limited.rlim_cur = bytes;
    active_ = setrlimit(RLIMIT_FSIZE, &limited) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  bool active() const { return active_; }

 private:
  rlimit previous_{};
  void (*previousHandler_)(int) = SIG_DFL;
  bool active_ = false;
};
#endif
