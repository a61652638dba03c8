#include "core/AtomicFile.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "core/SystemReason.h"
#include "core/Text.h"

std::filesystem::path Utf8Path(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

namespace {

std::string Reason() { return SystemReason(errno); }

// "Não foi possível criar o arquivo "x.sav": sistema de arquivos somente leitura."
std::runtime_error Failure(const char* verb, const std::string& path, const std::string& reason) {
  return std::runtime_error(std::string("Não foi possível ") + verb + " o arquivo " + Quoted(path) + ": " +
                            reason + ".");
}

// The new contents are written beside the target under this name first.
std::filesystem::path TemporaryFor(const std::filesystem::path& target) {
  std::filesystem::path temporary = target;
  temporary += ".tmp";
  return temporary;
}

// Opens the temporary file empty, or throws the player's message for `path`.
std::ofstream CreateTemporary(const std::filesystem::path& temporary, const std::string& path) {
  errno = 0;
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  if (!out) throw Failure("criar", path, Reason());
  return out;
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
  const std::filesystem::path temporary = TemporaryFor(target);
  std::ofstream out = CreateTemporary(temporary, path);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.flush();
  const bool written = static_cast<bool>(out);
  const std::string why = Reason();
  out.close();
  std::error_code ignored;
  if (!written || !out) {
    std::filesystem::remove(temporary, ignored);
    throw Failure("gravar", path, why);
  }

  // The new contents reach the disk before the name moves: otherwise a power
  // cut just after the rename could leave an empty file where the old one was.
  if (!SyncToDisk(temporary)) {
    const std::string reason = Reason();
    std::filesystem::remove(temporary, ignored);
    throw Failure("gravar", path, reason);
  }

  // rename replaces an existing target in one step, so readers see either
  // the old file or the new one, never a half-written mixture.
  std::error_code renamed;
  std::filesystem::rename(temporary, target, renamed);
  if (renamed) {
    std::filesystem::remove(temporary, ignored);
    throw Failure("gravar", path, SystemReason(renamed));
  }
}

void CheckFileCanBeWritten(const std::string& path) {
  const std::filesystem::path target = Utf8Path(path);
  std::error_code ignored;
  // A folder of that name would refuse the final rename.
  if (std::filesystem::is_directory(target, ignored)) throw Failure("criar", path, SystemReason(EISDIR));
  const std::filesystem::path temporary = TemporaryFor(target);
  CreateTemporary(temporary, path).close();
  std::filesystem::remove(temporary, ignored);
}

std::vector<uint8_t> ReadFilePrefix(const std::string& path, size_t limit) {
  errno = 0;
  std::ifstream in(Utf8Path(path), std::ios::binary);
  if (!in) throw Failure("abrir", path, Reason());
  std::vector<uint8_t> bytes(limit);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
  if (in.bad()) throw Failure("ler", path, Reason());
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}
