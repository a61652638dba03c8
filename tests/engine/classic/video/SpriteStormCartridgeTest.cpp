// End to end: the sprite_storm cartridge (both name tables full, a status bar
// split from a scrolling play field on the sprite-0 hit, 64 moving 8x16
// sprites) through the real loader, processor, hook and renderer. Its golden
// hash pins the whole picture the renderer makes of the busiest scene the
// project has.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cartridge/Lifecycle.h"
#include "engine/classic/ClassicEngine.h"
#include "support/TestMachine.h"

namespace {

uint64_t FrameHash(const Machine& m) {
  uint64_t hash = 0xCBF29CE484222325ull;
  for (uint8_t v : m.FrameBuffer) hash = (hash ^ v) * 0x100000001B3ull;
  return hash;
}

class FrameLimitHost : public RecordingHost {
 public:
  Machine* machine = nullptr;
  int frames = 0;
  void ProcessMessages() override {
    if (++messageRounds >= frames) machine->Running = false;
  }
};

struct StormRun {
  FrameLimitHost host;
  Machine m;
  explicit StormRun(int frames) {
    m.host = &host;
    host.machine = &m;
    host.frames = frames;
    LoadAndStart(m, std::string(VIREL_ROM_DIR) + "/sprite_storm.nes");
  }
  std::vector<uint8_t> Rows(int first, int last) const {
    return {m.FrameBuffer.begin() + first * kScreenWidth, m.FrameBuffer.begin() + (last + 1) * kScreenWidth};
  }
};

TEST(SpriteStormCartridge, BarStaysFieldScrollsAndThePictureMatchesItsGoldenHash) {
  StormRun early(60), late(120);
  ASSERT_FALSE(late.m.Running);
  EXPECT_EQ(Classic(late.m).PpuCtrl & 0x20, 0x20) << "8x16 sprites";
  // The bar above the hit line (row 0 belongs to the next frame), sprite 0
  // on its rows 24-39 included, is the same picture a second later...
  EXPECT_EQ(early.Rows(1, 39), late.Rows(1, 39));
  // ...while the play field below it has moved.
  EXPECT_NE(early.Rows(48, 239), late.Rows(48, 239));
  // All 64 sprites are on the picture's lines and none is parked below it.
  int shown = 0;
  for (int s = 0; s < 64; ++s) shown += late.m.Oam[4 * s] < 239;
  EXPECT_EQ(shown, 64);
  // A change here means the renderer, the hook or the processor now shows
  // something else: look at a screenshot of frame 120 before updating it.
  EXPECT_EQ(FrameHash(late.m), 0x1CDC3A9808A727B4ull) << std::hex << FrameHash(late.m);
}

}  // namespace
