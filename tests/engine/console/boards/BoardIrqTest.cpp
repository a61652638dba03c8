// The boards' interrupts on the console's clocks, where the public test
// cartridges do not reach: the counters of processor cycles of the Bandai
// board (cycle_irq.nes), the Konami VRC4 (vrc_irq.nes) and the FFE copier
// (ffe_irq.nes). The designed engine accepts their registers and raises
// nothing, as it always has.
#include <gtest/gtest.h>

#include <vector>

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

// A trial of vrc_irq or ffe_irq (irq_rounds.inc): the loop's rounds and
// the interrupts taken.
struct Trial {
  int Rounds = 0x4000, Irqs = 0;
};
constexpr long kTrialSpan = 0x4000 * 28;  // cycles no trial outlasts

Trial TrialAt(const CartridgeVerdict& v, int n) {
  const int at = 0x300 + 4 * n;
  return {v.Ram[at] | v.Ram[at + 1] << 8, v.Ram[at + 2]};
}

// What irq_rounds.inc's loop counts when the board pulls its line at the
// cycles `lines` after the write that starts it, until `wanted` interrupts:
// eight cycles first, 17 a round (28 when the low byte wraps), and the
// handler's 31 cycles at the end of the round an interrupt came in.
Trial ExpectedTrial(const std::vector<long>& lines, int wanted) {
  Trial t{0, 0};
  long cycles = 8;
  while (t.Irqs < wanted && t.Rounds < 0x4000) {
    ++t.Rounds;
    cycles += (t.Rounds % 256 == 0) ? 28 : 17;
    if (t.Irqs < static_cast<int>(lines.size()) && cycles >= lines[t.Irqs]) {
      cycles += 31;
      ++t.Irqs;
    }
  }
  return t;
}

// One trial's expectation, its cartridge's results and both engines' runs.
struct TrialCase {
  const char* Name;
  std::vector<long> Lines;
  int Wanted;
};

void ExpectTrials(const std::string& cart, int doneAt, const std::vector<TrialCase>& cases) {
  const CartridgeVerdict console = RunTestCartridge(cart, "console", 90, true);
  ASSERT_EQ(console.Ram[doneAt], 0xA5) << "the trials did not finish";
  const CartridgeVerdict classic = RunTestCartridge(cart, "classic", 90, true);
  ASSERT_EQ(classic.Ram[doneAt], 0xA5) << "the trials did not finish in the designed engine";
  for (int n = 0; n < static_cast<int>(cases.size()); ++n) {
    const Trial want = ExpectedTrial(cases[n].Lines, cases[n].Wanted), got = TrialAt(console, n);
    EXPECT_NEAR(got.Rounds, want.Rounds, 2) << cases[n].Name;
    EXPECT_EQ(got.Irqs, want.Irqs) << cases[n].Name;
    const Trial designed = TrialAt(classic, n);
    EXPECT_EQ(designed.Rounds, 0x4000) << cases[n].Name << " in the designed engine";
    EXPECT_EQ(designed.Irqs, 0) << cases[n].Name << " in the designed engine";
  }
}

// The VRC4's interrupts after its control write: the prescaler starts at
// 341 and loses three a cycle, clocking the counter whenever it reaches zero
// or below and taking 341 more; in cycle mode every cycle clocks it. The
// counter counts up from the latch and, clocked at $FF, takes the latch
// again and pulls the line; a one-shot stops there (its acknowledge clears E).
std::vector<long> VrcLines(int latch, bool cycleMode, bool repeating) {
  std::vector<long> lines;
  int prescaler = 341, counter = latch;
  for (long cycle = 1; cycle <= kTrialSpan; ++cycle) {
    bool clock = cycleMode;
    if (!cycleMode && (prescaler -= 3) <= 0) {
      prescaler += 341;
      clock = true;
    }
    if (!clock) continue;
    if (counter < 0xFF) {
      ++counter;
      continue;
    }
    counter = latch;
    lines.push_back(cycle);
    if (!repeating) break;
  }
  return lines;
}

TEST(BoardIrq, TheVrc4CounterCountsScanlinesAndCyclesInTheConsoleEngine) {
  ExpectTrials(VIREL_ROM_DIR "/vrc_irq.nes", 0x314,
               {
                   {"scanline mode, latch $F0", VrcLines(0xF0, false, false), 1},
                   {"scanline mode, latch $00", VrcLines(0x00, false, false), 1},
                   {"cycle mode, latch $00, repeating", VrcLines(0x00, true, true), 20},
                   {"cycle mode, latch $80, stopped by its acknowledge", VrcLines(0x80, true, false), 2},
                   {"control rewritten with E clear", {}, 1},
               });
}

// The FFE counter pulls the line as it passes $FFFF, counting up from what
// $4502/$4503 set.
TEST(BoardIrq, TheFfeCounterCountsProcessorCyclesInTheConsoleEngine) {
  ExpectTrials(VIREL_ROM_DIR "/ffe_irq.nes", 0x310,
               {
                   {"counter $F000", {0x1000}, 1},
                   {"counter $8000", {0x8000}, 1},
                   {"stopped by $4501 at once", {}, 1},
                   {"acknowledged by $4501", {0x800}, 2},
               });
}

}  // namespace
