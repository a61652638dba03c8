// The run loop and the single steps: slices of 122 cycles, the dropped
// overrun, interrupts delivered at slice ends, the stop, the loop depth.
#include <gtest/gtest.h>

#include "cpu/CpuRig.h"

namespace {

TEST(RunLoop, RunsAProgramUntilTheHookStops) {
  CpuRig rig;
  // $8000: LDX #0 / loop: INX / STX $10 / JMP loop
  rig.Load(0x8000, {0xA2, 0x00, 0xE8, 0x86, 0x10, 0x4C, 0x02, 0x80});
  rig.cpu.Cycles = rig.cpu.CyclesPerLine;
  rig.stopAfter = 3;
  const uint16_t pc = CpuRun(rig.cpu);
  EXPECT_EQ(rig.hookCalls, 3);
  EXPECT_EQ(pc, rig.cpu.PC);
  EXPECT_EQ(rig.Peek(0x10), rig.cpu.X);
  EXPECT_GT(rig.cpu.X, 30);
  EXPECT_EQ(rig.cpu.Cycles, 122);
  EXPECT_EQ(rig.depthInHook, 1);
  EXPECT_EQ(rig.m.RunLoopDepth, 0);
}

}  // namespace
