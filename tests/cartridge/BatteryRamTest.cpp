#include <gtest/gtest.h>

#include "cartridge/Lifecycle.h"
#include "support/ScratchFolder.h"
#include "support/TestMachine.h"
#include "engine/classic/video/MemoryMap.h"

namespace {

// A 32 KB mapper-0 cartridge as the loader would leave it, from `folder`.
void PutImage(Machine& m, const std::string& folder, const std::string& name, int32_t flags) {
  m.RomFolder = folder;
  m.RomFileName = name;
  m.CartFlags = flags;
  m.MapperNumber = 0;
  m.PrgCount = 2;
  m.ChrCount = 1;
  m.PrgRom.assign(2 * 0x4000 + 1, 0xEA);
  m.ChrRom.assign(0x2000 + 1, 0);
}

}  // namespace

TEST(BatteryFile, NameEndsAtTheFirstFullStopOfTheFileName) {
  TestMachine t;
  t.m.RomFolder = "/jogos.velhos/";
  const std::pair<const char*, const char*> cases[] = {
      {"jogo.nes", "jogo.sav"}, {"um.dois.nes", "um.sav"}, {"pack.zip", "pack.sav"}, {"semponto", "sav"}};
  for (const auto& [rom, battery] : cases) {
    t.m.RomFileName = rom;
    EXPECT_EQ(BatteryFileName(t.m), battery) << rom;
    EXPECT_EQ(BatteryFilePath(t.m), std::string("/jogos.velhos/") + battery) << rom;
  }
}

TEST(BatteryFile, AShortFileFillsOnlyTheStartOfBatteryRam) {
  ScratchFolder dir;
  std::vector<uint8_t> bytes(100);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i + 1);
  WriteAll(dir.path() / "jogo.sav", bytes);
  TestMachine t;
  PutImage(t.m, dir.folder(), "jogo.nes", kCartBattery);
  ASSERT_TRUE(LoadBatteryAndMapper(t.m));
  EXPECT_EQ(MemPeek(t.m, 0x6000), 1);
  EXPECT_EQ(MemPeek(t.m, 0x6063), 100);
  EXPECT_EQ(MemPeek(t.m, 0x6064), 0);
  EXPECT_EQ(MemPeek(t.m, 0x7FFF), 0);
  EXPECT_EQ(t.host.log, (std::vector<std::string>{"Carregando arquivo de bateria \"jogo.sav\".",
                                                  "Carregando Mapper #No Mapper..."}));
}

TEST(BatteryFile, MissingFileIsLoggedAndWithoutTheBitNothingIsRead) {
  ScratchFolder dir;
  TestMachine missing;
  PutImage(missing.m, dir.folder(), "jogo.nes", kCartBattery);
  ASSERT_TRUE(LoadBatteryAndMapper(missing.m));
  EXPECT_EQ(missing.host.log.front(), "Arquivo de bateria não achado.");

  WriteAll(dir.path() / "jogo.sav", std::vector<uint8_t>(8192, 0x55));
  TestMachine plain;
  PutImage(plain.m, dir.folder(), "jogo.nes", 0x01);
  ASSERT_TRUE(LoadBatteryAndMapper(plain.m));
  EXPECT_EQ(MemPeek(plain.m, 0x6000), 0);
  EXPECT_EQ(plain.host.log, std::vector<std::string>{"Carregando Mapper #No Mapper..."});
  plain.m.BatteryRam.fill(0x99);
  SaveBatteryRam(plain.m);
  EXPECT_EQ(ReadAll(dir.path() / "jogo.sav"), std::vector<uint8_t>(8192, 0x55));
}

TEST(BatteryFile, SavedRamComesBackForEveryImageSharingTheName) {
  ScratchFolder dir;
  TestMachine first;
  PutImage(first.m, dir.folder(), "a.b.nes", kCartBattery);
  ASSERT_TRUE(LoadBatteryAndMapper(first.m));
  for (size_t i = 0; i < 8192; ++i) first.m.BatteryRam[i] = static_cast<uint8_t>(i * 13);
  SaveBatteryRam(first.m);
  EXPECT_EQ(first.host.log.back(), "Salvando arquivo de bateria \"a.sav\".");
  EXPECT_EQ(ReadAll(dir.path() / "a.sav").size(), 8192u);

  TestMachine second;
  PutImage(second.m, dir.folder(), "a.c.nes", kCartBattery);
  ASSERT_TRUE(LoadBatteryAndMapper(second.m));
  EXPECT_EQ(second.m.BatteryRam, first.m.BatteryRam);
}

TEST(BatteryFile, NoFileIsWrittenOnceTheBitIsCleared) {
  ScratchFolder dir;
  TestMachine t;
  PutImage(t.m, dir.folder(), "jogo.nes", kCartBattery);
  ASSERT_TRUE(LoadBatteryAndMapper(t.m));
  t.m.CartFlags &= ~kCartBattery;  // as an MMC3 does through bit 7 of $A001
  t.host.log.clear();
  SaveBatteryRam(t.m);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "jogo.sav"));
  EXPECT_TRUE(t.host.log.empty());
}

TEST(BatteryFile, AnUnsupportedMapperIsReportedAsFalse) {
  ScratchFolder dir;
  TestMachine t;
  PutImage(t.m, dir.folder(), "jogo.nes", 0x01);
  t.m.MapperNumber = 250;
  EXPECT_FALSE(LoadBatteryAndMapper(t.m));
}
