// The run loop passes over waiting loops (a read without side effects and a
// branch back to it) and counted waits (DEY/BNE and the like) without
// executing every pass. That must change nothing
// anyone can see: the same program run by CpuRun and by single steps (which
// execute every pass) meets every scanline hook call in exactly the same
// state, for each read, each branch, and waits that end or never end.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cartridge/Lifecycle.h"
#include "engine/classic/ClassicEngine.h"
#include "engine/classic/cpu/MF6502.h"
#include "engine/classic/video/ScanlineHook.h"
#include "support/FrameBudgetHost.h"
#include "support/TestMachine.h"

namespace {

// The program laid out from $8000, NOPs up to $8020, and there the NMI
// handler: INC $00 / RTI, counting frames. Written into a vector of its final
// size; growing one with resize made GCC 12 at -O3 report the move of the old
// bytes as out of bounds.
std::vector<uint8_t> WithNmiHandler(const std::vector<uint8_t>& code) {
  std::vector<uint8_t> p(0x23, 0xEA);
  if (code.size() > 0x20) ADD_FAILURE() << "program runs into the NMI handler";
  std::copy_n(code.begin(), std::min<size_t>(code.size(), 0x20), p.begin());
  p[0x20] = 0xE6;
  p[0x21] = 0x00;
  p[0x22] = 0x40;
  return p;
}

// What the processor and the picture processor hold when the hook is called.
struct AtHook {
  uint16_t PC;
  uint8_t A, X, Y, P, S, Status;
  int32_t Cycles;
  uint8_t Nmis, Waits;
  long LogLines;
  bool operator==(const AtHook&) const = default;
};

std::vector<AtHook>* gTrace = nullptr;
FrameBudgetHost* gHost = nullptr;

uint8_t TracingHook(Machine& m) {
  const TCpuState& c = Classic(m).Cpu;
  gTrace->push_back(
      {c.PC, c.A, c.X, c.Y, c.P, c.S, Classic(m).PpuStatus, c.Cycles, m.Ram[0], m.Ram[1], gHost->logLines});
  return ScanlineHook(m);
}

// $8000: LDA #$80 / STA $2000 / LDA #$1E / STA $2001   NMI on, picture on
// $800A: <read> <operand> / <branch> $800A              the wait
//        INC $01 / LDA $00 / JMP $800A                  count the waits that ended
// $8020: INC $00 / RTI                                  the NMI handler counts frames
// The operand is one byte (zero page) or two; the accumulator holds the frame
// count when the wait starts again, so "CMP $00 / BEQ" waits for the next NMI.
std::vector<uint8_t> WaitProgram(uint8_t read, const std::vector<uint8_t>& operand, uint8_t branch) {
  std::vector<uint8_t> p = {0xA9, 0x80, 0x8D, 0x00, 0x20, 0xA9, 0x1E, 0x8D, 0x01, 0x20, read};
  p.insert(p.end(), operand.begin(), operand.end());
  const auto back = static_cast<uint8_t>(-static_cast<int>(operand.size() + 3));
  p.insert(p.end(), {branch, back, 0xE6, 0x01, 0xA5, 0x00, 0x4C, 0x0A, 0x80});
  return WithNmiHandler(p);
}

std::vector<AtHook> Trace(const std::vector<uint8_t>& program, bool singleSteps) {
  std::vector<AtHook> trace;
  gTrace = &trace;
  BudgetMachine b;
  gHost = &b.host;
  InstallCartridge(b.m, 2, 1);
  std::copy(program.begin(), program.end(), b.m.PrgRom.begin());
  // Vectors at the end of the second bank: NMI $8020, reset $8000, IRQ $8020.
  const uint8_t vectors[] = {0x20, 0x80, 0x00, 0x80, 0x20, 0x80};
  std::copy(std::begin(vectors), std::end(vectors), b.m.PrgRom.begin() + 0x7FFA);
  // Sprite 0 opaque on line 40, so a wait on bit 6 ends once a frame.
  b.m.Oam[0] = 40;
  b.m.Oam[1] = 0;
  std::fill(b.m.ChrRom.begin(), b.m.ChrRom.end(), uint8_t{0xFF});
  ResetMachine(b.m);
  Classic(b.m).Hook = &TracingHook;
  constexpr long kFrames = 4;
  if (singleSteps) {
    b.host.budget = kFrames;
    while (b.host.frames < kFrames) DebugStep(b.m);
  } else {
    RunFrames(b, kFrames);
  }
  gTrace = nullptr;
  gHost = nullptr;
  return trace;
}

TEST(WaitingLoop, TheRunLoopMeetsEveryHookCallAsTheSingleStepsDo) {
  struct Case {
    const char* name;
    uint8_t read;
    std::vector<uint8_t> operand;
    uint8_t branch;
  };
  const std::vector<uint8_t> status = {0x02, 0x20};
  const Case cases[] = {
      {"BIT $2002/BPL, wait for vertical blank", 0x2C, status, 0x10},
      {"BIT $2002/BVC, wait for the sprite-0 hit", 0x2C, status, 0x50},
      {"LDA $2002/BPL", 0xAD, status, 0x10},
      {"LDX $2002/BPL", 0xAE, status, 0x10},
      {"LDY $2002/BPL", 0xAC, status, 0x10},
      {"LDA $2002/BEQ, wait for any bit", 0xAD, status, 0xF0},
      {"BIT $2002/BMI, leaves at once", 0x2C, status, 0x30},
      {"LDA $2002/BNE, wait for all clear", 0xAD, status, 0xD0},
      {"AND $2002/BPL", 0x2D, status, 0x10},
      {"EOR $2002/BPL, not a pure read", 0x4D, status, 0x10},
      {"CMP $00/BEQ, wait for the NMI", 0xC5, {0x00}, 0xF0},
      {"CMP $0000/BEQ, absolute", 0xCD, {0x00, 0x00}, 0xF0},
      {"BIT $00/BPL, zero page", 0x24, {0x00}, 0x10},
      {"LDA $8000/BNE, program memory", 0xAD, {0x00, 0x80}, 0xD0},
      {"LDA $6000/BEQ, battery memory", 0xAD, {0x00, 0x60}, 0xF0},
      {"LDA $4016/BEQ, the controller port", 0xAD, {0x16, 0x40}, 0xF0},
      {"LDA $3000/BNE, an address that logs", 0xAD, {0x00, 0x30}, 0xD0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto program = WaitProgram(c.read, c.operand, c.branch);
    const auto stepped = Trace(program, true);
    const auto run = Trace(program, false);
    ASSERT_EQ(run.size(), stepped.size());
    for (size_t i = 0; i < run.size(); ++i) ASSERT_EQ(run[i], stepped[i]) << "hook call " << i;
    // The program got somewhere: its NMI handler counted the frames.
    EXPECT_GE(run.back().Nmis, 3);
  }
}

// $8000: LDA #$80 / STA $2000 / LDA #$1E / STA $2001   NMI on, picture on
// $800A: LDY #<y> / LDX #<x>                            counts of x times y turns
// $800E: <count> / <branch> $800E                       the counted wait
//        <outer> / BNE $800E                            and its outer count
//        INC $01 / JMP $800A                            count the waits that ended
// $8020: INC $00 / RTI                                  the NMI handler counts frames
// The outer count makes the inner wait start from zero (256 passes) as well.
std::vector<uint8_t> CountedProgram(uint8_t y, uint8_t x, uint8_t count, uint8_t branch, uint8_t outer) {
  std::vector<uint8_t> p = {0xA9, 0x80,  0x8D,   0x00, 0x20,  0xA9, 0x1E, 0x8D, 0x01, 0x20, 0xA0, y,   0xA2,
                            x,    count, branch, 0xFD, outer, 0xD0, 0xFA, 0xE6, 0x01, 0x4C, 0x0A, 0x80};
  return WithNmiHandler(p);
}

TEST(WaitingLoop, CountedWaitsEndWhereTheSingleStepsEndThem) {
  struct Case {
    const char* name;
    uint8_t step, branch, outer;
  };
  const Case cases[] = {
      {"DEY/BNE, DEX", 0x88, 0xD0, 0xCA},
      {"INY/BNE, DEX", 0xC8, 0xD0, 0xCA},
      {"DEX/BNE, DEY", 0xCA, 0xD0, 0x88},
      {"INX/BNE, DEY", 0xE8, 0xD0, 0x88},
      {"DEY/BPL, DEX", 0x88, 0x10, 0xCA},
      {"DEY/BMI, DEX", 0x88, 0x30, 0xCA},
      {"DEY/BEQ, leaves at once", 0x88, 0xF0, 0xCA},
      {"DEY/BCC, a flag it never changes", 0x88, 0x90, 0xCA},
      {"TAY/BNE, not a count", 0xA8, 0xD0, 0xCA},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto program = CountedProgram(0x40, 0x03, c.step, c.branch, c.outer);
    const auto stepped = Trace(program, true);
    const auto run = Trace(program, false);
    ASSERT_EQ(run.size(), stepped.size());
    for (size_t i = 0; i < run.size(); ++i) ASSERT_EQ(run[i], stepped[i]) << "hook call " << i;
    EXPECT_GE(run.back().Nmis, 3);
  }
}

TEST(WaitingLoop, AJumpToItselfIdlesAsTheSingleStepsDo) {
  // $800A: JMP $800A, with the NMI handler counting frames and returning into it.
  const std::vector<uint8_t> program =
      WithNmiHandler({0xA9, 0x80, 0x8D, 0x00, 0x20, 0xA9, 0x1E, 0x8D, 0x01, 0x20, 0x4C, 0x0A, 0x80});
  const auto stepped = Trace(program, true);
  const auto run = Trace(program, false);
  ASSERT_EQ(run.size(), stepped.size());
  for (size_t i = 0; i < run.size(); ++i) ASSERT_EQ(run[i], stepped[i]) << "hook call " << i;
  EXPECT_GE(run.back().Nmis, 3);
}

// Counts charged many turns at once must land where the turns would: from
// zero (256 turns), from one, across $FF, and over a whole frame.
TEST(WaitingLoop, CountedWaitsFromAnyStartingCountMatchTheSingleSteps) {
  struct Case {
    const char* name;
    uint8_t y, x, count, branch, outer;
  };
  const Case cases[] = {
      {"DEY/BNE inside DEX/BNE", 0x00, 0x07, 0x88, 0xD0, 0xCA},
      {"DEY/BNE from one", 0x01, 0x20, 0x88, 0xD0, 0xCA},
      {"DEX/BNE inside DEY/BNE", 0x30, 0x05, 0xCA, 0xD0, 0x88},
      {"INY/BNE inside INX/BNE", 0x80, 0xF9, 0xC8, 0xD0, 0xE8},
      {"INX/BNE from $FF", 0x10, 0xFF, 0xE8, 0xD0, 0x88},
      {"DEY/BNE, a long wait", 0x00, 0x00, 0x88, 0xD0, 0xCA},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto program = CountedProgram(c.y, c.x, c.count, c.branch, c.outer);
    const auto stepped = Trace(program, true);
    const auto run = Trace(program, false);
    ASSERT_EQ(run.size(), stepped.size());
    for (size_t i = 0; i < run.size(); ++i) ASSERT_EQ(run[i], stepped[i]) << "hook call " << i;
    EXPECT_GE(run.back().Nmis, 3);
  }
}

}  // namespace
