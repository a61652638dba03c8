#include "cartridge/RomLoader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "cartridge/Mapper.h"
#include "cartridge/ZipImage.h"
#include "core/SystemReason.h"
#include "core/Text.h"

namespace {

constexpr size_t kHeaderSize = 16;
constexpr size_t kPrgBankSize = 16384;
constexpr size_t kChrBankSize = 8192;
// The largest image a header can describe. Bytes past the last pattern bank
// are never looked at, so a plain file is read no further than this.
constexpr size_t kMaxImageSize = kHeaderSize + 255 * kPrgBankSize + 255 * kChrBankSize;

bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/' || c == ':';
#else
  return c == '/';
#endif
}

// "[2]", appended for the same reason as Quoted.
std::string Bracketed(int count) {
  std::string text(1, '[');
  text += std::to_string(count);
  text += ']';
  return text;
}

// "2 bancos de programa (PRG) de 16 KB", "1 banco de gráficos (CHR) de 8 KB".
std::string Banks(int count, const char* kind, int kilobytes) {
  return std::to_string(count) + (count == 1 ? " banco de " : " bancos de ") + kind + " de " +
         std::to_string(kilobytes) + " KB";
}

// The file name's extension from its last full stop, as typed ("" without one).
std::string_view Extension(std::string_view fileName) {
  const size_t dot = fileName.rfind('.');
  return dot == std::string_view::npos ? std::string_view{} : fileName.substr(dot);
}

bool IsZipExtension(std::string_view extension) {
  constexpr std::string_view kZip = ".zip";
  if (extension.size() != kZip.size()) return false;
  for (size_t i = 0; i < kZip.size(); ++i) {
    const char c = extension[i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != kZip[i]) return false;
  }
  return true;
}

std::FILE* OpenForReading(const std::string& path) {
#ifdef _WIN32
  // Paths travel as UTF-8; the wide API is the one that takes any name.
  return _wfopen(std::filesystem::path(std::u8string(path.begin(), path.end())).c_str(), L"rb");
#else
  return std::fopen(path.c_str(), "rb");
#endif
}

std::vector<uint8_t> ReadPlainImage(const std::string& path) {
  errno = 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenForReading(path), &std::fclose);
  if (!file)
    throw RomLoadError("Não foi possível abrir o arquivo " + Quoted(path) + ": " + SystemReason(errno) + ".");
  // The buffer grows with what the file holds, so a 40 KB cartridge costs
  // 64 KB rather than the largest image a header can describe.
  std::vector<uint8_t> image;
  size_t got = 0;
  size_t capacity = size_t{64} << 10;
  for (;;) {
    image.resize(capacity);
    got += std::fread(image.data() + got, 1, capacity - got, file.get());
    if (got < capacity || capacity == kMaxImageSize) break;
    capacity = std::min(capacity * 2, kMaxImageSize);
  }
  // A folder opens on some systems and only fails when read.
  if (std::ferror(file.get()))
    throw RomLoadError("Não foi possível ler o arquivo " + Quoted(path) + ": " + SystemReason(errno) + ".");
  image.resize(got);
  return image;
}

// Frees both images and empties the bank tables that pointed into them: the
// machine then holds no cartridge (PrgRom empty).
void ReleaseImages(Machine& m) {
  ClearBankTables(m);
  std::vector<uint8_t>().swap(m.PrgRom);
  std::vector<uint8_t>().swap(m.ChrRom);
  m.PatternRomSerial = 0;
}

}  // namespace

bool ReadRomImage(const std::string& path, RomImage& rom, std::vector<std::string>& log) {
  log.emplace_back();
  const auto cut = std::find_if(path.rbegin(), path.rend(), IsSeparator).base();
  rom.FileName.assign(cut, path.end());
  rom.Folder.assign(path.begin(), cut);
  log.push_back("Carregando Arquivo: \"" + SanitizeUtf8(rom.FileName) + "\"...");

  // The open dialog offers "*.Zip *.zip *.ZIP": an archive is one in any
  // letter case, or the player would be offered a file only to see it refused.
  std::vector<uint8_t> image;
  std::string source = Quoted(path);
  if (IsZipExtension(Extension(rom.FileName))) {
    std::string member;
    image = ReadZipImage(path, member);
    source = Quoted(member) + " do arquivo ZIP " + Quoted(path);
  } else {
    image = ReadPlainImage(path);
  }

  if (image.size() < kHeaderSize)
    throw RomLoadError("O arquivo " + source + " é curto demais para ser uma imagem de cartucho: tem só " +
                       std::to_string(image.size()) + " bytes, menos que os 16 de um cabeçalho iNES.");
  std::copy_n(image.begin(), kHeaderSize, rom.Header.begin());
  const auto& h = rom.Header;
  if (h[0] != 'N' || h[1] != 'E' || h[2] != 'S') {
    log.push_back("Arquivo não suportado: " +
                  Cp1252ToUtf8(std::string_view(reinterpret_cast<const char*>(h.data()), 3)));
    return false;
  }

  rom.PrgCount = h[4];
  rom.ChrCount = h[5];
  rom.CartFlags = h[6];
  rom.MapperNumber = h[6] >> 4;
  // Headers that carry text in bytes 7-15 ("DiskDude!") give a byte 8 that is
  // not zero; their byte 7 is no mapper number.
  if (h[8] == 0) rom.MapperNumber |= h[7] & 0xF0;

  log.push_back(Bracketed(rom.PrgCount) + " of PRG Rom");
  log.push_back(Bracketed(rom.ChrCount) + " of CHR Ram");
  log.push_back("Tamanho do cartucho : [" + std::to_string(16 * rom.PrgCount + 8 * rom.ChrCount) + " Kb]");
  // The initial layout maps the last program bank at $C000; there is none.
  if (rom.PrgCount == 0) {
    log.push_back("Arquivo não suportado: nenhum banco de PRG Rom.");
    return false;
  }

  // The trainer bit is not honoured: program data always starts at offset 16.
  const size_t prgBytes = rom.PrgCount * kPrgBankSize;
  const size_t chrBytes = rom.ChrCount * kChrBankSize;
  if (image.size() < kHeaderSize + prgBytes + chrBytes)
    throw RomLoadError(
        "O arquivo " + source + " é menor do que o seu cabeçalho anuncia: tem " +
        std::to_string(image.size()) + " bytes, mas " + Banks(rom.PrgCount, "programa (PRG)", 16) + " e " +
        Banks(rom.ChrCount, "gráficos (CHR)", 8) + " precisam de " +
        std::to_string(kHeaderSize + prgBytes + chrBytes) + ". A imagem está incompleta ou danificada.");

  // Each image keeps one spare byte past its banks.
  const auto body = image.begin() + kHeaderSize;
  rom.PrgRom.assign(prgBytes + 1, 0);
  std::copy_n(body, prgBytes, rom.PrgRom.begin());
  rom.ChrRom.assign(chrBytes + 1, 0);
  std::copy_n(body + static_cast<std::ptrdiff_t>(prgBytes), chrBytes, rom.ChrRom.begin());
  return true;
}

void InstallRomImage(Machine& m, RomImage&& rom) {
  ReleaseImages(m);
  m.RomFileName = std::move(rom.FileName);
  m.RomFolder = std::move(rom.Folder);
  m.RomHeader = rom.Header;
  m.PrgCount = rom.PrgCount;
  m.ChrCount = rom.ChrCount;
  m.CartFlags = rom.CartFlags;
  m.MapperNumber = rom.MapperNumber;
  SetMirroring(m, (rom.Header[6] & 1) ? 0 : 1);
  m.PrgRom = std::move(rom.PrgRom);
  m.ChrRom = std::move(rom.ChrRom);
  // A new image, though it may sit where the last one was.
  m.PatternRomSerial = m.ChrCount ? Machine::NewPatternRomSerial() : 0;
}

bool LoadRomFile(Machine& m, const std::string& path) {
  ReleaseImages(m);
  RomImage rom;
  std::vector<std::string> log;
  const bool accepted = ReadRomImageFor(m, path, rom, log);
  WriteRomLog(m, log);
  if (accepted) {
    InstallRomImage(m, std::move(rom));
  } else {
    // A refused image still leaves what was read of it to be looked at.
    m.RomFileName = std::move(rom.FileName);
    m.RomFolder = std::move(rom.Folder);
    m.RomHeader = rom.Header;
  }
  return accepted;
}

bool ReadRomImageFor(Machine& m, const std::string& path, RomImage& image, std::vector<std::string>& log) {
  try {
    return ReadRomImage(path, image, log);
  } catch (...) {
    WriteRomLog(m, log);
    throw;
  }
}

void WriteRomLog(Machine& m, const std::vector<std::string>& log) {
  for (const std::string& line : log) m.Log(line);
}
