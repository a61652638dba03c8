// The boards' interrupts on the console's clocks, where the public test
// cartridges do not reach: the Bandai board's counter of processor cycles
// (cycle_irq.nes). The designed engine accepts its registers and raises
// nothing, as it always has.
#include <gtest/gtest.h>

#include "support/TestCartridges.h"

namespace {

// The rounds cycle_irq's loop completes before an interrupt due `latch`
// cycles after the write that starts the counter: eight cycles of CLI and
// JSR first, then 14 a round, 25 when the round count's low byte wraps.
int ExpectedRounds(int latch) {
  int cycles = 8, rounds = 0;
  while (cycles < latch) {
    ++rounds;
    cycles += (rounds % 256 == 0) ? 25 : 14;
  }
  return rounds;
}

int Result(const CartridgeVerdict& v, int trial) {
  return v.Ram[0x300 + 2 * trial] | v.Ram[0x301 + 2 * trial] << 8;
}

TEST(BoardIrq, TheBandaiCounterCountsProcessorCyclesInTheConsoleEngine) {
  const std::string cart = VIREL_ROM_DIR "/cycle_irq.nes";
  const CartridgeVerdict console = RunTestCartridge(cart, "console", 60, true);
  ASSERT_EQ(console.Ram[0x306], 0xA5) << "the trials did not finish";
  for (const auto& [trial, latch] : {std::pair{0, 1400}, std::pair{1, 14000}})
    EXPECT_NEAR(Result(console, trial), ExpectedRounds(latch), 2) << "latch " << latch;
  EXPECT_EQ(Result(console, 2), 0x4000) << "a paused counter raised its interrupt";

  const CartridgeVerdict classic = RunTestCartridge(cart, "classic", 60, true);
  ASSERT_EQ(classic.Ram[0x306], 0xA5);
  for (int trial = 0; trial < 3; ++trial) EXPECT_EQ(Result(classic, trial), 0x4000) << trial;
}

}  // namespace
