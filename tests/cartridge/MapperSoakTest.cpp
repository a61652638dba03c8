// Soak: 300 programs of random bytes, spread evenly over every supported
// mapper number, each run for 30 frames from wherever its reset vector points.
// In the sanitizer build an out-of-bounds access, undefined behaviour or a leak
// fails the run; in every build each program must get through its 30 frames
// and leave every bank window inside the storage it designates.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "cartridge/Lifecycle.h"
#include "cartridge/boards/Boards.h"
#include "support/FrameBudgetHost.h"
#include "support/TestMachine.h"

namespace {

constexpr int kPrograms = 300;
constexpr int kFrames = 30;

class MapperSoak : public ::testing::TestWithParam<size_t> {};

TEST_P(MapperSoak, RandomProgramsRunThirtyFrames) {
  const size_t boardIndex = GetParam();
  const auto boards = MapperBoards();
  const int mapper = boards[boardIndex].Number;
  for (int program = static_cast<int>(boardIndex); program < kPrograms;
       program += static_cast<int>(boards.size())) {
    // Each program has its own seed, so a failure names one reproducible case.
    std::mt19937 random(static_cast<unsigned>(0x5EED0000 + program));
    const int chrBanks = static_cast<int>(random() % 3);  // 0: pattern memory is video memory
    const auto flags6 = static_cast<uint8_t>(random() & 0x03);
    BudgetMachine b;
    ASSERT_TRUE(InstallCartridge(b.m, 2, chrBanks, mapper, flags6));
    for (size_t i = 0; i + 1 < b.m.PrgRom.size(); ++i) b.m.PrgRom[i] = static_cast<uint8_t>(random());
    for (size_t i = 0; i + 1 < b.m.ChrRom.size(); ++i) b.m.ChrRom[i] = static_cast<uint8_t>(random());
    ResetMachine(b.m);

    const std::string which = "mapper " + std::to_string(mapper) + ", program " + std::to_string(program);
    EXPECT_EQ(RunFrames(b, kFrames), kFrames) << which;
    EXPECT_EQ(BankTableFault(b.m), "") << which;
    EXPECT_EQ(b.m.RunLoopDepth, 0) << which;
  }
}

std::string BoardName(const ::testing::TestParamInfo<size_t>& info) {
  return "Mapper" + std::to_string(MapperBoards()[info.param].Number);
}

INSTANTIATE_TEST_SUITE_P(EverySupportedMapper, MapperSoak, ::testing::Range<size_t>(0, MapperBoards().size()),
                         BoardName);

}  // namespace
