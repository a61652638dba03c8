// Mappers 4 and 118: the eight bank registers behind the select register with
// pattern inversion and the program swap, mirroring, the battery bit, the
// register decoding by A AND $E001, and the scanline counter as MapperScanline
// clocks it.
#include <gtest/gtest.h>

#include <array>

#include "cartridge/Mapper.h"
#include "cartridge/boards/Boards.h"
#include "engine/classic/ClassicEngine.h"
#include "engine/classic/video/MemoryMap.h"
#include "support/TestMachine.h"

namespace {

using Prg = std::array<int, 4>;
using Chr = std::array<int, 8>;

struct Mmc3 : testing::Test {
  TestMachine t;
  // 128 KB of program (P16 = 8, 8 KB banks 0-15), 128 KB of pattern ROM.
  void SetUp() override {
    ASSERT_TRUE(InstallCartridge(t.m, 8, 16, 4));
    NumberSmallBanks(t.m);
  }
  void Bank(uint8_t select, uint8_t value) {
    MemWrite(t.m, 0x8000, select);
    MemWrite(t.m, 0x8001, value);
  }
  // Clocks `lines` visible lines; returns the 1-based line that raised the
  // interrupt, or 0 when none did.
  int ClockUntilIrq(int lines) {
    for (int line = 1; line <= lines; ++line) {
      uint8_t code = intNone;
      MapperScanline(t.m, code);
      if (code == intIRQ) return line;
      EXPECT_EQ(code, intNone);
    }
    return 0;
  }
};

TEST_F(Mmc3, ProgramRegistersFollowSelectBit6) {
  ASSERT_EQ(PrgWindows(t.m), (Prg{0, 1, 14, 15}));
  Bank(6, 3);
  EXPECT_EQ(PrgWindows(t.m), (Prg{3, 1, 14, 15}));
  Bank(7, 5);
  EXPECT_EQ(PrgWindows(t.m), (Prg{3, 5, 14, 15}));

  // Bit 6 set: the second-to-last bank moves to $8000 and register 6 to $C000.
  Bank(0x46, 9);
  EXPECT_EQ(PrgWindows(t.m), (Prg{14, 5, 9, 15}));
  Bank(0x47, 2);
  EXPECT_EQ(PrgWindows(t.m), (Prg{14, 2, 9, 15}));
  // Back with bit 6 clear, register 7 puts bank 14 back at $C000.
  Bank(0x07, 4);
  EXPECT_EQ(PrgWindows(t.m), (Prg{14, 4, 14, 15}));
}

TEST_F(Mmc3, SelectAloneRemapsNothing) {
  Bank(6, 3);
  MemWrite(t.m, 0x8000, 0xC6);
  EXPECT_EQ(PrgWindows(t.m), (Prg{3, 1, 14, 15}));
  EXPECT_EQ(ChrWindows(t.m), (Chr{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(BoardStateAs<Mmc3State>(t.m).ChrInvert, 0x1000);
}

struct InvertCase {
  uint8_t invert;  // $00 or $80
  Chr expected;
};

class Mmc3Patterns : public Mmc3, public testing::WithParamInterface<InvertCase> {};

// Registers 0 and 1 are 2 KB as v and v + 1 (bit 0 kept); 2-5 are 1 KB.
// With inversion the two halves trade places.
TEST_P(Mmc3Patterns, AllSixRegisters) {
  const uint8_t invert = GetParam().invert;
  Bank(invert | 0, 21);
  Bank(invert | 1, 40);
  Bank(invert | 2, 100);
  Bank(invert | 3, 101);
  Bank(invert | 4, 7);
  Bank(invert | 5, 127);
  EXPECT_EQ(ChrWindows(t.m), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Mmc3, Mmc3Patterns,
                         testing::Values(InvertCase{0x00, {21, 22, 40, 41, 100, 101, 7, 127}},
                                         InvertCase{0x80, {100, 101, 7, 127, 21, 22, 40, 41}}));

TEST(Mmc3TwoKBank, WrapsAt256) {
  TestMachine big;
  ASSERT_TRUE(InstallCartridge(big.m, 8, 32, 4));  // 256 1 KB banks
  NumberSmallBanks(big.m);
  MemWrite(big.m, 0x8000, 1);
  MemWrite(big.m, 0x8001, 255);
  EXPECT_EQ(ChrWindows(big.m), (Chr{0, 1, 255, 0, 4, 5, 6, 7}));
}

TEST_F(Mmc3, RegistersDecodedByAddressAndE001) {
  // $9FFE is $8000, $9FFF is $8001, $BFFE is $A000, $DFFF is $C001.
  MemWrite(t.m, 0x9FFE, 7);
  MemWrite(t.m, 0x9FFF, 6);
  EXPECT_EQ(PrgWindows(t.m), (Prg{0, 6, 14, 15}));
  MemWrite(t.m, 0xBFFE, 1);
  EXPECT_EQ(t.m.Mirroring, TMirroring::Horizontal);
  EXPECT_EQ(t.m.MirrorMask, 0x400);
  MemWrite(t.m, 0xA000, 0xFE);
  EXPECT_EQ(t.m.Mirroring, TMirroring::Vertical);
  EXPECT_EQ(t.m.MirrorMask, 0x800);
  MemWrite(t.m, 0xDFFF, 9);
  EXPECT_TRUE(t.m.IrqEnabled);
  EXPECT_EQ(t.m.IrqLatch, 9);
}

TEST_F(Mmc3, A001SetsAndClearsTheBatteryBit) {
  const int others = t.m.CartFlags & ~kCartBattery;
  MemWrite(t.m, 0xA001, 0x80);
  EXPECT_EQ(t.m.CartFlags, others | kCartBattery);
  MemWrite(t.m, 0xBFFF, 0x7F);
  EXPECT_EQ(t.m.CartFlags, others);
}

// The typical sequence: the count, then enable; the n-th clocked line fires,
// once, and the scroll last written is latched at the next line.
TEST_F(Mmc3, CounterFiresOnTheNthLine) {
  MemWrite(t.m, 0xC000, 20);
  MemWrite(t.m, 0xE001, 0x80);
  EXPECT_EQ(ClockUntilIrq(240), 20);
  EXPECT_FALSE(t.m.IrqEnabled);
  EXPECT_TRUE(Classic(t.m).ScrollChanged);
  EXPECT_EQ(ClockUntilIrq(240), 0);

  MemWrite(t.m, 0xC000, 1);
  MemWrite(t.m, 0xE001, 0x80);
  EXPECT_EQ(ClockUntilIrq(240), 1);
}

TEST_F(Mmc3, CounterSetToZeroWrapsInsteadOfFiring) {
  // A zero reloads from the latch only while the counter runs; stopped, it is taken as is.
  MemWrite(t.m, 0xC001, 50);
  MemWrite(t.m, 0xE000, 0);
  MemWrite(t.m, 0xC000, 0);
  EXPECT_EQ(t.m.IrqCounter, 0);
  MemWrite(t.m, 0xE001, 0x80);
  EXPECT_EQ(ClockUntilIrq(240), 0);
  EXPECT_EQ(t.m.IrqCounter, 65535 - 239);
}

TEST_F(Mmc3, LatchReloadsAndSwitches) {
  // $C001 enables with a latch; a zero written to $C000 while running reloads it.
  MemWrite(t.m, 0xC001, 12);
  MemWrite(t.m, 0xC000, 0);
  EXPECT_EQ(t.m.IrqCounter, 12);
  EXPECT_EQ(ClockUntilIrq(240), 12);

  // $E000 stops the counter and reloads it from the latch; $E001 restarts it.
  MemWrite(t.m, 0xC000, 3);
  MemWrite(t.m, 0xE000, 0);
  EXPECT_EQ(t.m.IrqCounter, 12);
  EXPECT_EQ(ClockUntilIrq(30), 0);
  MemWrite(t.m, 0xE001, 0x80);
  EXPECT_EQ(ClockUntilIrq(240), 12);

  // $E001 with bit 7 clear switches a running counter off.
  MemWrite(t.m, 0xC000, 5);
  MemWrite(t.m, 0xE001, 0x80);
  EXPECT_EQ(ClockUntilIrq(3), 0);
  MemWrite(t.m, 0xE001, 0x00);
  EXPECT_EQ(ClockUntilIrq(240), 0);
  EXPECT_EQ(t.m.IrqCounter, 2);
}

TEST(Mmc3Install, CounterStateCarriesOnlyIntoMmc3Cartridges) {
  TestMachine t;
  ASSERT_TRUE(InstallCartridge(t.m, 8, 16, 4));
  MemWrite(t.m, 0x8000, 0x80);
  MemWrite(t.m, 0xC000, 40);
  MemWrite(t.m, 0xE001, 0x80);

  // Another MMC3 board leaves the counter registers alone but restarts
  // without pattern inversion.
  ASSERT_TRUE(InstallCartridge(t.m, 8, 16, 118));
  EXPECT_TRUE(t.m.IrqEnabled);
  EXPECT_EQ(t.m.IrqCounter, 40);
  EXPECT_EQ(BoardStateAs<Mmc3State>(t.m).ChrInvert, 0);
  EXPECT_EQ(BoardStateAs<Mmc3State>(t.m).Select, 0x80);

  // Boards whose counter MapperScanline also clocks must not inherit it.
  for (int mapper : {16, 17, 23}) {
    t.m.IrqEnabled = true;
    ASSERT_TRUE(InstallCartridge(t.m, 8, 16, mapper));
    EXPECT_FALSE(t.m.IrqEnabled) << "mapper " << mapper;
    uint8_t code = intNone;
    for (int line = 0; line < 300; ++line) MapperScanline(t.m, code);
    EXPECT_EQ(code, intNone) << "mapper " << mapper;
  }
}

}  // namespace
