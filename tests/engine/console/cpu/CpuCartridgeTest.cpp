// The public processor test cartridges on the console processor alone: a
// minimal console of 2 KB of RAM, the cartridge's program through the
// loader and its board's banking, 8 KB of RAM at $6000 and a picture
// processor reduced to $2002's vertical-blank flag. Each cartridge reports
// through $6000 (status, the signature DE B0 61, then its text from $6004).
// The suites that need the picture or sound chip's registers wait for them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cartridge/Mapper.h"
#include "cartridge/RomLoader.h"
#include "engine/console/cpu/Cpu.h"
#include "support/TestCartridges.h"
#include "support/TestMachine.h"

namespace {

constexpr uint64_t kCyclesPerFrame = 29781;

struct MiniConsole {
  TestMachine t;
  Cpu cpu;
  uint8_t openBus = 0;
  bool vblank = false;
  uint64_t nextVblank = kCyclesPerFrame;

  static uint8_t ReadAt(void* context, uint16_t address) {
    auto& n = *static_cast<MiniConsole*>(context);
    Machine& m = n.t.m;
    if (n.cpu.Cycles >= n.nextVblank) n.vblank = true, n.nextVblank += kCyclesPerFrame;
    if (address < 0x2000) {
      n.openBus = m.Ram[address & 0x7FF];
    } else if (address < 0x4000) {
      // $2002: the vertical-blank flag, cleared by the read that sees it.
      if ((address & 7) == 2) n.openBus = static_cast<uint8_t>((n.openBus & 0x1F) | (n.vblank ? 0x80 : 0));
      if ((address & 7) == 2) n.vblank = false;
    } else if (address >= 0x6000) {
      const CpuBank& bank = m.CpuBankTable[address >> 13];
      if (bank.Base) n.openBus = bank.Base[address & bank.Mask];
    }
    return n.openBus;
  }
  static void WriteAt(void* context, uint16_t address, uint8_t value) {
    auto& n = *static_cast<MiniConsole*>(context);
    Machine& m = n.t.m;
    n.openBus = value;
    if (address < 0x2000)
      m.Ram[address & 0x7FF] = value;
    else if (address >= 0x6000 && address < 0x8000)
      m.BatteryRam[address - 0x6000] = value;
    else if (address >= 0x8000)
      m.MapperWrite(m, address, value);
  }
};

std::string CartridgeText(const Machine& m) {
  std::string text;
  for (size_t i = 4; i < m.BatteryRam.size() && m.BatteryRam[i]; ++i)
    text += static_cast<char>(m.BatteryRam[i]);
  return text;
}

class ProcessorCartridge : public testing::TestWithParam<const char*> {};

TEST_P(ProcessorCartridge, Passes) {
  const std::string path = std::string(VIREL_TESTROM_DIR) + "/" + GetParam();
  if (!std::filesystem::exists(path))
    GTEST_SKIP() << "The public test cartridges are not here (" << path << "): nothing to run.";
  MiniConsole n;
  Machine& m = n.t.m;
  ASSERT_TRUE(LoadRomFile(m, path));
  MapRam(m);
  MapBatteryRam(m);
  ASSERT_TRUE(MapperInit(m, m.MapperNumber));
  n.cpu.Bus = {&n, &MiniConsole::ReadAt, &MiniConsole::WriteAt};
  CpuPowerOn(n.cpu);

  // Sixty seconds of the console's time at most; a request for the reset
  // button ($81) is answered about a tenth of a second later.
  const auto& ram = m.BatteryRam;
  const auto signed_ = [&] { return ram[1] == 0xDE && ram[2] == 0xB0 && ram[3] == 0x61; };
  // Each request is answered once: the status stays $81 until the
  // cartridge's reset code runs.
  uint64_t resetAt = 0;
  uint8_t lastStatus = 0;
  while (n.cpu.Cycles < 60 * 60 * kCyclesPerFrame && !n.cpu.Jammed) {
    CpuRunUntil(n.cpu, n.cpu.Cycles + 1000);
    if (!signed_()) continue;
    if (ram[0] < 0x80) break;
    if (ram[0] == 0x81 && lastStatus != 0x81) resetAt = n.cpu.Cycles + 6 * kCyclesPerFrame;
    if (resetAt && n.cpu.Cycles >= resetAt) CpuReset(n.cpu), resetAt = 0;
    lastStatus = ram[0];
  }
  ASSERT_TRUE(signed_()) << "no result at $6000";
  EXPECT_EQ(ram[0], 0) << CartridgeText(m);
}

INSTANTIATE_TEST_SUITE_P(
    ConsoleCpu, ProcessorCartridge,
    testing::Values("instr_test-v5/rom_singles/01-basics.nes", "instr_test-v5/rom_singles/02-implied.nes",
                    "instr_test-v5/rom_singles/03-immediate.nes",
                    "instr_test-v5/rom_singles/04-zero_page.nes", "instr_test-v5/rom_singles/05-zp_xy.nes",
                    "instr_test-v5/rom_singles/06-absolute.nes", "instr_test-v5/rom_singles/07-abs_xy.nes",
                    "instr_test-v5/rom_singles/08-ind_x.nes", "instr_test-v5/rom_singles/09-ind_y.nes",
                    "instr_test-v5/rom_singles/10-branches.nes", "instr_test-v5/rom_singles/11-stack.nes",
                    "instr_test-v5/rom_singles/12-jmp_jsr.nes", "instr_test-v5/rom_singles/13-rts.nes",
                    "instr_test-v5/rom_singles/14-rti.nes", "instr_test-v5/rom_singles/15-brk.nes",
                    "instr_test-v5/rom_singles/16-special.nes", "instr_test-v5/official_only.nes",
                    "instr_test-v5/all_instrs.nes", "instr_misc/rom_singles/01-abs_x_wrap.nes",
                    "instr_misc/rom_singles/02-branch_wrap.nes", "instr_misc/rom_singles/03-dummy_reads.nes",
                    "cpu_exec_space/test_cpu_exec_space_apu.nes", "cpu_reset/ram_after_reset.nes",
                    "cpu_reset/registers.nes"),
    [](const testing::TestParamInfo<const char*>& info) { return CartridgeTestName(info.param); });

}  // namespace
