// The picture processor's dots: the line and frame counters, vertical blank,
// the background fetches (name, attribute, two pattern planes every eight
// dots) feeding the shift registers, sprite evaluation into secondary OAM
// with the overflow flag's faulty search, the sprite fetches of dots
// 257-320, and each visible dot's pixel with its priority and sprite-0 hit.
#include <algorithm>
#include <bit>
#include <cstring>

#include "core/Machine.h"
#include "engine/console/ppu/Ppu.h"
#include "engine/console/ppu/PpuNameTable.h"

namespace {

// Evaluation's steps through primary OAM.
enum EvalStep : uint8_t {
  kEvalScan,      // reading Y bytes for a sprite on the next line
  kEvalCopy,      // copying the found sprite's other three bytes
  kEvalOverflow,  // eight found: looking for a ninth, with the faulty step
  kEvalDone,      // all 64 seen
};

// A byte with its bits in the opposite order, for horizontally flipped sprites.
constexpr auto kReversed = [] {
  struct {
    uint8_t v[256];
  } t{};
  for (int i = 0; i < 256; ++i) {
    int r = 0;
    for (int b = 0; b < 8; ++b)
      if (i & (1 << b)) r |= 0x80 >> b;
    t.v[i] = static_cast<uint8_t>(r);
  }
  return t;
}();

// A byte's bits spread one to a byte, the leftmost pixel (bit 7) in the
// lowest byte: eight pixels of a plane side by side in one word.
static_assert(std::endian::native == std::endian::little, "pixels are packed lowest address first");
constexpr auto kSpread = [] {
  struct {
    uint64_t v[256];
  } t{};
  for (int i = 0; i < 256; ++i)
    for (int b = 0; b < 8; ++b)
      if (i & (0x80 >> b)) t.v[i] |= uint64_t{1} << (8 * b);
  return t;
}();
constexpr uint64_t kEveryByte = 0x0101010101010101;

// Every pattern fetch goes through here, background and sprite alike: the
// boards that watch the pattern address lines see them in the hardware's order.
inline uint8_t PatternFetch(Ppu& p, const Machine& m, uint16_t address) {
  PpuAddressOut(p, address);
  return m.PatternBankTable[address >> 10][address];
}

inline void Shift(Ppu& p) {
  p.ShiftLow = static_cast<uint16_t>(p.ShiftLow << 1);
  p.ShiftHigh = static_cast<uint16_t>(p.ShiftHigh << 1);
  p.AttrLow = static_cast<uint16_t>(p.AttrLow << 1);
  p.AttrHigh = static_cast<uint16_t>(p.AttrHigh << 1);
}

// The fetched tile enters the low byte of the shift registers.
inline void Reload(Ppu& p) {
  p.ShiftLow = static_cast<uint16_t>((p.ShiftLow & 0xFF00) | p.PatternLow);
  p.ShiftHigh = static_cast<uint16_t>((p.ShiftHigh & 0xFF00) | p.PatternHigh);
  p.AttrLow = static_cast<uint16_t>((p.AttrLow & 0xFF00) | ((p.AttrLatch & 1) ? 0xFF : 0));
  p.AttrHigh = static_cast<uint16_t>((p.AttrHigh & 0xFF00) | ((p.AttrLatch & 2) ? 0xFF : 0));
}

// The background's addresses from the current address V: its name-table
// byte, the attribute byte of its 32 x 32 pixel block and the two bits of
// that byte for its 16 x 16 quarter, and the low plane of its tile's row.
inline uint16_t NameAddress(uint16_t v) { return static_cast<uint16_t>(0x2000 | (v & 0x0FFF)); }
inline uint16_t AttributeAddress(uint16_t v) {
  return static_cast<uint16_t>(0x23C0 | (v & 0x0C00) | ((v >> 4) & 0x38) | ((v >> 2) & 0x07));
}
inline uint8_t AttributeBits(uint8_t attr, uint16_t v) {
  return static_cast<uint8_t>((attr >> (((v >> 4) & 4) | (v & 2))) & 3);
}
inline uint16_t PatternAddress(const Ppu& p, uint8_t name) {
  return static_cast<uint16_t>(((p.Ctrl & 0x10) << 8) | (name << 4) | (p.V >> 12));
}

// The background fetch of the dot's place in its eight-dot group: each
// memory access takes two dots and the byte is latched on the second.
inline void BackgroundFetch(Ppu& p, const Machine& m, uint16_t dot) {
  switch (dot & 7) {
    case 2: p.NameLatch = m.Vram[PpuNameTableIndex(p.NameTables, NameAddress(p.V))]; break;
    case 4:
      p.AttrLatch = AttributeBits(m.Vram[PpuNameTableIndex(p.NameTables, AttributeAddress(p.V))], p.V);
      break;
    case 5:
    case 7:
      // The pattern planes' addresses go out a dot before their bytes come
      // back: a board watching A12 sees them here.
      if (p.A12.Watching) [[unlikely]]
        PpuAddressOut(p, static_cast<uint16_t>(PatternAddress(p, p.NameLatch) | (dot & 2) << 2));
      break;
    case 6: p.PatternLow = PatternFetch(p, m, PatternAddress(p, p.NameLatch)); break;
    case 0:
      p.PatternHigh = PatternFetch(p, m, static_cast<uint16_t>(PatternAddress(p, p.NameLatch) | 8));
      PpuIncrementX(p);
      break;
    default: break;
  }
}

// A tile group's four fetches at once, for RenderTile.
// Both name-table reads are made before anything is stored: a byte stored
// into the chip's state could, for all the compiler knows, be the board's
// name-table arrangement, which it would then read again.
inline void FetchTile(Ppu& p, const Machine& m) {
  const uint16_t v = p.V;
  const uint8_t name = m.Vram[PpuNameTableIndex(p.NameTables, NameAddress(v))];
  const uint8_t attr = m.Vram[PpuNameTableIndex(p.NameTables, AttributeAddress(v))];
  const uint16_t pattern = PatternAddress(p, name);
  p.NameLatch = name;
  p.AttrLatch = AttributeBits(attr, v);
  p.PatternLow = PatternFetch(p, m, pattern);
  p.PatternHigh = PatternFetch(p, m, static_cast<uint16_t>(pattern | 8));
  PpuIncrementX(p);
}

inline int SpriteHeight(const Ppu& p) { return (p.Ctrl & 0x20) ? 16 : 8; }

// The search's registers, kept in hand while a group's steps run.
struct Search {
  uint8_t OamAddr, Index, Copied, State;
  int Line;
  unsigned Height;
};

inline Search SearchOf(const Ppu& p) {
  return {p.OamAddr,   p.SecondaryIndex, p.EvalCopied,
          p.EvalState, p.Line,           static_cast<unsigned>(SpriteHeight(p))};
}

inline void KeepSearch(Ppu& p, const Search& s) {
  p.OamAddr = s.OamAddr;
  p.SecondaryIndex = s.Index;
  p.EvalCopied = s.Copied;
  p.EvalState = s.State;
}

// An even dot's step (66-256), with the byte `y` the odd dot before it read:
// it goes to secondary OAM and the search steps on.
inline void SearchStep(Ppu& p, Search& s, uint8_t y, uint16_t dot) {
  const bool inRange = static_cast<unsigned>(s.Line - y) < s.Height;
  switch (s.State) {
    case kEvalScan:
      p.Secondary[s.Index] = y;
      if (inRange) {
        if (dot == 66) p.SpriteZeroNext = true;
        ++s.Index;
        ++s.OamAddr;
        s.Copied = 1;
        s.State = kEvalCopy;
      } else {
        s.State = s.OamAddr >= 0xFC ? kEvalDone : kEvalScan;
        s.OamAddr = static_cast<uint8_t>(s.OamAddr + 4);
      }
      break;
    case kEvalCopy:
      p.Secondary[s.Index++] = y;
      if (++s.Copied == 4) {
        if (s.OamAddr >= 0xFF)
          s.State = kEvalDone;
        else
          s.State = s.Index == 32 ? kEvalOverflow : kEvalScan;
      }
      ++s.OamAddr;
      break;
    case kEvalOverflow:
      if (inRange) {
        p.Status |= 0x20;
        s.State = kEvalDone;
      } else {
        // The hardware's fault: stepping to the next sprite also steps the
        // byte within it, so the following "Y" read is some other byte.
        if (s.OamAddr >= 0xFC) s.State = kEvalDone;
        s.OamAddr = static_cast<uint8_t>(((s.OamAddr + 4) & 0xFC) | ((s.OamAddr + 1) & 3));
      }
      break;
    default: s.OamAddr = static_cast<uint8_t>(s.OamAddr + 4); break;
  }
}

// One dot of evaluation (65-256): OAM is read on odd dots, and on even dots
// the search steps with the byte read.
void Evaluate(Ppu& p, const Machine& m) {
  if (p.Dot & 1) {
    p.OamLatch = m.Oam[p.OamAddr];
    return;
  }
  Search s = SearchOf(p);
  SearchStep(p, s, p.OamLatch, p.Dot);
  KeepSearch(p, s);
}

// A tile group's eight dots of evaluation from `first` (odd, past 64): four
// reads, each with its step.
inline void EvaluateGroup(Ppu& p, const Machine& m, uint16_t first) {
  Search s = SearchOf(p);
  // Most groups of a search pass over four sprites of which none is on the
  // next line: each Y read lands in the same secondary slot and the address
  // steps a sprite on. Short of the table's last four sprites, none of the
  // steps ends the search.
  if (s.State == kEvalScan && s.OamAddr < 0xF0) {
    const uint8_t* y4 = &m.Oam[s.OamAddr];
    const auto off = [&](uint8_t y) { return static_cast<unsigned>(s.Line - y) >= s.Height; };
    if (off(y4[0]) && off(y4[4]) && off(y4[8]) && off(y4[12])) {
      p.Secondary[s.Index] = y4[12];
      p.OamLatch = y4[12];
      p.OamAddr = static_cast<uint8_t>(s.OamAddr + 16);
      return;
    }
  }
  uint8_t y = 0;
  for (int i = 1; i < 8; i += 2) {
    y = m.Oam[s.OamAddr];
    SearchStep(p, s, y, static_cast<uint16_t>(first + i));
  }
  p.OamLatch = y;
  KeepSearch(p, s);
}

// The address of sprite slot `slot`'s low pattern plane (the high plane is
// eight bytes on).
uint16_t SpritePatternAddress(const Ppu& p, int slot) {
  const uint8_t* s = &p.Secondary[slot * 4];
  const int height = SpriteHeight(p);
  const bool real = slot < p.SpriteCount;
  const uint8_t tile = real ? s[1] : 0xFF;
  int row = real ? (p.Line - s[0]) & (height - 1) : 0;
  if (s[2] & 0x80) row = height - 1 - row;
  if (height == 8) return static_cast<uint16_t>(((p.Ctrl & 0x08) << 9) | (tile << 4) | row);
  return static_cast<uint16_t>(((tile & 1) << 12) | ((tile & 0xFE) << 4) | ((row & 8) << 1) | (row & 7));
}

// The fetch of sprite slot `slot` (its last dot): the pattern planes of the
// row the next line shows, drawn into that line's sprite pixels. Empty slots
// still fetch, from tile $FF.
void FetchSprite(Ppu& p, Machine& m, int slot) {
  const uint8_t* s = &p.Secondary[slot * 4];
  const bool real = slot < p.SpriteCount;
  // An empty slot's fetches are seen only by a board watching A12.
  if (!real && !p.A12.Watching) return;
  const uint8_t attr = s[2];
  const uint16_t address = SpritePatternAddress(p, slot);
  uint8_t low = PatternFetch(p, m, address);
  uint8_t high = PatternFetch(p, m, static_cast<uint16_t>(address + 8));
  if (!real) return;
  if (attr & 0x40) low = kReversed.v[low], high = kReversed.v[high];
  const uint8_t tag = static_cast<uint8_t>(0x10 | ((attr & 3) << 2) | ((attr & 0x20) ? 0x20 : 0) |
                                           ((slot == 0 && p.SpriteZeroNext) ? 0x40 : 0));
  // Lower slots win: a pixel already taken stays, even one behind the
  // background, which hides the later sprites' pixels there too.
  const int x = s[3];
  const uint64_t pixels = kSpread.v[low] | kSpread.v[high] << 1;
  if (!pixels) return;
  const uint64_t opaque = ((pixels | pixels >> 1) & kEveryByte) * 0xFF;
  // Every taken pixel has its 0x10 bit set: a free one is a 0 byte.
  uint8_t taken[8] = {};
  const int width = std::min(8, 256 - x);
  std::memcpy(taken, &p.LinePixels[x], static_cast<size_t>(width));
  uint64_t line;
  std::memcpy(&line, taken, sizeof line);
  // A sprite at the right edge is cut off past x 255.
  const uint64_t onLine = width == 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * width)) - 1;
  const uint64_t fresh = (pixels | tag * kEveryByte) & opaque & onLine & ~(((line >> 4) & kEveryByte) * 0xFF);
  if (!fresh) return;
  line |= fresh;
  std::memcpy(&p.LinePixels[x], &line, static_cast<size_t>(width));
  p.SpritesHere = true;
}

// The visible dot's pixel: background and sprite with their left-column
// masks, priority, and sprite-0 hit where both are opaque.
inline void Pixel(Ppu& p, Machine& m, int x, int bit) {
  uint8_t bg = 0;
  if ((p.Mask & 0x08) && (x >= 8 || (p.Mask & 0x02))) {
    const int pixel = ((p.ShiftLow >> bit) & 1) | (((p.ShiftHigh >> bit) & 1) << 1);
    if (pixel)
      bg = static_cast<uint8_t>((((p.AttrLow >> bit) & 1) << 2) | (((p.AttrHigh >> bit) & 1) << 3) | pixel);
  }
  uint8_t color = bg;
  if (p.SpritesHere) {
    const uint8_t s = p.LinePixels[x];
    if (s && (p.Mask & 0x10) && (x >= 8 || (p.Mask & 0x04))) {
      if (bg && (s & 0x40) && x != 255) p.Status |= 0x40;
      if (!bg || !(s & 0x20)) color = s & 0x1F;
    }
  }
  m.FrameBuffer[p.Line * 256 + x] = static_cast<uint8_t>(color | p.PixelTag);
}

// Eight pixels from x (a multiple of 8) with the shift registers as the
// group's first dot leaves them: the same choice as Pixel makes, the
// background's eight taken at once from the planes' bytes under fine X.
// The left column's masks hide all eight or none.
inline void TilePixels(Ppu& p, Machine& m, int x, const uint16_t (&planes)[4]) {
  const bool left = x < 8;
  const bool background = (p.Mask & 0x08) && (!left || (p.Mask & 0x02));
  const bool sprites = (p.Mask & 0x10) && (!left || (p.Mask & 0x04));
  uint64_t colors = 0;
  if (background) {
    const int shift = 8 - p.FineX;
    const uint64_t pixel = kSpread.v[static_cast<uint8_t>(planes[0] >> shift)] |
                           kSpread.v[static_cast<uint8_t>(planes[1] >> shift)] << 1;
    const uint64_t attr = kSpread.v[static_cast<uint8_t>(planes[2] >> shift)] << 2 |
                          kSpread.v[static_cast<uint8_t>(planes[3] >> shift)] << 3;
    // A transparent pixel is 0 whatever its palette.
    const uint64_t opaque = ((pixel | pixel >> 1) & kEveryByte) * 0xFF;
    colors = (pixel | attr) & opaque;
  }
  if (p.SpritesHere && sprites) {
    uint64_t here;
    std::memcpy(&here, &p.LinePixels[x], sizeof here);
    if (here) {
      // Each byte's flags spread to a whole byte: a sprite there (every
      // sprite pixel has 0x10), behind the background (0x20), from entry 0
      // (0x40); and an opaque background pixel.
      const uint64_t sprite = ((here >> 4) & kEveryByte) * 0xFF;
      const uint64_t behind = ((here >> 5) & kEveryByte) * 0xFF;
      const uint64_t zero = ((here >> 6) & kEveryByte) * 0xFF;
      const uint64_t opaque = ((colors | colors >> 1 | colors >> 2 | colors >> 3) & kEveryByte) * 0xFF;
      // Sprite 0 never hits at x 255.
      const uint64_t hitColumns = x == 248 ? 0x00FFFFFFFFFFFFFF : ~uint64_t{0};
      if (sprite & zero & opaque & hitColumns) p.Status |= 0x40;
      const uint64_t shown = sprite & ~(opaque & behind);
      colors = (colors & ~shown) | (here & kEveryByte * 0x1F & shown);
    }
  }
  colors |= kEveryByte * p.PixelTag;
  std::memcpy(&m.FrameBuffer[p.Line * 256 + x], &colors, sizeof colors);
}

// The evaluation's part of a visible dot: secondary OAM filled with $FF by
// dot 64, then the search.
inline void EvaluationDot(Ppu& p, const Machine& m) {
  if (p.Dot == 64) {
    std::memset(p.Secondary, 0xFF, sizeof p.Secondary);
    p.SecondaryIndex = 0;
    p.EvalState = kEvalScan;
    p.SpriteZeroNext = false;
  } else if (p.Dot > 64) {
    Evaluate(p, m);
  }
}

// Eight dots of a visible line at once, from the first dot of a tile's
// group (1, 9, ... 249) to its last, when nothing reaches the chip in
// between: the same shifts, reload, fetches, pixels and evaluation steps
// as dot by dot, without going round the dot loop for each. The line's
// first group shows the tiles the previous line fetched: no shift or
// reload on its first dot. The pre-render line (`Visible` false) fetches and
// shifts the same, drawing and searching nothing.
template <bool Visible>
void RenderTile(Ppu& p, Machine& m) {
  const uint16_t first = static_cast<uint16_t>(p.Dot + 1);
  // The registers as the first dot leaves them, kept in hand until the
  // last one's seven more shifts.
  uint16_t planes[4] = {p.ShiftLow, p.ShiftHigh, p.AttrLow, p.AttrHigh};
  if (first > 1) {
    // The attribute latch's two bits widen to the palette planes' bytes.
    const unsigned attr = p.AttrLatch;
    planes[0] = static_cast<uint16_t>(((planes[0] << 1) & 0xFF00) | p.PatternLow);
    planes[1] = static_cast<uint16_t>(((planes[1] << 1) & 0xFF00) | p.PatternHigh);
    planes[2] = static_cast<uint16_t>(((planes[2] << 1) & 0xFF00) | (0u - (attr & 1)) >> 24);
    planes[3] = static_cast<uint16_t>(((planes[3] << 1) & 0xFF00) | (0u - (attr >> 1 & 1)) >> 24);
  }
  if constexpr (Visible) TilePixels(p, m, first - 1, planes);
  p.ShiftLow = static_cast<uint16_t>(planes[0] << 7);
  p.ShiftHigh = static_cast<uint16_t>(planes[1] << 7);
  p.AttrLow = static_cast<uint16_t>(planes[2] << 7);
  p.AttrHigh = static_cast<uint16_t>(planes[3] << 7);
  if constexpr (Visible) {
    if (first > 64 && p.EvalState == kEvalDone) {
      // A finished search still reads a sprite's Y and steps to the next on
      // every pair of dots.
      p.OamLatch = m.Oam[static_cast<uint8_t>(p.OamAddr + 12)];
      p.OamAddr = static_cast<uint8_t>(p.OamAddr + 16);
    } else if (first > 64) {
      EvaluateGroup(p, m, first);
    } else if (first + 7 >= 64) {
      for (int i = 0; i < 8; ++i) {
        p.Dot = static_cast<uint16_t>(first + i);
        EvaluationDot(p, m);
      }
    }
  }
  p.Dot = static_cast<uint16_t>(first + 7);
  FetchTile(p, m);
  if (p.Dot == 256) PpuIncrementY(p);
}

// Dots 258-320 of a fetching line at once: the eight sprite slots, each
// holding OAMADDR at 0 and fetching on its last dot. On the pre-render line
// the vertical scroll bits are copied from T all through 280-304, and the
// slots fetch tile $FF.
template <bool Visible>
void FetchSprites(Ppu& p, Machine& m) {
  if constexpr (!Visible) p.V = static_cast<uint16_t>((p.V & ~0x7BE0) | (p.T & 0x7BE0));
  for (int slot = 0; slot < 8; ++slot) {
    p.Dot = static_cast<uint16_t>(264 + slot * 8);
    p.OamAddr = 0;
    FetchSprite(p, m, slot);
  }
}

// Dots 321-336 at once: the first tile fetched while the registers shift
// seven times, the reload at 329, the second tile with eight more shifts.
void PrefetchTiles(Ppu& p, Machine& m) {
  FetchTile(p, m);
  for (int i = 0; i < 8; ++i) Shift(p);
  Reload(p);
  for (int i = 0; i < 7; ++i) Shift(p);
  FetchTile(p, m);
  p.Dot = 336;
}

// A dot of a visible line (`Visible`) or of the pre-render line with
// rendering on: the same fetches, but only visible lines draw and evaluate.
template <bool Visible>
void RenderDot(Ppu& p, Machine& m) {
  const uint16_t d = p.Dot;
  if (d == 0) return;
  if (d <= 256) {
    if (d >= 2) Shift(p);
    if ((d & 7) == 1 && d >= 9) Reload(p);
    BackgroundFetch(p, m, d);
    if constexpr (Visible) {
      Pixel(p, m, d - 1, 15 - p.FineX);
      EvaluationDot(p, m);
    }
    if (d == 256) PpuIncrementY(p);
    return;
  }
  if (d <= 320) {
    if (d == 257) {
      Shift(p);
      Reload(p);
      p.V = static_cast<uint16_t>((p.V & ~0x041F) | (p.T & 0x041F));
      p.SpriteCount = Visible ? static_cast<uint8_t>((p.SecondaryIndex + 3) >> 2) : 0;
      if (p.SpritesHere) {
        std::memset(p.LinePixels, 0, sizeof p.LinePixels);
        p.SpritesHere = false;
      }
    }
    if constexpr (!Visible)
      if (d >= 280 && d <= 304) p.V = static_cast<uint16_t>((p.V & ~0x7BE0) | (p.T & 0x7BE0));
    p.OamAddr = 0;
    const int step = (d - 257) & 7;
    // The pattern planes' addresses go out on the slot's fifth and seventh
    // dots, where a board watching A12 sees them; the bytes come with the
    // slot's last dot.
    if (p.A12.Watching && (step == 4 || step == 6)) [[unlikely]]
      PpuAddressOut(p, static_cast<uint16_t>(SpritePatternAddress(p, (d - 257) >> 3) | (step & 2) << 2));
    if (step == 7) FetchSprite(p, m, (d - 257) >> 3);
    return;
  }
  if (d <= 336) {
    if (d >= 322) Shift(p);
    if (d == 329) Reload(p);
    BackgroundFetch(p, m, d);
    return;
  }
  if (d == 337) {
    Shift(p);
    Reload(p);
  }
}

// Rendering off: the visible dots show the backdrop, or the palette entry
// the address points at when it points into the palette.
void IdleDot(Ppu& p, Machine& m) {
  const uint16_t d = p.Dot;
  if (d >= 1 && d <= 256) {
    const uint8_t color = (p.V & 0x3F00) == 0x3F00 ? static_cast<uint8_t>(p.V & 0x1F) : 0;
    m.FrameBuffer[p.Line * 256 + d - 1] = static_cast<uint8_t>(color | p.PixelTag);
  } else if (d == 257) {
    p.SpriteCount = 0;
    if (p.SpritesHere) {
      std::memset(p.LinePixels, 0, sizeof p.LinePixels);
      p.SpritesHere = false;
    }
  }
}

}  // namespace

void PpuIncrementX(Ppu& p) {
  if ((p.V & 0x1F) == 31)
    p.V = static_cast<uint16_t>((p.V & ~0x1F) ^ 0x400);
  else
    ++p.V;
}

void PpuIncrementY(Ppu& p) {
  if ((p.V & 0x7000) != 0x7000) {
    p.V = static_cast<uint16_t>(p.V + 0x1000);
    return;
  }
  p.V &= 0x0FFF;
  int y = (p.V >> 5) & 31;
  if (y == 29) {
    y = 0;
    p.V ^= 0x800;
  } else if (y == 31) {
    y = 0;
  } else {
    ++y;
  }
  p.V = static_cast<uint16_t>((p.V & ~0x3E0) | (y << 5));
}

[[gnu::always_inline]] inline void StepDot(Ppu& p, Machine& m) {
  if (++p.Dot > 340) {
    p.Dot = 0;
    if (++p.Line > 261) {
      p.Line = 0;
      ++p.Frame;
      // Odd frames with rendering on are one dot shorter: the first line's
      // idle dot 0 is skipped.
      if (p.SkipDot) p.Dot = 1;
      p.SkipDot = false;
      PpuBeginPicture(p);
    }
  }
  const bool rendering = p.Mask & 0x18;
  if (p.Line < 240) {
    if (rendering)
      RenderDot<true>(p, m);
    else
      IdleDot(p, m);
    return;
  }
  if (p.Line == 261) {
    // Whether an odd frame loses its dot is settled by rendering as it
    // stands at dot 338.
    if (p.Dot == 338) p.SkipDot = PpuOddFrame(p) && rendering;
    if (p.Dot == 1) {
      p.Status &= 0x1F;
      p.ResetHeld = false;
      PpuUpdateNmi(p);
    }
    if (rendering)
      RenderDot<false>(p, m);
    else if (p.Dot == 257) {
      IdleDot(p, m);
    }
    return;
  }
  if (p.Line == 240) {
    if (p.Dot == 0) p.FrameReady = true;
    return;
  }
  if (p.Line == 241 && p.Dot == 1) {
    if (!p.VblankSuppressed) p.Status |= 0x80;
    p.VblankSuppressed = false;
    PpuUpdateNmi(p);
  }
}

void PpuStep(Ppu& p, Machine& m) { StepDot(p, m); }

void PpuRun(Ppu& p, Machine& m, uint32_t dots) {
  while (dots) {
    // Past the flag's rise nothing happens until the pre-render line: the
    // dots go by in one step.
    if (p.Line >= 241 && p.Line <= 260 && !(p.Line == 241 && p.Dot == 0) && p.Dot < 340) {
      const uint32_t n = std::min<uint32_t>(dots, 340u - p.Dot);
      p.Dot = static_cast<uint16_t>(p.Dot + n);
      dots -= n;
      continue;
    }
    if (dots >= 8 && p.Line < 240 && (p.Mask & 0x18) && (p.Dot & 7) == 0 && p.Dot < 256) {
      // Each group ends on the next one's first dot: the line's groups run
      // one after another while the dots owed last.
      do {
        RenderTile<true>(p, m);
        dots -= 8;
      } while (dots >= 8 && p.Dot < 256);
      continue;
    }
    // The pre-render line's groups after the first, whose dot 1 clears the flags.
    if (dots >= 8 && p.Line == 261 && (p.Mask & 0x18) && (p.Dot & 7) == 0 && p.Dot >= 8 && p.Dot < 256) {
      RenderTile<false>(p, m);
      dots -= 8;
      continue;
    }
    // A fetching line's sprite fetches: dot 257 as it comes, then the slots.
    if (dots >= 64 && (p.Line < 240 || p.Line == 261) && (p.Mask & 0x18) && p.Dot == 256) {
      StepDot(p, m);
      if (p.Line == 261)
        FetchSprites<false>(p, m);
      else
        FetchSprites<true>(p, m);
      dots -= 64;
      continue;
    }
    // A visible line's end: the two tile fetches, then dot 337's shift and
    // reload and three idle dots.
    if (dots >= 20 && p.Dot == 320 && (p.Mask & 0x18) && p.Line < 240) {
      PrefetchTiles(p, m);
      Shift(p);
      Reload(p);
      p.Dot = 340;
      dots -= 20;
      continue;
    }
    // Dots 321-336 of a fetching line: the next line's first two tiles.
    if (dots >= 16 && p.Dot == 320 && (p.Mask & 0x18) && (p.Line < 240 || p.Line == 261)) {
      PrefetchTiles(p, m);
      dots -= 16;
      continue;
    }
    // A visible line's sprite slot after its first dot: seven dots holding
    // OAMADDR at 0, the fetch on the last.
    if (dots >= 7 && p.Line < 240 && (p.Mask & 0x18) && p.Dot >= 257 && p.Dot < 320 &&
        ((p.Dot - 257) & 7) == 0) {
      p.Dot = static_cast<uint16_t>(p.Dot + 7);
      p.OamAddr = 0;
      FetchSprite(p, m, (p.Dot - 257) >> 3);
      dots -= 7;
      continue;
    }
    StepDot(p, m);
    --dots;
  }
}

uint32_t PpuDotsToEvent(const Ppu& p) {
  constexpr int kFrameDots = 262 * 341;
  // The frame's end, the flag's rise and its fall.
  constexpr int kEvents[] = {240 * 341, 241 * 341 + 1, 261 * 341 + 1};
  const int here = p.Line * 341 + p.Dot;
  int nearest = kFrameDots;
  for (int event : kEvents) {
    int d = event - here;
    if (d <= 0) d += kFrameDots;
    nearest = std::min(nearest, d);
  }
  // One dot early: an odd frame's skipped dot may bring the event nearer.
  return static_cast<uint32_t>(nearest > 1 ? nearest - 1 : 1);
}
