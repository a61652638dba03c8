// The background renderer against the straightforward one: each line drawn
// pixel by pixel exactly as the algorithm reads (33 tiles, attribute lookup
// per tile, one pixel at a time), on name tables built to exercise the fast
// path's short cuts: runs of the same tile under different palettes, runs
// that cross the wrap into the next table, attribute groups cut by the scroll.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "PictureBuilder.h"
#include "video/PpuRegisters.h"
#include "video/Renderer.h"

namespace {

// Row `line` as the algorithm describes it, one pixel at a time.
std::vector<uint8_t> ReferenceLine(const Machine& m, int line) {
  std::vector<uint8_t> row(kScreenWidth, 0);
  if (!(m.PpuMask & 0x08)) return row;
  const int v = line + m.ScrollY;
  int tileRow = v >> 3;
  const int fine = v & 7;
  unsigned table = 0x2000 + 0x400 * (m.PpuCtrl & 3);
  if (tileRow >= 30) {
    tileRow -= 30;
    table ^= 0x800;
  }
  int column = m.ScrollX >> 3;
  int x = -(m.ScrollX & 7);
  const unsigned base = (m.PpuCtrl & 0x10) ? 0x1000 : 0;
  for (int i = 0; i < 33; ++i) {
    const uint8_t tile = m.Vram[table + 32 * tileRow + column];
    const auto address = static_cast<uint16_t>(base + 16 * tile + fine);
    const uint8_t low = PatternByte(m, address), high = PatternByte(m, static_cast<uint16_t>(address + 8));
    const uint8_t attribute = m.Vram[table + 0x3C0 + (column >> 2) + 8 * (tileRow >> 2)];
    const int palette = (attribute >> ((column & 2) + 2 * (tileRow & 2))) & 3;
    for (int k = 0; k < 8; ++k) {
      const int colour = 2 * ((high >> (7 - k)) & 1) + ((low >> (7 - k)) & 1);
      if (x + k >= 0 && x + k < kScreenWidth) row[x + k] = static_cast<uint8_t>(4 * palette + colour);
    }
    x += 8;
    if (++column == 32) {
      column = 0;
      table ^= 0x400;
    }
  }
  return row;
}

// Random patterns in both halves; name tables of runs: a tile repeated for
// 1-12 columns, drawn from a handful so runs recur with other palettes.
void BuildRunsPicture(Machine& m, std::mt19937& random) {
  for (int a = 0; a < 0x2000; ++a) m.Vram[a] = static_cast<uint8_t>(random());
  const uint8_t few[6] = {0, 1, 2, 0x41, 0x80, 0xFF};
  for (int table = 0x2000; table < 0x3000; table += 0x400) {
    for (int i = 0; i < 960;) {
      const uint8_t tile = (random() % 4) ? few[random() % 6] : static_cast<uint8_t>(random());
      for (int run = 1 + int(random() % 12); run > 0 && i < 960; --run) m.Vram[table + i++] = tile;
    }
    for (int i = 0; i < 64; ++i) m.Vram[table + 0x3C0 + i] = static_cast<uint8_t>(random());
  }
}

// Draws `line` over a frame filled with a marker and checks the whole frame:
// the line as the reference draws it, every other row untouched.
void ExpectLineMatches(Machine& m, int line) {
  std::memset(m.FrameBuffer.data(), 0xEE, m.FrameBuffer.size());
  RenderLine(m, line);
  const std::vector<uint8_t> expected = ReferenceLine(m, line);
  ASSERT_EQ(std::vector<uint8_t>(m.FrameBuffer.begin() + line * kScreenWidth,
                                 m.FrameBuffer.begin() + (line + 1) * kScreenWidth),
            expected)
      << "line " << line << " scroll " << int(m.ScrollX) << "," << int(m.ScrollY) << " ctrl "
      << int(m.PpuCtrl);
  for (int y = 0; y < kScreenHeight; ++y) {
    if (y == line) continue;
    const uint8_t* row = m.FrameBuffer.data() + y * kScreenWidth;
    ASSERT_TRUE(std::all_of(row, row + kScreenWidth, [](uint8_t v) { return v == 0xEE; }))
        << "line " << line << " spilled onto row " << y << " at scroll " << int(m.ScrollX);
  }
}

}  // namespace

TEST(RendererReference, EveryHorizontalScrollOnTheEdgeAndTileRowLines) {
  PictureMachine pm;
  Machine& m = pm.m;
  std::mt19937 random(18);
  BuildRunsPicture(m, random);
  m.PpuMask = 0x08;
  // Lines at the frame's edges, at tile-row edges and at the wrap to the
  // table below for a vertical scroll of 8.
  for (int ctrl : {0x00, 0x01, 0x12, 0x13})
    for (int scrollY : {0, 8, 239})
      for (int scrollX = 0; scrollX < 256; ++scrollX) {
        m.PpuCtrl = static_cast<uint8_t>(ctrl);
        m.ScrollX = static_cast<uint8_t>(scrollX);
        m.ScrollY = static_cast<uint8_t>(scrollY);
        for (int line : {0, 1, 7, 8, 119, 231, 232, 238, 239}) ExpectLineMatches(m, line);
        if (HasFatalFailure()) return;
      }
}

TEST(RendererReference, WholeFramesAtRandomScrollsOnFreshPictures) {
  PictureMachine pm;
  Machine& m = pm.m;
  std::mt19937 random(60);
  for (int picture = 0; picture < 40; ++picture) {
    BuildRunsPicture(m, random);
    m.PpuMask = 0x08;
    m.PpuCtrl = static_cast<uint8_t>(random() & 0x13);
    m.ScrollX = static_cast<uint8_t>(random());
    m.ScrollY = static_cast<uint8_t>(random() % 240);
    // Drawn top to bottom as the hook does: each line leaves the others alone.
    for (int line = 0; line < kScreenHeight; ++line) RenderLine(m, line);
    for (int line = 0; line < kScreenHeight; ++line) {
      const std::vector<uint8_t> expected = ReferenceLine(m, line);
      ASSERT_EQ(Row(m, line), std::vector<int>(expected.begin(), expected.end()))
          << "picture " << picture << " line " << line;
    }
  }
}
