// Test support: iNES images and ZIP archives built in memory and written to
// a ScratchFolder, for tests that go through the real loader and file system.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Program bank n is filled with $80 + n and pattern bank n with $40 + n, so a
// byte seen through a bank table tells which bank is mapped there.
constexpr uint8_t PrgFill(int bank) { return static_cast<uint8_t>(0x80 + bank); }
constexpr uint8_t ChrFill(int bank) { return static_cast<uint8_t>(0x40 + bank); }

// A complete iNES image: the header "NES" $1A, the counts, bytes 6-8 as
// given, then `prgBanks` x 16 KB and `chrBanks` x 8 KB filled as above.
std::vector<uint8_t> MakeInesImage(int prgBanks, int chrBanks, uint8_t flags6 = 0x01, uint8_t flags7 = 0,
                                   uint8_t byte8 = 0);

// Writes a ZIP archive holding `members` (name, content) in that order,
// deflated unless `stored` is set.
void WriteZip(const std::string& path,
              const std::vector<std::pair<std::string, std::vector<uint8_t>>>& members, bool stored = false);
