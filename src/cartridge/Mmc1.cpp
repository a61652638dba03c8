// Mapper 1 (MMC1): four five-bit registers loaded one bit per write through a
// serial accumulator, steering mirroring, 4/8 KB pattern banks and 16/32 KB
// program banks. Cartridges with pattern RAM and 512 KB of program use a
// pattern-bank bit to reach the upper 256 KB half.
#include "cartridge/Mapper.h"
#include "cartridge/MapperBoards.h"

namespace {

enum : uint8_t {
  kControlHorizontal = 0x01,  // bit 0: 0 vertical, 1 horizontal
  kControlExtraMirror = 0x02,
  kControlLowSwitches = 0x04,  // 16 KB mode: the switchable bank sits at $8000
  kControlPrg16 = 0x08,
  kControlChr4 = 0x10,
};

void WriteControl(Machine& m, uint8_t x) {
  SetMirroring(m, x & kControlHorizontal);
  // Boards with pattern RAM and a vertical header add a further distance in
  // horizontal mode, so the copy lands in the other half of the name-table area.
  if (x & kControlExtraMirror) m.MirrorMask += (x & kControlHorizontal) * m.Mmc1MirrorExtra;
}

void WriteChrBank0(Machine& m, uint8_t x) {
  // Without pattern ROM there is nothing to switch; the register's bit 4
  // instead picks the 256 KB half of a large program image.
  if (m.ChrCount == 0) {
    m.Mmc1PrgHigh = (x >> 4) & 1;
    return;
  }
  x &= 0x1F;
  if (m.Mmc1Regs[0] & kControlChr4)
    MapChr4(m, 0x0000, x);
  else
    MapChr8(m, x >> 1);
}

void WriteChrBank1(Machine& m, uint8_t x) {
  // In 8 KB mode register 1 already chose both halves.
  if (m.Mmc1Regs[0] & kControlChr4) MapChr4(m, 0x1000, x);
}

void WritePrgBank(Machine& m, uint8_t x) {
  x &= 0x0F;
  const uint8_t control = m.Mmc1Regs[0];
  if (control & kControlPrg16) {
    const uint8_t bank = static_cast<uint8_t>(x + 16 * m.Mmc1PrgHigh);
    MapPrg16(m, (control & kControlLowSwitches) ? 0x8000 : 0xC000, bank);
  } else {
    MapPrg32(m, x >> 1);
  }
}

}  // namespace

void Mmc1Init(Machine& m) {
  MapPrg16(m, 0x8000, 0);
  MapPrg16(m, 0xC000, static_cast<uint8_t>(m.PrgCount - 1));
  m.Mmc1Regs.fill(0);
  m.Mmc1Shift = 0;
  m.Mmc1Count = 0;
  m.Mmc1PrgHigh = 0;
  m.Mmc1MirrorExtra = ((m.CartFlags & 1) && m.ChrCount == 0) ? 0x800 : 0;
}

void Mmc1Write(Machine& m, uint16_t address, uint8_t value) {
  const unsigned reg = ((address >> 13) - 4) & 3;  // $8000, $A000, $C000, $E000 pages
  // A write with bit 7 set abandons the bits collected so far and forces
  // 16 KB mode with the switchable bank at $8000 for the next program write.
  if (value & 0x80) {
    m.Mmc1Count = 0;
    m.Mmc1Shift = 0;
    m.Mmc1Regs[0] |= 0x0C;
    return;
  }
  m.Mmc1Shift |= static_cast<uint8_t>((value & 1) << m.Mmc1Count);
  if (++m.Mmc1Count != 5) return;

  // The fifth write completes the register chosen by the fifth write's address.
  const uint8_t x = m.Mmc1Shift;
  m.Mmc1Regs[reg] = x;
  m.Mmc1Count = 0;
  m.Mmc1Shift = 0;
  switch (reg) {
    case 0: WriteControl(m, x); break;
    case 1: WriteChrBank0(m, x); break;
    case 2: WriteChrBank1(m, x); break;
    default: WritePrgBank(m, x); break;
  }
}
