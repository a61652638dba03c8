// Reading a cartridge image (an iNES file, or the first *.nes member of a .zip
// archive) into the Machine's cartridge fields, with the loading log lines.
#pragma once

#include <stdexcept>
#include <string>

#include "core/Machine.h"

// A load that cannot go on: the message is for the user, in plain words.
class RomLoadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// True when the image was accepted; false (with a log line) for a wrong magic
// or no program banks. File, archive and short-image errors throw RomLoadError.
// A failed load leaves no cartridge loaded.
bool LoadRomFile(Machine& m, const std::string& path);
