// Mapper 1: the serial register interface (five writes, the first carrying
// bit 0, the last choosing the register), the reset bit, the program and
// pattern modes, mirroring with the extra distance of pattern-RAM boards, and
// the upper program half of 512 KB cartridges.
#include <gtest/gtest.h>

#include <array>

#include "cartridge/Mapper.h"
#include "cartridge/boards/Boards.h"
#include "support/TestMachine.h"
#include "engine/classic/video/MemoryMap.h"

namespace {

const Mmc1State& Regs(Machine& m) { return BoardStateAs<Mmc1State>(m); }

using Prg = std::array<int, 4>;
using Chr = std::array<int, 8>;

// Loads a five-bit register the way games do: bit 0 first, one bit per write.
void Serial(Machine& m, uint16_t address, uint8_t value) {
  for (int bit = 0; bit < 5; ++bit) MemWrite(m, address, static_cast<uint8_t>((value >> bit) & 1));
}

struct Mmc1 : testing::Test {
  TestMachine t;
  // 256 KB of program (8 KB banks 0-31), 128 KB of pattern ROM (1 KB banks 0-127).
  void SetUp() override {
    ASSERT_TRUE(InstallCartridge(t.m, 16, 16, 1));
    NumberSmallBanks(t.m);
  }
};

TEST_F(Mmc1, FiveWritesLoadControlFirstBitLowest) {
  for (uint8_t bit : {1, 0, 0, 1, 1}) MemWrite(t.m, 0x8000, bit);
  EXPECT_EQ(Regs(t.m).Regs[0], 0x19);
  EXPECT_EQ(t.m.Mirroring, TMirroring::Horizontal);
  EXPECT_EQ(t.m.MirrorMask, 0x400);
  EXPECT_EQ(Regs(t.m).Count, 0);
  EXPECT_EQ(Regs(t.m).Shift, 0);

  // $19: 16 KB mode switching $C000, 4 KB pattern banks.
  Serial(t.m, 0xE000, 5);
  EXPECT_EQ(PrgWindows(t.m), (Prg{0, 1, 10, 11}));
  Serial(t.m, 0xA000, 3);
  Serial(t.m, 0xC000, 6);
  EXPECT_EQ(ChrWindows(t.m), (Chr{12, 13, 14, 15, 24, 25, 26, 27}));
}

TEST_F(Mmc1, OnlyValueBit0IsShiftedIn) {
  for (uint8_t v : {0x7F, 0x02, 0x7E, 0x03, 0x41}) MemWrite(t.m, 0x8000, v);
  EXPECT_EQ(Regs(t.m).Regs[0], 0x19);
}

TEST_F(Mmc1, FifthWriteAddressChoosesTheRegister) {
  Serial(t.m, 0x8000, 0x0C);  // 16 KB mode, $8000 switchable
  for (uint16_t a : {0x8000, 0xA000, 0xC000, 0xDFFF}) MemWrite(t.m, a, 1);
  MemWrite(t.m, 0xFFFF, 0);
  EXPECT_EQ(Regs(t.m).Regs[3], 0x0F);
  EXPECT_EQ(Regs(t.m).Regs[1], 0);
  EXPECT_EQ(PrgWindows(t.m), (Prg{30, 31, 30, 31}));
}

TEST_F(Mmc1, ResetBitDiscardsCollectedBitsAndForces16KMode) {
  Serial(t.m, 0x8000, 0x13);  // 32 KB mode, horizontal, 4 KB patterns
  Serial(t.m, 0xE000, 4);
  ASSERT_EQ(PrgWindows(t.m), (Prg{8, 9, 10, 11}));

  MemWrite(t.m, 0xE000, 1);
  MemWrite(t.m, 0xE000, 1);
  MemWrite(t.m, 0x8000, 0x80);
  // Nothing is remapped by the reset itself.
  EXPECT_EQ(PrgWindows(t.m), (Prg{8, 9, 10, 11}));
  EXPECT_EQ(Regs(t.m).Regs[0], 0x1F);
  EXPECT_EQ(Regs(t.m).Count, 0);

  // The next complete write starts from nothing, in 16 KB mode at $8000.
  Serial(t.m, 0xE000, 6);
  EXPECT_EQ(Regs(t.m).Regs[3], 6);
  EXPECT_EQ(PrgWindows(t.m), (Prg{12, 13, 10, 11}));
}

TEST_F(Mmc1, ProgramModes) {
  // 32 KB mode: the value's low bit is dropped, 4 shows 32 KB bank 2.
  Serial(t.m, 0xE000, 4);
  EXPECT_EQ(PrgWindows(t.m), (Prg{8, 9, 10, 11}));
  Serial(t.m, 0xE000, 5);
  EXPECT_EQ(PrgWindows(t.m), (Prg{8, 9, 10, 11}));

  // 16 KB mode with bit 2 set switches $8000; the other half keeps its bank.
  Serial(t.m, 0x8000, 0x0C);
  Serial(t.m, 0xE000, 3);
  EXPECT_EQ(PrgWindows(t.m), (Prg{6, 7, 10, 11}));
  // Bit 2 clear switches $C000; only the low four bits count.
  Serial(t.m, 0x8000, 0x08);
  Serial(t.m, 0xE000, 0x17);
  EXPECT_EQ(PrgWindows(t.m), (Prg{6, 7, 14, 15}));
}

TEST_F(Mmc1, PatternModes) {
  // 8 KB mode: register 1 without its low bit chooses, register 2 is ignored.
  Serial(t.m, 0xA000, 5);
  EXPECT_EQ(ChrWindows(t.m), (Chr{16, 17, 18, 19, 20, 21, 22, 23}));
  Serial(t.m, 0xC000, 9);
  EXPECT_EQ(ChrWindows(t.m), (Chr{16, 17, 18, 19, 20, 21, 22, 23}));
  // 4 KB mode: each register its half.
  Serial(t.m, 0x8000, 0x10);
  Serial(t.m, 0xA000, 1);
  Serial(t.m, 0xC000, 0x1F);
  EXPECT_EQ(ChrWindows(t.m), (Chr{4, 5, 6, 7, 124, 125, 126, 127}));
}

struct MirrorCase {
  uint8_t flags6;
  int chrBanks;
  uint8_t control;
  int mirrorMask;
  TMirroring mirroring;
};

class Mmc1Mirroring : public testing::TestWithParam<MirrorCase> {};

// Bit 0 alone chooses the arrangement; bit 1 adds the extra distance, which
// only boards with pattern RAM and a vertical header have.
TEST_P(Mmc1Mirroring, ControlRegister) {
  const MirrorCase& c = GetParam();
  TestMachine t;
  ASSERT_TRUE(InstallCartridge(t.m, 2, c.chrBanks, 1, c.flags6));
  Serial(t.m, 0x8000, c.control);
  EXPECT_EQ(t.m.MirrorMask, c.mirrorMask);
  EXPECT_EQ(t.m.Mirroring, c.mirroring);
}

INSTANTIATE_TEST_SUITE_P(Mmc1, Mmc1Mirroring,
                         testing::Values(MirrorCase{0x01, 0, 0, 0x800, TMirroring::Vertical},
                                         MirrorCase{0x01, 0, 1, 0x400, TMirroring::Horizontal},
                                         MirrorCase{0x01, 0, 2, 0x800, TMirroring::Vertical},
                                         MirrorCase{0x01, 0, 3, 0xC00, TMirroring::Horizontal},
                                         MirrorCase{0x00, 0, 3, 0x400, TMirroring::Horizontal},
                                         MirrorCase{0x01, 1, 3, 0x400, TMirroring::Horizontal},
                                         MirrorCase{0x00, 1, 2, 0x800, TMirroring::Vertical}));

// Pattern RAM: banks are pieces of Vram, and register 1's bit 4 steers the
// program register into the upper 256 KB of a 512 KB image.
TEST(Mmc1PatternRam, UpperProgramHalfOf512K) {
  TestMachine t;
  ASSERT_TRUE(InstallCartridge(t.m, 32, 0, 1));
  NumberSmallBanks(t.m);
  Serial(t.m, 0x8000, 0x0C);  // 16 KB mode, $8000 switchable, 8 KB patterns
  Serial(t.m, 0xE000, 2);
  EXPECT_EQ(PrgWindows(t.m), (Prg{4, 5, 62, 63}));

  Serial(t.m, 0xA000, 0x10);
  EXPECT_EQ(Regs(t.m).PrgHigh, 1);
  // Nothing moves until the program register is written again.
  EXPECT_EQ(PrgWindows(t.m), (Prg{4, 5, 62, 63}));
  Serial(t.m, 0xE000, 2);
  EXPECT_EQ(PrgWindows(t.m), (Prg{36, 37, 62, 63}));
  // The pattern windows stay on the first 8 KB of Vram.
  EXPECT_EQ(t.m.PatternBankTable[0], t.m.Vram.data());

  Serial(t.m, 0xA000, 0x00);
  Serial(t.m, 0xE000, 2);
  EXPECT_EQ(PrgWindows(t.m), (Prg{4, 5, 62, 63}));
}

TEST(Mmc1PatternRam, FourKBanksAreVramPieces) {
  TestMachine t;
  ASSERT_TRUE(InstallCartridge(t.m, 2, 0, 1));
  for (size_t i = 0; i < 0x4000; ++i) t.m.Vram[i] = static_cast<uint8_t>(i / 0x400);
  Serial(t.m, 0x8000, 0x10);
  Serial(t.m, 0xC000, 2);  // $1000 shows Vram $2000-$2FFF, the name-table area
  EXPECT_EQ(ChrWindows(t.m), (Chr{0, 1, 2, 3, 8, 9, 10, 11}));
}

// Installing resets every register, whatever an earlier MMC1 cartridge left.
TEST(Mmc1Install, ClearsRegisters) {
  TestMachine t;
  ASSERT_TRUE(InstallCartridge(t.m, 16, 0, 1));
  Serial(t.m, 0x8000, 0x1F);
  Serial(t.m, 0xA000, 0x10);
  MemWrite(t.m, 0xE000, 1);
  ASSERT_TRUE(InstallCartridge(t.m, 16, 0, 1, 0x00));
  EXPECT_EQ(Regs(t.m).Regs, (std::array<uint8_t, 4>{}));
  EXPECT_EQ(Regs(t.m).Count, 0);
  EXPECT_EQ(Regs(t.m).Shift, 0);
  EXPECT_EQ(Regs(t.m).PrgHigh, 0);
  EXPECT_EQ(Regs(t.m).MirrorExtra, 0);
}

}  // namespace
