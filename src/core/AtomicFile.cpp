#include "core/AtomicFile.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <system_error>

std::filesystem::path Utf8Path(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

namespace {

std::string Reason() {
  const int error = errno;
  return error ? std::string(std::strerror(error)) : std::string("input/output error");
}

bool SyncToDisk(const std::filesystem::path& file) {
#ifdef _WIN32
  (void)file;  // not flushed here: the rename alone guards against a failed write
  return true;
#else
  errno = 0;
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  const int error = errno;
  ::close(fd);
  errno = error;
  return synced;
#endif
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes) {
  const std::filesystem::path target = Utf8Path(path);
  std::filesystem::path temporary = target;
  temporary += ".tmp";

  errno = 0;
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("Cannot create file \"" + path + "\". " + Reason());
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.flush();
  const bool written = static_cast<bool>(out);
  const std::string why = Reason();
  out.close();
  std::error_code ignored;
  if (!written || !out) {
    std::filesystem::remove(temporary, ignored);
    throw std::runtime_error("Cannot write file \"" + path + "\". " + why);
  }

  // The new contents reach the disk before the name moves: otherwise a power
  // cut just after the rename could leave an empty file where the old one was.
  if (!SyncToDisk(temporary)) {
    const std::string reason = Reason();
    std::filesystem::remove(temporary, ignored);
    throw std::runtime_error("Cannot write file \"" + path + "\". " + reason);
  }

  // rename replaces an existing target in one step, so readers see either
  // the old file or the new one, never a half-written mixture.
  std::error_code renamed;
  std::filesystem::rename(temporary, target, renamed);
  if (renamed) {
    std::filesystem::remove(temporary, ignored);
    throw std::runtime_error("Cannot write file \"" + path + "\". " + renamed.message());
  }
}

std::vector<uint8_t> ReadFilePrefix(const std::string& path, size_t limit) {
  errno = 0;
  std::ifstream in(Utf8Path(path), std::ios::binary);
  if (!in) throw std::runtime_error("Cannot open file \"" + path + "\". " + Reason());
  std::vector<uint8_t> bytes(limit);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
  if (in.bad()) throw std::runtime_error("Cannot read file \"" + path + "\". " + Reason());
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}
