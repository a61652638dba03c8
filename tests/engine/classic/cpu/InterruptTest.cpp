// Reset and interrupt entry: register values, what is pushed, which vector is
// taken, the mask rules and the cycle charge.
#include <gtest/gtest.h>

#include "engine/classic/cpu/CpuRig.h"

namespace {

TEST(Reset, LoadsTheResetVectorAndFixedRegisterValues) {
  CpuRig rig;
  rig.SetVector(0xFFFC, 0xC123);
  rig.cpu = {0x11, 0xFF, 0x22, 0x33, 0x44, 0x5555, kCyclesPerLine, -9};
  const auto ram = rig.m.Ram;
  CpuReset(rig.m);
  EXPECT_EQ(rig.cpu.A, 0);
  EXPECT_EQ(rig.cpu.X, 0);
  EXPECT_EQ(rig.cpu.Y, 0);
  EXPECT_EQ(rig.cpu.P, 0x22);
  EXPECT_EQ(rig.cpu.S, 0xFF);
  EXPECT_EQ(rig.cpu.PC, 0xC123);
  EXPECT_EQ(rig.cpu.Cycles, kCyclesPerLine);
  EXPECT_TRUE(rig.m.Ram == ram);
}

struct InterruptCase {
  const char* name;
  uint8_t code;
  uint8_t pBefore;
  uint8_t sBefore;
  uint16_t handler;
  uint8_t pAfter;
  uint8_t pushedP;
};

TEST(Interrupts, EntryPushesReturnAddressAndStatusAndTakesTheVector) {
  const InterruptCase cases[] = {
      {"NMI with I clear leaves I clear", intNMI, 0x20, 0xFF, 0xA000, 0x20, 0x20},
      {"NMI with I set is taken, I stays", intNMI, 0x24, 0xFF, 0xA000, 0x24, 0x24},
      {"IRQ with I clear sets I", intIRQ, 0x20, 0xFF, 0xB000, 0x24, 0x20},
      {"pushed status has bit 4 clear", intNMI, 0x30, 0xFF, 0xA000, 0x30, 0x20},
      {"D cleared in the handler, kept in the push", intIRQ, 0xE9, 0xFF, 0xB000, 0xE5, 0xE9},
  };
  for (const InterruptCase& c : cases) {
    SCOPED_TRACE(c.name);
    CpuRig rig;
    rig.SetVector(0xFFFA, 0xA000);
    rig.SetVector(0xFFFE, 0xB000);
    rig.cpu.PC = 0x8123;
    rig.cpu.P = c.pBefore;
    rig.cpu.S = c.sBefore;
    rig.cpu.Cycles = 122;
    CpuInterrupt(rig.m, c.code);
    EXPECT_EQ(rig.cpu.PC, c.handler);
    EXPECT_EQ(rig.cpu.P, c.pAfter);
    EXPECT_EQ(rig.cpu.Cycles, 115);
    EXPECT_EQ(rig.cpu.S, static_cast<uint8_t>(c.sBefore - 3));
    EXPECT_EQ(rig.Peek(0x100 | c.sBefore), 0x81);
    EXPECT_EQ(rig.Peek(0x100 | static_cast<uint8_t>(c.sBefore - 1)), 0x23);
    EXPECT_EQ(rig.Peek(0x100 | static_cast<uint8_t>(c.sBefore - 2)), c.pushedP);
  }
}

TEST(Interrupts, StackWrapPushesToTheTopOfPageOne) {
  CpuRig rig;
  rig.cpu.PC = 0x8123;
  rig.cpu.P = 0x20;
  rig.cpu.S = 0x01;
  CpuInterrupt(rig.m, intNMI);
  EXPECT_EQ(rig.Peek(0x0101), 0x81);
  EXPECT_EQ(rig.Peek(0x0100), 0x23);
  EXPECT_EQ(rig.Peek(0x01FF), 0x20);
  EXPECT_EQ(rig.cpu.S, 0xFE);
}

TEST(Interrupts, MaskedIrqAndNonInterruptCodesChangeNothing) {
  const std::pair<uint8_t, uint8_t> cases[] = {{intIRQ, 0x24}, {intNone, 0x20}, {intStop, 0x20}};
  for (const auto& [code, p] : cases) {
    CpuRig rig;
    rig.cpu.PC = 0x8123;
    rig.cpu.P = p;
    rig.cpu.S = 0xFF;
    rig.cpu.Cycles = 122;
    const TCpuState before = rig.cpu;
    const auto ram = rig.m.Ram;
    CpuInterrupt(rig.m, code);
    EXPECT_EQ(rig.cpu.PC, before.PC) << int(code);
    EXPECT_EQ(rig.cpu.P, before.P) << int(code);
    EXPECT_EQ(rig.cpu.S, before.S) << int(code);
    EXPECT_EQ(rig.cpu.Cycles, before.Cycles) << int(code);
    EXPECT_TRUE(rig.m.Ram == ram) << int(code);
  }
}

TEST(Interrupts, ReturnFromInterruptRestoresStatusAndAddress) {
  CpuRig rig;
  rig.SetVector(0xFFFE, 0xB000);
  rig.Poke(0xB000, {0x40});  // RTI
  rig.cpu.PC = 0x8123;
  rig.cpu.P = 0x29;  // D and C set
  rig.cpu.S = 0xFF;
  CpuInterrupt(rig.m, intIRQ);
  EXPECT_EQ(rig.cpu.P, 0x25);
  CpuStep(rig.m);
  EXPECT_EQ(rig.cpu.PC, 0x8123);
  EXPECT_EQ(rig.cpu.P, 0x29);
  EXPECT_EQ(rig.cpu.S, 0xFF);
}

}  // namespace
