// The DMA unit's cost in processor cycles, by where its halt falls: the
// sprite copy's 513 or 514 cycles and the first sample fetch's 3 or 4, each
// case a short program in RAM timed from its first cycle to its end. (The
// fetches during a copy and during register reads are the cartridges'.)
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/console/Console.h"
#include "support/TestCartridges.h"
#include "support/TestMachine.h"

namespace {

struct Row {
  const char* What;
  std::vector<uint8_t> Program;
  uint64_t Cycles;  // from the program's first cycle to the end of its last instruction
};

// LDA $00 takes three cycles: put first, it moves the program by one cycle.
constexpr uint8_t kLdaZp = 0xA5, kStaZp = 0x85, kStaAbs = 0x8D, kLdaImm = 0xA9, kNop = 0xEA;

class DmaCycles : public testing::TestWithParam<Row> {};

TEST_P(DmaCycles, CostWhatTheHaltsAlignmentGives) {
  TestMachine t;
  ASSERT_TRUE(InstallCartridge(t.m, 2, 1));
  auto c = std::make_unique<Console>();
  ConsolePowerOn(*c, t.m);
  CpuStep(c->Processor);  // the reset sequence
  // The program starts on an odd cycle: a get cycle.
  ASSERT_EQ(c->Processor.Cycles % 2, 1u);
  const std::vector<uint8_t>& program = GetParam().Program;
  for (size_t i = 0; i < program.size(); ++i) t.m.Ram[0x300 + i] = program[i];
  c->Processor.PC = 0x300;
  const uint64_t start = c->Processor.Cycles;
  while (c->Processor.PC != 0x300 + program.size()) CpuStep(c->Processor);
  EXPECT_EQ(c->Processor.Cycles - start, GetParam().Cycles);
}

INSTANTIATE_TEST_SUITE_P(
    Console, DmaCycles,
    testing::Values(
        // STA ends on a put cycle: the halt lands on a get, the copy waits a
        // cycle to start on the next get: 1 + 1 + 512.
        Row{"copy halted on a get", {kStaAbs, 0x14, 0x40, kNop}, 4 + 514 + 2},
        // STA ends on a get: halt on the put, the copy starts at once.
        Row{"copy halted on a put", {kLdaZp, 0x00, kStaAbs, 0x14, 0x40, kNop}, 3 + 4 + 513 + 2},
        // $4015 written on a put: the fetch halts on the get of the second
        // clock after it (the second NOP's first cycle): halt, dummy, get.
        Row{"first sample fetch", {kLdaImm, 0x10, kStaAbs, 0x15, 0x40, kNop, kNop, kNop}, 2 + 4 + 3 + 6},
        // The same halt falls on STA $00's write: it is tried again on the
        // next cycle, a put, so an alignment cycle comes before the get.
        Row{"first sample fetch after a failed halt",
            {kLdaImm, 0x10, kStaAbs, 0x15, 0x40, kStaZp, 0x00, kNop},
            2 + 4 + 3 + 4 + 2}),
    [](const testing::TestParamInfo<Row>& info) { return TestName(info.param.What); });

}  // namespace
