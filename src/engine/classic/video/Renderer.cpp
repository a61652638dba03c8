#include "engine/classic/video/Renderer.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>

#include "engine/classic/video/PpuRegisters.h"

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
// 2-bit colour of every pixel at once; the high-plane tables hold that shift
// already (each lane's bit is `weight`), saving an instruction per tile row.
constexpr std::array<uint64_t, 256> MakePlaneLanes(bool mirrored, uint64_t weight = 1) {
  std::array<uint64_t, 256> lanes{};
  for (int byte = 0; byte < 256; ++byte)
    for (int pixel = 0; pixel < 8; ++pixel) {
      const int bit = mirrored ? pixel : 7 - pixel;
      if (byte & (1 << bit)) lanes[byte] |= weight << LaneShift(pixel);
    }
  return lanes;
}

constexpr std::array<uint64_t, 256> kPlaneLanes = MakePlaneLanes(false);
// Palette p in every lane as 4 * p, ready to be or-ed over a tile's colours.
constexpr std::array<uint64_t, 4> kPaletteWords = {0, kEachByte * 4, kEachByte * 8, kEachByte * 12};
constexpr std::array<uint64_t, 256> kPlaneLanesMirrored = MakePlaneLanes(true);
constexpr std::array<uint64_t, 256> kHighPlaneLanes = MakePlaneLanes(false, 2);
constexpr std::array<uint64_t, 256> kHighPlaneLanesMirrored = MakePlaneLanes(true, 2);
// 0xFF in the lanes that a byte's set bits cover: indexed by a sprite row's
// two planes or-ed, where the row is opaque.
constexpr std::array<uint64_t, 256> kCoveredLanes = MakePlaneLanes(false, 0xFF);
constexpr std::array<uint64_t, 256> kCoveredLanesMirrored = MakePlaneLanes(true, 0xFF);

inline void Store8(uint8_t* dest, uint64_t pixels) { std::memcpy(dest, &pixels, 8); }
inline uint64_t Load8(const uint8_t* source) {
  uint64_t pixels;
  std::memcpy(&pixels, source, 8);
  return pixels;
}

// Where each of the 256 tiles of one pattern half starts, through the banks
// as they stand: a tile is then one table lookup away instead of an address
// sum, a bank lookup and an offset. The table depends on nothing but the half
// and its four bank pointers, so it is rebuilt only when one of those
// changes, and the pattern bytes themselves are always read afresh.
struct TileStarts {
  unsigned half = ~0u;
  std::array<const uint8_t*, 4> banks{};
  std::array<const uint8_t*, 256> tiles{};
};

const uint8_t* const* TileStartsOf(const Machine& m, unsigned half) {
  // Per thread, so that it needs no lock: everything draws on the emulation
  // thread today. Keyed by the banks, so Machines on that thread share it.
  static thread_local TileStarts starts;
  const uint8_t* const* banks = m.PatternBankTable.data() + (half >> 10);
  const bool same = starts.half == half && starts.banks[0] == banks[0] && starts.banks[1] == banks[1] &&
                    starts.banks[2] == banks[2] && starts.banks[3] == banks[3];
  if (!same) {
    starts.half = half;
    for (unsigned k = 0; k < 4; ++k) starts.banks[k] = banks[k];
    for (unsigned tile = 0; tile < 256; ++tile) {
      const unsigned address = half + 16 * tile;
      starts.tiles[tile] = m.PatternBankTable[address >> 10] + address;
    }
  }
  return starts.tiles.data();
}

// Both palettes of an attribute quadrant pair, as shifted down to its row:
// the left two columns' word first, then the right two's.
struct PalettePair {
  uint64_t left, right;
};
constexpr std::array<PalettePair, 16> MakePalettePairs() {
  std::array<PalettePair, 16> pairs{};
  for (int bits = 0; bits < 16; ++bits) pairs[bits] = {kPaletteWords[bits & 3], kPaletteWords[bits >> 2]};
  return pairs;
}
constexpr std::array<PalettePair, 16> kPalettePairs = MakePalettePairs();

// One line of `count` background tiles (32 or 33) from column `first`
// (0-31) on, across a name table and the one to its right, written eight
// pixels at a time to `out`; `tiles` from TileStartsOf, `fineRow` the row
// within each tile. The two tables' rows are gathered side by side first, so
// the whole line is one loop whichever table a tile comes from: columns
// 32-63 are the right-hand table's 0-31, and no line reaches past 63.
// Inlined into each of its three callers: a call per line costs more than
// the copies of the code.
[[gnu::always_inline]] inline void DrawTiles(const Machine& m, unsigned table, int tileRow,
                                             const uint8_t* const* tiles, int fineRow, int first, int count,
                                             uint8_t* out) {
  const uint8_t* vram = m.Vram.data();
  const unsigned right = table ^ 0x400;
  uint8_t names[64];
  std::memcpy(names, vram + table + 32 * tileRow, 32);
  std::memcpy(names + 32, vram + right + 32 * tileRow, 32);
  uint8_t attributes[16];
  std::memcpy(attributes, vram + table + 0x3C0 + 8 * (tileRow >> 2), 8);
  std::memcpy(attributes + 8, vram + right + 0x3C0 + 8 * (tileRow >> 2), 8);
  // Bottom quadrants of an attribute byte sit four bits up; right ones two.
  const int rowShift = 2 * (tileRow & 2);
  auto tile = [&](uint8_t name, uint64_t palette) {
    // A tile's 16 bytes never straddle a kilobyte, so one bank serves both planes.
    const uint8_t* planes = tiles[name];
    Store8(out, kPlaneLanes[planes[fineRow]] | kHighPlaneLanes[planes[fineRow + 8]] | palette);
    out += 8;
  };
  // An attribute byte serves a group of four columns, two palettes of two
  // columns each, so each group reads it once: the group the line starts
  // inside (its columns from `first` on), the whole groups, and the group it
  // ends inside (its first columns).
  const uint8_t* name = names + first;
  const uint8_t* const end = name + count;
  const uint8_t* attribute = attributes + (first >> 2);
  auto palettes = [&] { return kPalettePairs[(*attribute++ >> rowShift) & 15]; };
  if (first & 3) {
    const PalettePair pair = palettes();
    switch (first & 3) {
      case 1: tile(*name++, pair.left); [[fallthrough]];
      case 2: tile(*name++, pair.right); [[fallthrough]];
      default: tile(*name++, pair.right);
    }
  }
  for (; end - name >= 4; name += 4) {
    const PalettePair pair = palettes();
    tile(name[0], pair.left);
    tile(name[1], pair.left);
    tile(name[2], pair.right);
    tile(name[3], pair.right);
  }
  if (name != end) {
    const PalettePair pair = palettes();
    tile(name[0], pair.left);
    if (end - name > 1) tile(name[1], pair.left);
    if (end - name > 2) tile(name[2], pair.right);
  }
}

// --- Kept rows ----------------------------------------------------------------------
// A row of the two name tables side by side (64 tiles, 512 pixels) is the same
// picture at every horizontal scroll, and a line is only a 256-pixel window
// of it. So under a pattern ROM each row is drawn once and then copied out,
// for as long as what it was drawn from stands: its 64 names, its 16
// attribute bytes and the four pattern banks of its half. Those are compared
// on every use, so no write to video memory needs tracking; the pattern bytes
// themselves are trusted, as a ROM's never change (PatternRomSerial names the
// image, so one loaded where another was is never taken for it).

// Sixteen bytes compared at once (a vector register where the machine has one).
using Block16 = uint64_t __attribute__((vector_size(16)));
inline Block16 Load16(const uint8_t* source) {
  Block16 block;
  std::memcpy(&block, source, 16);
  return block;
}

struct KeptRowKey {
  uint64_t serial = 0;  // 0: nothing kept
  unsigned half = 0;
  std::array<const uint8_t*, 4> banks{};
  // The left table's 32 names, the right one's, then both tables' 8 attribute bytes.
  Block16 shown[5] = {};
};

// Rows 0-255 (tile row * 8 + fine row) of each pair of tables, the pair at
// $2000/$2400 first. Each row's pixels are followed by its first 256 again,
// so any window of the ring is one straight copy.
constexpr int kKeptRows = 2 * 256;
constexpr int kKeptRowBytes = 512 + 256;
struct KeptRows {
  std::array<KeptRowKey, kKeptRows> keys{};
  // Left uninitialised: only the rows a picture uses take memory.
  std::unique_ptr<uint8_t[]> pixels = std::make_unique_for_overwrite<uint8_t[]>(kKeptRows * kKeptRowBytes);
};

// Whether all four kilobytes that `banks` map (from `half` on) lie in the
// pattern ROM, so that drawn rows may be kept.
bool InPatternRom(const Machine& m, const uint8_t* const* banks, unsigned half) {
  const auto first = reinterpret_cast<uintptr_t>(m.ChrRom.data());
  const uintptr_t last = first + m.ChrRom.size();
  for (unsigned k = 0; k < 4; ++k) {
    const auto kilobyte = reinterpret_cast<uintptr_t>(banks[k] + half + 0x400 * k);
    if (kilobyte < first || kilobyte + 0x400 > last) return false;
  }
  return true;
}

// Draws `line` by copying from its kept row, drawing that row first if what
// it shows has changed. False when the banks are not in pattern ROM: the
// caller then draws the line itself.
bool CopyKeptRow(Machine& m, uint8_t* out, unsigned table, int tileRow, int fineRow, unsigned half) {
  static thread_local std::unique_ptr<KeptRows> kept;
  const uint8_t* const* banks = m.PatternBankTable.data() + (half >> 10);
  const unsigned left = table & ~0x400u;
  const uint8_t* vram = m.Vram.data();
  const uint8_t* names = vram + left + 32 * tileRow;
  const uint8_t* rightNames = vram + (left ^ 0x400) + 32 * tileRow;
  const uint8_t* attributes = vram + left + 0x3C0 + 8 * (tileRow >> 2);
  const uint8_t* rightAttributes = vram + (left ^ 0x400) + 0x3C0 + 8 * (tileRow >> 2);
  if (!kept) [[unlikely]]
    kept = std::make_unique<KeptRows>();
  const int index = ((left >> 11) & 1) * 256 + 8 * tileRow + fineRow;
  KeptRowKey& key = kept->keys[index];
  uint8_t* pixels = kept->pixels.get() + index * kKeptRowBytes;
  // Or-ed differences rather than early exits: a kept row is usually current.
  uint64_t changed = (key.serial ^ m.PatternRomSerial) | (key.half ^ half);
  for (unsigned k = 0; k < 4; ++k)
    changed |= reinterpret_cast<uintptr_t>(key.banks[k]) ^ reinterpret_cast<uintptr_t>(banks[k]);
  Block16 attributeBlock = {Load8(attributes), Load8(rightAttributes)};
  const Block16 shown[5] = {Load16(names), Load16(names + 16), Load16(rightNames), Load16(rightNames + 16),
                            attributeBlock};
  Block16 differ = (key.shown[0] ^ shown[0]) | (key.shown[1] ^ shown[1]) | (key.shown[2] ^ shown[2]) |
                   (key.shown[3] ^ shown[3]) | (key.shown[4] ^ shown[4]);
  changed |= differ[0] | differ[1];
  if (changed) {
    if (!InPatternRom(m, banks, half)) return false;
    key.serial = m.PatternRomSerial;
    key.half = half;
    for (unsigned k = 0; k < 4; ++k) key.banks[k] = banks[k];
    for (int k = 0; k < 5; ++k) key.shown[k] = shown[k];
    DrawTiles(m, left, tileRow, TileStartsOf(m, half), fineRow, 0, 64, pixels);
    std::memcpy(pixels + 512, pixels, 256);
  }
  // The right-hand table of the pair starts half way round the ring.
  std::memcpy(out, pixels + (table == left ? 0 : 256) + Classic(m).ScrollX, kScreenWidth);
  return true;
}

// For each X, lanes 0..visible-1 all ones: what of an 8-pixel row starting
// there lies left of the screen's right edge.
constexpr std::array<uint64_t, 256> MakeClipMasks() {
  std::array<uint64_t, 256> masks{};
  for (int x = 0; x < 256; ++x) {
    const int visible = std::min(8, kScreenWidth - x);
    masks[x] = kCoveredLanes[(0xFF << (8 - visible)) & 0xFF];
  }
  return masks;
}
constexpr std::array<uint64_t, 256> kClipMasks = MakeClipMasks();

// 0xFF in every lane whose byte has a non-zero low two bits: the background
// (or an earlier sprite) is opaque there.
uint64_t OpaqueLanes(uint64_t pixels) {
  const uint64_t colour = pixels & (kEachByte * 3);
  return ((colour | (colour >> 1)) & kEachByte) * 0xFF;
}

// What every row of one sprite is drawn with: the plane tables of its
// mirroring, its palette in every lane, the clip at the screen's right edge
// and the direction its rows are read in (up when flipped).
struct SpriteRows {
  const uint64_t* lanes;
  const uint64_t* highLanes;
  const uint64_t* coveredLanes;
  uint64_t value;
  uint64_t clip;
  std::ptrdiff_t step;
};

// Up to eight rows of one tile, from its plane bytes at `plane` on. A tile's
// 16 bytes lie in one kilobyte bank, so its planes are found once rather
// than for every row; the row is then a pointer stepping one byte down or
// up. Two copies, with and without the background's priority, so that
// neither tests the flag on every row.
template <bool kBehindBackground>
void DrawTileRows(const SpriteRows& sprite, const uint8_t* plane, int count, uint8_t* out) {
  // Everything the loop reads is a local: its stores go through a byte
  // pointer, which as far as the compiler knows could reach `sprite` and
  // would have every field reloaded on every row.
  const uint64_t* const lanes = sprite.lanes;
  const uint64_t* const highLanes = sprite.highLanes;
  const uint64_t* const coveredLanes = sprite.coveredLanes;
  const uint64_t value = sprite.value;
  const uint64_t clip = sprite.clip;
  const std::ptrdiff_t step = sprite.step;
  for (int i = 0; i < count; ++i, out += kScreenWidth, plane += step) {
    const uint8_t low = plane[0];
    const uint8_t high = plane[8];
    if ((low | high) == 0) continue;
    uint64_t mask = coveredLanes[low | high] & clip;
    const uint64_t under = Load8(out);
    if constexpr (kBehindBackground) mask &= ~OpaqueLanes(under);
    const uint64_t pixels = lanes[low] | highLanes[high] | value;
    Store8(out, (under & ~mask) | (pixels & mask));
  }
}

void DrawSprite(Machine& m, const uint8_t* entry, bool tall) {
  const int y = entry[0];
  if (y >= 239) return;
  const int tile = entry[1];
  const uint8_t attributes = entry[2];
  const int x = entry[3];

  const int base = SpritePatternBase(m, tile, tall);
  const bool flipped = attributes & 0x80;
  const bool mirrored = attributes & 0x40;
  const SpriteRows sprite = {
      mirrored ? kPlaneLanesMirrored.data() : kPlaneLanes.data(),
      mirrored ? kHighPlaneLanesMirrored.data() : kHighPlaneLanes.data(),
      mirrored ? kCoveredLanesMirrored.data() : kCoveredLanes.data(),
      kEachByte * (16 + 4 * (attributes & 3)),
      kClipMasks[x],
      flipped ? -1 : 1,
  };
  const bool behind = attributes & 0x20;
  // Line 239 is never drawn on: a sprite reaching it loses its lower rows.
  const int rows = std::min(tall ? 16 : 8, 239 - y);

  // Rows stay inside FrameBuffer even 8 bytes past X = 255: the last row a
  // sprite reaches is 238, and the clip mask leaves the spill untouched.
  uint8_t* dest = m.FrameBuffer.data() + y * kScreenWidth + x;
  // Top to bottom, or (flipped) from the tile's last row up.
  auto drawTile = [&](int address, int count) {
    const uint8_t* planes = m.PatternBankTable[(address >> 10) & 7] + (address & 0x1FFF);
    const uint8_t* first = flipped ? planes + 7 : planes;
    if (behind)
      DrawTileRows<true>(sprite, first, count, dest);
    else
      DrawTileRows<false>(sprite, first, count, dest);
    dest += count * kScreenWidth;
  };
  if (!tall) {
    drawTile(base, rows);
    return;
  }
  // The two tiles of an 8x16 sprite lie one after the other; flipped, the
  // second one comes first.
  drawTile(flipped ? base + 16 : base, std::min(rows, 8));
  if (rows > 8) drawTile(flipped ? base : base + 16, rows - 8);
}

}  // namespace

void RenderLine(Machine& m, int line) {
  ClassicState& s = Classic(m);
  uint8_t* row = m.FrameBuffer.data() + line * kScreenWidth;
  if (!(s.PpuMask & 0x08)) {
    std::memset(row, 0, kScreenWidth);
    return;
  }
  const int v = line + s.ScrollY;
  int tileRow = v >> 3;
  unsigned table = 0x2000 + 0x400 * (s.PpuCtrl & 3);
  // Past the 30th row the line continues in the table below.
  if (tileRow >= 30) {
    tileRow -= 30;
    table ^= 0x800;
  }
  const unsigned half = (s.PpuCtrl & 0x10) ? 0x1000 : 0;
  const int fineRow = v & 7;
  if (m.PatternRomSerial != 0 && CopyKeptRow(m, row, table, tileRow, fineRow, half)) return;
  const uint8_t* const* tiles = TileStartsOf(m, half);
  const int column = s.ScrollX >> 3;
  const int fine = s.ScrollX & 7;
  if (fine == 0) {
    // Tile edges meet the line's: 32 whole tiles fill it exactly.
    DrawTiles(m, table, tileRow, tiles, fineRow, column, 32, row);
    return;
  }
  // The tiles past column 31 come from the table to the right.
  if (line > 0 && line < kScreenHeight - 1) {
    // 33 tiles are drawn straight into the frame, the first starting `fine`
    // pixels left of the line. What they cover of the neighbouring lines is
    // put back, so those keep whatever they showed.
    const uint64_t before = Load8(row - 8);
    const uint64_t after = Load8(row + kScreenWidth);
    DrawTiles(m, table, tileRow, tiles, fineRow, column, 33, row - fine);
    Store8(row - 8, before);
    Store8(row + kScreenWidth, after);
    return;
  }
  // The first and last lines have no neighbour on one side: their 33 tiles go
  // through a buffer and the line starts `fine` pixels into the first.
  alignas(8) uint8_t buffer[33 * 8];
  DrawTiles(m, table, tileRow, tiles, fineRow, column, 33, buffer);
  std::memcpy(row, buffer + fine, kScreenWidth);
}

void RenderSprites(Machine& m) {
  const bool tall = Classic(m).PpuCtrl & 0x20;
  // From 63 down, so a lower-numbered sprite ends on top where two overlap.
  for (int sprite = 63; sprite >= 0; --sprite) DrawSprite(m, m.Oam.data() + 4 * sprite, tall);
}
