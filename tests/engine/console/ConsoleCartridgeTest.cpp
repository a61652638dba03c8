// The public self-checking test cartridges in the console engine, through
// the real lifecycle: each row names a cartridge and the frames it may take.
// A cartridge passes when its status byte at $6000 reads 0; the older ones
// leave their result code in zero page (1 for a pass), and those that only
// print it are judged by their picture.
#include <gtest/gtest.h>

#include <string>

#include "support/TestCartridges.h"

namespace {

// The tables' rows each name a cartridge of the public folder (Path) and
// the frames it may take (Frames); the test is skipped, saying so, when
// the folder is not here.
template <typename RowType>
class PublicCartridge : public testing::TestWithParam<RowType> {
 protected:
  void SetUp() override {
    path_ = TestRomPath(this->GetParam().Path);
    if (path_.empty())
      GTEST_SKIP() << "The public test cartridges are not here (" << VIREL_TESTROM_DIR << ")";
  }
  // The console engine's run of the row's cartridge.
  CartridgeVerdict Run(bool toEnd, uint8_t held = 0) const {
    return RunTestCartridge(path_, "console", this->GetParam().Frames, toEnd, held);
  }

 private:
  std::string path_;
};

template <typename RowType>
std::string RowName(const testing::TestParamInfo<RowType>& info) {
  return CartridgeTestName(info.param.Path);
}

struct Row {
  const char* Path;
  long Frames;
};

class ConsoleCartridge : public PublicCartridge<Row> {};

TEST_P(ConsoleCartridge, Passes) {
  const CartridgeVerdict v = Run(false);
  ASSERT_TRUE(v.Signed) << "no result at $6000 after " << v.Frames << " frames";
  EXPECT_EQ(v.Status, 0) << v.Text;
}

// The processor: every instruction, its dummy accesses and the reset.
INSTANTIATE_TEST_SUITE_P(Processor, ConsoleCartridge,
                         testing::Values(Row{"instr_test-v5/all_instrs.nes", 3000},
                                         Row{"instr_misc/instr_misc.nes", 1200},
                                         Row{"cpu_reset/ram_after_reset.nes", 600},
                                         Row{"cpu_reset/registers.nes", 600}),
                         RowName<Row>);

// The sound chip as the processor sees it: length counters, the frame
// counter and its interrupt, the sample channel, and what power and the
// reset button leave in it.
INSTANTIATE_TEST_SUITE_P(
    Sound, ConsoleCartridge,
    testing::Values(
        Row{"apu_test/rom_singles/1-len_ctr.nes", 600}, Row{"apu_test/rom_singles/2-len_table.nes", 600},
        Row{"apu_test/rom_singles/3-irq_flag.nes", 600}, Row{"apu_test/rom_singles/4-jitter.nes", 600},
        Row{"apu_test/rom_singles/5-len_timing.nes", 600},
        Row{"apu_test/rom_singles/6-irq_flag_timing.nes", 600},
        Row{"apu_test/rom_singles/7-dmc_basics.nes", 600}, Row{"apu_test/rom_singles/8-dmc_rates.nes", 600},
        Row{"apu_reset/4015_cleared.nes", 600}, Row{"apu_reset/4017_timing.nes", 600},
        Row{"apu_reset/4017_written.nes", 600}, Row{"apu_reset/irq_flag_cleared.nes", 600},
        Row{"apu_reset/len_ctrs_enabled.nes", 600}, Row{"apu_reset/works_immediately.nes", 600}),
    RowName<Row>);

// The DMA unit: sprite copies and sample fetches stealing the processor's
// cycles, alone and together.
INSTANTIATE_TEST_SUITE_P(Dma, ConsoleCartridge,
                         testing::Values(Row{"sprdma_and_dmc_dma/sprdma_and_dmc_dma.nes", 600},
                                         Row{"sprdma_and_dmc_dma/sprdma_and_dmc_dma_512.nes", 600}),
                         RowName<Row>);

// Interrupt timing against instructions, branches and DMA, and instruction
// timing measured with the sound chip's clocks.
INSTANTIATE_TEST_SUITE_P(Interrupts, ConsoleCartridge,
                         testing::Values(Row{"cpu_interrupts_v2/rom_singles/1-cli_latency.nes", 600},
                                         Row{"cpu_interrupts_v2/rom_singles/2-nmi_and_brk.nes", 600},
                                         Row{"cpu_interrupts_v2/rom_singles/3-nmi_and_irq.nes", 600},
                                         Row{"cpu_interrupts_v2/rom_singles/4-irq_and_dma.nes", 600},
                                         Row{"cpu_interrupts_v2/rom_singles/5-branch_delays_irq.nes", 900},
                                         Row{"instr_timing/rom_singles/1-instr_timing.nes", 1200},
                                         Row{"instr_timing/rom_singles/2-branch_timing.nes", 600},
                                         Row{"instr_misc/rom_singles/04-dummy_reads_apu.nes", 600},
                                         Row{"cpu_exec_space/test_cpu_exec_space_apu.nes", 600}),
                         RowName<Row>);

// The MMC3's interrupt counter: clocked by A12 through $2006 and $2007 and
// by the fetches, to the dot of the scanline, as the newer chip counts.
INSTANTIATE_TEST_SUITE_P(Board, ConsoleCartridge,
                         testing::Values(Row{"mmc3_test_2/rom_singles/1-clocking.nes", 120},
                                         Row{"mmc3_test_2/rom_singles/2-details.nes", 120},
                                         Row{"mmc3_test_2/rom_singles/3-A12_clocking.nes", 120},
                                         Row{"mmc3_test_2/rom_singles/4-scanline_timing.nes", 400},
                                         Row{"mmc3_test_2/rom_singles/5-MMC3.nes", 120}),
                         RowName<Row>);

// The two MMC3 revisions differ in a counter reloaded with 0; the engine
// models the newer one, so the older chip's cartridges stop at the first
// check where they part (and only there).
TEST(ConsoleBoardRevision, TheOlderChipsCartridgesFailWhereTheRevisionsDiffer) {
  const std::string alt = TestRomPath("mmc3_test_2/rom_singles/6-MMC3_alt.nes");
  const std::string revA = TestRomPath("mmc3_irq_tests/5.MMC3_rev_A.nes");
  if (alt.empty() || revA.empty()) GTEST_SKIP() << "The public test cartridges are not here";
  const CartridgeVerdict a = RunTestCartridge(alt, "console", 120);
  EXPECT_EQ(a.Status, 2) << a.Text;
  EXPECT_EQ(RunTestCartridge(revA, "console", 200, true).Ram[0xF8], 3);
}

// The DMA cartridges that only print: they keep a running CRC-32 of all they
// print in zero page ($10-$13), so the sum after the run pins their whole
// text. Each sum is that of a run whose screen read "Passed" (with the
// numbers the source lists as the console's).
struct PrintedRow {
  const char* Path;
  long Frames;
  uint32_t Sum;
};

class PrintingCartridge : public PublicCartridge<PrintedRow> {};

TEST_P(PrintingCartridge, PrintsWhatTheConsolePrints) {
  const CartridgeVerdict v = Run(true);
  const uint32_t sum =
      v.Ram[0x10] | v.Ram[0x11] << 8 | v.Ram[0x12] << 16 | static_cast<uint32_t>(v.Ram[0x13]) << 24;
  EXPECT_EQ(sum, GetParam().Sum);
}

INSTANTIATE_TEST_SUITE_P(
    Dma, PrintingCartridge,
    testing::Values(PrintedRow{"dmc_dma_during_read4/dma_4016_read.nes", 120, 0x02FAEA50},
                    // A sample fetch halting a $2007 read: three extra reads
                    // ("44 55", 5E3DF9C4), a write left alone, a read just
                    // before a write, and an indexed read's two back-to-back
                    // reads, the second finding the old byte (85CFD627).
                    PrintedRow{"dmc_dma_during_read4/dma_2007_read.nes", 120, 0xA1C2063B},
                    PrintedRow{"dmc_dma_during_read4/dma_2007_write.nes", 120, 0x3CA4CBAA},
                    PrintedRow{"dmc_dma_during_read4/read_write_2007.nes", 120, 0xCAF36710},
                    PrintedRow{"dmc_dma_during_read4/double_2007_read.nes", 120, 0x7A3029D8},
                    PrintedRow{"read_joy3/thorough_test.nes", 240, 0x61928C6D}),
    RowName<PrintedRow>);

// The picture processor: vertical blank and NMI timing to the dot, the
// register bus, the read buffer, OAM access, and the processor's dummy reads
// and execution landing on its registers.
INSTANTIATE_TEST_SUITE_P(Picture, ConsoleCartridge,
                         testing::Values(Row{"ppu_vbl_nmi/rom_singles/01-vbl_basics.nes", 600},
                                         Row{"ppu_vbl_nmi/rom_singles/02-vbl_set_time.nes", 600},
                                         Row{"ppu_vbl_nmi/rom_singles/03-vbl_clear_time.nes", 600},
                                         Row{"ppu_vbl_nmi/rom_singles/04-nmi_control.nes", 600},
                                         Row{"ppu_vbl_nmi/rom_singles/05-nmi_timing.nes", 600},
                                         Row{"ppu_vbl_nmi/rom_singles/06-suppression.nes", 600},
                                         Row{"ppu_vbl_nmi/rom_singles/07-nmi_on_timing.nes", 600},
                                         Row{"ppu_vbl_nmi/rom_singles/08-nmi_off_timing.nes", 600},
                                         Row{"ppu_vbl_nmi/rom_singles/09-even_odd_frames.nes", 600},
                                         Row{"ppu_vbl_nmi/rom_singles/10-even_odd_timing.nes", 600},
                                         Row{"ppu_open_bus/ppu_open_bus.nes", 600},
                                         Row{"ppu_read_buffer/test_ppu_read_buffer.nes", 3000},
                                         Row{"oam_read/oam_read.nes", 600},
                                         Row{"oam_stress/oam_stress.nes", 1800},
                                         Row{"cpu_exec_space/test_cpu_exec_space_ppuio.nes", 600},
                                         Row{"instr_misc/rom_singles/03-dummy_reads.nes", 600},
                                         Row{"cpu_dummy_writes/cpu_dummy_writes_ppumem.nes", 600},
                                         Row{"cpu_dummy_writes/cpu_dummy_writes_oam.nes", 600}),
                         RowName<Row>);

// The older cartridges predate the $6000 protocol: each leaves its result
// code in zero page, 1 for a pass, and then only prints or beeps it.
struct ZeroPageRow {
  const char* Path;
  long Frames;
  uint8_t Address;
};

class ConsoleZeroPageCartridge : public PublicCartridge<ZeroPageRow> {};

TEST_P(ConsoleZeroPageCartridge, ReportsPass) {
  const CartridgeVerdict v = Run(true);
  EXPECT_EQ(v.Ram[GetParam().Address], 1) << "failed test number " << int{v.Ram[GetParam().Address]};
}

std::string ZeroPageRowName(const testing::TestParamInfo<ZeroPageRow>& info) {
  return RowName(info) + "_" + std::to_string(info.param.Frames);
}

// Sprite-0 hit, sprite overflow, vertical blank and NMI timing, palette and
// video memory access.
INSTANTIATE_TEST_SUITE_P(
    Picture, ConsoleZeroPageCartridge,
    testing::Values(ZeroPageRow{"sprite_hit_tests_2005.10.05/01.basics.nes", 200, 0xF8},
                    ZeroPageRow{"sprite_hit_tests_2005.10.05/02.alignment.nes", 200, 0xF8},
                    ZeroPageRow{"sprite_hit_tests_2005.10.05/03.corners.nes", 200, 0xF8},
                    ZeroPageRow{"sprite_hit_tests_2005.10.05/04.flip.nes", 200, 0xF8},
                    ZeroPageRow{"sprite_hit_tests_2005.10.05/05.left_clip.nes", 200, 0xF8},
                    ZeroPageRow{"sprite_hit_tests_2005.10.05/06.right_edge.nes", 200, 0xF8},
                    ZeroPageRow{"sprite_hit_tests_2005.10.05/07.screen_bottom.nes", 200, 0xF8},
                    ZeroPageRow{"sprite_hit_tests_2005.10.05/08.double_height.nes", 200, 0xF8},
                    ZeroPageRow{"sprite_hit_tests_2005.10.05/09.timing_basics.nes", 200, 0xF8},
                    ZeroPageRow{"sprite_hit_tests_2005.10.05/10.timing_order.nes", 200, 0xF8},
                    ZeroPageRow{"sprite_hit_tests_2005.10.05/11.edge_timing.nes", 200, 0xF8},
                    ZeroPageRow{"sprite_overflow_tests/1.Basics.nes", 200, 0xF8},
                    ZeroPageRow{"sprite_overflow_tests/2.Details.nes", 200, 0xF8},
                    ZeroPageRow{"sprite_overflow_tests/3.Timing.nes", 300, 0xF8},
                    ZeroPageRow{"sprite_overflow_tests/4.Obscure.nes", 200, 0xF8},
                    ZeroPageRow{"sprite_overflow_tests/5.Emulator.nes", 200, 0xF8},
                    ZeroPageRow{"vbl_nmi_timing/1.frame_basics.nes", 300, 0xF8},
                    ZeroPageRow{"vbl_nmi_timing/2.vbl_timing.nes", 300, 0xF8},
                    ZeroPageRow{"vbl_nmi_timing/3.even_odd_frames.nes", 300, 0xF8},
                    ZeroPageRow{"vbl_nmi_timing/4.vbl_clear_timing.nes", 300, 0xF8},
                    ZeroPageRow{"vbl_nmi_timing/5.nmi_suppression.nes", 300, 0xF8},
                    ZeroPageRow{"vbl_nmi_timing/6.nmi_disable.nes", 300, 0xF8},
                    ZeroPageRow{"vbl_nmi_timing/7.nmi_timing.nes", 300, 0xF8},
                    ZeroPageRow{"blargg_ppu_tests_2005.09.15b/palette_ram.nes", 120, 0xF0},
                    ZeroPageRow{"blargg_ppu_tests_2005.09.15b/power_up_palette.nes", 120, 0xF0},
                    ZeroPageRow{"blargg_ppu_tests_2005.09.15b/sprite_ram.nes", 120, 0xF0},
                    ZeroPageRow{"blargg_ppu_tests_2005.09.15b/vbl_clear_time.nes", 120, 0xF0},
                    ZeroPageRow{"blargg_ppu_tests_2005.09.15b/vram_access.nes", 120, 0xF0}),
    ZeroPageRowName);

// Branch timing: taken, not taken, and across a page, each way.
INSTANTIATE_TEST_SUITE_P(Processor, ConsoleZeroPageCartridge,
                         testing::Values(ZeroPageRow{"branch_timing_tests/1.Branch_Basics.nes", 60, 0xF8},
                                         ZeroPageRow{"branch_timing_tests/2.Backward_Branch.nes", 60, 0xF8},
                                         ZeroPageRow{"branch_timing_tests/3.Forward_Branch.nes", 60, 0xF8}),
                         ZeroPageRowName);

// The older MMC3 suite: the same counter, its A12 clocking and scanline
// timing, and the newer chip's reload with 0.
INSTANTIATE_TEST_SUITE_P(Board, ConsoleZeroPageCartridge,
                         testing::Values(ZeroPageRow{"mmc3_irq_tests/1.Clocking.nes", 200, 0xF8},
                                         ZeroPageRow{"mmc3_irq_tests/2.Details.nes", 200, 0xF8},
                                         ZeroPageRow{"mmc3_irq_tests/3.A12_clocking.nes", 200, 0xF8},
                                         ZeroPageRow{"mmc3_irq_tests/4.Scanline_timing.nes", 200, 0xF8},
                                         ZeroPageRow{"mmc3_irq_tests/6.MMC3_rev_B.nes", 200, 0xF8}),
                         ZeroPageRowName);

// The sound chip's length counters, frame interrupt and their timing.
INSTANTIATE_TEST_SUITE_P(
    Sound, ConsoleZeroPageCartridge,
    testing::Values(ZeroPageRow{"blargg_apu_2005.07.30/01.len_ctr.nes", 60, 0xF0},
                    ZeroPageRow{"blargg_apu_2005.07.30/02.len_table.nes", 60, 0xF0},
                    ZeroPageRow{"blargg_apu_2005.07.30/03.irq_flag.nes", 60, 0xF0},
                    ZeroPageRow{"blargg_apu_2005.07.30/04.clock_jitter.nes", 60, 0xF0},
                    ZeroPageRow{"blargg_apu_2005.07.30/05.len_timing_mode0.nes", 60, 0xF0},
                    ZeroPageRow{"blargg_apu_2005.07.30/06.len_timing_mode1.nes", 60, 0xF0},
                    ZeroPageRow{"blargg_apu_2005.07.30/07.irq_flag_timing.nes", 60, 0xF0},
                    ZeroPageRow{"blargg_apu_2005.07.30/08.irq_timing.nes", 60, 0xF0},
                    ZeroPageRow{"blargg_apu_2005.07.30/09.reset_timing.nes", 60, 0xF0},
                    ZeroPageRow{"blargg_apu_2005.07.30/10.len_halt_timing.nes", 60, 0xF0},
                    ZeroPageRow{"blargg_apu_2005.07.30/11.len_reload_timing.nes", 60, 0xF0}),
    ZeroPageRowName);

// Cartridges judged by their picture, pinned by hash once seen right: the
// dummy-reads and instruction-timing cartridges printing "Passed", and the NMI synchronisation demo's
// line drawn by timed greyscale writes, its left edge on the reference
// lines' column with the edge pixel lit every other frame (two frames pinned).
struct PictureRow {
  const char* Path;
  long Frames;
  uint64_t Hash;
  uint8_t Held = 0;  // pad 1's buttons held from power-on (bit 0 A, bit 1 B)
};

class ConsolePictureCartridge : public PublicCartridge<PictureRow> {};

std::string PictureRowName(const testing::TestParamInfo<PictureRow>& info) {
  std::string name = RowName(info) + "_" + std::to_string(info.param.Frames);
  if (info.param.Held != 0) name += "_held" + std::to_string(info.param.Held);
  return name;
}

TEST_P(ConsolePictureCartridge, ShowsItsPicture) {
  const CartridgeVerdict v = Run(true, GetParam().Held);
  EXPECT_EQ(v.PictureHash, GetParam().Hash) << std::hex << v.PictureHash;
}

INSTANTIATE_TEST_SUITE_P(Picture, ConsolePictureCartridge,
                         testing::Values(PictureRow{"cpu_dummy_reads/cpu_dummy_reads.nes", 300,
                                                    0xd48fa87af5a0f415ull},
                                         PictureRow{"nmi_sync/demo_ntsc.nes", 300, 0xa621690ff5a0f415ull},
                                         PictureRow{"nmi_sync/demo_ntsc.nes", 301, 0xfd73e430f5a0f415ull}),
                         PictureRowName);

// The instruction timing cartridge prints "PASSED" under the set it timed:
// the official instructions alone, or with B held at power-on every
// undocumented one too.
INSTANTIATE_TEST_SUITE_P(
    Processor, ConsolePictureCartridge,
    testing::Values(PictureRow{"cpu_timing_test6/cpu_timing_test.nes", 1100, 0x1654053ef5a0f415ull},
                    PictureRow{"cpu_timing_test6/cpu_timing_test.nes", 1100, 0xbc640e59f5a0f415ull, 0x02}),
    PictureRowName);

}  // namespace
