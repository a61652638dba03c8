// The processor's bus traffic cycle by cycle: a bus that records every
// access pins the sequence of representative instructions of each
// addressing mode, the read-modify-write double write, the interrupt
// polling points and the reset sequence.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/console/cpu/Cpu.h"

namespace {

// 64 KB of plain memory; logs each access as "R1234" or "W1234=5A" and can
// raise the interrupt lines at a given cycle of the run.
struct RecordingBus {
  Cpu cpu;
  std::array<uint8_t, 0x10000> memory{};
  std::string log;
  long irqAt = -1, nmiAt = -1;

  RecordingBus() {
    cpu.Bus = {this, &ReadAt, &WriteAt};
    memory[0xFFFA] = 0x00, memory[0xFFFB] = 0x80;  // NMI handler
    memory[0xFFFC] = 0x00, memory[0xFFFD] = 0x90;  // reset
    memory[0xFFFE] = 0x00, memory[0xFFFF] = 0xA0;  // IRQ and BRK handler
    for (uint16_t a : {0x8000, 0x8001, 0xA000, 0xA001}) memory[a] = 0xEA;
    cpu.S = 0xFD;
    cpu.P = kCpuU;
  }
  void Load(uint16_t pc, std::vector<uint8_t> program) {
    cpu.PC = pc;
    for (uint8_t byte : program) memory[pc++] = byte;
  }
  void Lines() {
    const long cycle = static_cast<long>(cpu.Cycles);
    if (irqAt >= 0 && cycle >= irqAt) cpu.IrqSources = 1;
    if (nmiAt >= 0 && cycle >= nmiAt) cpu.NmiLine = true;
  }
  static uint8_t ReadAt(void* context, uint16_t address) {
    auto& bus = *static_cast<RecordingBus*>(context);
    bus.Lines();
    char entry[8];
    std::snprintf(entry, sizeof entry, " R%04X", address);
    bus.log += entry;
    return bus.memory[address];
  }
  static void WriteAt(void* context, uint16_t address, uint8_t value) {
    auto& bus = *static_cast<RecordingBus*>(context);
    bus.Lines();
    char entry[12];
    std::snprintf(entry, sizeof entry, " W%04X=%02X", address, value);
    bus.log += entry;
    bus.memory[address] = value;
  }
  uint8_t Stacked(int depth) const { return memory[0x100 | static_cast<uint8_t>(cpu.S + depth)]; }
};

struct AccessCase {
  const char* name;
  std::vector<uint8_t> program;  // at $0400
  uint8_t x, y;
  std::vector<std::pair<uint16_t, uint8_t>> memory;
  const char* accesses;  // the whole instruction, opcode fetch first
};

// clang-format off
const std::vector<AccessCase> kAccessCases = {
    {"LDA #imm", {0xA9, 0x12}, 0, 0, {}, "R0400 R0401"},
    {"NOP implied reads the next byte", {0xEA}, 0, 0, {}, "R0400 R0401"},
    {"LDA zp,X reads the base then wraps", {0xB5, 0xF0}, 0x20, 0, {}, "R0400 R0401 R00F0 R0010"},
    {"LDA abs,X in page", {0xBD, 0x00, 0x12}, 5, 0, {}, "R0400 R0401 R0402 R1205"},
    {"LDA abs,X across a page", {0xBD, 0xF0, 0x12}, 0x20, 0, {}, "R0400 R0401 R0402 R1210 R1310"},
    {"STA abs,X always fixes up", {0x9D, 0x00, 0x12}, 5, 0, {}, "R0400 R0401 R0402 R1205 W1205=00"},
    {"LDA (zp,X)", {0xA1, 0x10}, 4, 0, {{0x14, 0xFF}, {0x15, 0x13}}, "R0400 R0401 R0010 R0014 R0015 R13FF"},
    {"LDA (zp,X) pointer wraps in zero page",
     {0xA1, 0xFF}, 0, 0, {{0xFF, 0x34}, {0x00, 0x12}}, "R0400 R0401 R00FF R00FF R0000 R1234"},
    {"LDA (zp),Y across a page",
     {0xB1, 0x10}, 0, 0x20, {{0x10, 0xF0}, {0x11, 0x12}}, "R0400 R0401 R0010 R0011 R1210 R1310"},
    {"STA (zp),Y in page",
     {0x91, 0x10}, 0, 1, {{0x10, 0x00}, {0x11, 0x12}}, "R0400 R0401 R0010 R0011 R1201 W1201=00"},
    {"ASL zp writes the old value, then the new",
     {0x06, 0x10}, 0, 0, {{0x10, 0x41}}, "R0400 R0401 R0010 W0010=41 W0010=82"},
    {"INC abs,X",
     {0xFE, 0xFF, 0x12}, 1, 0, {{0x1300, 0x7F}}, "R0400 R0401 R0402 R1200 R1300 W1300=7F W1300=80"},
    {"ISC (zp),Y",
     {0xF3, 0x10}, 0, 0, {{0x10, 0x00}, {0x11, 0x12}, {0x1200, 5}},
     "R0400 R0401 R0010 R0011 R1200 R1200 W1200=05 W1200=06"},
    {"PHA", {0x48}, 0, 0, {}, "R0400 R0401 W01FD=00"},
    {"PHP pushes B and bit 5", {0x08}, 0, 0, {}, "R0400 R0401 W01FD=30"},
    {"PLA", {0x68}, 0, 0, {}, "R0400 R0401 R01FD R01FE"},
    {"JSR", {0x20, 0x34, 0x12}, 0, 0, {}, "R0400 R0401 R01FD W01FD=04 W01FC=02 R0402"},
    {"RTS", {0x60}, 0, 0, {{0x1FE, 0x33}, {0x1FF, 0x12}}, "R0400 R0401 R01FD R01FE R01FF R1233"},
    {"JMP (ind) stays in the pointer's page", {0x6C, 0xFF, 0x12}, 0, 0, {}, "R0400 R0401 R0402 R12FF R1200"},
    {"BEQ not taken", {0xF0, 0x10}, 0, 0, {}, "R0400 R0401"},
    {"BNE taken in page", {0xD0, 0x10}, 0, 0, {}, "R0400 R0401 R0402"},
    {"BNE taken backwards across a page", {0xD0, 0xF0}, 0, 0, {}, "R0400 R0401 R0402 R04F2"},
    {"NOP abs,X reads across a page", {0x3C, 0xF0, 0x12}, 0x20, 0, {}, "R0400 R0401 R0402 R1210 R1310"},
    {"SLO abs,Y",
     {0x1B, 0x00, 0x12}, 0, 1, {{0x1201, 0x81}}, "R0400 R0401 R0402 R1201 R1201 W1201=81 W1201=02"},
    // SHY stores Y & (high byte + 1); carried into the next page, that value
    // becomes the high byte of the address too.
    {"SHY abs,X in page", {0x9C, 0x00, 0x12}, 1, 0xFF, {}, "R0400 R0401 R0402 R1201 W1201=13"},
    {"SHY abs,X across a page", {0x9C, 0xFF, 0x12}, 2, 0x0F, {}, "R0400 R0401 R0402 R1201 W0301=03"},
    {"SHX abs,Y across a page", {0x9E, 0xFF, 0x12}, 0x05, 2, {}, "R0400 R0401 R0402 R1201 W0101=01"},
    {"KIL reads its operand and stops", {0x02, 0x00}, 0, 0, {}, "R0400 R0401"},
};
// clang-format on

TEST(ConsoleCpu, EachCycleMakesTheAccessesOfTheChip) {
  for (const AccessCase& t : kAccessCases) {
    RecordingBus bus;
    bus.Load(0x0400, t.program);
    bus.cpu.X = t.x, bus.cpu.Y = t.y;
    for (auto [address, value] : t.memory) bus.memory[address] = value;
    CpuStep(bus.cpu);
    EXPECT_EQ(bus.log.substr(1), t.accesses) << t.name;
    EXPECT_EQ(bus.cpu.Cycles, (bus.log.size() - std::count(bus.log.begin(), bus.log.end(), '=') * 3) / 6)
        << t.name;
  }
}

TEST(ConsoleCpu, ArithmeticIsBinaryEvenInDecimalMode) {
  RecordingBus bus;
  // SED; LDA #$09; CLC; ADC #$01; SEC; SBC #$20
  bus.Load(0x0400, {0xF8, 0xA9, 0x09, 0x18, 0x69, 0x01, 0x38, 0xE9, 0x20});
  for (int i = 0; i < 4; ++i) CpuStep(bus.cpu);
  EXPECT_EQ(bus.cpu.A, 0x0A);
  for (int i = 0; i < 2; ++i) CpuStep(bus.cpu);
  EXPECT_EQ(bus.cpu.A, 0xEA);
  EXPECT_EQ(bus.cpu.P & (kCpuC | kCpuN | kCpuD), kCpuN | kCpuD);
}

struct InterruptCase {
  const char* name;
  uint16_t pc;
  std::vector<uint8_t> program;
  uint8_t p;
  long irqAt, nmiAt;  // cycle the line is raised at, counted from the first step
  int steps;
  uint16_t handler;   // where the last step leaves PC
  uint16_t returnTo;  // the address the sequence pushed
  uint8_t pushedP;    // with B and bit 5 as pushed
};

// clang-format off
const std::vector<InterruptCase> kInterruptCases = {
    // CLI; NOP; NOP: the IRQ waits for the instruction after CLI.
    {"CLI takes effect one instruction late",
     0x400, {0x58, 0xEA, 0xEA}, kCpuU | kCpuI, 0, -1, 3, 0xA000, 0x402, 0x20},
    // SEI; NOP with the line raised during SEI: served after SEI, with I pushed set.
    {"SEI still lets a pending IRQ through", 0x400, {0x78, 0xEA}, kCpuU, 0, -1, 2, 0xA000, 0x401, 0x24},
    // PLP clearing I: one instruction late, like CLI (the stack holds $20).
    {"PLP takes effect one instruction late",
     0x400, {0x28, 0xEA, 0xEA}, kCpuU | kCpuI, 0, -1, 3, 0xA000, 0x402, 0x20},
    // RTI to $0500 with I clear: served before the instruction there.
    {"RTI takes effect at once", 0x400, {0x40}, kCpuU | kCpuI, 0, -1, 2, 0xA000, 0x500, 0x20},
    // BEQ +2 taken in page: an IRQ raised at its operand fetch waits one more instruction.
    {"taken branch in page polls only before its operand",
     0x400, {0xF0, 0x02, 0, 0, 0xEA}, kCpuU | kCpuZ, 1, -1, 3, 0xA000, 0x405, 0x22},
    {"taken branch in page, IRQ raised at its opcode",
     0x400, {0xF0, 0x02}, kCpuU | kCpuZ, 0, -1, 2, 0xA000, 0x404, 0x22},
    {"taken branch across a page polls again",
     0x4FD, {0xF0, 0x10}, kCpuU | kCpuZ, 2, -1, 2, 0xA000, 0x50F, 0x22},
    // BRK with an NMI edge in its first four cycles: the NMI vector, B still pushed.
    {"NMI takes a BRK over", 0x400, {0x00, 0x00}, kCpuU, -1, 3, 1, 0x8000, 0x402, 0x30},
    // Later, the BRK handler's first instruction runs before the NMI.
    {"NMI late in a BRK waits one instruction", 0x400, {0x00, 0x00}, kCpuU, -1, 5, 3, 0x8000, 0xA001, 0x24},
    // An IRQ sequence (started at cycle 2) taken over by an NMI: B clear.
    {"NMI takes an IRQ over", 0x400, {0xEA, 0xEA}, kCpuU, 0, 4, 2, 0x8000, 0x401, 0x20},
};
// clang-format on

TEST(ConsoleCpu, InterruptsArePolledWhereTheChipPollsThem) {
  for (const InterruptCase& t : kInterruptCases) {
    RecordingBus bus;
    bus.Load(t.pc, t.program);
    bus.cpu.P = t.p;
    bus.memory[0x1FE] = 0x20, bus.memory[0x1FF] = 0x00, bus.memory[0x100] = 0x05;  // for PLP and RTI
    bus.memory[0x500] = 0xEA;
    bus.irqAt = t.irqAt, bus.nmiAt = t.nmiAt;
    for (int i = 0; i < t.steps; ++i) CpuStep(bus.cpu);
    EXPECT_EQ(bus.cpu.PC, t.handler) << t.name;
    EXPECT_EQ(bus.Stacked(1), t.pushedP) << t.name;
    EXPECT_EQ(bus.Stacked(2) | bus.Stacked(3) << 8, t.returnTo) << t.name;
    EXPECT_TRUE(bus.cpu.P & kCpuI) << t.name;
  }
}

// Power on and a reset from a jammed processor: the interrupt sequence with
// its stack writes suppressed, S three lower, I set, A kept.
TEST(ConsoleCpu, ResetRunsTheSequenceWithoutStackWrites) {
  RecordingBus bus;
  CpuPowerOn(bus.cpu);
  CpuStep(bus.cpu);
  EXPECT_EQ(bus.log, " R0000 R0000 R0100 R01FF R01FE RFFFC RFFFD");
  EXPECT_EQ(bus.cpu.PC, 0x9000);
  EXPECT_EQ(bus.cpu.S, 0xFD);
  EXPECT_EQ(bus.cpu.Cycles, 7u);

  bus.Load(0x9000, {0xA9, 0x42, 0x92});  // LDA #$42; KIL
  bus.cpu.P = kCpuU;
  CpuRunUntil(bus.cpu, 20);
  EXPECT_TRUE(bus.cpu.Jammed);
  EXPECT_EQ(bus.cpu.PC, 0x9003);
  CpuReset(bus.cpu);
  bus.log.clear();
  CpuStep(bus.cpu);
  EXPECT_EQ(bus.log.find('W'), std::string::npos);
  EXPECT_FALSE(bus.cpu.Jammed);
  EXPECT_EQ(bus.cpu.PC, 0x9000);
  EXPECT_EQ(bus.cpu.S, 0xFA);
  EXPECT_EQ(bus.cpu.A, 0x42);
  EXPECT_EQ(bus.cpu.P, kCpuU | kCpuI);
}

}  // namespace
