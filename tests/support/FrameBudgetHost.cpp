#include "support/FrameBudgetHost.h"

#include <cstdio>

#include "core/Engine.h"

long RunFrames(BudgetMachine& b, long frames) {
  const long before = b.host.frames;
  b.host.budget = before + frames;
  b.m.Running = true;
  b.m.engine->Run();
  return b.host.frames - before;
}

namespace {

// Addresses are compared as integers: a window may be designated by a base
// pointer that lies before its storage (it is pre-offset), and only the bytes
// actually reached matter.
bool Inside(const uint8_t* p, const uint8_t* first, size_t size) {
  const auto at = reinterpret_cast<uintptr_t>(p);
  const auto start = reinterpret_cast<uintptr_t>(first);
  return size > 0 && at >= start && at - start < size;
}

std::string Hex(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "$%04X", value);
  return text;
}

}  // namespace

std::string BankTableFault(const Machine& m) {
  // The program image's spare byte is no part of any bank.
  const size_t prgBytes = m.PrgRom.empty() ? 0 : m.PrgRom.size() - 1;
  const size_t chrBytes = m.ChrRom.empty() ? 0 : m.ChrRom.size() - 1;
  for (unsigned entry = 0; entry < 8; ++entry) {
    const CpuBank& bank = m.CpuBankTable[entry];
    if (!bank.Base) continue;  // the I/O windows, or nothing mapped
    for (unsigned a = entry * 0x2000; a < entry * 0x2000 + 0x2000; ++a) {
      const uint8_t* p = bank.Base + (a & bank.Mask);
      if (!Inside(p, m.Ram.data(), 0x800) && !Inside(p, m.BatteryRam.data(), m.BatteryRam.size()) &&
          !Inside(p, m.PrgRom.data(), prgBytes))
        return "processor address " + Hex(a) + " reads outside every storage";
    }
  }
  for (unsigned a = 0; a < 0x2000; ++a) {
    const uint8_t* p = m.PatternBankTable[a >> 10] + a;
    if (!Inside(p, m.ChrRom.data(), chrBytes) && !Inside(p, m.Vram.data(), 0x4000))
      return "pattern address " + Hex(a) + " reads outside every storage";
  }
  return {};
}
