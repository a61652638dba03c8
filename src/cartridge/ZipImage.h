// Cartridge images kept in ZIP archives: the first member whose name matches
// *.nes in any letter case, in the archive's directory order, inflated with
// libzip and held wholly in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// No iNES image comes near this size (255 program and 255 pattern banks make
// 6.3 MiB); a member announcing more is refused before anything is inflated,
// so a crafted archive cannot exhaust memory.
constexpr size_t kMaxZipMemberSize = size_t{8} << 20;

// Whether a member name matches "*.nes", letters compared without regard to
// case. Members inside folders match too ("jogos/mario.nes").
bool MatchesNesMask(std::string_view name);

// Reads the first member matching "*.nes" of the archive at `path` (UTF-8).
// Throws RomLoadError when the archive cannot be opened or read, holds no such
// member, or the member is larger than kMaxZipMemberSize. Nothing is written.
// `memberName` receives the member's name.
std::vector<uint8_t> ReadZipImage(const std::string& path, std::string& memberName);
