#include "video/Renderer.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "video/PpuRegisters.h"

// clang-format off
const std::array<Rgb, 64> NesColors = {{
  //  x0               x1               x2               x3               x4               x5               x6               x7               x8               x9               xA               xB               xC               xD               xE               xF
  {104, 104, 104}, {  0,  64, 128}, {  0,   0, 128}, { 64,   0, 128}, {128,   0, 128}, {128,   0,  64}, {128,   0,   0}, { 85,   0,   0}, { 64,  64,   0}, { 51,  80,   0}, {  0,  80,   0}, {  0,  80,   0}, {  0,  64,  64}, {  0,   0,   0}, {  0,   0,   0}, {  0,   0,   0},  // 0x
  {152, 152, 152}, {  0, 128, 192}, { 64,  64, 192}, {128,   0, 192}, {192,   0, 192}, {192,   0, 128}, {192,  32,  32}, {192,  64,   0}, {128, 128,   0}, { 85, 128,   0}, {  0, 128,   0}, { 51, 128,  51}, {  0, 128, 128}, {  0,   0,   0}, {  0,   0,   0}, {  0,   0,   0},  // 1x
  {208, 208, 208}, { 64, 192, 255}, {128, 128, 255}, {192,  64, 255}, {255,   0, 255}, {255,  64, 192}, {255,  80,  80}, {255, 128,  64}, {192, 192,   0}, {128, 192,   0}, {  0, 192,   0}, { 85, 192,  85}, {  0, 192, 192}, { 51,  51,  51}, {  0,   0,   0}, {  0,   0,   0},  // 2x
  {255, 255, 255}, {128, 255, 255}, {192, 192, 255}, {255, 128, 255}, {255,  64, 255}, {255, 128, 255}, {255, 128, 128}, {255, 192, 128}, {255, 255,  64}, {192, 255,  64}, { 64, 255,  64}, {170, 255, 170}, { 64, 255, 255}, {153, 153, 153}, {  0,   0,   0}, {  0,   0,   0},  // 3x
}};
// clang-format on

namespace {

// Eight pixels are handled as one 64-bit word, one byte per pixel in memory
// order (leftmost pixel at the lowest address), so a tile row is built with a
// few table lookups and stored with one write instead of eight.
constexpr uint64_t kEachByte = 0x0101010101010101ull;

constexpr int LaneShift(int pixel) {
  return std::endian::native == std::endian::little ? 8 * pixel : 8 * (7 - pixel);
}

// A plane byte spread over the eight pixel lanes: lane k holds bit 7-k (the
// leftmost pixel is bit 7). The mirrored table serves horizontally flipped
// sprites. Low plane | high plane << 1 interleaves the two planes into the
// 2-bit colour of every pixel at once.
constexpr std::array<uint64_t, 256> MakePlaneLanes(bool mirrored) {
  std::array<uint64_t, 256> lanes{};
  for (int byte = 0; byte < 256; ++byte)
    for (int pixel = 0; pixel < 8; ++pixel) {
      const int bit = mirrored ? pixel : 7 - pixel;
      if (byte & (1 << bit)) lanes[byte] |= uint64_t{1} << LaneShift(pixel);
    }
  return lanes;
}

constexpr std::array<uint64_t, 256> kPlaneLanes = MakePlaneLanes(false);
constexpr std::array<uint64_t, 256> kPlaneLanesMirrored = MakePlaneLanes(true);

inline void Store8(uint8_t* dest, uint64_t pixels) { std::memcpy(dest, &pixels, 8); }
inline uint64_t Load8(const uint8_t* source) {
  uint64_t pixels;
  std::memcpy(&pixels, source, 8);
  return pixels;
}

// The pattern row of the tile drawn last on a line. Within one line the
// pattern half, the fine row and the banks are fixed, so the tile number
// alone decides the row: a run of the same tile (sky, floor, blank space,
// which fill most pictures) is looked up once, and the rest of the run only
// takes its palette.
struct LastTile {
  int name = -1;
  uint64_t lanes = 0;
};

// One line of `count` background tiles from columns first.. of one name
// table, written eight pixels at a time to `out`.
uint8_t* DrawTiles(const Machine& m, unsigned table, int tileRow, unsigned patternRow, int first, int count,
                   uint8_t* out, LastTile& lastTile) {
  // A local copy: stores into the frame may alias anything behind a reference,
  // which would make the compiler reload it after every tile.
  LastTile last = lastTile;
  const uint8_t* names = m.Vram.data() + table + 32 * tileRow;
  const uint8_t* attributes = m.Vram.data() + table + 0x3C0 + 8 * (tileRow >> 2);
  // Bottom quadrants of an attribute byte sit four bits up; right ones two.
  const int rowShift = 2 * (tileRow & 2);
  auto paletteWord = [&](int column) {
    return kEachByte * 4 * ((attributes[column >> 2] >> (rowShift + (column & 2))) & 3);
  };
  auto tile = [&](int column, uint64_t palette) {
    const int name = names[column];
    if (name != last.name) {
      last.name = name;
      const unsigned address = patternRow + 16u * name;
      // A tile's 16 bytes never straddle a kilobyte, so one bank serves both planes.
      const uint8_t* planes = m.PatternBankTable[address >> 10] + address;
      last.lanes = kPlaneLanes[planes[0]] | (kPlaneLanes[planes[8]] << 1);
    }
    Store8(out, last.lanes | palette);
    out += 8;
  };
  // An attribute byte serves four columns, two palettes of two columns each,
  // so whole groups of four read it once; the columns before the first group
  // and after the last look theirs up one by one.
  int column = first;
  const int end = first + count;
  for (; column < end && (column & 3); ++column) tile(column, paletteWord(column));
  for (; column + 3 < end; column += 4) {
    const unsigned group = attributes[column >> 2] >> rowShift;
    const uint64_t left = kEachByte * 4 * (group & 3);
    const uint64_t right = kEachByte * 4 * ((group >> 2) & 3);
    tile(column, left);
    tile(column + 1, left);
    tile(column + 2, right);
    tile(column + 3, right);
  }
  for (; column < end; ++column) tile(column, paletteWord(column));
  lastTile = last;
  return out;
}

// Lanes 0..visible-1 all ones: what of an 8-pixel row lies left of the edge.
uint64_t ClipMask(int x) {
  const int visible = std::min(8, kScreenWidth - x);
  return kPlaneLanes[(0xFF << (8 - visible)) & 0xFF] * 0xFF;
}

// 0xFF in every lane whose byte has a non-zero low two bits: the background
// (or an earlier sprite) is opaque there.
uint64_t OpaqueLanes(uint64_t pixels) {
  const uint64_t colour = pixels & (kEachByte * 3);
  return ((colour | (colour >> 1)) & kEachByte) * 0xFF;
}

void DrawSprite(Machine& m, const uint8_t* entry, bool tall) {
  const int y = entry[0];
  if (y >= 239) return;
  const int tile = entry[1];
  const uint8_t attributes = entry[2];
  const int x = entry[3];

  int address = tall ? (tile & 1) * 0x1000 + (tile >> 1) * 32 : 16 * tile + ((m.PpuCtrl & 0x08) ? 0x1000 : 0);
  int step = 1;
  if (attributes & 0x80) {
    address += tall ? 23 : 7;
    step = -1;
  }
  const std::array<uint64_t, 256>& lanes = (attributes & 0x40) ? kPlaneLanesMirrored : kPlaneLanes;
  const uint64_t value = kEachByte * (16 + 4 * (attributes & 3));
  const uint64_t clip = ClipMask(x);
  const bool behind = attributes & 0x20;
  // Line 239 is never drawn on: a sprite reaching it loses its lower rows.
  const int rows = std::min(tall ? 16 : 8, 239 - y);

  // Rows stay inside FrameBuffer even 8 bytes past X = 255: the last row a
  // sprite reaches is 238, and the clip mask leaves the spill untouched.
  uint8_t* dest = m.FrameBuffer.data() + y * kScreenWidth + x;
  for (int row = 0; row < rows; ++row, address += step, dest += kScreenWidth) {
    // The lower half of an 8x16 sprite is the next tile, 8 bytes past the planes.
    if (row == 8) address += 8 * step;
    const uint8_t low = PatternByte(m, static_cast<uint16_t>(address));
    const uint8_t high = PatternByte(m, static_cast<uint16_t>(address + 8));
    if ((low | high) == 0) continue;
    uint64_t mask = (lanes[low | high] * 0xFF) & clip;
    const uint64_t under = Load8(dest);
    if (behind) mask &= ~OpaqueLanes(under);
    const uint64_t pixels = lanes[low] | (lanes[high] << 1) | value;
    Store8(dest, (under & ~mask) | (pixels & mask));
  }
}

}  // namespace

void RenderLine(Machine& m, int line) {
  uint8_t* row = m.FrameBuffer.data() + line * kScreenWidth;
  if (!(m.PpuMask & 0x08)) {
    std::memset(row, 0, kScreenWidth);
    return;
  }
  const int v = line + m.ScrollY;
  int tileRow = v >> 3;
  unsigned table = 0x2000 + 0x400 * (m.PpuCtrl & 3);
  // Past the 30th row the line continues in the table below.
  if (tileRow >= 30) {
    tileRow -= 30;
    table ^= 0x800;
  }
  const unsigned patternRow = ((m.PpuCtrl & 0x10) ? 0x1000 : 0) + (v & 7);
  const int column = m.ScrollX >> 3;

  // The tiles past column 31 come from the table to the right.
  const int fine = m.ScrollX & 7;
  LastTile last;
  if (fine == 0) {
    // Tile edges meet the line's: 32 whole tiles fill it exactly.
    uint8_t* next = DrawTiles(m, table, tileRow, patternRow, column, 32 - column, row, last);
    DrawTiles(m, table ^ 0x400, tileRow, patternRow, 0, column, next, last);
    return;
  }
  if (line > 0 && line < kScreenHeight - 1) {
    // 33 tiles are drawn straight into the frame, the first starting `fine`
    // pixels left of the line. What they cover of the neighbouring lines is
    // put back, so those keep whatever they showed.
    const uint64_t before = Load8(row - 8);
    const uint64_t after = Load8(row + kScreenWidth);
    uint8_t* next = DrawTiles(m, table, tileRow, patternRow, column, 32 - column, row - fine, last);
    DrawTiles(m, table ^ 0x400, tileRow, patternRow, 0, column + 1, next, last);
    Store8(row - 8, before);
    Store8(row + kScreenWidth, after);
    return;
  }
  // The first and last lines have no neighbour on one side: their 33 tiles go
  // through a buffer and the line starts `fine` pixels into the first.
  alignas(8) uint8_t tiles[33 * 8];
  uint8_t* next = DrawTiles(m, table, tileRow, patternRow, column, 32 - column, tiles, last);
  DrawTiles(m, table ^ 0x400, tileRow, patternRow, 0, column + 1, next, last);
  std::memcpy(row, tiles + fine, kScreenWidth);
}

void RenderSprites(Machine& m) {
  const bool tall = m.PpuCtrl & 0x20;
  // From 63 down, so a lower-numbered sprite ends on top where two overlap.
  for (int sprite = 63; sprite >= 0; --sprite) DrawSprite(m, m.Oam.data() + 4 * sprite, tall);
}
