// The processor end to end: the cpu_workout cartridge runs through the
// loader, the real run loop and the scanline hook, and leaves the results of
// its checks in work RAM.
#include <gtest/gtest.h>

#include <string>

#include "cartridge/Lifecycle.h"
#include "support/TestMachine.h"

namespace {

// Clears Running at the start of frame `frames`, as a Pause would.
class FrameLimitHost : public RecordingHost {
 public:
  Machine* machine = nullptr;
  int frames = 0;
  void ProcessMessages() override {
    if (++messageRounds >= frames) machine->Running = false;
  }
};

TEST(CpuCartridge, WorkoutLeavesItsResultsInRam) {
  FrameLimitHost host;
  Machine m;
  m.host = &host;
  host.machine = &m;
  host.frames = 4;
  LoadAndStart(m, std::string(VIREL_ROM_DIR) + "/cpu_workout.nes");
  ASSERT_FALSE(m.Running);
  EXPECT_EQ(m.RunLoopDepth, 0);

  const auto res = [&](int i) { return static_cast<int>(m.Ram[0x300 + i]); };
  ASSERT_EQ(res(31), 0xC3) << "the workout did not finish";
  EXPECT_EQ(res(0) | res(1) << 8, 0x7F8);  // sum of the table
  EXPECT_EQ(res(2) | res(3) << 8, 143);    // 13 x 11
  EXPECT_EQ(res(4) | res(5) << 8, 30000);  // 200 x 150
  EXPECT_EQ(res(6) | res(7) << 8, 144);    // 12 squared, nested call
  EXPECT_EQ(res(8), 0x33);                 // pulls in reverse order
  EXPECT_EQ(res(9), 0x22);
  EXPECT_EQ(res(10), 0x11);
  EXPECT_EQ(res(11), 0xFF);  // S balanced
  EXPECT_EQ(res(12), 0x2D);  // PHP: bit 4 not forced
  EXPECT_EQ(res(13), 0xF3);  // PLP of $D3: bit 5 forced
  EXPECT_EQ(res(14), 0x83);  // $45 + $38 decimal
  EXPECT_EQ(res(15), 0x25);  // $50 - $25 decimal
  EXPECT_EQ(res(16), 0x00);  // $99 + $01 decimal ...
  EXPECT_EQ(res(17), 0x01);  // ... carries out
  EXPECT_EQ(res(18), 0xC0);  // $50 + $50: N and V
  EXPECT_EQ(res(19), 0xFF);  // $00 - $01 ...
  EXPECT_EQ(res(20), 0x80);  // ... N, borrow
  for (int slot = 32; slot < 48; ++slot) EXPECT_EQ(res(slot), 1) << "branch check " << slot - 32;
  EXPECT_EQ(res(22), 10);    // countdown passes
  EXPECT_EQ(res(23), 6);     // (zp,X) reads what (zp),Y wrote
  EXPECT_EQ(res(24), 0x5A);  // JMP indirect
  EXPECT_EQ(res(25), 0x82);  // shifts and INC on memory
  EXPECT_EQ(res(26), 0xFF);  // DEC on memory
  EXPECT_EQ(res(27), 0x77);  // zp,X wrap-around
  // One vertical-blank interrupt per frame run before the stop.
  EXPECT_EQ(res(30), 4);
}

}  // namespace
