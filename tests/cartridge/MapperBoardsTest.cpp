// The one-register and small boards of the catalogue: for each case a fresh
// cartridge of the given size, a few processor writes, and the bank every
// program and pattern window shows afterwards together with the mirroring.
// Program windows are given as 8 KB bank numbers, pattern windows as 1 KB ones.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "cartridge/Mapper.h"
#include "support/TestMachine.h"
#include "engine/classic/video/MemoryMap.h"

namespace {

using Prg = std::array<int, 4>;
using Chr = std::array<int, 8>;

// 1 KB bank numbers of 8 KB pattern bank b, and of two 4 KB banks.
constexpr Chr Chr8(int b) {
  return {8 * b, 8 * b + 1, 8 * b + 2, 8 * b + 3, 8 * b + 4, 8 * b + 5, 8 * b + 6, 8 * b + 7};
}
constexpr Chr Chr4(int lo, int hi) {
  return {4 * lo, 4 * lo + 1, 4 * lo + 2, 4 * lo + 3, 4 * hi, 4 * hi + 1, 4 * hi + 2, 4 * hi + 3};
}

constexpr int V = 0x800;  // vertical mirror distance
constexpr int H = 0x400;  // horizontal
constexpr TMirroring Vert = TMirroring::Vertical;
constexpr TMirroring Horz = TMirroring::Horizontal;

struct BoardCase {
  std::string name;
  int mapper;
  int prgBanks;  // 16 KB
  int chrBanks;  // 8 KB
  std::vector<std::pair<uint16_t, uint8_t>> writes;
  Prg prg;
  Chr chr;
  int mirrorMask;
  TMirroring mirroring;
};

// Cartridges are 256 KB of program (8 KB banks 0-31) and 128 KB of pattern
// ROM (1 KB banks 0-127) with a vertical header unless a case says otherwise.
// clang-format off
const std::vector<BoardCase> kCases = {
    // Boards with no registers on the port keep CommonLayout whatever is written.
    {"Mapper0IgnoresWrites",   0, 16, 16, {{0x8000, 5}, {0xFFFF, 0xFF}}, {0, 1, 30, 31}, Chr8(0), V, Vert},
    {"Mapper64IgnoresWrites", 64, 16, 16, {{0x8001, 5}, {0xC000, 3}},    {0, 1, 30, 31}, Chr8(0), V, Vert},
    {"Mapper5IgnoresWrites",   5, 16, 16, {{0x8000, 5}, {0xE000, 3}},    {0, 1, 30, 31}, Chr8(0), V, Vert},
    {"Mapper17KeepsFirstBank", 17, 16, 16, {{0x8000, 5}, {0xC000, 3}},   {0, 1, 30, 31}, Chr8(0), V, Vert},

    {"Mapper2SwitchesLowHalf", 2, 16, 16, {{0xF123, 4}}, {8, 9, 30, 31}, Chr8(0), V, Vert},
    // 3 pattern banks: the mask (2) reduces 5 to 0, where wrapping would give 2.
    {"Mapper3MasksPatternBank",   3, 2, 3, {{0x8000, 5}}, {0, 1, 2, 3}, Chr8(0), V, Vert},
    {"Mapper3SelectsPatternBank", 3, 2, 4, {{0xABCD, 3}}, {0, 1, 2, 3}, Chr8(3), V, Vert},

    {"Mapper7StartsAtBank0",              7, 16, 16, {},                           {0, 1, 2, 3},     Chr8(0), V, Vert},
    {"Mapper7Bit4ChoosesMirrorDistance",  7, 16, 16, {{0x8000, 0x13}},             {12, 13, 14, 15}, Chr8(0), 0x800, Vert},
    {"Mapper7LowValueGivesSmallDistance", 7, 16, 16, {{0x8000, 0x13}, {0x9000, 5}}, {20, 21, 22, 23}, Chr8(0), 0x400, Vert},
    // Bit 5 must not push the distance beyond the name-table area.
    {"Mapper7IgnoresBitsAbove4",          7, 16, 16, {{0x8000, 0x22}},             {8, 9, 10, 11},   Chr8(0), 0x400, Vert},

    {"Mapper8StartsWithBanks0And1", 8, 16, 16, {},                       {0, 1, 2, 3},   Chr8(0), V, Vert},
    {"Mapper8SplitsTheValue",       8, 16, 16, {{0x8000, (5 << 3) | 6}}, {10, 11, 2, 3}, Chr8(6), V, Vert},

    {"Mapper9StartsWithSecondToLastBank", 9, 16, 16, {}, {28, 29, 30, 31}, Chr8(0), V, Vert},
    {"Mapper9RegistersByPage",    9, 16, 16, {{0xAFFF, 7}, {0xC123, 3}, {0xE000, 5}, {0xF800, 1}}, {7, 29, 30, 31},  Chr4(3, 5), H, Horz},
    {"Mapper9IgnoresOtherPages",  9, 16, 16, {{0x8000, 3}, {0x9000, 3}, {0xB000, 3}, {0xD000, 3}}, {28, 29, 30, 31}, Chr8(0), V, Vert},
    {"Mapper77SharesTheMmc2Handler", 77, 16, 16, {{0xA000, 9}, {0xF000, 1}, {0xF000, 0}}, {9, 29, 30, 31}, Chr8(0), V, Vert},
    {"Mapper10RegistersByPage",  10, 16, 16, {{0xA000, 3}, {0xCFFF, 6}, {0xEABC, 9}, {0xF000, 1}, {0xB000, 2}, {0xD000, 2}},
     {6, 7, 30, 31}, Chr4(6, 9), H, Horz},

    {"Mapper11StartsAtBank0",  11, 16, 16, {},               {0, 1, 2, 3},     Chr8(0), V, Vert},
    {"Mapper11SplitsTheValue", 11, 16, 16, {{0x8000, 0x37}}, {12, 13, 14, 15}, Chr8(3), V, Vert},
    // $14: bit 4 belongs to the pattern field; bit 2 is beyond the program field.
    {"Mapper11ProgramFieldIsTwoBits", 11, 16, 16, {{0x8000, 0x14}}, {0, 1, 2, 3}, Chr8(1), V, Vert},

    {"Mapper15StartsAtBank0",              15, 16, 16, {},               {0, 1, 2, 3},     Chr8(0), V, Vert},
    {"Mapper15Register0",                  15, 16, 16, {{0x8000, 0x05}}, {10, 11, 12, 13}, Chr8(0), H, Horz},
    {"Mapper15Register0Bit6SetIsVertical", 15, 16, 16, {{0x8000, 0x45}}, {10, 11, 12, 13}, Chr8(0), V, Vert},
    {"Mapper15Register1",                  15, 16, 16, {{0x8001, 0xC7}}, {0, 1, 14, 15},   Chr8(0), V, Vert},
    {"Mapper15Register2RepeatsOneBank",    15, 16, 16, {{0x8002, 0x85}}, {11, 11, 11, 11}, Chr8(0), V, Vert},
    {"Mapper15Register3",                  15, 16, 16, {{0x8003, 0x03}}, {0, 1, 6, 7},     Chr8(0), H, Horz},
    {"Mapper15HighRegisterSwapsHalves",    15, 16, 16, {{0xF001, 0x82}}, {0, 1, 5, 4},     Chr8(0), V, Vert},
    {"Mapper15HighRegister16K",            15, 16, 16, {{0xF001, 0x05}}, {0, 1, 10, 11},   Chr8(0), V, Vert},
    {"Mapper15OnlyExactAddresses", 15, 16, 16, {{0x8004, 3}, {0x9000, 3}, {0xF000, 3}, {0xF002, 3}, {0xC001, 3}},
     {0, 1, 2, 3}, Chr8(0), V, Vert},

    {"Mapper16PatternAndProgram", 16, 16, 16, {{0x8000, 9}, {0x8007, 100}, {0xF003, 42}, {0x8008, 3}},
     {6, 7, 30, 31}, {9, 1, 2, 42, 4, 5, 6, 100}, V, Vert},
    // The distance changes while the recorded arrangement stays as the header set it.
    {"Mapper16MirrorDistanceOnly", 16, 16, 16, {{0x8009, 1}}, {0, 1, 30, 31}, Chr8(0), H, Vert},
    {"Mapper18SharesTheBandaiHandler", 18, 16, 16, {{0xC00A, 5}, {0xC00F, 5}, {0xA002, 77}, {0x9009, 0}},
     {0, 1, 30, 31}, {0, 1, 77, 3, 4, 5, 6, 7}, V, Vert},

    {"Mapper23MaskedRegisters",          23, 16, 16, {{0x9000, 5}, {0xD000, 2}, {0xB001, 1}},              {10, 11, 4, 5},  Chr8(0), H, Horz},
    {"Mapper23IgnoresUnlistedRegisters", 23, 16, 16, {{0x8001, 5}, {0xA003, 1}, {0xC001, 3}, {0xE000, 3}}, {0, 1, 30, 31}, Chr8(0), V, Vert},

    {"Mapper33Registers", 33, 16, 16, {{0x8000, 0x44}, {0x8001, 0x27}, {0x8002, 3}, {0x8003, 0x80}, {0xA000, 10}, {0xA003, 13}},
     {4, 7, 30, 31}, {6, 7, 0, 1, 10, 5, 6, 13}, H, Horz},
    {"Mapper33MirroringRegister", 33, 16, 16, {{0x8000, 0x40}, {0xE000, 0}}, {0, 1, 30, 31}, Chr8(0), V, Vert},
    {"Mapper33OnlyExactAddresses", 33, 16, 16, {{0x9000, 3}, {0x8004, 3}, {0xA004, 3}, {0xC000, 3}, {0xE001, 1}, {0xE002, 1}},
     {0, 1, 30, 31}, Chr8(0), V, Vert},

    {"Mapper34Switches32K",           34, 16, 16, {{0xFFFF, 3}},                  {12, 13, 14, 15}, Chr8(0), V, Vert},
    {"Mapper66PatternOnly",           66, 16, 16, {{0x8000, 0xC1}},               {0, 1, 30, 31},   Chr8(3), V, Vert},
    {"Mapper78Bit6ClearIsHorizontal", 78, 16, 16, {{0x8000, 0x25}},               {10, 11, 30, 31}, Chr8(2), H, Horz},
    {"Mapper78Bit6SetIsVertical",     78, 16, 16, {{0x8000, 0x25}, {0x8000, 0x4F}}, {14, 15, 30, 31}, Chr8(4), V, Vert},
};
// clang-format on

class BoardTest : public testing::TestWithParam<BoardCase> {};

TEST_P(BoardTest, WindowsAfterWrites) {
  const BoardCase& c = GetParam();
  TestMachine t;
  ASSERT_TRUE(InstallCartridge(t.m, c.prgBanks, c.chrBanks, c.mapper));
  NumberSmallBanks(t.m);
  for (const auto& [address, value] : c.writes) MemWrite(t.m, address, value);
  EXPECT_EQ(PrgWindows(t.m), c.prg);
  EXPECT_EQ(ChrWindows(t.m), c.chr);
  EXPECT_EQ(t.m.MirrorMask, c.mirrorMask);
  EXPECT_EQ(t.m.Mirroring, c.mirroring);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, BoardTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<BoardCase>& info) { return info.param.name; });

// A board without a write handler must not keep the previous cartridge's.
TEST(Catalogue, InstallReplacesTheHandlerOfThePreviousCartridge) {
  TestMachine t;
  ASSERT_TRUE(InstallCartridge(t.m, 16, 16, 2));
  ASSERT_TRUE(InstallCartridge(t.m, 16, 16, 0));
  NumberSmallBanks(t.m);
  MemWrite(t.m, 0x8000, 4);
  EXPECT_EQ(PrgWindows(t.m), (Prg{0, 1, 30, 31}));
}

}  // namespace
