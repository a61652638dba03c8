#include "cartridge/ZipImage.h"

#include <zip.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "cartridge/RomLoader.h"
#include "core/SharedLibrary.h"
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
  X(zip_strerror)             \
  X(zip_fopen_index)          \
  X(zip_fread)                \
  X(zip_file_strerror)
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

// libzip's own wording, with the system's reason when the failure came from
// the file system ("No such file or directory" rather than "Can't open file").
std::string Reason(const ZipApi& api, zip_error_t* error) {
  if (api.zip_error_code_zip(error) == ZIP_ER_NOENT) return std::strerror(ENOENT);
  if (api.zip_error_system_type(error) == ZIP_ET_SYS && api.zip_error_code_system(error) != 0)
    return std::strerror(api.zip_error_code_system(error));
  return api.zip_error_strerror(error);
}

// Built by appending: GCC 12 at -O3 takes a one-letter literal put in front
// of a temporary string for an overlapping copy and stops a -Werror build.
std::string Quoted(std::string_view text) {
  std::string quoted(1, '"');
  quoted += SanitizeUtf8(text);
  quoted += '"';
  return quoted;
}

// The loaded library, or a RomLoadError naming the archive and what is missing.
const ZipApi& Zip(const std::string& path) {
  std::string why;
  const ZipApi* api = LoadLibraryApi<ZipApi>(
      VIREL_LIBZIP_SONAME,
      [](SharedLibrary& lib, ZipApi& api) { return VIREL_ZIP_FUNCTIONS(VIREL_BIND_FUNCTION) true; }, &why);
  if (!api) throw RomLoadError("Cannot open file " + Quoted(path) + ". ZIP archives cannot be read: " + why);
  return *api;
}

// A member that cannot be inflated whole: a checksum or size that does not
// hold, a broken deflate stream. The user learns that the archive is at fault.
RomLoadError Damaged(const std::string& where, const std::string& reason) {
  return RomLoadError("Cannot read " + where + ": " + reason + ". The archive is damaged.");
}

Archive OpenArchive(const ZipApi& api, const std::string& path) {
  zip_error_t error;
  api.zip_error_init(&error);
  zip_source_t* source = api.zip_source_file_create(path.c_str(), 0, -1, &error);
  zip_t* archive = source ? api.zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
  if (!archive) {
    if (source) api.zip_source_free(source);
    std::string message = "Cannot open file " + Quoted(path) + ". " + Reason(api, &error);
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
    throw RomLoadError("The archive " + Quoted(path) + " holds no cartridge image (no \"*.nes\" file).");
  const auto at = static_cast<zip_uint64_t>(index);
  memberName = api.zip_get_name(archive.get(), at, 0);
  const std::string where = Quoted(memberName) + " in archive " + Quoted(path);

  zip_stat_t stat;
  api.zip_stat_init(&stat);
  if (api.zip_stat_index(archive.get(), at, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE))
    throw RomLoadError("Cannot read " + where + ". " + api.zip_strerror(archive.get()));
  // Decided on the size the directory announces, before anything is inflated.
  if (stat.size > kMaxZipMemberSize)
    throw RomLoadError("The file " + where + " is too large for a cartridge image (" +
                       std::to_string(stat.size) + " bytes; the limit is 8 MiB).");

  Member member(api.zip_fopen_index(archive.get(), at, 0), MemberCloser{&api});
  if (!member) throw RomLoadError("Cannot read " + where + ". " + api.zip_strerror(archive.get()));
  std::vector<uint8_t> image(stat.size);
  size_t done = 0;
  while (done < image.size()) {
    const zip_int64_t n = api.zip_fread(member.get(), image.data() + done, image.size() - done);
    if (n < 0) throw Damaged(where, api.zip_file_strerror(member.get()));
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  // One read past the announced size lets libzip check the member's CRC and
  // shows a member that is longer or shorter than its directory entry says.
  uint8_t extra;
  const zip_int64_t tail = api.zip_fread(member.get(), &extra, 1);
  if (tail < 0) throw Damaged(where, api.zip_file_strerror(member.get()));
  if (done != image.size() || tail != 0)
    throw Damaged(where, "its size does not match the archive's directory");
  return image;
}
