// The disassembler over the whole opcode matrix: lengths, every template
// family, the $x2 column, the 65C02 names, wrap-around and the read rules.
#include "debugger/Disassembler.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "engine/classic/ClassicEngine.h"
#include "support/TestMachine.h"

namespace {

// A 32 KB NROM cartridge whose program bytes the test writes directly.
struct DisasmFixture : ::testing::Test {
  TestMachine t;
  void SetUp() override {
    ASSERT_TRUE(InstallCartridge(t.m, 2, 1));
    t.host.log.clear();  // the mapper line of the install
  }

  // Places bytes at a processor address in work RAM or program ROM.
  void Poke(uint16_t address, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) {
      if (address < 0x2000)
        t.m.Ram[address & 0x7FF] = b;
      else
        t.m.PrgRom.at(address - 0x8000) = b;
      ++address;
    }
  }

  std::string At(uint16_t& address) { return Disassemble(t.m, address); }
};

// Bytes per opcode, written out from the instruction set's addressing modes
// (and the listing's one-byte 65C02 names), independently of the templates.
// clang-format off
constexpr uint8_t kExpectedLength[256] = {
  //   0  1  2  3  4  5  6  7  8  9  A  B  C  D  E  F
  /* 0 */ 1, 2, 1, 1, 1, 2, 2, 1, 1, 2, 1, 1, 1, 3, 3, 1,
  /* 1 */ 2, 2, 2, 1, 1, 2, 2, 1, 1, 3, 1, 1, 1, 3, 3, 1,
  /* 2 */ 3, 2, 1, 1, 2, 2, 2, 1, 1, 2, 1, 1, 3, 3, 3, 1,
  /* 3 */ 2, 2, 2, 1, 1, 2, 2, 1, 1, 3, 1, 1, 1, 3, 3, 1,
  /* 4 */ 1, 2, 1, 1, 1, 2, 2, 1, 1, 2, 1, 1, 3, 3, 3, 1,
  /* 5 */ 2, 2, 2, 1, 1, 2, 2, 1, 1, 3, 1, 1, 1, 3, 3, 1,
  /* 6 */ 1, 2, 1, 1, 1, 2, 2, 1, 1, 2, 1, 1, 3, 3, 3, 1,
  /* 7 */ 2, 2, 2, 1, 1, 2, 2, 1, 1, 3, 1, 1, 1, 3, 3, 1,
  /* 8 */ 1, 2, 1, 1, 2, 2, 2, 1, 1, 1, 1, 1, 3, 3, 3, 1,
  /* 9 */ 2, 2, 2, 1, 2, 2, 2, 1, 1, 3, 1, 1, 1, 3, 1, 1,
  /* A */ 2, 2, 2, 1, 2, 2, 2, 1, 1, 2, 1, 1, 3, 3, 3, 1,
  /* B */ 2, 2, 2, 1, 2, 2, 2, 1, 1, 3, 1, 1, 3, 3, 3, 1,
  /* C */ 2, 2, 1, 1, 2, 2, 2, 1, 1, 2, 1, 1, 3, 3, 3, 1,
  /* D */ 2, 2, 2, 1, 1, 2, 2, 1, 1, 3, 1, 1, 1, 3, 3, 1,
  /* E */ 2, 2, 1, 1, 2, 2, 2, 1, 1, 2, 1, 1, 3, 3, 3, 1,
  /* F */ 2, 2, 2, 1, 1, 2, 2, 1, 1, 3, 1, 1, 1, 3, 3, 1,
};
// clang-format on

TEST_F(DisasmFixture, EveryOpcodeAdvancesByItsLength) {
  for (int op = 0; op < 256; ++op) {
    SCOPED_TRACE(testing::Message() << "opcode $" << std::hex << op);
    Poke(0x8000, {static_cast<uint8_t>(op), 0x34, 0x12});
    uint16_t a = 0x8000;
    const std::string text = At(a);
    EXPECT_EQ(a, 0x8000 + kExpectedLength[op]);
    EXPECT_EQ(InstructionLength(static_cast<uint8_t>(op)), kExpectedLength[op]);
    // The operand shows exactly when the instruction has one.
    const bool showsByte = text.find("34") != std::string::npos;
    const bool showsWord = text.find("1234") != std::string::npos;
    EXPECT_EQ(showsWord, kExpectedLength[op] == 3) << text;
    EXPECT_EQ(showsByte && !showsWord, kExpectedLength[op] == 2) << text;
    EXPECT_EQ(text.find_first_of("abcdefghijklmnopqrstuvwxyz"), std::string::npos) << text;
  }
}

struct Sample {
  std::initializer_list<uint8_t> bytes;
  const char* text;
};

TEST_F(DisasmFixture, OneSampleOfEveryTemplateFamily) {
  const Sample samples[] = {
      {{0xA9, 0x0F}, "LDA #0F"},             // immediate
      {{0xA5, 0x10}, "LDA $10"},             // zero page, with the dollar
      {{0x25, 0x10}, "AND 10"},              // zero page, without it
      {{0xB5, 0x80}, "LDA $80, X"},          // zero page, X
      {{0xD6, 0x80}, "DEC 80, X"},           //   ... without the dollar
      {{0xB6, 0x44}, "LDX $44, Y"},          // zero page, Y
      {{0xAD, 0x00, 0x03}, "LDA $0300"},     // absolute
      {{0x6D, 0xCD, 0xAB}, "ADC ABCD"},      //   ... without the dollar
      {{0xBD, 0x01, 0x06}, "LDA $0601, X"},  // absolute, X
      {{0x39, 0xFF, 0x00}, "AND 00FF, Y"},   // absolute, Y without the dollar
      {{0x81, 0x20}, "STA ($20, X)"},        // indexed indirect
      {{0xC1, 0x20}, "CMP (20, X)"},         //   ... without the dollar
      {{0x91, 0x22}, "STA ($22), Y"},        // indirect indexed
      {{0x31, 0x22}, "AND (22), Y"},         //   ... without the dollar
      {{0x6C, 0xFC, 0xFF}, "JMP ($FFFC)"},   // indirect jump
      {{0x4C, 0x00, 0xC0}, "JMP $C000"},     // absolute jump
      {{0x20, 0x10, 0xC0}, "JSR $C010"},     // subroutine call
      {{0x0A}, "ASL A"},                     // accumulator
      {{0x0E, 0x00, 0x02}, "ASL 0200"},      // read-modify-write absolute
      {{0xE8}, "INX"},                       // implied
      {{0x60}, "RTS"},
      {{0x10, 0x80}, "BPL 80"},  // branch: the raw offset byte
      {{0x24, 0x01}, "BIT 01"},
      {{0x2C, 0x02, 0x20}, "BIT 2002"},
      {{0x04, 0x99}, "TSB"},  // 65C02 names, bare
      {{0x1C, 0x99}, "TRB"},
      {{0x9E, 0x99}, "STZ"},
      {{0x89, 0x99}, "BIT"},
      {{0x7C, 0x99}, "JMP"},
      {{0x1A}, "INA"},
      {{0x3A}, "DEA"},
      {{0x5A}, "PHY"},
      {{0x7A}, "PLY"},
      {{0xDA}, "PHX"},
      {{0xFA}, "PLX"},
      {{0x02}, "NOP"},  // unlisted opcodes
      {{0xFF}, "NOP"},
  };
  for (const Sample& s : samples) {
    Poke(0x8000, s.bytes);
    uint16_t a = 0x8000;
    EXPECT_EQ(At(a), s.text);
  }
}

TEST_F(DisasmFixture, TheX2ColumnRepeatsItsFamilysZeroPageIndexedForm) {
  for (int high = 1; high < 16; high += 2) {
    const uint8_t x2 = static_cast<uint8_t>(high << 4 | 2), x5 = static_cast<uint8_t>(high << 4 | 5);
    Poke(0x8000, {x2, 0x3C, x5, 0x3C});
    uint16_t a = 0x8000;
    const std::string first = At(a);
    EXPECT_EQ(a, 0x8002);
    EXPECT_EQ(first, At(a));
    EXPECT_NE(first.find("3C, X"), std::string::npos) << first;
  }
}

TEST_F(DisasmFixture, AWordOperandNeverReadsTheAddressItNames) {
  // Vertical blank set and the scroll latch half-way: reading $2002 would clear both.
  Classic(t.m).PpuStatus = 0x80;
  Classic(t.m).ScrollToggle = 1;
  Poke(0x8000, {0xAD, 0x02, 0x20});
  uint16_t a = 0x8000;
  EXPECT_EQ(At(a), "LDA $2002");
  EXPECT_EQ(a, 0x8003);
  EXPECT_EQ(Classic(t.m).PpuStatus, 0x80);
  EXPECT_EQ(Classic(t.m).ScrollToggle, 1);
  EXPECT_TRUE(t.host.log.empty());
}

TEST_F(DisasmFixture, OperandsFollowTheBusRules) {
  // A word operand lying on the I/O registers takes the data read (which
  // logs the undecoded addresses); a byte operand there is only peeked.
  Poke(0x1FFF, {0xAD});
  uint16_t a = 0x1FFF;
  EXPECT_EQ(At(a), "LDA $FFFF");
  EXPECT_EQ(a, 0x2002);
  ASSERT_EQ(t.host.log.size(), 2u);
  EXPECT_EQ(t.host.log[0], "Endereço ignorado $2000");
  EXPECT_EQ(t.host.log[1], "Endereço ignorado $2001");

  t.host.log.clear();
  Poke(0x1FFF, {0xA5});
  a = 0x1FFF;
  EXPECT_EQ(At(a), "LDA $FF");
  ASSERT_EQ(t.host.log.size(), 1u);
  EXPECT_EQ(t.host.log[0], "erro ao ler memória:2000");
}

TEST_F(DisasmFixture, ShortInstructionsAndBareNamesResync) {
  Poke(0x8000, {0xD0, 0xFE, 0xEA, 0xFF, 0x80, 0x05, 0x44});
  uint16_t a = 0x8000;
  EXPECT_EQ(At(a), "BNE FE");
  EXPECT_EQ(At(a), "NOP");
  EXPECT_EQ(At(a), "NOP");
  EXPECT_EQ(a, 0x8004);
  // BRA counts as one byte, so its offset byte is read as the next opcode.
  EXPECT_EQ(At(a), "BRA");
  EXPECT_EQ(a, 0x8005);
  EXPECT_EQ(At(a), "ORA $44");
  EXPECT_EQ(a, 0x8007);
}

TEST_F(DisasmFixture, AddressesWrapPastFFFF) {
  Poke(0xFFFF, {0xEA});
  Poke(0x0000, {0xA9, 0x01});
  uint16_t a = 0xFFFF;
  EXPECT_EQ(At(a), "NOP");
  EXPECT_EQ(a, 0x0000);
  EXPECT_EQ(At(a), "LDA #01");

  // An operand that straddles the end of the space is read from $0000 on.
  Poke(0xFFFE, {0x4C, 0x34});
  Poke(0x0000, {0x12});
  a = 0xFFFE;
  EXPECT_EQ(At(a), "JMP $1234");
  EXPECT_EQ(a, 0x0001);
}

TEST_F(DisasmFixture, ListingLinesCarryTheAddressAndFollowTheStream) {
  Poke(0xFFFC, {0xA9, 0x07, 0x8D, 0x00});
  Poke(0x0000, {0x02, 0x60});
  EXPECT_EQ(DisassemblyListing(t.m, 0xFFFC, 3), "FFFC  LDA #07\nFFFE  STA $0200\n0001  RTS\n");
  EXPECT_EQ(DisassemblyListing(t.m, 0xFFFC, 0), "");
}

}  // namespace
