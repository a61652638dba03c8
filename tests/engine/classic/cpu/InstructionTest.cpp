// What instructions do to registers, flags and memory: arithmetic in both
// modes, comparisons, shifts, transfers, addressing wrap-arounds, the stack.
#include <gtest/gtest.h>

#include <vector>

#include "engine/classic/ClassicEngine.h"
#include "engine/classic/cpu/CpuRig.h"

namespace {

struct Regs {
  uint8_t A, X, Y, P;
};

// One instruction at $8000 from the given registers; S starts at $FF.
struct OneInstruction {
  const char* name;
  std::vector<uint8_t> code;
  Regs before;
  Regs after;
};

void RunOne(const OneInstruction& c) {
  CpuRig rig;
  rig.Poke(0x0010, {0x20});  // zero-page operand used by some cases
  rig.Load(0x8000, {});
  for (size_t i = 0; i < c.code.size(); ++i) rig.Poke(static_cast<uint16_t>(0x8000 + i), {c.code[i]});
  rig.cpu.A = c.before.A;
  rig.cpu.X = c.before.X;
  rig.cpu.Y = c.before.Y;
  rig.cpu.P = c.before.P;
  rig.cpu.S = 0xFF;
  CpuStep(rig.m);
  EXPECT_EQ(rig.cpu.A, c.after.A) << c.name;
  EXPECT_EQ(rig.cpu.X, c.after.X) << c.name;
  EXPECT_EQ(rig.cpu.Y, c.after.Y) << c.name;
  EXPECT_EQ(rig.cpu.P, c.after.P) << c.name << std::hex << " P=$" << int(rig.cpu.P);
}

TEST(Instructions, BinaryArithmeticSetsCarryOverflowAndNz) {
  const std::vector<OneInstruction> cases = {
      {"ADC $50+$50", {0x69, 0x50}, {0x50, 0, 0, 0x20}, {0xA0, 0, 0, 0xE0}},
      {"ADC $FF+$01", {0x69, 0x01}, {0xFF, 0, 0, 0x20}, {0x00, 0, 0, 0x23}},
      {"ADC with carry in", {0x69, 0x01}, {0x01, 0, 0, 0x21}, {0x03, 0, 0, 0x20}},
      {"ADC $90+$90: V and C", {0x69, 0x90}, {0x90, 0, 0, 0x20}, {0x20, 0, 0, 0x61}},
      {"ADC clears stale V", {0x69, 0x01}, {0x01, 0, 0, 0x60}, {0x02, 0, 0, 0x20}},
      {"SBC $50-$10", {0xE9, 0x10}, {0x50, 0, 0, 0x21}, {0x40, 0, 0, 0x21}},
      {"SBC with borrow in", {0xE9, 0x10}, {0x50, 0, 0, 0x20}, {0x3F, 0, 0, 0x21}},
      {"SBC $00-$01", {0xE9, 0x01}, {0x00, 0, 0, 0x21}, {0xFF, 0, 0, 0xA0}},
      {"SBC $80-$01: V", {0xE9, 0x01}, {0x80, 0, 0, 0x21}, {0x7F, 0, 0, 0x61}},
      {"SBC equal: Z and C", {0xE9, 0x42}, {0x42, 0, 0, 0x20}, {0xFF, 0, 0, 0xA0}},
      {"SBC zero result", {0xE9, 0x42}, {0x42, 0, 0, 0x21}, {0x00, 0, 0, 0x23}},
  };
  for (const auto& c : cases) RunOne(c);
}

// Decimal mode changes A and C only; N, Z and V keep what they held.
TEST(Instructions, DecimalModeAddsAndSubtractsDigits) {
  const std::vector<OneInstruction> cases = {
      {"$09+$01", {0x69, 0x01}, {0x09, 0, 0, 0x28}, {0x10, 0, 0, 0x28}},
      {"$99+$01", {0x69, 0x01}, {0x99, 0, 0, 0x28}, {0x00, 0, 0, 0x29}},
      {"$08+$08", {0x69, 0x08}, {0x08, 0, 0, 0x28}, {0x16, 0, 0, 0x28}},
      {"$58+$46+C", {0x69, 0x46}, {0x58, 0, 0, 0x29}, {0x05, 0, 0, 0x29}},
      {"N Z V kept", {0x69, 0x01}, {0x99, 0, 0, 0xEA}, {0x00, 0, 0, 0xEB}},
      {"$10-$01", {0xE9, 0x01}, {0x10, 0, 0, 0x29}, {0x09, 0, 0, 0x29}},
      {"$00-$01", {0xE9, 0x01}, {0x00, 0, 0, 0x29}, {0x99, 0, 0, 0x28}},
      {"$46-$12", {0xE9, 0x12}, {0x46, 0, 0, 0x29}, {0x34, 0, 0, 0x29}},
      {"$40-$13 with borrow in", {0xE9, 0x13}, {0x40, 0, 0, 0x28}, {0x26, 0, 0, 0x29}},
      {"SBC keeps N Z V", {0xE9, 0x01}, {0x10, 0, 0, 0xEB}, {0x09, 0, 0, 0xEB}},
  };
  for (const auto& c : cases) RunOne(c);
}

TEST(Instructions, ComparisonsAndBitTest) {
  const std::vector<OneInstruction> cases = {
      {"CMP less", {0xC9, 0x20}, {0x10, 0, 0, 0x21}, {0x10, 0, 0, 0xA0}},
      {"CMP equal", {0xC9, 0x10}, {0x10, 0, 0, 0x20}, {0x10, 0, 0, 0x23}},
      {"CMP greater keeps V", {0xC9, 0x01}, {0x10, 0, 0, 0x60}, {0x10, 0, 0, 0x61}},
      {"CPX", {0xE0, 0x05}, {0, 0x05, 0, 0x20}, {0, 0x05, 0, 0x23}},
      {"CPY $FF vs $00: N", {0xC0, 0x00}, {0, 0, 0x80, 0x20}, {0, 0, 0x80, 0xA1}},
      {"BIT copies bits 7 and 6", {0x24, 0x10}, {0x20, 0, 0, 0xE2}, {0x20, 0, 0, 0x20}},
      {"BIT zero", {0x24, 0x10}, {0x01, 0, 0, 0x20}, {0x01, 0, 0, 0x22}},
  };
  for (const auto& c : cases) RunOne(c);
  CpuRig rig;
  rig.Poke(0x0010, {0xC1});
  rig.Load(0x8000, {0x24, 0x10});
  rig.cpu.A = 0x3E;
  rig.cpu.P = 0x21;
  CpuStep(rig.m);
  EXPECT_EQ(rig.cpu.P, 0xE3);  // N V from the operand, Z as A AND $C1 is 0, C kept
}

TEST(Instructions, ShiftsRotatesIncrementsAndTransfers) {
  const std::vector<OneInstruction> cases = {
      {"ASL A", {0x0A}, {0x81, 0, 0, 0x20}, {0x02, 0, 0, 0x21}},
      {"LSR A", {0x4A}, {0x01, 0, 0, 0xA0}, {0x00, 0, 0, 0x23}},
      {"ROL A in C", {0x2A}, {0x40, 0, 0, 0x21}, {0x81, 0, 0, 0xA0}},
      {"ROR A in C", {0x6A}, {0x02, 0, 0, 0x21}, {0x81, 0, 0, 0xA0}},
      {"ROR A out C", {0x6A}, {0x01, 0, 0, 0x20}, {0x00, 0, 0, 0x23}},
      {"INX wraps", {0xE8}, {0, 0xFF, 0, 0x21}, {0, 0x00, 0, 0x23}},
      {"DEY wraps", {0x88}, {0, 0, 0x00, 0x20}, {0, 0, 0xFF, 0xA0}},
      {"TAX", {0xAA}, {0x80, 0, 0, 0x22}, {0x80, 0x80, 0, 0xA0}},
      {"TYA", {0x98}, {0x55, 0, 0, 0xA0}, {0, 0, 0, 0x22}},
      {"TXS leaves flags", {0x9A}, {0, 0x00, 0, 0x20}, {0, 0x00, 0, 0x20}},
      {"TSX leaves flags", {0xBA}, {0, 0x00, 0, 0x20}, {0, 0xFF, 0, 0x20}},
      {"LDA #0", {0xA9, 0x00}, {0x12, 0, 0, 0xA0}, {0x00, 0, 0, 0x22}},
      {"EOR", {0x49, 0xFF}, {0x0F, 0, 0, 0x20}, {0xF0, 0, 0, 0xA0}},
      {"AND", {0x29, 0xF0}, {0x0F, 0, 0, 0x20}, {0x00, 0, 0, 0x22}},
      {"ORA", {0x09, 0x80}, {0x01, 0, 0, 0x22}, {0x81, 0, 0, 0xA0}},
      {"flag set/clear", {0x38}, {0, 0, 0, 0x20}, {0, 0, 0, 0x21}},
      {"CLV", {0xB8}, {0, 0, 0, 0x60}, {0, 0, 0, 0x20}},
      {"SED", {0xF8}, {0, 0, 0, 0x20}, {0, 0, 0, 0x28}},
  };
  for (const auto& c : cases) RunOne(c);
}

TEST(Instructions, TsxLeavesZeroFlagAloneWhenSIsZero) {
  CpuRig rig;
  rig.Load(0x8000, {0xBA});
  rig.cpu.S = 0x00;
  rig.cpu.X = 0x55;
  rig.cpu.P = 0x20;
  CpuStep(rig.m);
  EXPECT_EQ(rig.cpu.X, 0x00);
  EXPECT_EQ(rig.cpu.P, 0x20);
}

TEST(Instructions, ReadModifyWriteOnMemoryKeepsCarryForIncDec) {
  CpuRig rig;
  rig.Poke(0x0010, {0xFF, 0x80, 0x01});
  // INC $10 / ASL $11 / DEC $12,X(X=0) / ROR $10 (C from ASL)
  rig.Load(0x8000, {0xE6, 0x10, 0x0E, 0x11, 0x00, 0xD6, 0x12, 0x66, 0x10});
  rig.cpu.X = 0;
  rig.cpu.P = 0x21;
  CpuStep(rig.m);
  EXPECT_EQ(rig.Peek(0x10), 0x00);
  EXPECT_EQ(rig.cpu.P, 0x23);  // Z set, C untouched
  CpuStep(rig.m);
  EXPECT_EQ(rig.Peek(0x11), 0x00);
  EXPECT_EQ(rig.cpu.P, 0x23);  // bit 7 into C
  CpuStep(rig.m);
  EXPECT_EQ(rig.Peek(0x12), 0x00);
  CpuStep(rig.m);
  EXPECT_EQ(rig.Peek(0x10), 0x80);
  EXPECT_EQ(rig.cpu.P, 0xA0);
}

// Where an effective address comes from at the edges of page zero and of the
// address space.
TEST(Instructions, AddressingWrapsAsTheProcessorDoes) {
  {
    SCOPED_TRACE("zp,X wraps in page zero");
    CpuRig rig;
    rig.Poke(0x0005, {0x66});
    rig.Poke(0x0105, {0x99});
    rig.Load(0x8000, {0xB5, 0x10});
    rig.cpu.X = 0xF5;
    CpuStep(rig.m);
    EXPECT_EQ(rig.cpu.A, 0x66);
  }
  {
    SCOPED_TRACE("abs,X wraps past $FFFF");
    CpuRig rig;
    rig.Poke(0x0010, {0x67});
    rig.Load(0x8000, {0xBD, 0xF0, 0xFF});
    rig.cpu.X = 0x20;
    CpuStep(rig.m);
    EXPECT_EQ(rig.cpu.A, 0x67);
  }
  {
    SCOPED_TRACE("zp,Y for LDX wraps");
    CpuRig rig;
    rig.Poke(0x0001, {0x68});
    rig.Load(0x8000, {0xB6, 0xFF});
    rig.cpu.Y = 0x02;
    CpuStep(rig.m);
    EXPECT_EQ(rig.cpu.X, 0x68);
  }
  {
    SCOPED_TRACE("(zp,X) pointer at $FF takes its high byte from $0100");
    CpuRig rig;
    rig.Poke(0x00FF, {0x34});
    rig.Poke(0x0000, {0x62});
    rig.Poke(0x0100, {0x12});
    rig.Poke(0x1234, {0x69});
    rig.Poke(0x6234, {0x70});
    rig.Load(0x8000, {0xA1, 0xFF});
    rig.cpu.X = 0;
    CpuStep(rig.m);
    EXPECT_EQ(rig.cpu.A, 0x69);
  }
  {
    SCOPED_TRACE("(zp,X) pointer index wraps in page zero");
    CpuRig rig;
    rig.Poke(0x0001, {0x00, 0x61});
    rig.Poke(0x6100, {0x71});
    rig.Load(0x8000, {0xA1, 0xF1});
    rig.cpu.X = 0x10;
    CpuStep(rig.m);
    EXPECT_EQ(rig.cpu.A, 0x71);
  }
  {
    SCOPED_TRACE("(zp),Y pointer at $FF, base + Y across a page");
    CpuRig rig;
    rig.Poke(0x00FF, {0xF0});
    rig.Poke(0x0100, {0x60});
    rig.Poke(0x0000, {0x70});
    rig.Poke(0x6110, {0x72});
    rig.Load(0x8000, {0xB1, 0xFF});
    rig.cpu.Y = 0x20;
    rig.cpu.Cycles = 50;
    CpuStep(rig.m);
    EXPECT_EQ(rig.cpu.A, 0x72);
    EXPECT_EQ(rig.cpu.Cycles, 45);  // no page-crossing extra
  }
  {
    SCOPED_TRACE("JMP ($10FF) takes the high byte from $1100");
    CpuRig rig;
    rig.Poke(0x10FF, {0x34});
    rig.Poke(0x1100, {0x92});
    rig.Poke(0x1000, {0x55});
    rig.Load(0x8000, {0x6C, 0xFF, 0x10});
    CpuStep(rig.m);
    EXPECT_EQ(rig.cpu.PC, 0x9234);
  }
  {
    SCOPED_TRACE("abs,Y read across a page costs the table value");
    CpuRig rig;
    rig.Poke(0x6100, {0x73});
    rig.Load(0x8000, {0xB9, 0xFF, 0x60});
    rig.cpu.Y = 1;
    rig.cpu.Cycles = 50;
    CpuStep(rig.m);
    EXPECT_EQ(rig.cpu.A, 0x73);
    EXPECT_EQ(rig.cpu.Cycles, 46);
  }
}

TEST(Instructions, StoresDoNotReadTheirTarget) {
  // A store to $4016 would advance the pad's serial bit if it were read first.
  CpuRig rig;
  rig.Load(0x8000, {0x8D, 0x16, 0x40});
  rig.cpu.A = 0;
  CpuStep(rig.m);
  EXPECT_EQ(Classic(rig.m).PadBit[0], 0);
}

TEST(Stack, PushesAndPullsWrapWithinPageOne) {
  CpuRig rig;
  // PHA with S = 0 writes $0100 and leaves S = $FF; PLA reads it back.
  rig.Load(0x8000, {0x48, 0x68});
  rig.cpu.S = 0x00;
  rig.cpu.A = 0x5C;
  CpuStep(rig.m);
  EXPECT_EQ(rig.Peek(0x0100), 0x5C);
  EXPECT_EQ(rig.cpu.S, 0xFF);
  rig.cpu.A = 0;
  CpuStep(rig.m);
  EXPECT_EQ(rig.cpu.A, 0x5C);
  EXPECT_EQ(rig.cpu.S, 0x00);
  EXPECT_EQ(rig.cpu.P & 0x82, 0x00);
}

TEST(Stack, StatusPushesAndPulls) {
  {
    SCOPED_TRACE("PHP pushes P as held");
    CpuRig rig;
    rig.Load(0x8000, {0x08});
    rig.cpu.S = 0xFF;
    rig.cpu.P = 0x22;
    CpuStep(rig.m);
    EXPECT_EQ(rig.Peek(0x01FF), 0x22);
  }
  {
    SCOPED_TRACE("PLP forces bit 5 and keeps bit 4 as pulled");
    CpuRig rig;
    rig.Poke(0x0100, {0x10});
    rig.Load(0x8000, {0x28});
    rig.cpu.S = 0xFF;
    rig.cpu.P = 0xFF;
    CpuStep(rig.m);
    EXPECT_EQ(rig.cpu.P, 0x30);
  }
  {
    SCOPED_TRACE("RTI pulling $00 leaves P = $20");
    CpuRig rig;
    rig.Poke(0x01FD, {0x00, 0x34, 0x92});
    rig.Load(0x8000, {0x40});
    rig.cpu.S = 0xFC;
    rig.cpu.P = 0xFF;
    CpuStep(rig.m);
    EXPECT_EQ(rig.cpu.P, 0x20);
    EXPECT_EQ(rig.cpu.PC, 0x9234);  // nothing added
    EXPECT_EQ(rig.cpu.S, 0xFF);
  }
}

TEST(Stack, SubroutineCallAndReturn) {
  CpuRig rig;
  // $8000: JSR $9000 / $9000: RTS
  rig.Load(0x8000, {0x20, 0x00, 0x90});
  rig.Poke(0x9000, {0x60});
  rig.cpu.S = 0xFF;
  rig.cpu.Cycles = 50;
  CpuStep(rig.m);
  EXPECT_EQ(rig.cpu.PC, 0x9000);
  EXPECT_EQ(rig.Peek(0x01FF), 0x80);  // address of JSR's last byte, high first
  EXPECT_EQ(rig.Peek(0x01FE), 0x02);
  EXPECT_EQ(rig.cpu.S, 0xFD);
  CpuStep(rig.m);
  EXPECT_EQ(rig.cpu.PC, 0x8003);
  EXPECT_EQ(rig.cpu.S, 0xFF);
  EXPECT_EQ(rig.cpu.Cycles, 50 - 6 - 6);
}

TEST(Stack, BreakPushesTheByteAfterItsOperandAndStatusWithB) {
  CpuRig rig;
  rig.SetVector(0xFFFE, 0x9876);
  rig.Load(0x8000, {0x00, 0xEA});
  rig.cpu.S = 0xFF;
  rig.cpu.P = 0x2A;  // D set: cleared by BRK but pushed as held
  rig.cpu.Cycles = 50;
  CpuStep(rig.m);
  EXPECT_EQ(rig.cpu.PC, 0x9876);
  EXPECT_EQ(rig.Peek(0x01FF), 0x80);
  EXPECT_EQ(rig.Peek(0x01FE), 0x02);
  EXPECT_EQ(rig.Peek(0x01FD), 0x3A);
  EXPECT_EQ(rig.cpu.P, 0x26);
  EXPECT_EQ(rig.cpu.Cycles, 43);

  CpuRig plain;
  plain.Load(0x8000, {0x00});
  plain.cpu.P = 0x22;
  plain.cpu.S = 0xFF;
  CpuStep(plain.m);
  EXPECT_EQ(plain.Peek(0x01FD), 0x32);
  EXPECT_EQ(plain.cpu.P, 0x26);
}

}  // namespace
