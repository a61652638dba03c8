// The 2A03 on the CpuBus function pointers: power-on, reset and the step
// any bus can be driven through (the tests' recording buses, the debugger).
#include "engine/console/cpu/Cpu.h"

#include "engine/console/cpu/CpuInstructions.h"

namespace {

struct PointerBus {
  static uint8_t Read(Cpu& c, uint16_t address) { return c.Bus.Read(c.Bus.Context, address); }
  static void Write(Cpu& c, uint16_t address, uint8_t value) { c.Bus.Write(c.Bus.Context, address, value); }
};

}  // namespace

void CpuPowerOn(Cpu& c) {
  c.A = c.X = c.Y = 0;
  c.S = 0;
  c.P = kCpuU | kCpuI;
  c.NmiPending = c.InterruptDue = c.Jammed = false;
  c.ResetPending = true;
}

void CpuReset(Cpu& c) { c.ResetPending = true; }

void CpuStep(Cpu& c) { cpu2a03::CpuStepOn<PointerBus>(c); }

void CpuRunUntil(Cpu& c, uint64_t cycle) {
  while (c.Cycles < cycle) CpuStep(c);
}
