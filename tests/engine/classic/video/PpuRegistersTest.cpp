// The picture processor's registers as the processor reaches them through
// $2000-$2007: the data port with its dummy read, name-table mirror copies and
// palette backdrop copies, write protection, the scroll latch, sprite memory.
#include "engine/classic/ClassicEngine.h"
#include "engine/classic/video/PpuRegisters.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cartridge/Mapper.h"
#include "engine/classic/video/MemoryMap.h"
#include "support/TestMachine.h"

using ::testing::ElementsAre;

namespace {

struct PpuTest : ::testing::Test {
  TestMachine t;
  Machine& m = t.m;
  void SetUp() override { ASSERT_TRUE(InstallCartridge(m, 1, 1)); }

  void SetAddress(uint16_t a) {
    MemWrite(m, 0x2006, static_cast<uint8_t>(a >> 8));
    MemWrite(m, 0x2006, static_cast<uint8_t>(a));
  }
  void WriteAt(uint16_t a, uint8_t v) {
    SetAddress(a);
    MemWrite(m, 0x2007, v);
  }
  // Addresses of Vram whose bytes differ from `before`.
  std::vector<int> Changed(const std::array<uint8_t, 16385>& before) const {
    std::vector<int> out;
    for (size_t i = 0; i < before.size(); ++i)
      if (m.Vram[i] != before[i]) out.push_back(static_cast<int>(i));
    return out;
  }
};

TEST_F(PpuTest, FirstDataReadAfterAnAddressIsADummy) {
  m.Vram[0x2000] = 0xA1;
  m.Vram[0x2001] = 0xA2;
  SetAddress(0x2000);
  EXPECT_EQ(MemRead(m, 0x2007), 0xFF);
  EXPECT_EQ(Classic(m).VramAddr, 0x2000) << "the dummy read does not step";
  EXPECT_EQ(MemRead(m, 0x2007), 0xA1);
  EXPECT_EQ(MemRead(m, 0x2007), 0xA2);

  // A write in between cancels the pending dummy read.
  SetAddress(0x2000);
  MemWrite(m, 0x2007, 0xB0);
  EXPECT_EQ(MemRead(m, 0x2007), 0xA2);
}

TEST_F(PpuTest, PatternReadsGoThroughTheBankTableNotVideoMemory) {
  m.ChrRom[0x0123] = 0x3C;
  m.Vram[0x0123] = 0x99;  // written through $2007 at some time, never shown
  SetAddress(0x0123);
  MemRead(m, 0x2007);
  EXPECT_EQ(MemRead(m, 0x2007), 0x3C);
  // Writes below $2000 land in video memory and never reach the ROM.
  WriteAt(0x0123, 0x55);
  EXPECT_EQ(m.Vram[0x0123], 0x55);
  EXPECT_EQ(m.ChrRom[0x0123], 0x3C);
}

TEST_F(PpuTest, AddressStepsBy1OrBy32AndKeeps14Bits) {
  Classic(m).PpuCtrl = 0x04;
  SetAddress(0x2000);
  for (int row = 0; row < 30; ++row) MemWrite(m, 0x2007, static_cast<uint8_t>(row + 1));
  for (int row = 0; row < 30; ++row) EXPECT_EQ(m.Vram[0x2000 + 32 * row], row + 1) << row;
  EXPECT_EQ(m.Vram[0x2001], 0);
  EXPECT_EQ(Classic(m).VramAddr, 0x2000 + 30 * 32);

  // Addresses past $3FFF wrap into the 16 KB space when used.
  Classic(m).PpuCtrl = 0;
  SetAddress(0x7FFF);
  MemWrite(m, 0x2007, 0x11);
  MemWrite(m, 0x2007, 0x22);
  EXPECT_EQ(m.Vram[0x3FFF], 0x11);
  EXPECT_EQ(m.Vram[0x0000], 0x22);
  EXPECT_EQ(m.Vram[0x4000], 0) << "the spare byte is never written";
  EXPECT_EQ(Classic(m).VramAddr, 0x0001);
}

struct MirrorCase {
  int32_t mask;
  uint16_t address;
  std::vector<int> landed;
};

TEST_F(PpuTest, NameTableWritesAlsoLandAtTheMirrorAndNeverLeaveVideoMemory) {
  const MirrorCase cases[] = {
      {0x800, 0x2005, {0x2005, 0x2805}},
      {0x400, 0x2005, {0x2005, 0x2405}},
      {0x400, 0x2FFF, {0x2BFF, 0x2FFF}},
      {0x800, 0x3005, {0x3005}},  // beyond the name tables: stored alone
      {0x800, 0x1005, {0x1005}},
      // Odd distances some boards store: the copy stays inside video memory.
      {0x2000, 0x2005, {0x0005, 0x2005}},
      {0x4000, 0x2FFF, {0x2FFF}},
      {0x7C00, 0x2C00, {0x1000, 0x2C00}},
      {-1, 0x2000, {0x1FFF, 0x2000}},
  };
  for (const MirrorCase& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.mask << " at " << c.address);
    m.Vram.fill(0);
    m.MirrorMask = c.mask;
    const auto before = m.Vram;
    const auto oamBefore = m.Oam;
    WriteAt(c.address, 0x7E);
    EXPECT_EQ(Changed(before), c.landed);
    EXPECT_EQ(m.Oam, oamBefore);
  }
}

TEST_F(PpuTest, BackdropWritesCopyToEveryFourthPaletteEntry) {
  const std::vector<int> backdrops = {0x3F00, 0x3F04, 0x3F08, 0x3F0C, 0x3F10, 0x3F14, 0x3F18, 0x3F1C};
  for (uint16_t source : {0x3F00, 0x3F10}) {
    SCOPED_TRACE(source);
    m.Vram.fill(0);
    m.PaletteChanged = false;
    const auto before = m.Vram;
    WriteAt(source, 0x0F);
    EXPECT_EQ(Changed(before), backdrops);
    EXPECT_TRUE(m.PaletteChanged);
  }
  // A direct write to another entry changes that entry alone.
  const auto before = m.Vram;
  WriteAt(0x3F04, 0x21);
  WriteAt(0x3F1F, 0x22);
  EXPECT_EQ(Changed(before), (std::vector<int>{0x3F04, 0x3F1F}));
  EXPECT_EQ(m.Vram[0x3F00], 0x0F);
}

TEST_F(PpuTest, PaletteAreaPast3F1FIsPlainMemory) {
  m.PaletteChanged = false;
  const auto before = m.Vram;
  WriteAt(0x3F20, 0x2A);
  EXPECT_EQ(Changed(before), std::vector<int>{0x3F20});
  EXPECT_FALSE(m.PaletteChanged);
  SetAddress(0x3F20);
  MemRead(m, 0x2007);
  EXPECT_EQ(MemRead(m, 0x2007), 0x2A);
}

TEST_F(PpuTest, ProtectionBitDropsDataWritesUntilCleared) {
  MemWrite(m, 0x2002, 0x10);
  SetAddress(0x2100);
  const auto before = m.Vram;
  MemWrite(m, 0x2007, 0x44);
  MemWrite(m, 0x2007, 0x45);
  EXPECT_TRUE(Changed(before).empty());
  EXPECT_EQ(Classic(m).VramAddr, 0x2100);
  EXPECT_FALSE(Classic(m).ReadPending) << "a dropped write still ends the dummy read";

  MemWrite(m, 0x2002, 0x00);
  MemWrite(m, 0x2007, 0x46);
  EXPECT_EQ(m.Vram[0x2100], 0x46);
  EXPECT_EQ(Classic(m).VramAddr, 0x2101);
}

TEST_F(PpuTest, StatusReadClearsVblankAndHitOnly) {
  Classic(m).PpuStatus = 0xC5;
  Classic(m).ScrollToggle = 1;
  Classic(m).ReadPending = true;
  EXPECT_EQ(MemRead(m, 0x2002), 0xC5);
  EXPECT_EQ(MemRead(m, 0x2002), 0x05);
  EXPECT_EQ(Classic(m).ScrollToggle, 1);
  EXPECT_TRUE(Classic(m).ReadPending);
}

TEST_F(PpuTest, ScrollWritesAlternateAndDropVerticalValuesPast239) {
  MemWrite(m, 0x2005, 0x10);
  EXPECT_EQ(Classic(m).ScrollToggle, 1);
  EXPECT_TRUE(Classic(m).ScrollChanged);
  Classic(m).ScrollChanged = false;
  MemWrite(m, 0x2005, 0xF0);
  EXPECT_EQ(Classic(m).ScrollXWritten, 0x10);
  EXPECT_EQ(Classic(m).ScrollYWritten, 0) << "240 and above are dropped";
  EXPECT_EQ(Classic(m).ScrollToggle, 0);
  EXPECT_TRUE(Classic(m).ScrollChanged);

  MemWrite(m, 0x2005, 0x20);
  MemWrite(m, 0x2005, 0xEF);
  EXPECT_EQ(Classic(m).ScrollXWritten, 0x20);
  EXPECT_EQ(Classic(m).ScrollYWritten, 0xEF);
  // Only the hook puts written values in force.
  EXPECT_EQ(Classic(m).ScrollX, 0);
  EXPECT_EQ(Classic(m).ScrollY, 0);
  // The address register has no toggle of its own and leaves the scroll alone.
  SetAddress(0x2345);
  EXPECT_EQ(Classic(m).VramAddr, 0x2345);
  EXPECT_EQ(Classic(m).ScrollXWritten, 0x20);
}

TEST_F(PpuTest, SpriteMemoryPortWrapsAt256) {
  MemWrite(m, 0x2003, 0xFC);
  for (uint8_t v = 1; v <= 8; ++v) MemWrite(m, 0x2004, v);
  EXPECT_THAT(std::vector<uint8_t>(m.Oam.begin() + 0xFC, m.Oam.begin() + 0x100), ElementsAre(1, 2, 3, 4));
  EXPECT_THAT(std::vector<uint8_t>(m.Oam.begin(), m.Oam.begin() + 4), ElementsAre(5, 6, 7, 8));
  EXPECT_EQ(Classic(m).OamAddr, 4);
  EXPECT_EQ(m.Oam[256], 0);
}

}  // namespace
