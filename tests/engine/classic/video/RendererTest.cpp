// The background line and the sprite pass, checked pixel by pixel against
// pictures built in the Machine's memories.
#include "engine/classic/ClassicEngine.h"
#include "engine/classic/video/Renderer.h"

#include <gtest/gtest.h>

#include "engine/classic/video/PictureBuilder.h"
#include "video/Palette.h"

namespace {

// Tile 1: colours 0,1,2,3,0,1,2,3 from left to right on every row.
constexpr int kRampTile = 1;
// Tile 2: colour 3 throughout.
constexpr int kSolidTile = 2;

void SetRampTile(Machine& m, int base = 0) { SetUniformTile(m, base + 16 * kRampTile, 0x55, 0x33); }

// --- Background -------------------------------------------------------------------

struct HorizontalCase {
  uint8_t ctrl;
  uint8_t scrollX;
  // First column shown from the $2400 table (solid, palette 2 = 11) and the
  // number of columns it covers; the rest shows the $2000 ramp.
  int solidFrom, solidCount;
};

class BackgroundScrollX : public testing::TestWithParam<HorizontalCase> {};

TEST_P(BackgroundScrollX, TilesPastColumn31ComeFromTheTableToTheRight) {
  const HorizontalCase c = GetParam();
  PictureMachine t;
  SetRampTile(t.m);
  SetSolidTile(t.m, 16 * kSolidTile, 3);
  FillNames(t.m, 0x2000, kRampTile);
  FillNames(t.m, 0x2400, kSolidTile);
  FillAttributes(t.m, 0x2400, 0xAA);
  Classic(t.m).PpuMask = 0x08;
  Classic(t.m).PpuCtrl = c.ctrl;
  Classic(t.m).ScrollX = c.scrollX;

  RenderLine(t.m, 0);

  std::vector<int> expected(kScreenWidth);
  for (int x = 0; x < kScreenWidth; ++x) {
    const bool solid = x >= c.solidFrom && x < c.solidFrom + c.solidCount;
    expected[x] = solid ? 11 : (x + c.scrollX) & 3;
  }
  EXPECT_EQ(Row(t.m, 0), expected);
}

INSTANTIATE_TEST_SUITE_P(Renderer, BackgroundScrollX,
                         testing::Values(
                             // Unscrolled: the whole line is the $2000 table.
                             HorizontalCase{0x00, 0, 0, 0},
                             // Three pixels in: the 33rd tile's first three pixels close the line.
                             HorizontalCase{0x00, 3, 253, 3},
                             // Half way: the right half is column 0-15 of the table to the right.
                             HorizontalCase{0x00, 128, 128, 128},
                             // Starting in $2400, the wrap goes back to $2000.
                             HorizontalCase{0x01, 131, 0, 125}));

// Every fine scroll on the first, inner and last lines: the line shows the
// scrolled tiles and the lines around it keep what they held, however the
// tiles are laid into the frame.
TEST(Renderer, EveryFineScrollDrawsItsLineAndLeavesTheNeighboursAlone) {
  PictureMachine t;
  SetRampTile(t.m);
  SetSolidTile(t.m, 16 * kSolidTile, 3);
  FillNames(t.m, 0x2000, kRampTile);
  FillNames(t.m, 0x2400, kSolidTile);
  FillAttributes(t.m, 0x2400, 0xAA);
  Classic(t.m).PpuMask = 0x08;
  constexpr uint8_t kMarker = 0x3F;
  for (const int line : {0, 1, 120, 238, 239}) {
    for (const int scrollX : {0, 1, 5, 7, 8, 100, 249, 255}) {
      SCOPED_TRACE(testing::Message() << "line " << line << ", scroll " << scrollX);
      std::fill(t.m.FrameBuffer.begin(), t.m.FrameBuffer.end(), kMarker);
      Classic(t.m).ScrollX = static_cast<uint8_t>(scrollX);
      RenderLine(t.m, line);
      std::vector<int> expected(kScreenWidth);
      for (int x = 0; x < kScreenWidth; ++x)
        expected[x] = x + scrollX >= kScreenWidth ? 11 : (x + scrollX) & 3;
      EXPECT_EQ(Row(t.m, line), expected);
      const std::vector<int> untouched(kScreenWidth, kMarker);
      if (line > 0) {
        EXPECT_EQ(Row(t.m, line - 1), untouched);
      }
      if (line < kScreenHeight - 1) {
        EXPECT_EQ(Row(t.m, line + 1), untouched);
      }
    }
  }
}

struct VerticalCase {
  uint8_t ctrl;
  uint8_t scrollY;
  int line;
  int value;
};

class BackgroundScrollY : public testing::TestWithParam<VerticalCase> {};

TEST_P(BackgroundScrollY, RowsPast29ContinueInTheTableBelow) {
  const VerticalCase c = GetParam();
  PictureMachine t;
  // Tile 3 is colour 1 on its last row only, tile 4 colour 2 on its first only.
  SetTile(t.m, 0x30, {0, 0, 0, 0, 0, 0, 0, 0xFF}, {});
  SetTile(t.m, 0x40, {}, {0xFF, 0, 0, 0, 0, 0, 0, 0});
  for (int table : {0x2000, 0x2800}) {
    std::fill_n(t.m.Vram.begin() + table, 32, 4);            // tile row 0
    std::fill_n(t.m.Vram.begin() + table + 29 * 32, 32, 3);  // tile row 29
  }
  // The palette tells the tables apart: 3 in $2000, 1 in $2800.
  FillAttributes(t.m, 0x2000, 0xFF);
  FillAttributes(t.m, 0x2800, 0x55);
  Classic(t.m).PpuMask = 0x08;
  Classic(t.m).PpuCtrl = c.ctrl;
  Classic(t.m).ScrollY = c.scrollY;

  RenderLine(t.m, c.line);

  EXPECT_EQ(Row(t.m, c.line), std::vector<int>(kScreenWidth, c.value))
      << "ctrl " << int(c.ctrl) << " scrollY " << int(c.scrollY) << " line " << c.line;
}

INSTANTIATE_TEST_SUITE_P(Renderer, BackgroundScrollY,
                         testing::Values(VerticalCase{0x00, 0, 232, 12},  // row 29, fine row 0: colour 0
                                         VerticalCase{0x00, 8, 231, 13},  // row 29, fine row 7 of $2000
                                         VerticalCase{0x00, 8, 232, 6},   // row 0 of $2800
                                         VerticalCase{0x02, 8, 231, 5},   // row 29 of $2800
                                         VerticalCase{0x02, 8, 232, 14},  // back up into $2000
                                         VerticalCase{0x00, 239, 0, 13},  // line 0 already in row 29
                                         VerticalCase{0x00, 239, 239,
                                                      4}));  // 478: row 29 of $2800, fine row 6

TEST(Renderer, AttributeQuadrantsPickThePalettePerTwoByTwoTiles) {
  PictureMachine t;
  SetSolidTile(t.m, 16 * kSolidTile, 1);
  FillNames(t.m, 0x2000, kSolidTile);
  t.m.Vram[0x2000 + 2 * 32] = 0;     // a blank tile in the bottom-left quadrant
  t.m.Vram[0x23C0] = 0b11'10'01'00;  // quadrants: top-left 0, top-right 1, bottom-left 2, bottom-right 3
  t.m.Vram[0x23C1] = 0b00'00'00'11;  // the next byte covers columns 4-7
  t.m.Vram[0x23C8] = 0b00'00'00'10;  // the next byte row covers tile rows 4-7
  Classic(t.m).PpuMask = 0x08;
  for (int line : {0, 16, 32}) RenderLine(t.m, line);

  const std::vector<int> top = Row(t.m, 0, 0, 40);
  const std::vector<int> bottom = Row(t.m, 16, 0, 40);
  for (int x = 0; x < 40; ++x) {
    SCOPED_TRACE(x);
    EXPECT_EQ(top[x], x < 16 ? 1 : x < 32 ? 5 : 13);
    // Colour 0 shows the palette's own first entry: 8 for palette 2, not 0.
    EXPECT_EQ(bottom[x], x < 8 ? 8 : x < 16 ? 9 : x < 32 ? 13 : 1);
  }
  EXPECT_EQ(t.m.FrameBuffer[32 * kScreenWidth], 9);
}

// Each attribute byte different, in both tables: at every horizontal scroll,
// whichever column a line starts on, each pixel takes its palette from the
// byte and quadrant of the column it shows.
TEST(Renderer, AttributesFollowTheColumnsAtEveryScroll) {
  PictureMachine t;
  SetSolidTile(t.m, 16 * kSolidTile, 1);
  FillNames(t.m, 0x2000, kSolidTile);
  FillNames(t.m, 0x2400, kSolidTile);
  for (int i = 0; i < 64; ++i) {
    t.m.Vram[0x23C0 + i] = static_cast<uint8_t>(i * 37 + 11);
    t.m.Vram[0x27C0 + i] = static_cast<uint8_t>(i * 53 + 5);
  }
  Classic(t.m).PpuMask = 0x08;
  for (int scrollX = 0; scrollX < 256; ++scrollX) {
    Classic(t.m).ScrollX = static_cast<uint8_t>(scrollX);
    for (const int line : {0, 16}) {
      SCOPED_TRACE(testing::Message() << "scroll " << scrollX << ", line " << line);
      RenderLine(t.m, line);
      std::vector<int> expected(kScreenWidth);
      for (int x = 0; x < kScreenWidth; ++x) {
        const int shown = x + scrollX;
        const int table = shown >= kScreenWidth ? 0x2400 : 0x2000;
        const int column = (shown & 0xFF) >> 3;
        const int shift = (line >= 16 ? 4 : 0) + (column & 2);
        expected[x] = 4 * ((t.m.Vram[table + 0x3C0 + (column >> 2)] >> shift) & 3) + 1;
      }
      ASSERT_EQ(Row(t.m, line), expected);
    }
  }
}

TEST(Renderer, BackgroundOffClearsTheLineWhateverTheTablesHold) {
  PictureMachine t;
  SetSolidTile(t.m, 16 * kSolidTile, 3);
  FillNames(t.m, 0x2000, kSolidTile);
  FillAttributes(t.m, 0x2000, 0xFF);
  FillRow(t.m, 7, 0x5A);
  Classic(t.m).PpuMask = 0x10;  // sprites on, background off

  RenderLine(t.m, 7);

  EXPECT_EQ(Row(t.m, 7), std::vector<int>(kScreenWidth, 0));
}

TEST(Renderer, ControlBit4MovesTheBackgroundPatternsToTheUpperHalf) {
  PictureMachine t;
  SetSolidTile(t.m, 0x0000 + 16 * kSolidTile, 1);
  SetSolidTile(t.m, 0x1000 + 16 * kSolidTile, 2);
  FillNames(t.m, 0x2000, kSolidTile);
  Classic(t.m).PpuMask = 0x08;

  RenderLine(t.m, 0);
  Classic(t.m).PpuCtrl = 0x10;
  RenderLine(t.m, 1);

  EXPECT_EQ(Row(t.m, 0), std::vector<int>(kScreenWidth, 1));
  EXPECT_EQ(Row(t.m, 1), std::vector<int>(kScreenWidth, 2));
}

// --- Sprites -------------------------------------------------------------------------

struct SpanCase {
  bool tall;
  uint8_t y;
  int first, last;  // lines covered; first > last: none
};

class SpriteLines : public testing::TestWithParam<SpanCase> {};

TEST_P(SpriteLines, TopRowOnLineYAndNothingOnLine239) {
  const SpanCase c = GetParam();
  PictureMachine t;
  HideSprites(t.m);
  SetSolidTile(t.m, 0x1000, 1);
  SetSolidTile(t.m, 0x1010, 1);
  Classic(t.m).PpuCtrl = c.tall ? 0x20 : 0x08;
  // Tile 1 in 8x16 mode is $1000-$101F; tile 0 with bit 3 is $1000 for 8x8.
  SetSprite(t.m, 9, c.y, c.tall ? 1 : 0, 0x00, 40);

  RenderSprites(t.m);

  for (int line = 0; line < kScreenHeight; ++line) {
    const bool covered = line >= c.first && line <= c.last;
    EXPECT_EQ(Row(t.m, line, 40, 8), std::vector<int>(8, covered ? 17 : 0)) << "line " << line;
  }
}

INSTANTIATE_TEST_SUITE_P(Renderer, SpriteLines,
                         testing::Values(SpanCase{false, 0, 0, 7}, SpanCase{false, 100, 100, 107},
                                         SpanCase{false, 235, 235, 238}, SpanCase{false, 238, 238, 238},
                                         SpanCase{false, 239, 1, 0}, SpanCase{false, 255, 1, 0},
                                         SpanCase{true, 0, 0, 15}, SpanCase{true, 230, 230, 238}));

TEST(Renderer, SpriteAtTheRightEdgeShowsItsLeftPixelsAndDoesNotWrap) {
  PictureMachine t;
  HideSprites(t.m);
  // Pixels 0-3 colour 1, pixels 4-7 colour 3.
  SetUniformTile(t.m, 0x0050, 0xFF, 0x0F);
  SetSprite(t.m, 0, 20, 5, 0x00, 252);
  SetSprite(t.m, 1, 40, 5, 0x40, 252);  // flipped horizontally
  SetSprite(t.m, 2, 60, 5, 0x03, 248);  // palette 3, exactly at the edge

  RenderSprites(t.m);

  EXPECT_EQ(Row(t.m, 20, 248, 8), (std::vector<int>{0, 0, 0, 0, 17, 17, 17, 17}));
  EXPECT_EQ(Row(t.m, 40, 248, 8), (std::vector<int>{0, 0, 0, 0, 19, 19, 19, 19}));
  EXPECT_EQ(Row(t.m, 60, 248, 8), (std::vector<int>{29, 29, 29, 29, 31, 31, 31, 31}));
  for (int line : {21, 41, 61}) EXPECT_EQ(Row(t.m, line, 0, 8), std::vector<int>(8, 0)) << "line " << line;
}

TEST(Renderer, LowerNumberedSpriteWinsWhereBothAreOpaque) {
  PictureMachine t;
  HideSprites(t.m);
  SetUniformTile(t.m, 0x0010, 0xF0, 0x00);  // tile 1: left half colour 1, right half clear
  SetSolidTile(t.m, 0x0020, 2);             // tile 2: colour 2
  SetSprite(t.m, 0, 50, 1, 0x01, 40);
  SetSprite(t.m, 5, 50, 2, 0x00, 40);

  RenderSprites(t.m);

  EXPECT_EQ(Row(t.m, 50, 40, 8), (std::vector<int>{21, 21, 21, 21, 18, 18, 18, 18}));
}

TEST(Renderer, SpriteBehindTheBackgroundShowsOnlyWhereColourIsZero) {
  PictureMachine t;
  HideSprites(t.m);
  SetSolidTile(t.m, 0x0010, 3);
  SetSprite(t.m, 3, 50, 1, 0x22, 60);  // behind, palette 2
  SetSprite(t.m, 4, 50, 1, 0x22, 0);   // behind, over an earlier sprite
  SetSprite(t.m, 7, 50, 1, 0x01, 4);   // in front, drawn first
  const uint8_t background[8] = {0, 1, 4, 2, 8, 3, 12, 13};
  std::copy(background, background + 8, t.m.FrameBuffer.begin() + 50 * kScreenWidth + 60);

  RenderSprites(t.m);

  EXPECT_EQ(Row(t.m, 50, 60, 8), (std::vector<int>{27, 1, 27, 2, 27, 3, 27, 13}));
  // Sprite 7's colour-3 pixels (23) keep sprite 4 out of columns 4-7.
  EXPECT_EQ(Row(t.m, 50, 0, 12), (std::vector<int>{27, 27, 27, 27, 23, 23, 23, 23, 23, 23, 23, 23}));
}

struct TallFlipCase {
  uint8_t attributes;
  int topValue, bottomValue;  // the colour of the upper and lower 8 rows
  bool mirrored;              // lit pixel runs right to left
};

class TallSpriteFlips : public testing::TestWithParam<TallFlipCase> {};

TEST_P(TallSpriteFlips, HalvesAndRowsFollowTheFlipBits) {
  const TallFlipCase c = GetParam();
  PictureMachine t;
  HideSprites(t.m);
  // Tile $25 in 8x16 mode: upper tile at $1240, lower at $1250. Row r of each
  // lights pixel r only: colour 1 in the upper tile, colour 2 in the lower.
  for (int r = 0; r < 8; ++r) {
    t.m.Vram[0x1240 + r] = 0x80 >> r;
    t.m.Vram[0x1250 + 8 + r] = 0x80 >> r;
  }
  Classic(t.m).PpuCtrl = 0x20;
  SetSprite(t.m, 0, 30, 0x25, c.attributes, 100);

  RenderSprites(t.m);

  for (int i = 0; i < 16; ++i) {
    const int pixel = c.mirrored ? 7 - (i & 7) : (i & 7);
    std::vector<int> expected(8, 0);
    expected[pixel] = i < 8 ? c.topValue : c.bottomValue;
    EXPECT_EQ(Row(t.m, 30 + i, 100, 8), expected) << "sprite row " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Renderer, TallSpriteFlips,
                         testing::Values(TallFlipCase{0x00, 17, 18, false},  // as stored
                                         TallFlipCase{0x80, 18, 17,
                                                      true},  // vertical: $1250's last row on top
                                         TallFlipCase{0x40, 17, 18, true},     // horizontal
                                         TallFlipCase{0xC0, 18, 17, false}));  // both

TEST(Renderer, ControlBit3MovesSmallSpritePatternsToTheUpperHalf) {
  PictureMachine t;
  HideSprites(t.m);
  SetSolidTile(t.m, 0x0010, 1);
  SetSolidTile(t.m, 0x1010, 2);
  SetSprite(t.m, 0, 10, 1, 0x00, 0);

  RenderSprites(t.m);
  EXPECT_EQ(t.m.FrameBuffer[10 * kScreenWidth], 17);
  Classic(t.m).PpuCtrl = 0x08;
  RenderSprites(t.m);
  EXPECT_EQ(t.m.FrameBuffer[10 * kScreenWidth], 18);
}

// --- Colour table --------------------------------------------------------------------

TEST(Palette, ColourTableFollowsPaletteMemoryOnlyAfterAChange) {
  TestMachine t;
  t.m.Vram[0x3F00] = 0x0F;
  t.m.Vram[0x3F11] = 0x30;
  t.m.Vram[0x3F20] = 0x21;  // beyond the 32 entries the renderer uses, still rebuilt
  t.m.Vram[0x3F05] = 0x41;  // values of 64 and more wrap into the 64 colours
  t.m.Vram[0x3F3F] = 0xFD;
  t.m.FrameColors[64] = {1, 2, 3};
  t.m.PaletteChanged = true;

  EXPECT_TRUE(UpdateFrameColors(t.m));
  EXPECT_FALSE(t.m.PaletteChanged);
  EXPECT_EQ(t.m.FrameColors[0x00], (Rgb{0, 0, 0}));
  EXPECT_EQ(t.m.FrameColors[0x11], (Rgb{255, 255, 255}));
  EXPECT_EQ(t.m.FrameColors[0x20], (Rgb{64, 192, 255}));
  EXPECT_EQ(t.m.FrameColors[0x05], (Rgb{0, 64, 128}));
  EXPECT_EQ(t.m.FrameColors[0x3F], (Rgb{153, 153, 153}));
  EXPECT_EQ(t.m.FrameColors[0x01], (Rgb{104, 104, 104}));
  EXPECT_EQ(t.m.FrameColors[64], (Rgb{1, 2, 3}));

  // Unchanged palette memory: the table is left as it is.
  t.m.Vram[0x3F00] = 0x30;
  EXPECT_FALSE(UpdateFrameColors(t.m));
  EXPECT_EQ(t.m.FrameColors[0x00], (Rgb{0, 0, 0}));
}

}  // namespace
