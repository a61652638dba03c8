// RIFF/WAVE writer: one "fmt " chunk (PCM) and one "data" chunk, little-endian.
#include "sound/devices/WavFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

bool WriteWav16(const std::string& path, const std::vector<int16_t>& samples, int channels, int rate,
                std::string* error) {
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  std::string bytes;
  bytes.reserve(44 + dataBytes);
  bytes += "RIFF";
  Put32(bytes, 36 + dataBytes);
  bytes += "WAVEfmt ";
  Put32(bytes, 16);
  Put16(bytes, 1);  // PCM
  Put16(bytes, channels);
  Put32(bytes, rate);
  Put32(bytes, rate * channels * 2);
  Put16(bytes, channels * 2);
  Put16(bytes, 16);
  bytes += "data";
  Put32(bytes, dataBytes);
  for (int16_t s : samples) Put16(bytes, static_cast<uint16_t>(s));

  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::remove(temporary.c_str());
      if (error) *error = "cannot write " + path;
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    std::remove(temporary.c_str());
    if (error) *error = "cannot write " + path + ": " + ec.message();
    return false;
  }
  return true;
}
