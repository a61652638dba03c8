#include "core/AtomicFile.h"

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
  if (in.bad()) throw std::runtime_error("Read error \"" + path + "\". " + Reason());
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}
