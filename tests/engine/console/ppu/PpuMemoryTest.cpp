// The picture processor's address space as the processor reaches it through
// $2006/$2007: name tables folded by the board's arrangement onto the
// console's 2 KB (4 KB on four-screen boards), the palette's mirrored pairs,
// and the read buffer in front of everything but the palette.
#include <gtest/gtest.h>

#include "engine/console/ppu/Ppu.h"
#include "engine/console/ppu/PpuNameTable.h"
#include "support/TestMachine.h"

namespace {

void SetAddress(Ppu& p, Machine& m, uint16_t address) {
  PpuWriteRegister(p, m, 0x2006, static_cast<uint8_t>(address >> 8));
  PpuWriteRegister(p, m, 0x2006, static_cast<uint8_t>(address));
}

struct MirrorRow {
  const char* Name;
  NameTableArrangement Tables;
  // Where a byte written at $2000, $2400, $2800 and $2C00 lands.
  uint16_t Lands[4];
};

class NameTables : public testing::TestWithParam<MirrorRow> {};

// Each table written through the data port lands in its physical kilobyte,
// and reading any table back through the buffer returns what that kilobyte holds.
TEST_P(NameTables, FoldOntoTheConsolesMemory) {
  const MirrorRow& row = GetParam();
  TestMachine t;
  Machine& m = t.m;
  Ppu p;
  PpuPowerOn(p);
  p.NameTables = row.Tables;
  for (int table = 0; table < 4; ++table) {
    const uint16_t at = static_cast<uint16_t>(0x2000 + table * 0x400 + 0x15);
    EXPECT_EQ(PpuNameTableIndex(p.NameTables, at), row.Lands[table] + 0x15) << "table " << table;
    // The same table seen through the $3000 mirror.
    EXPECT_EQ(PpuNameTableIndex(p.NameTables, static_cast<uint16_t>(at + 0x1000)), row.Lands[table] + 0x15);
    SetAddress(p, m, at);
    PpuWriteRegister(p, m, 0x2007, static_cast<uint8_t>(0xA0 + table));
    SetAddress(p, m, at);
    PpuReadRegister(p, m, 0x2007);  // the buffer's stale byte
    EXPECT_EQ(PpuReadRegister(p, m, 0x2007) & 0xFF, m.Vram[row.Lands[table] + 0x15]);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Boards, NameTables,
    testing::Values(MirrorRow{"Vertical", kVerticalTables, {0x2000, 0x2400, 0x2000, 0x2400}},
                    MirrorRow{"Horizontal", kHorizontalTables, {0x2000, 0x2000, 0x2400, 0x2400}},
                    MirrorRow{"FourScreen", kFourScreenTables, {0x2000, 0x2400, 0x2800, 0x2C00}},
                    MirrorRow{"SingleScreenLow", SingleScreenTables(0), {0x2000, 0x2000, 0x2000, 0x2000}},
                    MirrorRow{"SingleScreenHigh", SingleScreenTables(1), {0x2400, 0x2400, 0x2400, 0x2400}}),
    [](const testing::TestParamInfo<MirrorRow>& info) { return std::string(info.param.Name); });

// Palette writes keep each backdrop pair equal and six bits wide; reads
// answer at once with the bus's top two bits, and the buffer takes the name
// table underneath.
TEST(PpuPalette, MirroredPairsAndImmediateReads) {
  TestMachine t;
  Machine& m = t.m;
  Ppu p;
  PpuPowerOn(p);
  for (uint16_t i = 0; i < 32; ++i) {
    SetAddress(p, m, static_cast<uint16_t>(0x3F00 + i));
    PpuWriteRegister(p, m, 0x2007, static_cast<uint8_t>(0xC0 | i));
  }
  for (uint16_t i = 0; i < 32; ++i) {
    // Entries 0, 4, 8, C of the sprite half are the background's: the later
    // write of the pair wins in both.
    const uint16_t written = (i & 3) == 0 ? static_cast<uint16_t>(i | 0x10) : i;
    EXPECT_EQ(m.Vram[0x3F00 + i], written) << "entry " << i;
    EXPECT_EQ(m.Vram[0x3F20 + i], written & 0x30) << "greyscale twin of " << i;
  }
  m.Vram[0x2705] = 0x5A;  // $2F05, under $3F05, is $2705 with vertical mirroring
  SetAddress(p, m, 0x3F05);
  PpuWriteRegister(p, m, 0x2002, 0xC0);  // drives the bus's top bits high
  EXPECT_EQ(PpuReadRegister(p, m, 0x2007), 0xC5);
  EXPECT_EQ(p.ReadBuffer, 0x5A);
}

}  // namespace
