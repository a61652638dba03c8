// The MMC3 scanline counter end to end: the mmc3_split cartridge runs through
// the loader, the real run loop, the scanline hook and the renderer. Its
// vertical-blank handler arms the counter for 93 lines and resets the scroll;
// the counter's interrupt moves the horizontal scroll by 128 pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "cartridge/Lifecycle.h"
#include "support/TestMachine.h"

namespace {

constexpr int kSplitCount = 93;  // SPLIT_COUNT of the cartridge

// FNV-1a over the frame buffer: the golden value pins the whole picture.
uint64_t FrameHash(const Machine& m) {
  uint64_t hash = 0xCBF29CE484222325ull;
  for (uint8_t v : m.FrameBuffer) hash = (hash ^ v) * 0x100000001B3ull;
  return hash;
}

// Stops the run loop at the start of frame `frames`.
class FrameLimitHost : public RecordingHost {
 public:
  Machine* machine = nullptr;
  int frames = 0;
  void ProcessMessages() override {
    if (++messageRounds >= frames) machine->Running = false;
  }
};

struct SplitScreen : testing::Test {
  FrameLimitHost host;
  Machine m;

  void Run(int frames) {
    m.host = &host;
    host.machine = &m;
    host.frames = frames;
    LoadAndStart(m, std::string(VIREL_ROM_DIR) + "/mmc3_split.nes");
  }
  // True when every pixel of `row` has value `left` in columns 0-127 and
  // `right` in columns 128-255.
  bool RowIs(int row, uint8_t left, uint8_t right) const {
    const uint8_t* p = m.FrameBuffer.data() + row * kScreenWidth;
    return std::all_of(p, p + 128, [left](uint8_t v) { return v == left; }) &&
           std::all_of(p + 128, p + 256, [right](uint8_t v) { return v == right; });
  }
};

TEST_F(SplitScreen, ScrollChangesBelowTheCounterLine) {
  Run(6);
  ASSERT_FALSE(m.Running);
  // The counter is armed before line 0 and fires on its 93rd clock, line 92.
  // The handler's scroll is latched after line 93 is drawn, so rows 1-93 show
  // the unscrolled table and rows 94-239 the table moved by 128 pixels.
  for (int row = 1; row <= kSplitCount; ++row) ASSERT_TRUE(RowIs(row, 1, 2)) << "row " << row;
  for (int row = kSplitCount + 1; row < kScreenHeight; ++row) ASSERT_TRUE(RowIs(row, 2, 3)) << "row " << row;

  // One counter interrupt per armed frame: the counter stops after firing and
  // waits for the next arming. The run stops at line 0, after the last arming
  // and before the line it waits for.
  const int irqs = m.Ram[0x10];
  const int nmis = m.Ram[0x11];
  EXPECT_GE(nmis, 4);
  EXPECT_EQ(irqs, nmis - 1);
  EXPECT_TRUE(m.IrqEnabled);

  // Row 0 belongs to the frame just begun and, drawn before the scroll the
  // vertical-blank handler wrote is latched, still shows the lower part's scroll.
  EXPECT_TRUE(RowIs(0, 2, 3));
  EXPECT_EQ(FrameHash(m), 0x4D228413D8996F25ull) << std::hex << FrameHash(m);  // exactly the rows above
}

}  // namespace
