// The processor's address space: RAM mirrors, undecoded I/O and its two log
// lines, the sound register bytes, the controller ports, sprite DMA, MemPeek,
// and writes to $8000-$FFFF handed to the mapper.
#include "engine/classic/ClassicEngine.h"
#include "engine/classic/video/MemoryMap.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <utility>
#include <vector>

#include "cartridge/Mapper.h"
#include "support/TestMachine.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

struct MemoryMapTest : ::testing::Test {
  TestMachine t;
  Machine& m = t.m;
  void SetUp() override {
    ASSERT_TRUE(InstallCartridge(m, 2, 1));
    t.host.log.clear();
  }
};

std::string Hex4(uint16_t a) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", a);
  return text;
}

TEST_F(MemoryMapTest, WorkRamRepeatsEvery2KAndBatteryRamIsPlain) {
  MemWrite(m, 0x0000, 0x11);
  MemWrite(m, 0x07FF, 0x22);
  for (uint16_t mirror : {0x0000, 0x0800, 0x1000, 0x1800}) {
    EXPECT_EQ(MemRead(m, mirror), 0x11) << Hex4(mirror);
    EXPECT_EQ(MemPeek(m, mirror), 0x11) << Hex4(mirror);
    EXPECT_EQ(MemRead(m, static_cast<uint16_t>(mirror + 0x7FF)), 0x22) << Hex4(mirror);
  }
  MemWrite(m, 0x1FFF, 0x33);  // through a mirror, lands in the one store
  EXPECT_EQ(m.Ram[0x7FF], 0x33);

  MemWrite(m, 0x6000, 0x44);
  MemWrite(m, 0x7FFF, 0x55);
  EXPECT_EQ(MemRead(m, 0x6000), 0x44);
  EXPECT_EQ(MemPeek(m, 0x6000), 0x44);
  EXPECT_EQ(MemPeek(m, 0x7FFF), 0x55);
  EXPECT_EQ(m.BatteryRam[0x1FFF], 0x55);
  EXPECT_THAT(t.host.log, IsEmpty());
}

TEST_F(MemoryMapTest, UndecodedReadsGiveFFAndTheCapitalisedLine) {
  Classic(m).PpuCtrl = 0x12;
  for (uint16_t a :
       {0x2000, 0x2001, 0x2003, 0x2004, 0x2005, 0x2006, 0x2008, 0x200A, 0x3FFF, 0x4018, 0x5FFF}) {
    t.host.log.clear();
    EXPECT_EQ(MemRead(m, a), 0xFF) << Hex4(a);
    EXPECT_THAT(t.host.log, ElementsAre("Endereço ignorado $" + Hex4(a)));
  }
  EXPECT_EQ(Classic(m).PpuCtrl, 0x12);
}

TEST_F(MemoryMapTest, UndecodedWritesChangeNothingAndLogInLowerCase) {
  const auto ioBefore = m.IoRegs;
  const auto vramBefore = m.Vram;
  for (uint16_t a : {0x2008, 0x200F, 0x3FFF, 0x4018, 0x4100, 0x5FFF}) {
    t.host.log.clear();
    MemWrite(m, a, 0x77);
    EXPECT_THAT(t.host.log, ElementsAre("endereço ignorado $" + Hex4(a)));
  }
  EXPECT_EQ(m.IoRegs, ioBefore);
  EXPECT_EQ(m.Vram, vramBefore);
  EXPECT_EQ(Classic(m).PpuCtrl, 0);
}

TEST_F(MemoryMapTest, SoundRegistersKeepTheirLastByte) {
  for (uint16_t a = 0x4000; a <= 0x4013; ++a) MemWrite(m, a, static_cast<uint8_t>(a));
  MemWrite(m, 0x4015, 0x1F);
  for (uint16_t a = 0x4000; a <= 0x4013; ++a) EXPECT_EQ(MemRead(m, a), static_cast<uint8_t>(a)) << Hex4(a);
  EXPECT_EQ(MemRead(m, 0x4015), 0x1F);
  // $4014 is the sprite transfer and is never stored; $4017 is stored but
  // reads as pad 2.
  MemWrite(m, 0x4014, 0x02);
  EXPECT_EQ(m.IoRegs[0x14], 0);
  EXPECT_EQ(MemRead(m, 0x4014), 0);
  MemWrite(m, 0x4017, 0xC0);
  EXPECT_EQ(m.IoRegs[0x17], 0xC0);
  EXPECT_EQ(MemRead(m, 0x4017), 0);
  EXPECT_THAT(t.host.log, IsEmpty());
}

std::vector<int> ReadPad(Machine& m, uint16_t port, int count) {
  std::vector<int> bits;
  for (int i = 0; i < count; ++i) bits.push_back(MemRead(m, port));
  return bits;
}

TEST_F(MemoryMapTest, PadsShiftOutABSelectStartUpDownLeftRightAndWrap) {
  m.PadState = {0x81, 0x0A};  // pad 1: A and Right; pad 2: B and Start
  EXPECT_THAT(ReadPad(m, 0x4016, 9), ElementsAre(1, 0, 0, 0, 0, 0, 0, 1, 1));
  EXPECT_THAT(ReadPad(m, 0x4017, 8), ElementsAre(0, 1, 0, 1, 0, 0, 0, 0));
  // Pad 1 is one read into its second round; pad 2 untouched by it.
  EXPECT_EQ(Classic(m).PadBit[0], 1);
  EXPECT_EQ(Classic(m).PadBit[1], 0);
}

TEST_F(MemoryMapTest, OnlyTheFallingEdgeOfTheStrobeRestartsBothPads) {
  m.PadState = {0x01, 0x01};
  const auto advance = [&] {
    ReadPad(m, 0x4016, 3);
    ReadPad(m, 0x4017, 5);
  };
  advance();
  MemWrite(m, 0x4016, 0x01);
  EXPECT_EQ(Classic(m).PadBit[0], 3) << "writing 1 alone restarts nothing";
  EXPECT_EQ(MemRead(m, 0x4016), 0) << "reads advance while the strobe is set";
  MemWrite(m, 0x4016, 0x00);
  EXPECT_EQ(Classic(m).PadBit[0], 0);
  EXPECT_EQ(Classic(m).PadBit[1], 0);
  EXPECT_EQ(MemRead(m, 0x4016), 1);
  EXPECT_EQ(m.IoRegs[0x16], 0x00);

  advance();
  MemWrite(m, 0x4016, 0x00);
  EXPECT_EQ(Classic(m).PadBit[0], 4) << "0 after 0 is no falling edge";
  MemWrite(m, 0x4016, 0xFF);
  MemWrite(m, 0x4016, 0xFE);  // bit 0 falls; the other bits do not matter
  EXPECT_EQ(Classic(m).PadBit[0], 0);
  EXPECT_EQ(m.IoRegs[0x16], 0xFE);
}

TEST_F(MemoryMapTest, SpriteDmaCopiesAPageFromRamOrThroughTheBankTable) {
  for (int i = 0; i < 256; ++i) m.Ram[0x200 + i] = static_cast<uint8_t>(i ^ 0x5A);
  for (int i = 0; i < 256; ++i) m.BatteryRam[0x200 + i] = 0xEE;
  Classic(m).OamAddr = 0x37;
  // Page $02, its mirror $22 and $62 (which would be battery RAM) all read work RAM.
  for (uint8_t page : {0x02, 0x22, 0x62}) {
    m.Oam.fill(0);
    MemWrite(m, 0x4014, page);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(m.Oam[i], static_cast<uint8_t>(i ^ 0x5A)) << "page " << int(page);
  }
  EXPECT_EQ(Classic(m).OamAddr, 0x37);

  m.PrgRom[0x4000 + 0x00] = 0x99;  // program bank 1 sits at $C000
  m.PrgRom[0x4000 + 0xFF] = 0x98;
  MemWrite(m, 0x4014, 0xC0);
  EXPECT_EQ(m.Oam[0], 0x99);
  EXPECT_EQ(m.Oam[1], 1);
  EXPECT_EQ(m.Oam[255], 0x98);
  EXPECT_EQ(m.Oam[256], 0) << "the spare byte stays out of the copy";
  EXPECT_THAT(t.host.log, IsEmpty());
}

// A mapper handler that records its writes and switches the 16 KB bank at $8000.
std::vector<std::pair<uint16_t, uint8_t>> mapperWrites;
void RecordingMapper(Machine& m, uint16_t address, uint8_t value) {
  mapperWrites.emplace_back(address, value);
  if (address == 0xFFFF) MapPrg16(m, 0x8000, value);
}

TEST_F(MemoryMapTest, ProgramAreaWritesGoToTheMapperAndNeverToRom) {
  mapperWrites.clear();
  m.MapperWrite = &RecordingMapper;
  MemWrite(m, 0x8000, 0x12);
  MemWrite(m, 0xC123, 0x34);
  MemWrite(m, 0x6000, 0x56);  // battery RAM is no mapper register
  EXPECT_THAT(mapperWrites, ElementsAre(std::pair<uint16_t, uint8_t>{0x8000, 0x12},
                                        std::pair<uint16_t, uint8_t>{0xC123, 0x34}));
  EXPECT_EQ(MemRead(m, 0x8000), 0);
  EXPECT_EQ(MemRead(m, 0xC123), 1);

  MemWrite(m, 0xFFFF, 1);
  EXPECT_EQ(MemRead(m, 0x8000), 1) << "the handler remapped the bank";
}

TEST_F(MemoryMapTest, PeekHasNoSideEffectsAndLogsEmptyRegions) {
  Classic(m).PpuStatus = 0xC0;
  m.PadState[0] = 0x01;
  EXPECT_EQ(MemPeek(m, 0x8000), 0);
  EXPECT_THAT(t.host.log, IsEmpty());

  MemPeek(m, 0x2002);
  MemPeek(m, 0x4016);
  MemPeek(m, 0x5ABC);
  EXPECT_EQ(Classic(m).PpuStatus, 0xC0);
  EXPECT_EQ(Classic(m).PadBit[0], 0);
  EXPECT_THAT(t.host.log, ElementsAre("erro ao ler memória:2002", "erro ao ler memória:4016",
                                      "erro ao ler memória:5ABC"));
}

TEST(MemoryMapNoCartridge, EveryRegionIsEmptyBeforeACartridgeStarts) {
  TestMachine t;
  for (uint16_t a : {0x0000, 0x6000, 0x8000, 0xFFFC}) MemPeek(t.m, a);
  EXPECT_THAT(t.host.log, ElementsAre("erro ao ler memória:0000", "erro ao ler memória:6000",
                                      "erro ao ler memória:8000", "erro ao ler memória:FFFC"));
  // With no handler installed, program-area writes vanish.
  MemWrite(t.m, 0x8000, 1);
  EXPECT_EQ(t.host.log.size(), 4u);
}

}  // namespace
