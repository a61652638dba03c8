// The console's NextDue is derived state: between any two instructions it
// must be what the chips' state gives when worked out afresh, or else a
// restored snapshot (which works it out afresh) would take the long way on
// other cycles than the run it was taken from, and a change made outside a
// cycle would go unnoticed until some later cycle happened to look. Each
// row steps a cartridge instruction by instruction through a few frames and
// checks it after each.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "cartridge/Lifecycle.h"
#include "engine/EngineChoice.h"
#include "engine/console/Console.h"
#include "support/TestCartridges.h"
#include "support/TestMachine.h"

namespace {

struct Row {
  const char* Path;  // among the project's cartridges, or else in the public folder
  int Frames;
  bool ShortWay;  // most instructions begin before NextDue
};
void PrintTo(const Row& row, std::ostream* out) { *out << row.Path; }

class ConsoleDue : public testing::TestWithParam<Row> {};

TEST_P(ConsoleDue, IsWhatTheStateGivesBetweenInstructions) {
  const std::string own = std::string(VIREL_ROM_DIR) + "/" + GetParam().Path;
  const std::string path = std::filesystem::exists(own) ? own : TestRomPath(GetParam().Path);
  if (path.empty()) GTEST_SKIP() << GetParam().Path << " is not here";
  TestMachine t;
  ChooseEngine(t.m, "console");
  ASSERT_TRUE(StartCartridge(t.m, path));
  auto c = std::make_unique<Console>();
  ConsolePowerOn(*c, t.m);
  long checked = 0, early = 0;
  for (int frame = 0; frame < GetParam().Frames; ++frame) {
    while (!c->Video.FrameReady) {
      CpuStep(c->Processor);
      const uint64_t kept = c->NextDue;
      ConsoleRefreshDue(*c);
      ASSERT_EQ(kept, c->NextDue) << "frame " << frame << ", cycle " << c->Processor.Cycles;
      early += c->NextDue > c->Processor.Cycles;
      ++checked;
    }
    ConsoleSyncVideo(*c);
    ConsoleBeginFrame(*c);
  }
  EXPECT_EQ(early * 2 > checked, GetParam().ShortWay) << early << " of " << checked;
}

INSTANTIATE_TEST_SUITE_P(Console, ConsoleDue,
                         testing::Values(Row{"sprite_storm.nes", 20, true},
                                         Row{"five_channels.nes", 20, true},
                                         // The boards' counters of processor cycles: Bandai,
                                         // Konami VRC4, FFE.
                                         Row{"cycle_irq.nes", 20, true}, Row{"vrc_irq.nes", 20, true},
                                         Row{"ffe_irq.nes", 20, true},
                                         // An MMC3 watches A12: every cycle takes the long way.
                                         Row{"mmc3_split.nes", 5, false},
                                         Row{"sprdma_and_dmc_dma/sprdma_and_dmc_dma.nes", 20, true},
                                         Row{"apu_test/rom_singles/6-irq_flag_timing.nes", 20, true}),
                         [](const testing::TestParamInfo<Row>& info) {
                           return CartridgeTestName(info.param.Path);
                         });

}  // namespace
