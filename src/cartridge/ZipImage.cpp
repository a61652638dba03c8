#include "cartridge/ZipImage.h"

#include <zip.h>

#include <cerrno>
#include <memory>

#include "cartridge/RomLoader.h"
#include "core/SharedLibrary.h"
#include "core/SystemReason.h"
#include "core/Text.h"

namespace {

// libzip, with OpenSSL behind it, is opened with the first archive: a run
// that only ever loads .nes files never maps either.
// clang-format off
#define VIREL_ZIP_FUNCTIONS(X) \
  X(zip_discard)              \
  X(zip_fclose)               \
  X(zip_error_code_zip)       \
  X(zip_error_system_type)    \
  X(zip_error_code_system)    \
  X(zip_error_strerror)       \
  X(zip_error_init)           \
  X(zip_error_fini)           \
  X(zip_source_file_create)   \
  X(zip_open_from_source)     \
  X(zip_source_free)          \
  X(zip_get_num_entries)      \
  X(zip_get_name)             \
  X(zip_stat_init)            \
  X(zip_stat_index)           \
  X(zip_get_error)            \
  X(zip_fopen_index)          \
  X(zip_fread)                \
  X(zip_file_get_error)
// clang-format on

struct ZipApi {
  VIREL_ZIP_FUNCTIONS(VIREL_LIBRARY_FUNCTION)
};

struct ArchiveCloser {
  const ZipApi* api;
  // The archive is opened read-only: discarding it never writes anything.
  void operator()(zip_t* archive) const { api->zip_discard(archive); }
};
struct MemberCloser {
  const ZipApi* api;
  void operator()(zip_file_t* file) const { api->zip_fclose(file); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;
using Member = std::unique_ptr<zip_file_t, MemberCloser>;

// libzip's failures that a player's archive can show, in the player's words.
struct ZipWording {
  int code;
  const char* words;
};
constexpr ZipWording kZipWordings[] = {
    {ZIP_ER_NOZIP, "não é um arquivo ZIP"},
    {ZIP_ER_INCONS, "o arquivo ZIP é inconsistente"},
    {ZIP_ER_CRC, "a soma de verificação (CRC) não confere"},
    {ZIP_ER_COMPNOTSUPP, "método de compressão não suportado"},
    {ZIP_ER_ENCRNOTSUPP, "método de criptografia não suportado"},
    {ZIP_ER_NOPASSWD, "o arquivo está protegido por senha"},
    {ZIP_ER_WRONGPASSWD, "o arquivo está protegido por senha"},
    {ZIP_ER_ZLIB, "os dados compactados estão corrompidos"},
    {ZIP_ER_EOF, "o arquivo termina antes do esperado"},
    {ZIP_ER_MEMORY, "memória insuficiente"},
};

// Why libzip failed: the system's reason when the file system refused
// ("arquivo ou pasta inexistente" rather than "Can't open file"), our words
// for the common archive faults, and libzip's own wording for the rest.
std::string Reason(const ZipApi& api, zip_error_t* error) {
  const int code = api.zip_error_code_zip(error);
  if (code == ZIP_ER_NOENT) return SystemReason(ENOENT);
  if (api.zip_error_system_type(error) == ZIP_ET_SYS && api.zip_error_code_system(error) != 0)
    return SystemReason(api.zip_error_code_system(error));
  for (const ZipWording& w : kZipWordings) {
    if (w.code == code) return w.words;
  }
  return api.zip_error_strerror(error);
}

// The loaded library, or a RomLoadError naming the archive and what is missing.
const ZipApi& Zip(const std::string& path) {
  std::string why;
  const ZipApi* api = LoadLibraryApi<ZipApi>(
      VIREL_LIBZIP_SONAME,
      [](SharedLibrary& lib, ZipApi& api) { return VIREL_ZIP_FUNCTIONS(VIREL_BIND_FUNCTION) true; }, &why);
  if (!api)
    throw RomLoadError("Não foi possível abrir o arquivo " + Quoted(path) +
                       ": arquivos ZIP não podem ser lidos (" + why + ").");
  return *api;
}

// A member that cannot be inflated whole: a checksum or size that does not
// hold, a broken deflate stream. The player learns that the archive is at fault.
RomLoadError Damaged(const std::string& where, const std::string& reason) {
  return RomLoadError("Não foi possível ler " + where + ": " + reason + ". O arquivo ZIP está danificado.");
}

Archive OpenArchive(const ZipApi& api, const std::string& path) {
  zip_error_t error;
  api.zip_error_init(&error);
  zip_source_t* source = api.zip_source_file_create(path.c_str(), 0, -1, &error);
  zip_t* archive = source ? api.zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
  if (!archive) {
    if (source) api.zip_source_free(source);
    std::string message =
        "Não foi possível abrir o arquivo " + Quoted(path) + ": " + Reason(api, &error) + ".";
    api.zip_error_fini(&error);
    throw RomLoadError(message);
  }
  api.zip_error_fini(&error);
  return Archive(archive, ArchiveCloser{&api});
}

}  // namespace

bool MatchesNesMask(std::string_view name) {
  if (name.size() < 4) return false;
  const std::string_view ext = name.substr(name.size() - 4);
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return ext[0] == '.' && lower(ext[1]) == 'n' && lower(ext[2]) == 'e' && lower(ext[3]) == 's';
}

std::vector<uint8_t> ReadZipImage(const std::string& path, std::string& memberName) {
  const ZipApi& api = Zip(path);
  Archive archive = OpenArchive(api, path);

  // The first match in directory order stands for the image, even when a
  // later member would also match.
  const zip_int64_t count = api.zip_get_num_entries(archive.get(), 0);
  zip_int64_t index = -1;
  for (zip_int64_t i = 0; i < count && index < 0; ++i) {
    const char* name = api.zip_get_name(archive.get(), static_cast<zip_uint64_t>(i), 0);
    if (name && MatchesNesMask(name)) index = i;
  }
  if (index < 0)
    throw RomLoadError("O arquivo ZIP " + Quoted(path) +
                       " não contém nenhuma imagem de cartucho (nenhum arquivo \"*.nes\").");
  const auto at = static_cast<zip_uint64_t>(index);
  memberName = api.zip_get_name(archive.get(), at, 0);
  const std::string where = Quoted(memberName) + " do arquivo ZIP " + Quoted(path);

  zip_stat_t stat;
  api.zip_stat_init(&stat);
  if (api.zip_stat_index(archive.get(), at, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE))
    throw RomLoadError("Não foi possível ler " + where + ": " +
                       Reason(api, api.zip_get_error(archive.get())) + ".");
  // Decided on the size the directory announces, before anything is inflated.
  if (stat.size > kMaxZipMemberSize)
    throw RomLoadError("O arquivo " + where + " é grande demais para uma imagem de cartucho (" +
                       std::to_string(stat.size) + " bytes; o limite é 8 MiB).");

  Member member(api.zip_fopen_index(archive.get(), at, 0), MemberCloser{&api});
  if (!member)
    throw RomLoadError("Não foi possível ler " + where + ": " +
                       Reason(api, api.zip_get_error(archive.get())) + ".");
  std::vector<uint8_t> image(stat.size);
  size_t done = 0;
  while (done < image.size()) {
    const zip_int64_t n = api.zip_fread(member.get(), image.data() + done, image.size() - done);
    if (n < 0) throw Damaged(where, Reason(api, api.zip_file_get_error(member.get())));
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  // One read past the announced size lets libzip check the member's CRC and
  // shows a member that is longer or shorter than its directory entry says.
  uint8_t extra;
  const zip_int64_t tail = api.zip_fread(member.get(), &extra, 1);
  if (tail < 0) throw Damaged(where, Reason(api, api.zip_file_get_error(member.get())));
  if (done != image.size() || tail != 0)
    throw Damaged(where, "o tamanho não confere com o índice do arquivo ZIP");
  return image;
}
