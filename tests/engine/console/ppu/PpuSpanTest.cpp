// The picture processor's spans: when the engine owes it many dots it runs
// whole tile groups, sprite slots and line ends at once, and that must leave
// exactly what going dot by dot leaves. Each row runs a cartridge twice from
// the same power-on: once as the engine runs it, once with the picture
// processor brought up to date after every processor cycle (as for a board
// that watches A12), which only ever owes it a cycle's three dots. Every
// frame's picture and, at the end, every register, latch and sprite buffer
// of the two runs must be the same. The second run also takes the long way
// through every processor cycle, every check made, where the first takes
// it only from the cycle its NextDue names: the processor's registers and
// clock and each sound register write's cycle must agree as well.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>

#include "cartridge/Lifecycle.h"
#include "engine/EngineChoice.h"
#include "engine/console/Console.h"
#include "support/TestCartridges.h"
#include "support/TestMachine.h"

namespace {

struct Row {
  const char* Path;  // among the project's cartridges, or else in the public folder
  int Frames;
};
void PrintTo(const Row& row, std::ostream* out) { *out << row.Path; }

struct ConsoleRun {
  TestMachine t;
  std::unique_ptr<Console> c = std::make_unique<Console>();
  ConsoleRun(const std::string& path, bool dotByDot) {
    ChooseEngine(t.m, "console");
    EXPECT_TRUE(StartCartridge(t.m, path));
    ConsolePowerOn(*c, t.m);
    PpuPowerOnPalette(t.m);
    if (dotByDot) {
      // Owing nothing yet, the catch-up only learns that a board watching
      // A12 may be owed a single dot.
      c->Video.A12.Watching = true;
      ConsoleSyncVideo(*c);
    }
  }
  void Frame() {
    ConsoleRunFrame(*c);
    ConsoleBeginFrame(*c);
  }
};

// The picture processor's state, A12's watch aside (only the second run has it).
std::string VideoBytes(Ppu p) {
  p.A12 = {};
  return std::string(reinterpret_cast<const char*>(&p), sizeof p);
}

class PpuSpans : public testing::TestWithParam<Row> {};

TEST_P(PpuSpans, LeaveWhatDotByDotLeaves) {
  std::string path = TestRomPath(GetParam().Path);
  for (const std::filesystem::path& folder :
       {std::filesystem::path(VIREL_ROM_DIR), std::filesystem::path(VIREL_DEMO_ROM).parent_path()})
    if (std::filesystem::exists(folder / GetParam().Path)) path = (folder / GetParam().Path).string();
  if (path.empty()) GTEST_SKIP() << GetParam().Path << " is not here";
  ConsoleRun spans(path, false), dots(path, true);
  for (int frame = 1; frame <= GetParam().Frames; ++frame) {
    spans.Frame();
    dots.Frame();
    ASSERT_EQ(spans.c->Processor.Cycles, dots.c->Processor.Cycles) << "frame " << frame;
    ASSERT_TRUE(spans.t.m.FrameBuffer == dots.t.m.FrameBuffer) << "picture of frame " << frame;
  }
  EXPECT_EQ(VideoBytes(spans.c->Video), VideoBytes(dots.c->Video));
  EXPECT_TRUE(spans.t.m.Ram == dots.t.m.Ram);
  const Cpu &a = spans.c->Processor, &b = dots.c->Processor;
  EXPECT_EQ(std::tie(a.PC, a.A, a.X, a.Y, a.S, a.P, a.IrqSources, a.NmiLine, a.InterruptDue),
            std::tie(b.PC, b.A, b.X, b.Y, b.S, b.P, b.IrqSources, b.NmiLine, b.InterruptDue));
  // Every frame's writes, stamped with their cycles, piled up since power-on.
  EXPECT_TRUE(spans.t.m.SoundWrites == dots.t.m.SoundWrites);
}

INSTANTIATE_TEST_SUITE_P(Console, PpuSpans,
                         testing::Values(
                             // 64 moving 8x16 sprites, flipped and behind, over a scrolled field
                             // split on the sprite-0 hit that a $2002 loop waits for.
                             Row{"sprite_storm.nes", 120}, Row{"video_scroll.nes", 120}, Row{"demo.nes", 120},
                             // The left column's masks, the right edge, 8x16 sprites, and the
                             // overflow flag's search, each changing rendering between frames.
                             Row{"sprite_hit_tests_2005.10.05/05.left_clip.nes", 60},
                             Row{"sprite_hit_tests_2005.10.05/06.right_edge.nes", 60},
                             Row{"sprite_hit_tests_2005.10.05/08.double_height.nes", 60},
                             Row{"sprite_overflow_tests/2.Details.nes", 60},
                             Row{"sprite_overflow_tests/3.Timing.nes", 120},
                             // Sample fetches and the sprite copy halting the processor, the
                             // sound chip's interrupts, and the NMI against an IRQ.
                             Row{"sprdma_and_dmc_dma/sprdma_and_dmc_dma.nes", 120},
                             Row{"dmc_dma_during_read4/dma_2007_read.nes", 120},
                             Row{"apu_test/rom_singles/6-irq_flag_timing.nes", 120},
                             Row{"cpu_interrupts_v2/rom_singles/3-nmi_and_irq.nes", 120}),
                         [](const testing::TestParamInfo<Row>& info) {
                           return CartridgeTestName(info.param.Path);
                         });

}  // namespace
