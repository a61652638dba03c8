// The mapper framework: the name table, installation with its log lines,
// bank switching through the tables (wrapping beyond the image), mirroring,
// and the scanline interrupt counter.
#include "cartridge/Mapper.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cartridge/boards/Boards.h"
#include "engine/classic/ClassicEngine.h"
#include "engine/classic/video/MemoryMap.h"
#include "engine/classic/video/PpuRegisters.h"
#include "support/TestMachine.h"

using ::testing::ElementsAre;

namespace {

TEST(MapperName, NamesShownAsTheyStandAndEmptyForTheRest) {
  // The entries a careless table gets wrong: two numbers sharing a name, the
  // odd spellings, and supported boards that have no name at all.
  const std::pair<int, const char*> names[] = {
      {0, "No Mapper"},
      {4, "Nintendo MMC3"},
      {118, "Nintendo MMC3"},
      {22, "Konami VRC2a"},
      {23, "Konami VRC2a"},
      {26, "KONAMI_VRC6B"},
      {78, "Irem 74HC161/32-based"},
      {242, "pirate wai xing han shi"},
      {17, ""},
      {77, ""},
      {6, ""},
      {-1, ""},
      {256, ""},
  };
  for (const auto& [number, name] : names) EXPECT_EQ(MapperName(number), name) << number;
  int named = 0;
  for (int n = 0; n < 256; ++n) named += !MapperName(n).empty();
  EXPECT_EQ(named, 38);
}

struct MapperTest : ::testing::Test {
  TestMachine t;
  Machine& m = t.m;
};

TEST_F(MapperTest, SupportedNumbersInstallAndLogTheirName) {
  const std::vector<int> supported = {0,  1,  2,  3,  4,  5,  7,  8,  9,  10, 11, 15,
                                      16, 17, 18, 23, 33, 34, 64, 66, 77, 78, 118};
  for (int n = 0; n < 256; ++n) {
    SCOPED_TRACE(n);
    const bool expected = std::find(supported.begin(), supported.end(), n) != supported.end();
    t.host.log.clear();
    m.LoadedMapperName = "previous";
    EXPECT_EQ(InstallCartridge(m, 2, 1, n), expected);
    ASSERT_FALSE(t.host.log.empty());
    EXPECT_EQ(t.host.log[0], "Carregando Mapper #" + MapperName(n) + "...");
    if (expected) {
      EXPECT_EQ(t.host.log.size(), 1u);
      EXPECT_EQ(m.LoadedMapperName, MapperName(n));
    } else {
      EXPECT_THAT(t.host.log,
                  ElementsAre(t.host.log[0], "* iNES mapper #" + std::to_string(n) + " não suportado."));
      EXPECT_EQ(m.LoadedMapperName, "previous");
    }
  }
}

TEST_F(MapperTest, LoadingLinesQuotedForMmc3TwinAndNamco) {
  EXPECT_TRUE(InstallCartridge(m, 1, 1, 118));
  EXPECT_TRUE(InstallCartridge(m, 1, 1, 17));
  t.host.log.clear();
  EXPECT_FALSE(InstallCartridge(m, 1, 1, 19));
  EXPECT_FALSE(InstallCartridge(m, 1, 1, 200));
  EXPECT_THAT(t.host.log,
              ElementsAre("Carregando Mapper #Namcot 106 chip...", "* iNES mapper #19 não suportado.",
                          "Carregando Mapper #...", "* iNES mapper #200 não suportado."));
  EXPECT_EQ(m.LoadedMapperName, "");  // mapper 17 has no name
}

// Tracks the writes the installed handler would see.
int handlerCalls = 0;
void CountingHandler(Machine&, uint16_t, uint8_t) { ++handlerCalls; }

TEST_F(MapperTest, UnsupportedNumberLeavesTablesAndHandlerAlone) {
  ASSERT_TRUE(InstallCartridge(m, 4, 2));
  MapPrg16(m, 0x8000, 2);
  m.MapperWrite = &CountingHandler;
  const auto cpu = m.CpuBankTable;
  const auto patterns = m.PatternBankTable;
  EXPECT_FALSE(MapperInit(m, 19));
  EXPECT_EQ(m.MapperWrite, &CountingHandler);
  EXPECT_TRUE(
      std::equal(cpu.begin(), cpu.end(), m.CpuBankTable.begin(),
                 [](const CpuBank& a, const CpuBank& b) { return a.Base == b.Base && a.Mask == b.Mask; }));
  EXPECT_EQ(m.PatternBankTable, patterns);

  // A supported number replaces the handler (mapper 0's ignores writes).
  handlerCalls = 0;
  ASSERT_TRUE(MapperInit(m, 0));
  MemWrite(m, 0x8000, 1);
  EXPECT_EQ(handlerCalls, 0);
  EXPECT_EQ(MemRead(m, 0x8000), 0);
}

// Gives every 1 KB of the program image and of the pattern image its own
// number, so a byte read through a table tells exactly which piece is mapped.
void NumberKilobytes(Machine& m) {
  for (size_t i = 0; i + 1 < m.PrgRom.size(); ++i) m.PrgRom[i] = static_cast<uint8_t>(i >> 10);
  for (size_t i = 0; i + 1 < m.ChrRom.size(); ++i) m.ChrRom[i] = static_cast<uint8_t>(i >> 10);
}

TEST_F(MapperTest, CommonLayoutShowsFirstAndLastProgramBanks) {
  ASSERT_TRUE(InstallCartridge(m, 2, 1));  // 32 KB
  EXPECT_EQ(MemRead(m, 0x8000), 0);
  EXPECT_EQ(MemRead(m, 0xC000), 1);
  ASSERT_TRUE(InstallCartridge(m, 1, 1));  // 16 KB at both windows
  EXPECT_EQ(MemRead(m, 0x8000), 0);
  EXPECT_EQ(MemRead(m, 0xC000), 0);
  ASSERT_TRUE(InstallCartridge(m, 8, 3));
  EXPECT_EQ(MemRead(m, 0xFFFF), 7);
  EXPECT_EQ(m.ChrBankMask, 2);
  ASSERT_TRUE(InstallCartridge(m, 8, 0));
  EXPECT_EQ(m.ChrBankMask, 0xFF);
}

struct PrgCase {
  const char* what;
  void (*map)(Machine&);
  uint16_t address;
  int kilobyte;  // which 1 KB of the 64 KB image shows there
};

TEST_F(MapperTest, ProgramBanksSwitchAndWrapModuloTheImage) {
  const PrgCase cases[] = {
      {"8K bank 3 at $A000", [](Machine& m) { MapPrg8(m, 0xA000, 3); }, 0xA000, 24},
      {"8K bank 3, any address in the window", [](Machine& m) { MapPrg8(m, 0xBFFF, 3); }, 0xBFFF, 31},
      {"8K bank 9 wraps to 1", [](Machine& m) { MapPrg8(m, 0xE000, 9); }, 0xE400, 9},
      {"16K bank 2 at $8000", [](Machine& m) { MapPrg16(m, 0x8000, 2); }, 0xA000, 40},
      {"16K bank 6 wraps to 2", [](Machine& m) { MapPrg16(m, 0xC000, 6); }, 0xC000, 32},
      {"16K bank 255 wraps to 3", [](Machine& m) { MapPrg16(m, 0xC000, 255); }, 0xFFFF, 63},
      {"32K bank 1", [](Machine& m) { MapPrg32(m, 1); }, 0x8000, 32},
      {"32K bank 3 wraps to 1", [](Machine& m) { MapPrg32(m, 3); }, 0xE000, 56},
  };
  for (const PrgCase& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(InstallCartridge(m, 4, 1));
    NumberKilobytes(m);
    c.map(m);
    EXPECT_EQ(MemRead(m, c.address), c.kilobyte);
  }
}

struct ChrCase {
  const char* what;
  void (*map)(Machine&);
  uint16_t address;
  int kilobyte;
};

TEST_F(MapperTest, PatternBanksSwitchAndWrapModuloTheImage) {
  const ChrCase cases[] = {
      {"1K bank 5 at $0C00", [](Machine& m) { MapChr1(m, 0x0C00, 5); }, 0x0FFF, 5},
      {"1K bank 35 wraps to 3", [](Machine& m) { MapChr1(m, 0x1C00, 35); }, 0x1C00, 3},
      {"4K bank 3 at $1000", [](Machine& m) { MapChr4(m, 0x1000, 3); }, 0x1400, 13},
      {"4K bank 9 wraps to 1", [](Machine& m) { MapChr4(m, 0x0000, 9); }, 0x0C00, 7},
      {"8K bank 3", [](Machine& m) { MapChr8(m, 3); }, 0x1FFF, 31},
      {"8K bank 255 wraps to 3", [](Machine& m) { MapChr8(m, 255); }, 0x0000, 24},
  };
  for (const ChrCase& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(InstallCartridge(m, 1, 4));  // 32 KB of patterns
    NumberKilobytes(m);
    c.map(m);
    EXPECT_EQ(PatternByte(m, c.address), c.kilobyte);
  }
}

TEST_F(MapperTest, PatternRamBanksArePiecesOfVideoMemory) {
  ASSERT_TRUE(InstallCartridge(m, 1, 0));
  for (size_t i = 0; i < 0x4000; ++i) m.Vram[i] = static_cast<uint8_t>(i >> 10);
  EXPECT_EQ(PatternByte(m, 0x1FFF), 7);
  MapChr8(m, 1);  // the name-table area shown as patterns
  EXPECT_EQ(PatternByte(m, 0x0000), 8);
  EXPECT_EQ(PatternByte(m, 0x1FFF), 15);
  MapChr1(m, 0x0400, 17);  // 16 KB of video memory: wraps to 1
  EXPECT_EQ(PatternByte(m, 0x0400), 1);
  MapChr4(m, 0x1000, 3);
  EXPECT_EQ(PatternByte(m, 0x1000), 12);
  EXPECT_EQ(PatternByte(m, 0x1FFF), 15);
}

TEST_F(MapperTest, MirroringChangeAffectsLaterWritesOnly) {
  ASSERT_TRUE(InstallCartridge(m, 1, 1, 0, 0x01));  // vertical
  EXPECT_EQ(m.Mirroring, TMirroring::Vertical);
  const auto write = [&](uint16_t a, uint8_t v) {
    MemWrite(m, 0x2006, static_cast<uint8_t>(a >> 8));
    MemWrite(m, 0x2006, static_cast<uint8_t>(a));
    MemWrite(m, 0x2007, v);
  };
  write(0x2005, 0x31);
  EXPECT_EQ(m.Vram[0x2805], 0x31);

  SetMirroring(m, 1);
  EXPECT_EQ(m.Mirroring, TMirroring::Horizontal);
  EXPECT_EQ(m.MirrorMask, 0x400);
  EXPECT_EQ(m.Vram[0x2405], 0) << "nothing is copied again";
  write(0x2006, 0x32);
  EXPECT_EQ(m.Vram[0x2406], 0x32);
  EXPECT_EQ(m.Vram[0x2806], 0);

  SetMirroring(m, 0);
  EXPECT_EQ(m.Mirroring, TMirroring::Vertical);
  EXPECT_EQ(m.MirrorMask, 0x800);
}

// Clocks the counter over `lines` visible lines; returns the lines (1-based)
// that raised an interrupt.
std::vector<int> Clock(Machine& m, int lines) {
  std::vector<int> fired;
  for (int line = 1; line <= lines; ++line) {
    uint8_t code = intNone;
    MapperScanline(m, code);
    if (code == intIRQ) fired.push_back(line);
  }
  return fired;
}

TEST_F(MapperTest, Mmc3CounterFiresOnceOnTheNthLine) {
  for (int mapper : {4, 118, 16, 17}) {
    SCOPED_TRACE(mapper);
    m.MapperClock = FindMapperBoard(mapper)->Clock;
    m.IrqEnabled = true;
    m.IrqCounter = 1;
    Classic(m).ScrollChanged = false;
    EXPECT_THAT(Clock(m, 240), ElementsAre(1));
    EXPECT_FALSE(m.IrqEnabled);
    EXPECT_TRUE(Classic(m).ScrollChanged) << "the scroll written so far is latched at the next line";

    m.IrqEnabled = true;
    m.IrqCounter = 100;
    EXPECT_THAT(Clock(m, 240), ElementsAre(100));

    m.IrqEnabled = true;
    m.IrqCounter = 0;  // wraps to 65535 first: silent for the frame
    EXPECT_THAT(Clock(m, 240), ElementsAre());
    EXPECT_EQ(m.IrqCounter, 65536 - 240);

    m.IrqEnabled = false;
    m.IrqCounter = 1;
    EXPECT_THAT(Clock(m, 240), ElementsAre());
    EXPECT_EQ(m.IrqCounter, 1);
  }
}

TEST_F(MapperTest, Vrc2CounterCountsUpTo256WithoutTouchingTheScroll) {
  m.MapperClock = FindMapperBoard(23)->Clock;
  m.IrqEnabled = true;
  m.IrqCounter = 250;
  Classic(m).ScrollChanged = false;
  EXPECT_THAT(Clock(m, 240), ElementsAre(6));
  EXPECT_EQ(m.IrqCounter, 0);
  EXPECT_FALSE(m.IrqEnabled);
  EXPECT_FALSE(Classic(m).ScrollChanged);
}

TEST_F(MapperTest, OtherMappersHaveNoCounter) {
  for (const MapperBoard& board : MapperBoards()) {
    if (board.Clock) continue;
    SCOPED_TRACE(board.Number);
    EXPECT_THAT((std::vector{4, 16, 17, 23, 118}), testing::Not(testing::Contains(board.Number)));
    ASSERT_TRUE(InstallCartridge(m, 2, 1, board.Number));
    m.IrqEnabled = true;
    m.IrqCounter = 1;
    EXPECT_THAT(Clock(m, 240), ElementsAre());
    EXPECT_EQ(m.IrqCounter, 1);
  }
}

TEST_F(MapperTest, ACounterLeftRunningByAnMmc3CartridgeDoesNotFireIntoTheNext) {
  ASSERT_TRUE(InstallCartridge(m, 2, 1, 4));
  m.IrqEnabled = true;
  m.IrqCounter = 5;
  ASSERT_TRUE(InstallCartridge(m, 2, 1, 16));
  EXPECT_THAT(Clock(m, 240), ElementsAre());
}

}  // namespace
