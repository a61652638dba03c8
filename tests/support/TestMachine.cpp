#include "support/TestMachine.h"

#include <algorithm>

#include "cartridge/Mapper.h"
#include "engine/classic/video/MemoryMap.h"
#include "engine/classic/video/PpuRegisters.h"

bool InstallCartridge(Machine& m, int prgBanks, int chrBanks, int mapper, uint8_t flags6) {
  m.PrgCount = prgBanks;
  m.ChrCount = chrBanks;
  m.CartFlags = flags6;
  m.MapperNumber = mapper;
  m.PrgRom.assign(size_t(prgBanks) * 0x4000 + 1, 0);
  for (int b = 0; b < prgBanks; ++b)
    std::fill_n(m.PrgRom.begin() + b * 0x4000, 0x4000, static_cast<uint8_t>(b));
  m.ChrRom.assign(size_t(chrBanks) * 0x2000 + 1, 0);
  for (int b = 0; b < chrBanks; ++b)
    std::fill_n(m.ChrRom.begin() + b * 0x2000, 0x2000, static_cast<uint8_t>(b));
  SetMirroring(m, (flags6 & 1) ? 0 : 1);
  MapBatteryRam(m);
  MapRam(m);
  return MapperInit(m, mapper);
}

void NumberSmallBanks(Machine& m) {
  for (size_t i = 0; i + 1 < m.PrgRom.size(); ++i) m.PrgRom[i] = static_cast<uint8_t>(i / 0x2000);
  for (size_t i = 0; i + 1 < m.ChrRom.size(); ++i) m.ChrRom[i] = static_cast<uint8_t>(i / 0x400);
}

std::array<int, 4> PrgWindows(Machine& m) {
  std::array<int, 4> banks{};
  for (unsigned w = 0; w < 4; ++w) {
    const uint16_t first = static_cast<uint16_t>(0x8000 + w * 0x2000);
    const uint8_t value = MemPeek(m, first);
    banks[w] = MemPeek(m, static_cast<uint16_t>(first + 0x1FFF)) == value ? value : -1;
  }
  return banks;
}

std::array<int, 8> ChrWindows(const Machine& m) {
  std::array<int, 8> banks{};
  for (unsigned k = 0; k < 8; ++k) {
    const uint16_t first = static_cast<uint16_t>(k * 0x400);
    const uint8_t value = PatternByte(m, first);
    banks[k] = PatternByte(m, static_cast<uint16_t>(first + 0x3FF)) == value ? value : -1;
  }
  return banks;
}
