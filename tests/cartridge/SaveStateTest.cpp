#include "cartridge/SaveState.h"

#include <gtest/gtest.h>

#include "engine/classic/ClassicEngine.h"
#include "support/ScratchFolder.h"
#include "support/TestMachine.h"

namespace {

// Fills the three saved memories with a pattern that tells them apart.
void Scribble(Machine& m, uint8_t seed) {
  for (size_t i = 0; i < m.Ram.size(); ++i) m.Ram[i] = static_cast<uint8_t>(seed + i);
  for (size_t i = 0; i < m.Oam.size(); ++i) m.Oam[i] = static_cast<uint8_t>(seed * 3 + i);
  for (size_t i = 0; i < m.Vram.size(); ++i) m.Vram[i] = static_cast<uint8_t>(seed ^ (i * 7));
}

}  // namespace

TEST(StateFileName, CutsAtTheFirstFullStop) {
  TestMachine t;
  const std::pair<const char*, const char*> cases[] = {
      {"jogo.nes", "jogo.wb"}, {"game.zip", "game.wb"}, {"um.dois.nes", "um.wb"}, {"semponto", "wb"}};
  for (const auto& [rom, state] : cases) {
    t.m.RomFileName = rom;
    EXPECT_EQ(StateFileName(t.m), state) << rom;
  }
}

TEST(SaveState, WritesTheThreeMemoriesInOrderWithTheirSpareBytes) {
  ScratchFolder dir;
  WorkingDirectory cwd(dir.path());
  TestMachine t;
  t.m.RomFileName = "jogo.nes";
  Scribble(t.m, 9);
  SaveState(t.m);
  const std::vector<uint8_t> file = ReadAll(dir.path() / "jogo.wb");
  ASSERT_EQ(file.size(), 18691u);
  EXPECT_TRUE(std::equal(t.m.Ram.begin(), t.m.Ram.end(), file.begin()));
  EXPECT_TRUE(std::equal(t.m.Oam.begin(), t.m.Oam.end(), file.begin() + 2049));
  EXPECT_TRUE(std::equal(t.m.Vram.begin(), t.m.Vram.end(), file.begin() + 2306));
  EXPECT_EQ(t.host.log, std::vector<std::string>{"Arquivo gravado com sucesso."});
}

TEST(SaveState, LoadRestoresOnlyTheMemories) {
  ScratchFolder dir;
  WorkingDirectory cwd(dir.path());
  TestMachine t;
  t.m.RomFileName = "jogo.nes";
  Scribble(t.m, 1);
  SaveState(t.m);
  Scribble(t.m, 2);
  Classic(t.m).Cpu.PC = 0x1234;
  Classic(t.m).PpuCtrl = 0x90;
  t.m.BatteryRam[0] = 0x77;
  t.host.log.clear();

  LoadState(t.m);
  TestMachine expected;
  Scribble(expected.m, 1);
  EXPECT_EQ(t.m.Ram, expected.m.Ram);
  EXPECT_EQ(t.m.Oam, expected.m.Oam);
  EXPECT_EQ(t.m.Vram, expected.m.Vram);
  EXPECT_EQ(Classic(t.m).Cpu.PC, 0x1234);
  EXPECT_EQ(Classic(t.m).PpuCtrl, 0x90);
  EXPECT_EQ(t.m.BatteryRam[0], 0x77);
  // Palette memory changed under the display: its colours are rebuilt.
  EXPECT_TRUE(t.m.PaletteChanged);
  EXPECT_EQ(t.host.log, std::vector<std::string>{"Arquivo carregado com sucesso."});
}

TEST(SaveState, MissingShortAndLongFilesChangeNothing) {
  ScratchFolder dir;
  WorkingDirectory cwd(dir.path());
  const std::pair<const char*, size_t> cases[] = {
      {"missing", 0}, {"empty", 0}, {"short", 18690}, {"ram only", 2049}, {"long", 18692}};
  for (const auto& [what, size] : cases) {
    TestMachine t;
    t.m.RomFileName = "jogo.nes";
    std::filesystem::remove(dir.path() / "jogo.wb");
    if (std::string(what) != "missing") WriteAll(dir.path() / "jogo.wb", std::vector<uint8_t>(size, 0xAB));
    Scribble(t.m, 5);
    LoadState(t.m);
    TestMachine expected;
    Scribble(expected.m, 5);
    EXPECT_EQ(t.m.Ram, expected.m.Ram) << what;
    EXPECT_EQ(t.m.Oam, expected.m.Oam) << what;
    EXPECT_EQ(t.m.Vram, expected.m.Vram) << what;
    EXPECT_EQ(t.host.log, std::vector<std::string>{"Erro ao carregar arquivo: jogo.wb"}) << what;
  }
}

TEST(SaveState, AFailedSaveThrowsLogsNothingAndKeepsTheOldState) {
  ScratchFolder dir;
  WorkingDirectory cwd(dir.path());
  TestMachine t;
  t.m.RomFileName = "jogo.nes";
  Scribble(t.m, 3);
  SaveState(t.m);
  const std::vector<uint8_t> before = ReadAll(dir.path() / "jogo.wb");
  t.host.log.clear();
  // A folder in the way of the temporary file makes the write fail.
  std::filesystem::create_directory(dir.path() / "jogo.wb.tmp");
  std::filesystem::create_directory(dir.path() / "jogo.wb.tmp" / "x");
  Scribble(t.m, 4);
  EXPECT_THROW(SaveState(t.m), std::runtime_error);
  EXPECT_TRUE(t.host.log.empty());
  EXPECT_EQ(ReadAll(dir.path() / "jogo.wb"), before);
}
