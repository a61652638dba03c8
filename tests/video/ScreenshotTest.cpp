#include "engine/classic/ClassicEngine.h"
#include "video/Screenshot.h"

#include <gtest/gtest.h>

#include "support/ScratchFolder.h"
#include "support/TestMachine.h"

namespace {

constexpr size_t kPixels = 14 + 40 + 256 * 4;

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

}  // namespace

TEST(Screenshot, BitmapHoldsTheColourTableAndTheRowsBottomUp) {
  TestMachine t;
  t.m.FrameBuffer[0] = 7;                // top left
  t.m.FrameBuffer[239 * 256 + 255] = 9;  // bottom right
  t.m.FrameColors[7] = {10, 20, 30};
  t.m.FrameColors[255] = {1, 2, 3};
  const std::vector<uint8_t> bmp = EncodeBitmap(t.m);
  ASSERT_EQ(bmp.size(), kPixels + 256 * 240);
  EXPECT_EQ(Le32(bmp, 2), bmp.size());
  EXPECT_EQ(Le32(bmp, 10), kPixels);
  EXPECT_EQ(Le32(bmp, 14), 40u);
  EXPECT_EQ(bmp[26] | bmp[27] << 8, 1);  // planes
  EXPECT_EQ(bmp[28] | bmp[29] << 8, 8);  // bits per pixel
  EXPECT_EQ(Le32(bmp, 30), 0u);          // uncompressed
  EXPECT_EQ(Le32(bmp, 46), 256u);        // colours used
  // Blue, green, red, reserved.
  EXPECT_EQ(std::vector<uint8_t>(bmp.begin() + 54 + 7 * 4, bmp.begin() + 54 + 8 * 4),
            (std::vector<uint8_t>{30, 20, 10, 0}));
  EXPECT_EQ(std::vector<uint8_t>(bmp.begin() + 54 + 255 * 4, bmp.begin() + 54 + 256 * 4),
            (std::vector<uint8_t>{3, 2, 1, 0}));
  EXPECT_EQ(bmp[kPixels + 255], 9);        // first stored row is the bottom one
  EXPECT_EQ(bmp[kPixels + 239 * 256], 7);  // last stored row is the top one
}

TEST(Screenshot, SavingDrawsTheSpritesOnceMoreAndLogsTheFileName) {
  ScratchFolder dir;
  TestMachine t;
  ASSERT_TRUE(InstallCartridge(t.m, 2, 1));
  // Sprite 0 at (16, 20); every pattern byte $FF makes all its pixels colour 3.
  std::fill(t.m.ChrRom.begin(), t.m.ChrRom.end(), 0xFF);
  t.m.Oam[0] = 20;
  t.m.Oam[1] = 1;
  t.m.Oam[2] = 0x02;  // palette 2
  t.m.Oam[3] = 16;
  Classic(t.m).PpuMask = 0;  // sprites hidden: the screenshot draws them all the same
  const std::string path = dir.file("shot.bmp");
  SaveScreenshot(t.m, path);
  const std::vector<uint8_t> bmp = ReadAll(path);
  ASSERT_EQ(bmp.size(), kPixels + 256 * 240);
  // Both planes set: colour 3 of sprite palette 2 is index 16 + 8 + 3.
  EXPECT_EQ(bmp[kPixels + (239 - 20) * 256 + 16], 27);
  EXPECT_EQ(bmp[kPixels + (239 - 19) * 256 + 16], 0);
  EXPECT_EQ(t.host.log.back(), "salvar screen como \"shot.bmp\".");
}

TEST(Screenshot, AFileThatCannotBeWrittenThrowsAndLogsNothing) {
  ScratchFolder dir;
  TestMachine t;
  EXPECT_THROW(SaveScreenshot(t.m, dir.file("no/such/folder/shot.bmp")), std::runtime_error);
  EXPECT_TRUE(t.host.log.empty());
}
