// Reading a cartridge image (an iNES file, or the first *.nes member of a .zip
// archive) and checking it, with the loading log lines; then putting it into
// the Machine's cartridge fields. The two steps are apart so that a file can
// be judged while another cartridge runs, without disturbing it.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Machine.h"

// A load that cannot go on: the message is for the user, in plain words.
class RomLoadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A cartridge image as read from its file, held by no Machine yet.
struct RomImage {
  std::string FileName;  // UTF-8, without folder
  std::string Folder;    // with its trailing separator
  std::array<uint8_t, 16> Header{};
  int32_t PrgCount = 0;
  int32_t ChrCount = 0;
  int32_t CartFlags = 0;
  int32_t MapperNumber = 0;
  std::vector<uint8_t> PrgRom;  // each image with its spare byte
  std::vector<uint8_t> ChrRom;
};

// Reads and checks the image at `path`; no Machine is touched. The loading
// lines go to `log`, to be written where they belong in the start sequence.
// True when the image was accepted; false (the reason last in `log`) for a
// wrong magic or no program banks. File, archive and short-image errors throw
// RomLoadError, with the lines written so far in `log`.
bool ReadRomImage(const std::string& path, RomImage& image, std::vector<std::string>& log);
// ReadRomImage for `m`'s log: an error's lines are written before it goes on
// (a refusal's and an acceptance's wait for the caller, with WriteRomLog).
bool ReadRomImageFor(Machine& m, const std::string& path, RomImage& image, std::vector<std::string>& log);
void WriteRomLog(Machine& m, const std::vector<std::string>& log);
// Puts an accepted image into the Machine's cartridge fields, with the
// header's mirroring, in place of whatever images it held (the bank tables
// are emptied: the mapper set-up fills them).
void InstallRomImage(Machine& m, RomImage&& image);

// Both steps at once, logging as it reads. True when the image was accepted;
// false (with a log line) for a wrong magic or no program banks; errors throw
// as ReadRomImage's. A failed load leaves no cartridge loaded.
bool LoadRomFile(Machine& m, const std::string& path);
