// The run loop and the single steps: slices of 122 cycles, the dropped
// overrun, interrupts delivered at slice ends, the stop, the loop depth.
#include <gtest/gtest.h>

#include "engine/classic/cpu/CpuRig.h"

namespace {

// Program space full of INX (2 cycles), handlers included, so the change of X
// between two hook calls tells how long the slice between them was: a slice
// of n cycles runs ceil(n / 2) instructions.
struct InxRig : CpuRig {
  InxRig() {
    for (uint32_t a = 0x8000; a < 0xFFFA; ++a) m.PrgRom[a] = 0xE8;
    SetVector(0xFFFA, 0xA000);
    SetVector(0xFFFE, 0xB000);
    cpu.PC = 0x8000;
    cpu.S = 0xFF;
    cpu.P = 0x20;
    cpu.Cycles = kCyclesPerLine;
  }
  int SliceInstructions(size_t call) const {
    return static_cast<uint8_t>(atHook[call].X - (call ? atHook[call - 1].X : 0));
  }
};

TEST(RunLoop, RunsAProgramUntilTheHookStops) {
  CpuRig rig;
  // $8000: LDX #0 / loop: INX / STX $10 / JMP loop
  rig.Load(0x8000, {0xA2, 0x00, 0xE8, 0x86, 0x10, 0x4C, 0x02, 0x80});
  rig.cpu.Cycles = rig.cpu.CyclesPerLine;
  rig.stopAfter = 3;
  const uint16_t pc = CpuRun(rig.m);
  EXPECT_EQ(rig.hookCalls, 3);
  EXPECT_EQ(pc, rig.cpu.PC);
  EXPECT_EQ(rig.Peek(0x10), rig.cpu.X);
  EXPECT_GT(rig.cpu.X, 30);
  EXPECT_EQ(rig.cpu.Cycles, 122);
  EXPECT_EQ(rig.depthInHook, 1);
  EXPECT_EQ(rig.m.RunLoopDepth, 0);
}

TEST(RunLoop, SlicesAreFullAfterOverrunAndShortAfterAnInterrupt) {
  {
    SCOPED_TRACE("plain slices of 122 cycles");
    InxRig rig;
    rig.stopAfter = 3;
    CpuRun(rig.m);
    EXPECT_EQ(rig.SliceInstructions(0), 61);
    EXPECT_EQ(rig.SliceInstructions(1), 61);
    EXPECT_EQ(rig.SliceInstructions(2), 61);
  }
  {
    SCOPED_TRACE("NMI: the next slice has 115 cycles");
    InxRig rig;
    rig.hookCodes = {intNMI};
    rig.stopAfter = 3;
    CpuRun(rig.m);
    EXPECT_EQ(rig.SliceInstructions(1), 58);
    EXPECT_EQ(rig.SliceInstructions(2), 61);
    EXPECT_EQ(rig.atHook[1].S, 0xFC);
    EXPECT_GE(rig.atHook[1].PC, 0xA000);
  }
  {
    SCOPED_TRACE("IRQ with I clear: taken, 115 cycles, I set");
    InxRig rig;
    rig.hookCodes = {intIRQ};
    rig.stopAfter = 2;
    CpuRun(rig.m);
    EXPECT_EQ(rig.SliceInstructions(1), 58);
    EXPECT_EQ(rig.atHook[1].P & FlagI, FlagI);
    EXPECT_GE(rig.atHook[1].PC, 0xB000);
  }
  {
    SCOPED_TRACE("IRQ under I: discarded, full slice, no push");
    InxRig rig;
    rig.cpu.P = 0x24;
    rig.hookCodes = {intIRQ};
    rig.stopAfter = 2;
    CpuRun(rig.m);
    EXPECT_EQ(rig.SliceInstructions(1), 61);
    EXPECT_EQ(rig.atHook[1].S, 0xFF);
    EXPECT_EQ(rig.atHook[1].PC, 0x8000 + 122);
  }
  {
    SCOPED_TRACE("overrun of a 7-cycle instruction is dropped");
    InxRig rig;
    rig.Poke(0x8000, {0xFE, 0x00, 0x02});  // INC $0200,X: 7 cycles
    rig.cpu.Cycles = 1;
    rig.stopAfter = 2;
    CpuRun(rig.m);
    EXPECT_EQ(rig.atHook[0].Cycles, -6);
    EXPECT_EQ(rig.atHook[0].PC, 0x8003);
    EXPECT_EQ(rig.SliceInstructions(1), 61);
  }
  {
    SCOPED_TRACE("entry does not refill the slice");
    InxRig rig;
    rig.cpu.Cycles = 10;
    rig.stopAfter = 1;
    CpuRun(rig.m);
    EXPECT_EQ(rig.SliceInstructions(0), 5);
  }
}

TEST(RunLoop, StopReturnsAtOnceAndTheNextRunContinues) {
  InxRig rig;
  rig.hookCodes = {intStop};
  const uint16_t pc = CpuRun(rig.m);
  EXPECT_EQ(pc, 0x8000 + 61);
  EXPECT_EQ(rig.cpu.PC, 0x8000 + 61);
  EXPECT_EQ(rig.cpu.X, 61);
  EXPECT_EQ(rig.cpu.S, 0xFF);
  EXPECT_EQ(rig.cpu.Cycles, 122);
  EXPECT_EQ(rig.m.RunLoopDepth, 0);

  rig.stopAfter = 2;  // the next call is the second
  CpuRun(rig.m);
  EXPECT_EQ(rig.hookCalls, 2);
  EXPECT_EQ(rig.cpu.X, 122);
}

TEST(RunLoop, NeverNestsAndResumesFromTheRecordAfterTheHook) {
  InxRig rig;
  rig.stopAfter = 2;
  // Inside the hook a command enters CpuRun again and resets the processor:
  // the inner call returns at once; the active loop goes on from the new PC.
  rig.onFirstHook = [](CpuRig& r) {
    EXPECT_EQ(CpuRun(r.m), r.cpu.PC);
    EXPECT_EQ(r.m.RunLoopDepth, 1);
    r.SetVector(0xFFFC, 0x9000);
    CpuReset(r.m);
  };
  CpuRun(rig.m);
  EXPECT_EQ(rig.hookCalls, 2);
  EXPECT_EQ(rig.atHook[1].X, 61);  // reset zeroed X; one full slice since
  EXPECT_EQ(rig.atHook[1].PC, 0x9000 + 61);
  EXPECT_EQ(rig.m.RunLoopDepth, 0);
}

TEST(SingleStep, CpuStepIgnoresTheSliceAndTheHook) {
  InxRig rig;
  rig.cpu.Cycles = 0;
  EXPECT_EQ(CpuStep(rig.m), 0x8001);
  EXPECT_EQ(CpuStep(rig.m), 0x8002);
  EXPECT_EQ(rig.cpu.Cycles, -4);
  EXPECT_EQ(rig.hookCalls, 0);
}

TEST(SingleStep, DebugStepEndsSlicesLikeTheRunLoop) {
  {
    SCOPED_TRACE("inside a slice: no hook call");
    InxRig rig;
    rig.cpu.Cycles = 3;
    EXPECT_EQ(DebugStep(rig.m), 0x8001);
    EXPECT_EQ(rig.hookCalls, 0);
    EXPECT_EQ(rig.cpu.Cycles, 1);
  }
  {
    SCOPED_TRACE("slice end with an NMI: address after the instruction, PC in the handler");
    InxRig rig;
    rig.cpu.Cycles = 2;
    rig.hookCodes = {intNMI};
    EXPECT_EQ(DebugStep(rig.m), 0x8001);
    EXPECT_EQ(rig.cpu.PC, 0xA000);
    EXPECT_EQ(rig.cpu.Cycles, 115);
    EXPECT_EQ(rig.cpu.S, 0xFC);
    EXPECT_EQ(rig.Peek(0x01FE), 0x01);
  }
  {
    SCOPED_TRACE("slice end with a stop: ignored");
    InxRig rig;
    rig.cpu.Cycles = 1;
    rig.hookCodes = {intStop};
    EXPECT_EQ(DebugStep(rig.m), 0x8001);
    EXPECT_EQ(rig.hookCalls, 1);
    EXPECT_EQ(rig.cpu.PC, 0x8001);
    EXPECT_EQ(rig.cpu.X, 1);
    EXPECT_EQ(rig.cpu.S, 0xFF);
    EXPECT_EQ(rig.cpu.P, 0x20);
    EXPECT_EQ(rig.cpu.Cycles, 122);
  }
  {
    SCOPED_TRACE("slice end with an IRQ under I: discarded");
    InxRig rig;
    rig.cpu.P = 0x24;
    rig.cpu.Cycles = 2;
    rig.hookCodes = {intIRQ};
    EXPECT_EQ(DebugStep(rig.m), 0x8001);
    EXPECT_EQ(rig.cpu.PC, 0x8001);
    EXPECT_EQ(rig.cpu.Cycles, 122);
  }
}

// An IRQ that meets a set I is gone: clearing I afterwards, by CLI or by a
// PLP that pulls it clear, lets nothing in, and the slice runs its length.
TEST(RunLoop, ClearingIAfterADroppedIrqTakesNothing) {
  const struct {
    uint8_t opcode;
    int cycles;
  } cases[] = {{0x58, 2}, {0x28, 4}};  // CLI; PLP pulling $20
  for (const auto& c : cases) {
    InxRig rig;
    rig.Poke(0x8001, {c.opcode});
    rig.Poke(0x0100, {0x20});
    rig.cpu.P = 0x24;
    rig.cpu.Cycles = 2;  // the INX at $8000 ends the first slice
    rig.hookCodes = {intIRQ};
    rig.stopAfter = 2;
    CpuRun(rig.m);
    ASSERT_EQ(rig.hookCalls, 2) << int(c.opcode);
    EXPECT_EQ(rig.atHook[1].P & FlagI, 0) << int(c.opcode);
    EXPECT_LT(rig.atHook[1].PC, 0xB000) << int(c.opcode);
    EXPECT_EQ(rig.SliceInstructions(1), (kCyclesPerLine - c.cycles) / 2) << int(c.opcode);
  }
}

}  // namespace
