// Test support: the public self-checking test cartridges (../shared/testroms)
// run through the real lifecycle in either engine. Most report through $6000:
// a status byte ($80 while running, $81 asking for the reset button, then the
// result, 0 for a pass), the signature DE B0 61, and their text from $6004.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The cartridge's path in the public folder; empty when the folder is not
// here (the caller skips, saying so).
std::string TestRomPath(std::string_view relative);

struct CartridgeVerdict {
  bool Signed = false;  // the $6000 signature appeared
  uint8_t Status = 0xFF;
  std::string Text;  // from $6004
  long Frames = 0;   // frames run
  uint64_t PictureHash = 0;
  std::array<uint8_t, 2048> Ram{};  // for the older cartridges, which report in work RAM
};

// Runs a copy of the cartridge (its battery file goes to a scratch folder,
// never beside the public ones) in `engine` for at most `maxFrames` frames,
// or until a signed status below $80. A status of $81 is answered by the
// reset button a few frames later, as the cartridges ask. With `toEnd` the
// run always lasts `maxFrames` (for the cartridges judged by their picture).
// Pad 1 holds `held` (bit 0..7: A B Select Start Up Down Left Right) all the
// while, for the cartridges that choose what they test by a button held at
// power-on.
CartridgeVerdict RunTestCartridge(const std::string& path, std::string_view engine, long maxFrames,
                                  bool toEnd = false, uint8_t held = 0);

// Runs a copy of the cartridge in `engine` for `frames` frames with the
// console voice heard, as the headless runner's --audio does: the 48 kHz
// mono samples of the whole run.
std::vector<int16_t> RenderTestCartridgeVoice(const std::string& path, std::string_view engine, long frames);

// `text` as a test name: letters and digits kept, anything else '_'.
std::string TestName(std::string_view text);
// A cartridge's file name, without folder and extension, as a test name.
std::string CartridgeTestName(std::string_view path);
