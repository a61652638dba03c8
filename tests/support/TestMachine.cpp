#include "support/TestMachine.h"

#include "cartridge/Mapper.h"

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
