// Every one of the 256 opcodes against an independent datasheet of the
// instruction set: how many bytes it takes, what it is charged, and which bus
// routine each of its memory accesses goes through.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "engine/classic/cpu/CpuRig.h"

namespace {

// Mnemonic and addressing mode of each opcode; "---" has no case of its own.
// clang-format off
const char* const kOps[256] = {
//  0          1          2      3      4          5          6          7      8          9          A          B      C          D          E          F
  "BRK",     "ORA izx", "---", "---", "---",     "ORA zp",  "ASL zp",  "---", "PHP",     "ORA imm", "ASL acc", "---", "---",     "ORA abs", "ASL abs", "---",  // 0
  "BPL rel", "ORA izy", "---", "---", "---",     "ORA zpx", "ASL zpx", "---", "CLC",     "ORA aby", "---",     "---", "---",     "ORA abx", "ASL abx", "---",  // 1
  "JSR abs", "AND izx", "---", "---", "BIT zp",  "AND zp",  "ROL zp",  "---", "PLP",     "AND imm", "ROL acc", "---", "BIT abs", "AND abs", "ROL abs", "---",  // 2
  "BMI rel", "AND izy", "---", "---", "---",     "AND zpx", "ROL zpx", "---", "SEC",     "AND aby", "---",     "---", "---",     "AND abx", "ROL abx", "---",  // 3
  "RTI",     "EOR izx", "---", "---", "---",     "EOR zp",  "LSR zp",  "---", "PHA",     "EOR imm", "LSR acc", "---", "JMP abs", "EOR abs", "LSR abs", "---",  // 4
  "BVC rel", "EOR izy", "---", "---", "---",     "EOR zpx", "LSR zpx", "---", "CLI",     "EOR aby", "---",     "---", "---",     "EOR abx", "LSR abx", "---",  // 5
  "RTS",     "ADC izx", "---", "---", "---",     "ADC zp",  "ROR zp",  "---", "PLA",     "ADC imm", "ROR acc", "---", "JMP ind", "ADC abs", "ROR abs", "---",  // 6
  "BVS rel", "ADC izy", "---", "---", "---",     "ADC zpx", "ROR zpx", "---", "SEI",     "ADC aby", "---",     "---", "---",     "ADC abx", "ROR abx", "---",  // 7
  "---",     "STA izx", "---", "---", "STY zp",  "STA zp",  "STX zp",  "---", "DEY",     "---",     "TXA",     "---", "STY abs", "STA abs", "STX abs", "---",  // 8
  "BCC rel", "STA izy", "---", "---", "STY zpx", "STA zpx", "STX zpy", "---", "TYA",     "STA aby", "TXS",     "---", "---",     "STA abx", "---",     "---",  // 9
  "LDY imm", "LDA izx", "LDX imm", "---", "LDY zp", "LDA zp", "LDX zp", "---", "TAY",   "LDA imm", "TAX",     "---", "LDY abs", "LDA abs", "LDX abs", "---",  // A
  "BCS rel", "LDA izy", "---", "---", "LDY zpx", "LDA zpx", "LDX zpy", "---", "CLV",     "LDA aby", "TSX",     "---", "LDY abx", "LDA abx", "LDX aby", "---",  // B
  "CPY imm", "CMP izx", "---", "---", "CPY zp",  "CMP zp",  "DEC zp",  "---", "INY",     "CMP imm", "DEX",     "---", "CPY abs", "CMP abs", "DEC abs", "---",  // C
  "BNE rel", "CMP izy", "---", "---", "---",     "CMP zpx", "DEC zpx", "---", "CLD",     "CMP aby", "---",     "---", "---",     "CMP abx", "DEC abx", "---",  // D
  "CPX imm", "SBC izx", "---", "---", "CPX zp",  "SBC zp",  "INC zp",  "---", "INX",     "SBC imm", "NOP",     "---", "CPX abs", "SBC abs", "INC abs", "---",  // E
  "BEQ rel", "SBC izy", "---", "---", "---",     "SBC zpx", "INC zpx", "---", "SED",     "SBC aby", "---",     "---", "---",     "SBC abx", "INC abx", "---",  // F
};

// The charge of each opcode, typed in a second time from the datasheet.
const int kCycles[256] = {
//  0  1  2  3  4  5  6  7  8  9  A  B  C  D  E  F
    7, 6, 2, 8, 3, 3, 5, 5, 3, 2, 2, 2, 4, 4, 6, 6,  // 0
    2, 5, 2, 8, 4, 4, 6, 6, 2, 4, 2, 7, 5, 5, 7, 7,  // 1
    6, 6, 2, 8, 3, 3, 5, 5, 4, 2, 2, 2, 4, 4, 6, 6,  // 2
    2, 5, 2, 8, 4, 4, 6, 6, 2, 4, 2, 7, 5, 5, 7, 7,  // 3
    6, 6, 2, 8, 3, 3, 5, 5, 3, 2, 2, 2, 3, 4, 6, 6,  // 4
    2, 5, 2, 8, 4, 4, 6, 6, 2, 4, 2, 7, 5, 5, 7, 7,  // 5
    6, 6, 2, 8, 3, 3, 5, 5, 4, 2, 2, 2, 5, 4, 6, 6,  // 6
    2, 5, 2, 8, 4, 4, 6, 6, 2, 4, 2, 7, 5, 5, 7, 7,  // 7
    2, 6, 2, 6, 3, 3, 3, 3, 2, 2, 2, 2, 4, 4, 4, 4,  // 8
    2, 6, 2, 6, 4, 4, 4, 4, 2, 5, 2, 5, 5, 5, 5, 5,  // 9
    2, 6, 2, 6, 3, 3, 3, 3, 2, 2, 2, 2, 4, 4, 4, 4,  // A
    2, 5, 2, 5, 4, 4, 4, 4, 2, 4, 2, 5, 4, 4, 4, 4,  // B
    2, 6, 2, 8, 3, 3, 5, 5, 2, 2, 2, 2, 4, 4, 6, 6,  // C
    2, 5, 2, 8, 4, 4, 6, 6, 2, 4, 2, 7, 5, 5, 7, 7,  // D
    2, 6, 2, 8, 3, 3, 5, 5, 2, 2, 2, 2, 4, 4, 6, 6,  // E
    2, 5, 2, 8, 4, 4, 6, 6, 2, 4, 2, 7, 5, 5, 7, 7,  // F
};
// clang-format on

struct Op {
  std::string mnemonic;
  std::string mode;  // "" for implied
};

Op Decode(int opcode) {
  const std::string text = kOps[opcode];
  return {text.substr(0, 3), text.size() > 4 ? text.substr(4) : ""};
}

bool IsOneOf(const std::string& s, std::initializer_list<const char*> set) {
  return std::any_of(set.begin(), set.end(), [&](const char* e) { return s == e; });
}
bool Reads(const Op& op) {
  return IsOneOf(op.mnemonic,
                 {"LDA", "LDX", "LDY", "ORA", "AND", "EOR", "ADC", "SBC", "CMP", "CPX", "CPY", "BIT"});
}
bool Writes(const Op& op) { return IsOneOf(op.mnemonic, {"STA", "STX", "STY"}); }
bool Modifies(const Op& op) {
  return op.mode != "acc" && IsOneOf(op.mnemonic, {"ASL", "LSR", "ROL", "ROR", "INC", "DEC"});
}
// Opcodes whose next PC is not simply the byte after them.
bool ChangesFlow(const Op& op) {
  return op.mode == "rel" || IsOneOf(op.mnemonic, {"JMP", "JSR", "RTS", "RTI", "BRK"});
}

int Length(const Op& op) {
  if (op.mode == "" || op.mode == "acc") return 1;
  if (op.mode.starts_with("ab") || op.mode == "ind") return 3;
  return 2;
}

// Operand bytes per mode: zero-page forms name $40, absolute forms $5000, an
// undecoded I/O address whose every access leaves a distinct log line.
std::vector<uint8_t> Operands(const Op& op) {
  if (Length(op) == 3) return {0x00, 0x50};
  if (Length(op) == 2) return {0x40};
  return {};
}

constexpr uint16_t kStart = 0x8000;

// Puts the opcode and its operands at kStart with X = 1, Y = 2, S = $FF.
void Place(CpuRig& rig, int opcode) {
  const std::vector<uint8_t> operands = Operands(Decode(opcode));
  rig.Poke(kStart, {static_cast<uint8_t>(opcode)});
  for (size_t i = 0; i < operands.size(); ++i) rig.Poke(static_cast<uint16_t>(kStart + 1 + i), {operands[i]});
  rig.cpu.PC = kStart;
  rig.cpu.A = 0x77;
  rig.cpu.X = 1;
  rig.cpu.Y = 2;
  rig.cpu.S = 0xFF;
  rig.cpu.Cycles = 50;
}

TEST(OpcodeTable, CycleTableMatchesTheDatasheet) {
  for (int op = 0; op < 256; ++op) EXPECT_EQ(CycleTable[op], kCycles[op]) << std::hex << "opcode $" << op;
  int withCase = 0;
  for (int op = 0; op < 256; ++op) withCase += Decode(op).mnemonic != "---" && Decode(op).mnemonic != "NOP";
  EXPECT_EQ(withCase, 150);
}

TEST(OpcodeTable, EveryOpcodeAdvancesByItsLengthAndIsChargedItsEntry) {
  for (int opcode = 0; opcode < 256; ++opcode) {
    const Op op = Decode(opcode);
    if (ChangesFlow(op)) continue;
    CpuRig rig;
    Place(rig, opcode);
    CpuStep(rig.m);
    EXPECT_EQ(rig.cpu.PC, kStart + Length(op)) << kOps[opcode] << " $" << std::hex << opcode;
    EXPECT_EQ(50 - rig.cpu.Cycles, kCycles[opcode]) << kOps[opcode] << " $" << std::hex << opcode;
  }
}

// Each branch once with every flag clear and once with every flag set: one of
// the two takes it (one cycle more, to the target), the other falls through.
TEST(OpcodeTable, BranchesCostOneMoreWhenTakenAndNothingForAPageCrossing) {
  const std::map<std::string, bool> takenWhenSet = {{"BPL", false}, {"BMI", true},  {"BVC", false},
                                                    {"BVS", true},  {"BCC", false}, {"BCS", true},
                                                    {"BNE", false}, {"BEQ", true}};
  for (const auto& [mnemonic, whenSet] : takenWhenSet) {
    // Named outside the lambda: clang 14 cannot capture a structured binding.
    const std::string wanted = mnemonic + " rel";
    const int opcode =
        static_cast<int>(std::find_if(kOps, kOps + 256, [&](const char* e) { return wanted == e; }) - kOps);
    for (const uint8_t p : {uint8_t{0x20}, uint8_t{0xFF}}) {
      const bool taken = (p == 0xFF) == whenSet;
      // Backwards across a page: $80F0 + 2 - $10 = $80E2; forwards: $80F2 + $20.
      for (const uint8_t offset : {uint8_t{0xF0}, uint8_t{0x20}}) {
        CpuRig rig;
        rig.Load(0x80F0, {static_cast<uint8_t>(opcode), offset});
        rig.cpu.P = p;
        rig.cpu.Cycles = 50;
        CpuStep(rig.m);
        const uint16_t target = static_cast<uint16_t>(0x80F2 + static_cast<int8_t>(offset));
        EXPECT_EQ(rig.cpu.PC, taken ? target : 0x80F2) << mnemonic << " P=" << int(p);
        EXPECT_EQ(50 - rig.cpu.Cycles, taken ? 3 : 2) << mnemonic << " P=" << int(p);
        EXPECT_EQ(rig.cpu.P, p);
      }
    }
  }
}

// The expected log trace of one opcode. Zero-page and stack peeks are logged
// because the rig empties the RAM window for peeks (indirect modes excepted:
// they peek their pointer from the shadow, which points at $5000).
std::vector<std::string> ExpectedTrace(const Op& op) {
  if (op.mnemonic == "JMP" && op.mode == "ind") return {"R5000", "R5001"};
  if (op.mnemonic == "JMP") return {};
  if (op.mnemonic == "PLA" || op.mnemonic == "PLP") return {"P0100"};
  if (op.mnemonic == "RTS") return {"P0100", "P0101"};
  if (op.mnemonic == "RTI") return {"P0100", "P0101", "P0102"};
  std::string ea;
  if (op.mode == "abs" || op.mode == "izx") ea = "5000";
  if (op.mode == "abx") ea = "5001";
  if (op.mode == "aby" || op.mode == "izy") ea = "5002";
  if (ea.empty()) return {};
  if (Reads(op)) return {"R" + ea};
  if (Writes(op)) return {"W" + ea};
  if (Modifies(op)) return {"R" + ea, "W" + ea};
  return {};
}

TEST(OpcodeTable, EveryAccessGoesThroughItsBusRoutine) {
  for (int opcode = 0; opcode < 256; ++opcode) {
    const Op op = Decode(opcode);
    CpuRig rig;
    if (op.mode == "izx" || op.mode == "izy") {
      // Pointers at $41 (izx, X = 1) and $40 (izy) in the peek view read
      // $5000; in work RAM the same bytes say $8181.
      rig.ShadowRamForPeeks();
      rig.shadow[0x40] = 0x00;
      rig.shadow[0x41] = 0x00;
      rig.shadow[0x42] = 0x50;
      if (op.mode == "izy") rig.shadow[0x41] = 0x50;
    } else {
      rig.UnmapRamForPeeks();
    }
    rig.m.Ram.fill(0x81);
    Place(rig, opcode);
    CpuStep(rig.m);
    EXPECT_EQ(rig.TakeTrace(), ExpectedTrace(op)) << kOps[opcode] << " $" << std::hex << opcode;

    // Zero-page data reaches work RAM through full reads and writes, which
    // the memory map serves from Ram directly.
    if (op.mode.starts_with("zp") && (Writes(op) || Modifies(op))) {
      const uint16_t ea = op.mode == "zp" ? 0x40 : op.mode == "zpx" ? 0x41 : 0x42;
      EXPECT_NE(rig.m.Ram[ea], 0x81) << kOps[opcode];
    }
  }
}

TEST(OpcodeTable, ZeroPageLoadsReadWorkRamNotThePeekView) {
  for (const int opcode : {0xA5, 0xA6, 0xA4, 0xB5, 0xB6, 0xB4}) {
    CpuRig rig;
    rig.ShadowRamForPeeks();
    rig.shadow.fill(0x11);
    rig.m.Ram.fill(0x81);
    Place(rig, opcode);
    CpuStep(rig.m);
    const uint8_t loaded = Decode(opcode).mnemonic == "LDA"   ? rig.cpu.A
                           : Decode(opcode).mnemonic == "LDX" ? rig.cpu.X
                                                              : rig.cpu.Y;
    EXPECT_EQ(loaded, 0x81) << kOps[opcode];
  }
}

TEST(OpcodeTable, PushesAreWritesAndPullsArePeeks) {
  // JSR, PHA, PHP and BRK push into work RAM with full writes; PLA reads the
  // stack from the peek view, which differs here from work RAM.
  struct Case {
    uint8_t opcode;
    std::vector<uint8_t> pushed;  // from $01FF down
  };
  const std::vector<Case> cases = {
      {0x20, {0x80, 0x02}}, {0x48, {0x77}}, {0x08, {0x24}}, {0x00, {0x80, 0x02, 0x34}}};
  for (const Case& c : cases) {
    CpuRig rig;
    rig.ShadowRamForPeeks();
    Place(rig, c.opcode);
    rig.cpu.P = 0x24;
    CpuStep(rig.m);
    for (size_t i = 0; i < c.pushed.size(); ++i)
      EXPECT_EQ(rig.m.Ram[0x1FF - i], c.pushed[i])
          << "opcode $" << std::hex << int(c.opcode) << " byte " << i;
    EXPECT_EQ(rig.cpu.S, 0xFF - c.pushed.size());
    EXPECT_EQ(rig.shadow[0x1FF], 0);
  }
  CpuRig rig;
  rig.ShadowRamForPeeks();
  rig.shadow[0x100] = 0x42;
  rig.m.Ram[0x100] = 0x99;
  Place(rig, 0x68);
  CpuStep(rig.m);
  EXPECT_EQ(rig.cpu.A, 0x42);
}

TEST(OpcodeTable, OpcodesWithoutACaseChangeNothingButPcAndCycles) {
  for (int opcode = 0; opcode < 256; ++opcode) {
    const std::string mnemonic = Decode(opcode).mnemonic;
    if (mnemonic != "---" && mnemonic != "NOP") continue;
    CpuRig rig;
    // Operand-like bytes follow the opcode; they must stay unexecuted.
    rig.Load(kStart, {static_cast<uint8_t>(opcode), 0x8D, 0x00, 0x02});
    rig.cpu.A = 0x12;
    rig.cpu.X = 0x34;
    rig.cpu.Y = 0x56;
    rig.cpu.P = 0xE7;
    rig.cpu.S = 0x80;
    rig.cpu.Cycles = 50;
    const auto ram = rig.m.Ram;
    const auto image = rig.m.PrgRom;
    CpuStep(rig.m);
    EXPECT_EQ(rig.cpu.PC, kStart + 1) << std::hex << opcode;
    EXPECT_EQ(50 - rig.cpu.Cycles, kCycles[opcode]) << std::hex << opcode;
    EXPECT_EQ(rig.cpu.A, 0x12);
    EXPECT_EQ(rig.cpu.X, 0x34);
    EXPECT_EQ(rig.cpu.Y, 0x56);
    EXPECT_EQ(rig.cpu.P, 0xE7);
    EXPECT_EQ(rig.cpu.S, 0x80);
    EXPECT_TRUE(rig.m.Ram == ram) << std::hex << opcode;
    EXPECT_TRUE(rig.m.PrgRom == image) << std::hex << opcode;
    EXPECT_TRUE(rig.t.host.log.empty()) << std::hex << opcode;
  }
}

}  // namespace
