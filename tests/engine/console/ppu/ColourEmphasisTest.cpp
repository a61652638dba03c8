// Colour emphasis in the console engine: emphasis.nes changes PPUMASK's
// emphasis bits twice in mid-picture over a backdrop of colour $30, and the
// picture's colours (pixel indices through the colour table the host builds)
// show the three bands; the designed engine draws without emphasis.
#include <gtest/gtest.h>

#include <string>

#include "cartridge/Lifecycle.h"
#include "engine/EngineChoice.h"
#include "engine/classic/video/Renderer.h"
#include "support/FrameBudgetHost.h"
#include "video/Palette.h"

namespace {

Rgb Dimmed(Rgb c, bool r, bool g, bool b) {
  const auto dim = [](uint8_t v, bool on) { return on ? static_cast<uint8_t>(v * 746 / 1000) : v; };
  return {dim(c.R, r), dim(c.G, g), dim(c.B, b)};
}

// The colour each of three lines shows: above the first change, between
// the two, below the second.
std::array<Rgb, 3> Bands(const char* engine) {
  BudgetMachine b;
  b.host.budget = 10;
  Machine& m = b.m;
  ChooseEngine(m, engine);
  LoadAndStart(m, std::string(VIREL_ROM_DIR) + "/emphasis.nes");
  UpdateFrameColors(m);
  std::array<Rgb, 3> bands;
  const int lines[] = {40, 150, 225};
  for (int i = 0; i < 3; ++i) {
    const int y = lines[i];
    bands[i] = m.FrameColors[m.FrameBuffer[y * kScreenWidth + 100]];
    // Every pixel of the line shows the same.
    for (int x = 0; x < kScreenWidth; ++x)
      EXPECT_EQ(m.FrameColors[m.FrameBuffer[y * kScreenWidth + x]], bands[i]) << engine << " line " << y;
  }
  UnloadCartridge(m);
  return bands;
}

TEST(ColourEmphasis, TintsThePictureFromTheLineItIsWrittenOn) {
  const Rgb plain = NesColors[0x30];
  const std::array<Rgb, 3> console = Bands("console");
  EXPECT_EQ(console[0], plain);
  EXPECT_EQ(console[1], Dimmed(plain, false, true, true)) << "red emphasis dims green and blue";
  EXPECT_EQ(console[2], Dimmed(plain, true, true, true)) << "all three dim every channel";
  const std::array<Rgb, 3> classic = Bands("classic");
  for (const Rgb& c : classic) EXPECT_EQ(c, plain);
}

}  // namespace
