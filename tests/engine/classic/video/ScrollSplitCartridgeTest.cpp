// End to end: the split-screen test cartridge runs through the real loader,
// processor and hook, and the picture it leaves is checked pixel by pixel.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cartridge/Lifecycle.h"
#include "support/TestMachine.h"
#include "engine/classic/video/MemoryMap.h"
#include "video/Palette.h"
#include "engine/classic/video/Renderer.h"

namespace {

// Presents as a display would (colour table rebuilt when the palette changed)
// and stops the run at the frame start after `frames` shown frames.
class FrameBudgetHost : public RecordingHost {
 public:
  Machine* machine = nullptr;
  int frames = 0;

  void PresentFrame() override {
    RecordingHost::PresentFrame();
    UpdateFrameColors(*machine);
  }
  void ProcessMessages() override {
    RecordingHost::ProcessMessages();
    if (messageRounds >= frames) machine->Running = false;
  }
};

struct CartridgeRun {
  FrameBudgetHost host;
  Machine m;
  explicit CartridgeRun(int frames) {
    host.machine = &m;
    host.frames = frames;
    m.host = &host;
    LoadAndStart(m, std::string(VIREL_ROM_DIR) + "/video_scroll.nes");
  }
};

// The picture the cartridge should leave when it is stopped at a frame start:
// line 0 just drawn with the scroll still in force from the frame before (the
// handler's reset is latched only after line 0), lines 1-39 unscrolled, the
// play field from line 40 scrolled by `s` (the hit is on line 38, its write
// lands in line 39's slice), then the sprites that frame's line 239 drew.
std::vector<uint8_t> ExpectedPicture(int s) {
  std::vector<uint8_t> picture(kScreenWidth * kScreenHeight);
  for (int y = 0; y < kScreenHeight; ++y)
    for (int x = 0; x < kScreenWidth; ++x) {
      const int scroll = (y == 0 || y >= 40) ? s : 0;
      const int p = x + scroll;
      uint8_t value;
      if (p >= kScreenWidth)
        value = 8 + 2;  // $2400: colour 2 in palette 2
      else if (y < 32)
        value = 1;  // the bar: colour 1 in palette 0
      else
        value = static_cast<uint8_t>(4 + (p & 3));  // the ramp in palette 1
      picture[y * kScreenWidth + x] = value;
    }
  auto put = [&](int y, int x, uint8_t value) { picture[y * kScreenWidth + x] = value; };
  for (int i = 0; i < 8; ++i)
    for (int k = 0; k < 8; ++k) {
      put(30 + i, 8 + k, 16 + 3);     // sprite 0
      put(120 + i, 100 + k, 20 + 3);  // sprite 1, palette 1
      if (picture[(160 + i) * kScreenWidth + 50 + k] == 4) put(160 + i, 50 + k, 20 + 3);  // behind
    }
  for (int i = 0; i < 8; ++i) put(140 + i, 200 + 7 - i, 16 + 1);  // the diagonal, mirrored
  return picture;
}

TEST(ScrollSplitCartridge, StatusBarStaysAndThePlayFieldScrollsBelowTheSprite0Hit) {
  CartridgeRun run(30);
  Machine& m = run.m;
  ASSERT_FALSE(m.Running);
  ASSERT_EQ(run.host.presented, 30);

  // The handler has run once per frame since interrupts were switched on and
  // advanced the scroll by 3 each time; the picture shows the scroll of the
  // frame before the last increment.
  const int frames = MemPeek(m, 0x0000);
  const int scroll = MemPeek(m, 0x0001);
  EXPECT_GE(frames, 25);
  EXPECT_EQ(scroll, (3 * frames) & 0xFF);
  const std::vector<uint8_t> expected = ExpectedPicture((scroll - 3) & 0xFF);
  const std::vector<uint8_t> actual(m.FrameBuffer.begin(), m.FrameBuffer.end());
  for (int y = 0; y < kScreenHeight; ++y) {
    const auto row = [y](const std::vector<uint8_t>& p) {
      return std::vector<int>(p.begin() + y * kScreenWidth, p.begin() + (y + 1) * kScreenWidth);
    };
    ASSERT_EQ(row(actual), row(expected)) << "line " << y;
  }

  // Colours as the display sees them, a value of $4A showing colour $0A.
  EXPECT_EQ(m.FrameColors[0x01], NesColors[0x30]);
  EXPECT_EQ(m.FrameColors[0x06], NesColors[0x2A]);
  EXPECT_EQ(m.FrameColors[0x17], NesColors[0x0A]);
  EXPECT_EQ(m.FrameColors[0x10], NesColors[0x0F]);
}

// FNV-1a over the picture and its 64 colours: any change in what this
// cartridge shows after 45 frames is seen at once.
TEST(ScrollSplitCartridge, PictureAfter45FramesIsPinned) {
  CartridgeRun run(45);
  uint64_t hash = 14695981039346656037ull;
  auto mix = [&hash](uint8_t byte) { hash = (hash ^ byte) * 1099511628211ull; };
  for (uint8_t pixel : run.m.FrameBuffer) mix(pixel);
  for (int i = 0; i < 64; ++i) {
    mix(run.m.FrameColors[i].R);
    mix(run.m.FrameColors[i].G);
    mix(run.m.FrameColors[i].B);
  }
  EXPECT_EQ(hash, 0x94afc90995943eddull) << std::hex << hash;
}

}  // namespace
