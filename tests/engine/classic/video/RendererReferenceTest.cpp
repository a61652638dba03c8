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
#include "engine/classic/ClassicEngine.h"
#include "engine/classic/video/PpuRegisters.h"
#include "engine/classic/video/Renderer.h"

namespace {

// Row `line` as the algorithm describes it, one pixel at a time.
std::vector<uint8_t> ReferenceLine(const Machine& m, int line) {
  std::vector<uint8_t> row(kScreenWidth, 0);
  if (!(Classic(m).PpuMask & 0x08)) return row;
  const int v = line + Classic(m).ScrollY;
  int tileRow = v >> 3;
  const int fine = v & 7;
  unsigned table = 0x2000 + 0x400 * (Classic(m).PpuCtrl & 3);
  if (tileRow >= 30) {
    tileRow -= 30;
    table ^= 0x800;
  }
  int column = Classic(m).ScrollX >> 3;
  int x = -(Classic(m).ScrollX & 7);
  const unsigned base = (Classic(m).PpuCtrl & 0x10) ? 0x1000 : 0;
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
      << "line " << line << " scroll " << int(Classic(m).ScrollX) << "," << int(Classic(m).ScrollY)
      << " ctrl " << int(Classic(m).PpuCtrl);
  for (int y = 0; y < kScreenHeight; ++y) {
    if (y == line) continue;
    const uint8_t* row = m.FrameBuffer.data() + y * kScreenWidth;
    ASSERT_TRUE(std::all_of(row, row + kScreenWidth, [](uint8_t v) { return v == 0xEE; }))
        << "line " << line << " spilled onto row " << y << " at scroll " << int(Classic(m).ScrollX);
  }
}

}  // namespace

TEST(RendererReference, EveryHorizontalScrollOnTheEdgeAndTileRowLines) {
  PictureMachine pm;
  Machine& m = pm.m;
  std::mt19937 random(18);
  BuildRunsPicture(m, random);
  Classic(m).PpuMask = 0x08;
  // Lines at the frame's edges, at tile-row edges and at the wrap to the
  // table below for a vertical scroll of 8.
  for (int ctrl : {0x00, 0x01, 0x12, 0x13})
    for (int scrollY : {0, 8, 239})
      for (int scrollX = 0; scrollX < 256; ++scrollX) {
        Classic(m).PpuCtrl = static_cast<uint8_t>(ctrl);
        Classic(m).ScrollX = static_cast<uint8_t>(scrollX);
        Classic(m).ScrollY = static_cast<uint8_t>(scrollY);
        for (int line : {0, 1, 7, 8, 119, 231, 232, 238, 239}) ExpectLineMatches(m, line);
        if (HasFatalFailure()) return;
      }
}

TEST(RendererReference, EveryAttributeByteUnderEveryVerticalScroll) {
  PictureMachine pm;
  Machine& m = pm.m;
  std::mt19937 random(240);
  BuildRunsPicture(m, random);
  // The four tables' 256 attribute bytes are every value once, shuffled, so
  // each quadrant pair of each value is read from the top and bottom halves
  // alike, on either side of the wrap into the right-hand table.
  std::vector<uint8_t> values(256);
  for (int i = 0; i < 256; ++i) values[i] = static_cast<uint8_t>(i);
  std::shuffle(values.begin(), values.end(), random);
  for (int i = 0; i < 256; ++i) m.Vram[0x2000 + 0x400 * (i / 64) + 0x3C0 + i % 64] = values[i];
  Classic(m).PpuMask = 0x08;
  // A horizontal step of 3 meets every fine offset and every column.
  for (int ctrl = 0; ctrl < 4; ++ctrl)
    for (int scrollY = 0; scrollY < 240; ++scrollY)
      for (int scrollX = 0; scrollX < 256; scrollX += 3) {
        Classic(m).PpuCtrl = static_cast<uint8_t>(ctrl | (scrollY & 0x10));
        Classic(m).ScrollX = static_cast<uint8_t>(scrollX);
        Classic(m).ScrollY = static_cast<uint8_t>(scrollY);
        const int line = (scrollX * 7 + scrollY) % kScreenHeight;
        RenderLine(m, line);
        const std::vector<uint8_t> expected = ReferenceLine(m, line);
        ASSERT_EQ(Row(m, line), std::vector<int>(expected.begin(), expected.end()))
            << "line " << line << " scroll " << scrollX << "," << scrollY << " ctrl " << ctrl;
      }
}

TEST(RendererReference, WholeFramesAtRandomScrollsOnFreshPictures) {
  PictureMachine pm;
  Machine& m = pm.m;
  std::mt19937 random(60);
  for (int picture = 0; picture < 40; ++picture) {
    BuildRunsPicture(m, random);
    Classic(m).PpuMask = 0x08;
    Classic(m).PpuCtrl = static_cast<uint8_t>(random() & 0x13);
    Classic(m).ScrollX = static_cast<uint8_t>(random());
    Classic(m).ScrollY = static_cast<uint8_t>(random() % 240);
    // Drawn top to bottom as the hook does: each line leaves the others alone.
    for (int line = 0; line < kScreenHeight; ++line) RenderLine(m, line);
    for (int line = 0; line < kScreenHeight; ++line) {
      const std::vector<uint8_t> expected = ReferenceLine(m, line);
      ASSERT_EQ(Row(m, line), std::vector<int>(expected.begin(), expected.end()))
          << "picture " << picture << " line " << line;
    }
  }
}

namespace {

// The sprite pass as the algorithm reads: sprite 63 down to 0, one pixel at
// a time, the pattern address stepped row by row.
void ReferenceSprites(const Machine& m, std::vector<uint8_t>& frame) {
  const bool tall = Classic(m).PpuCtrl & 0x20;
  const int height = tall ? 16 : 8;
  for (int s = 63; s >= 0; --s) {
    const int y = m.Oam[4 * s], tile = m.Oam[4 * s + 1], attributes = m.Oam[4 * s + 2], x = m.Oam[4 * s + 3];
    if (y >= 239) continue;
    int address = tall ? (tile & 1) * 0x1000 + (tile >> 1) * 32
                       : 16 * tile + ((Classic(m).PpuCtrl & 0x08) ? 0x1000 : 0);
    int step = 1;
    if (attributes & 0x80) {
      address += tall ? 23 : 7;
      step = -1;
    }
    for (int i = 0; i < std::min(height, 239 - y); ++i) {
      if (i == 8) address += 8 * step;
      const uint8_t low = PatternByte(m, static_cast<uint16_t>(address));
      const uint8_t high = PatternByte(m, static_cast<uint16_t>(address + 8));
      address += step;
      for (int k = 0; k < 8; ++k) {
        const int bit = (attributes & 0x40) ? k : 7 - k;
        const int colour = 2 * ((high >> bit) & 1) + ((low >> bit) & 1);
        if (colour == 0 || x + k >= kScreenWidth) continue;
        uint8_t& pixel = frame[(y + i) * kScreenWidth + x + k];
        if ((attributes & 0x20) && (pixel & 3) != 0) continue;
        pixel = static_cast<uint8_t>(16 + 4 * (attributes & 3) + colour);
      }
    }
  }
}

}  // namespace

// Random sprite pages over random backgrounds in both sizes and both pattern
// halves: crowds on the same lines, every flip and priority, the right edge
// and the bottom lines, transparent rows inside opaque tiles.
TEST(RendererReference, SpritePassMatchesPixelByPixelDrawing) {
  PictureMachine pm;
  Machine& m = pm.m;
  std::mt19937 random(64);
  for (int page = 0; page < 400; ++page) {
    for (int a = 0; a < 0x2000; ++a) m.Vram[a] = (random() % 3) ? static_cast<uint8_t>(random()) : 0;
    for (uint8_t& v : m.FrameBuffer) v = static_cast<uint8_t>(random() & 15);
    for (int i = 0; i < 256; ++i) {
      uint8_t v = static_cast<uint8_t>(random());
      // Every fourth page crowds the edges: X 240-255, Y 224-240.
      if (page % 4 == 0 && i % 4 == 0) v = static_cast<uint8_t>(224 + random() % 17);
      if (page % 4 == 0 && i % 4 == 3) v = static_cast<uint8_t>(240 + random() % 16);
      m.Oam[i] = v;
    }
    Classic(m).PpuCtrl = static_cast<uint8_t>(((page & 1) ? 0x20 : 0) | ((page & 2) ? 0x08 : 0));
    std::vector<uint8_t> expected(m.FrameBuffer.begin(), m.FrameBuffer.end());
    ReferenceSprites(m, expected);
    RenderSprites(m);
    ASSERT_EQ(std::vector<uint8_t>(m.FrameBuffer.begin(), m.FrameBuffer.end()), expected) << "page " << page;
  }
}

// Banks switched between lines, as boards with 1 KB pattern banks do in the
// middle of a frame: every line must read the banks in force when it is drawn,
// also when a layout comes back after others.
TEST(RendererReference, PatternBanksSwitchedBetweenLinesAreFollowed) {
  PictureMachine pm;
  Machine& m = pm.m;
  std::mt19937 random(1024);
  BuildRunsPicture(m, random);
  const std::array<const uint8_t*, 8> original = m.PatternBankTable;
  // Layouts of the eight 1 KB windows over the 8 KB of pattern memory.
  std::vector<std::array<int, 8>> layouts = {{0, 1, 2, 3, 4, 5, 6, 7}, {7, 6, 5, 4, 3, 2, 1, 0}};
  for (int i = 0; i < 6; ++i) {
    std::array<int, 8> layout{};
    for (int& bank : layout) bank = int(random() % 8);
    layouts.push_back(layout);
  }
  Classic(m).PpuMask = 0x08;
  for (int line = 0; line < kScreenHeight; ++line) {
    const std::array<int, 8>& layout = layouts[random() % layouts.size()];
    for (int entry = 0; entry < 8; ++entry)
      m.PatternBankTable[entry] = original[entry] + 0x400 * (layout[entry] - entry);
    Classic(m).PpuCtrl = static_cast<uint8_t>((line & 8) ? 0x10 : 0x00);
    Classic(m).ScrollX = static_cast<uint8_t>(random());
    ExpectLineMatches(m, line);
    if (HasFatalFailure()) return;
  }
  m.PatternBankTable = original;
}

namespace {

// A machine whose pattern memory is a 16 KB ROM of random bytes, named by a
// serial as the loader names one, so that the renderer keeps the rows it
// draws; name tables of runs, the background shown.
struct PatternRomMachine : TestMachine {
  explicit PatternRomMachine(std::mt19937& random) {
    EXPECT_TRUE(InstallCartridge(m, 2, 2));
    for (size_t i = 0; i + 1 < m.ChrRom.size(); ++i) m.ChrRom[i] = static_cast<uint8_t>(random());
    m.PatternRomSerial = Machine::NewPatternRomSerial();
    BuildRunsPicture(m, random);
    Classic(m).PpuMask = 0x08;
  }
};

// Points each 1 KB window at a random kilobyte of `storage` (16 of them).
void MapRandomBanks(Machine& m, const uint8_t* storage, std::mt19937& random) {
  for (unsigned entry = 0; entry < 8; ++entry)
    m.PatternBankTable[entry] = storage + 0x400 * (random() % 16) - 0x400 * entry;
}

void ExpectFrameMatches(Machine& m, const char* what, int frame) {
  for (int line = 0; line < kScreenHeight; ++line) {
    const std::vector<uint8_t> expected = ReferenceLine(m, line);
    ASSERT_EQ(Row(m, line), std::vector<int>(expected.begin(), expected.end()))
        << what << ", frame " << frame << " line " << line << " scroll " << int(Classic(m).ScrollX) << ","
        << int(Classic(m).ScrollY) << " ctrl " << int(Classic(m).PpuCtrl);
  }
}

}  // namespace

// Under a pattern ROM a drawn row is kept and copied out while its names,
// attribute bytes and banks stand. Frames drawn one after another, with a few
// names and attribute bytes rewritten between them (in all four tables), the
// scroll, the table and the half changed, the banks switched, and the scroll
// split part way down, must each equal the straightforward drawing.
TEST(RendererReference, KeptRowsFollowEveryChangeUnderAPatternRom) {
  std::mt19937 random(2024);
  PatternRomMachine pm(random);
  Machine& m = pm.m;
  for (int frame = 0; frame < 120; ++frame) {
    for (int n = int(random() % 12); n > 0; --n) {
      const unsigned table = 0x2000 + 0x400 * (random() % 4);
      const unsigned at = (random() % 4) ? random() % 960 : 0x3C0 + random() % 64;
      m.Vram[table + at] = static_cast<uint8_t>(random());
    }
    if (random() % 4 == 0) MapRandomBanks(m, m.ChrRom.data(), random);
    if (random() % 2) Classic(m).ScrollX = static_cast<uint8_t>(random());
    if (random() % 4 == 0) Classic(m).ScrollY = static_cast<uint8_t>(random());
    if (random() % 4 == 0) Classic(m).PpuCtrl = static_cast<uint8_t>(random() & 0x13);
    const int split = int(random() % kScreenHeight);
    const uint8_t splitX = static_cast<uint8_t>(random());
    const uint8_t topX = Classic(m).ScrollX;
    for (int line = 0; line < kScreenHeight; ++line) {
      Classic(m).ScrollX = line < split ? topX : splitX;
      RenderLine(m, line);
      const std::vector<uint8_t> expected = ReferenceLine(m, line);
      ASSERT_EQ(Row(m, line), std::vector<int>(expected.begin(), expected.end()))
          << "frame " << frame << " line " << line << " scroll " << int(Classic(m).ScrollX) << ","
          << int(Classic(m).ScrollY) << " ctrl " << int(Classic(m).PpuCtrl);
    }
    Classic(m).ScrollX = topX;
  }
}

// Rows kept for one image are never shown for another: a new image loaded
// where the last one was (same address, same banks, same names) is drawn
// from its own bytes. And banks that leave the ROM (here: video memory, which
// the program may rewrite at any time) are drawn afresh on every line.
TEST(RendererReference, KeptRowsNeverOutliveTheirPatternImage) {
  std::mt19937 random(77);
  PatternRomMachine pm(random);
  Machine& m = pm.m;
  for (int line = 0; line < kScreenHeight; ++line) RenderLine(m, line);
  ExpectFrameMatches(m, "first image", 0);
  if (HasFatalFailure()) return;

  for (size_t i = 0; i + 1 < m.ChrRom.size(); ++i) m.ChrRom[i] = static_cast<uint8_t>(random());
  m.PatternRomSerial = Machine::NewPatternRomSerial();
  for (int line = 0; line < kScreenHeight; ++line) RenderLine(m, line);
  ExpectFrameMatches(m, "second image", 0);
  if (HasFatalFailure()) return;

  // Both halves mapped onto video memory's first 8 kilobytes, whose bytes
  // change every frame while the banks stay.
  for (unsigned entry = 0; entry < 8; ++entry)
    m.PatternBankTable[entry] = m.Vram.data() + 0x400 * ((entry * 5) % 8) - 0x400 * entry;
  for (int frame = 0; frame < 8; ++frame) {
    for (int a = 0; a < 0x2000; ++a) m.Vram[a] = static_cast<uint8_t>(random());
    Classic(m).PpuCtrl = static_cast<uint8_t>(random() & 0x13);
    Classic(m).ScrollX = static_cast<uint8_t>(random());
    for (int line = 0; line < kScreenHeight; ++line) RenderLine(m, line);
    ExpectFrameMatches(m, "banks in video memory", frame);
    if (HasFatalFailure()) return;
  }
}
