#include "core/SystemReason.h"

#include <cerrno>
#include <cstring>

namespace {

struct Wording {
  int error;
  const char* words;
};

// The failures a player meets in practice: choosing a file that has gone,
// saving beside a cartridge on a read-only or full disk, a folder where a
// file was expected.
constexpr Wording kWordings[] = {
    {ENOENT, "arquivo ou pasta inexistente"},
    {EACCES, "permissão negada"},
    {EPERM, "operação não permitida"},
    {EROFS, "sistema de arquivos somente leitura"},
    {ENOSPC, "não há espaço livre no disco"},
#ifdef EDQUOT
    {EDQUOT, "cota de disco excedida"},
#endif
    {EISDIR, "é uma pasta"},
    {ENOTDIR, "parte do caminho não é uma pasta"},
    {EEXIST, "o arquivo já existe"},
    {ENAMETOOLONG, "nome de arquivo longo demais"},
    {EIO, "erro de entrada/saída"},
    {EMFILE, "arquivos abertos demais"},
    {ENFILE, "arquivos abertos demais no sistema"},
    {EFBIG, "arquivo grande demais"},
    {EBUSY, "recurso ocupado"},
    {EXDEV, "o arquivo não pode passar de um disco para outro"},
#ifdef ELOOP
    {ELOOP, "links simbólicos demais no caminho"},
#endif
};

}  // namespace

std::string SystemReason(int error) {
  if (error == 0) error = EIO;
  for (const Wording& w : kWordings) {
    if (w.error == error) return w.words;
  }
  return std::strerror(error);
}

std::string SystemReason(const std::error_code& error) {
  // On POSIX systems both categories carry errno values; Windows' system
  // codes and any other category keep their own message.
#ifdef _WIN32
  const bool errnoValue = error.category() == std::generic_category();
#else
  const bool errnoValue =
      error.category() == std::generic_category() || error.category() == std::system_category();
#endif
  return errnoValue ? SystemReason(error.value()) : error.message();
}
