// The sound register stream the designed engine hands the console voice:
// each write stamped with the cycle at which the program made it, one
// frame's writes at a time.
#include <gtest/gtest.h>

#include "cartridge/Lifecycle.h"
#include "core/Engine.h"
#include "engine/classic/cpu/CpuRig.h"
#include "support/FrameBudgetHost.h"

namespace {

TEST(SoundWriteStream, WritesAreStampedWithTheCycleTheyCameAt) {
  CpuRig rig;
  // STA $4000 / 10 x NOP / STA $4002 / INC $4003 / LDX #1 / STA $4015,X / STA $0200 / JMP *
  rig.Load(0x8000,
           {0x8D, 0x00, 0x40, 0xEA, 0xEA, 0xEA, 0xEA, 0xEA, 0xEA, 0xEA, 0xEA, 0xEA, 0xEA, 0x8D, 0x02,
            0x40, 0xEE, 0x03, 0x40, 0xA2, 0x02, 0x9D, 0x15, 0x40, 0x8D, 0x00, 0x02, 0x4C, 0x1B, 0x80});
  rig.cpu.A = 0x3F;
  rig.cpu.Cycles = rig.cpu.CyclesPerLine;
  rig.stopAfter = 1;
  CpuRun(rig.m);
  // Each stamp is the cycle count when the storing instruction has finished
  // ($4017 through the indexed store, page crossing nothing); RAM and the
  // program's own loop add nothing to the stream.
  const std::vector<ApuWrite> expected = {
      {4, 0x4000, 0x3F}, {28, 0x4002, 0x3F}, {34, 0x4003, 0x01}, {41, 0x4017, 0x3F}};
  EXPECT_EQ(rig.m.SoundWrites, expected);
}

TEST(SoundWriteStream, EachFrameHandsOverItsOwnWritesInOrder) {
  BudgetMachine t;
  ASSERT_TRUE(StartCartridge(t.m, VIREL_DEMO_ROM));
  const uint32_t frameCycles = t.m.engine->FrameCycles();
  int framesWithSound = 0;
  for (int frame = 0; frame < 120; ++frame) {
    RunFrames(t, 1);
    const auto writes = t.m.engine->SoundWrites();
    framesWithSound += !writes.empty();
    for (size_t i = 0; i < writes.size(); ++i) {
      ASSERT_LT(writes[i].Cycle, frameCycles);
      if (i > 0) {
        ASSERT_GE(writes[i].Cycle, writes[i - 1].Cycle) << "frame " << frame;
      }
    }
  }
  // The demo's tune sets a new note every few frames from the start.
  EXPECT_GE(framesWithSound, 10);
}

}  // namespace
