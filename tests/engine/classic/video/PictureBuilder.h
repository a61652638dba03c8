// Test helpers that build a picture in a Machine's memories: tiles in the
// pattern area of Vram (a cartridge without pattern ROM), name tables,
// attribute bytes and sprite entries, and a way to read back FrameBuffer rows.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "support/TestMachine.h"

// A Machine whose pattern memory is Vram itself, so tests write tiles directly.
struct PictureMachine : TestMachine {
  PictureMachine() { EXPECT_TRUE(InstallCartridge(m, 2, 0)); }
};

// The 16 bytes of the tile at pattern address `address`: row r uses low[r] and high[r].
inline void SetTile(Machine& m, int address, const std::array<uint8_t, 8>& low,
                    const std::array<uint8_t, 8>& high) {
  for (int r = 0; r < 8; ++r) {
    m.Vram[address + r] = low[r];
    m.Vram[address + 8 + r] = high[r];
  }
}

// A tile whose eight rows are all the same plane pair.
inline void SetUniformTile(Machine& m, int address, uint8_t low, uint8_t high) {
  SetTile(m, address, {low, low, low, low, low, low, low, low},
          {high, high, high, high, high, high, high, high});
}

// A tile of one colour (0-3) throughout.
inline void SetSolidTile(Machine& m, int address, int colour) {
  SetUniformTile(m, address, (colour & 1) ? 0xFF : 0x00, (colour & 2) ? 0xFF : 0x00);
}

// All 960 tile bytes of the name table at `table` ($2000, $2400, ...).
inline void FillNames(Machine& m, int table, uint8_t tile) { std::fill_n(m.Vram.begin() + table, 960, tile); }

// All 64 attribute bytes of the name table at `table`.
inline void FillAttributes(Machine& m, int table, uint8_t value) {
  std::fill_n(m.Vram.begin() + table + 0x3C0, 64, value);
}

inline void SetSprite(Machine& m, int number, uint8_t y, uint8_t tile, uint8_t attributes, uint8_t x) {
  m.Oam[4 * number] = y;
  m.Oam[4 * number + 1] = tile;
  m.Oam[4 * number + 2] = attributes;
  m.Oam[4 * number + 3] = x;
}

// Hides every sprite below the picture (Y = 239 is never drawn).
inline void HideSprites(Machine& m) {
  for (int s = 0; s < 64; ++s) SetSprite(m, s, 0xEF, 0, 0, 0);
}

// `count` pixels of FrameBuffer row `line` from column `from`.
inline std::vector<int> Row(const Machine& m, int line, int from = 0, int count = kScreenWidth) {
  const auto start = m.FrameBuffer.begin() + line * kScreenWidth + from;
  return std::vector<int>(start, start + count);
}

inline void FillRow(Machine& m, int line, uint8_t value) {
  std::fill_n(m.FrameBuffer.begin() + line * kScreenWidth, kScreenWidth, value);
}
