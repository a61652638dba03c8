#include "support/RomFiles.h"

#include <zip.h>

#include <stdexcept>

std::vector<uint8_t> MakeInesImage(int prgBanks, int chrBanks, uint8_t flags6, uint8_t flags7,
                                   uint8_t byte8) {
  std::vector<uint8_t> image = {'N',
                                'E',
                                'S',
                                0x1A,
                                static_cast<uint8_t>(prgBanks),
                                static_cast<uint8_t>(chrBanks),
                                flags6,
                                flags7,
                                byte8,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0};
  for (int b = 0; b < prgBanks; ++b) image.insert(image.end(), 0x4000, PrgFill(b));
  for (int b = 0; b < chrBanks; ++b) image.insert(image.end(), 0x2000, ChrFill(b));
  return image;
}

void WriteZip(const std::string& path,
              const std::vector<std::pair<std::string, std::vector<uint8_t>>>& members, bool stored) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!archive) throw std::runtime_error("cannot create " + path);
  for (const auto& [name, content] : members) {
    // The buffers outlive zip_close, which is when libzip reads them.
    zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
    const zip_int64_t index = source ? zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
    if (index < 0) {
      if (source) zip_source_free(source);
      zip_discard(archive);
      throw std::runtime_error("cannot add " + name + " to " + path);
    }
    zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                             stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
  }
  if (zip_close(archive) != 0) {
    zip_discard(archive);
    throw std::runtime_error("cannot write " + path);
  }
}
