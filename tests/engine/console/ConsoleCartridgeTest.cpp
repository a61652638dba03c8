// The public self-checking test cartridges in the console engine, through
// the real lifecycle: each row names a cartridge and the frames it may take.
// A cartridge passes when its status byte at $6000 reads 0.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>

#include "support/TestCartridges.h"

namespace {

struct Row {
  const char* Path;
  long Frames;
};

class ConsoleCartridge : public testing::TestWithParam<Row> {};

TEST_P(ConsoleCartridge, Passes) {
  const std::string path = TestRomPath(GetParam().Path);
  if (path.empty()) GTEST_SKIP() << "The public test cartridges are not here (" << VIREL_TESTROM_DIR << ")";
  const CartridgeVerdict v = RunTestCartridge(path, "console", GetParam().Frames);
  ASSERT_TRUE(v.Signed) << "no result at $6000 after " << v.Frames << " frames";
  EXPECT_EQ(v.Status, 0) << v.Text;
}

std::string RowName(const testing::TestParamInfo<Row>& info) {
  std::string name = std::filesystem::path(info.param.Path).stem().string();
  for (char& ch : name)
    if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
}

// The processor: every instruction, its dummy accesses and the reset.
INSTANTIATE_TEST_SUITE_P(Processor, ConsoleCartridge,
                         testing::Values(Row{"instr_test-v5/all_instrs.nes", 3000},
                                         Row{"instr_misc/instr_misc.nes", 1200},
                                         Row{"cpu_reset/ram_after_reset.nes", 600},
                                         Row{"cpu_reset/registers.nes", 600}),
                         RowName);

}  // namespace
