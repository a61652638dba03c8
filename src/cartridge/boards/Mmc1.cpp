// Mapper 1 (MMC1): four five-bit registers loaded one bit per write through a
// serial accumulator, steering mirroring, 4/8 KB pattern banks and 16/32 KB
// program banks. Cartridges with pattern RAM and 512 KB of program use a
// pattern-bank bit to reach the upper 256 KB half. Its registers are
// Mmc1State in the Machine's board block.
#include "cartridge/Mapper.h"
#include "cartridge/boards/Boards.h"

namespace {

enum : uint8_t {
  kControlHorizontal = 0x01,  // bit 0: 0 vertical, 1 horizontal
  kControlExtraMirror = 0x02,
  kControlLowSwitches = 0x04,  // 16 KB mode: the switchable bank sits at $8000
  kControlPrg16 = 0x08,
  kControlChr4 = 0x10,
};

void WriteControl(Machine& m, const Mmc1State& s, uint8_t x) {
  SetMirroring(m, x & kControlHorizontal);
  // Boards with pattern RAM and a vertical header add a further distance in
  // horizontal mode, so the copy lands in the other half of the name-table area.
  if (x & kControlExtraMirror) m.MirrorMask += (x & kControlHorizontal) * s.MirrorExtra;
}

void WriteChrBank0(Machine& m, Mmc1State& s, uint8_t x) {
  // Without pattern ROM there is nothing to switch; the register's bit 4
  // instead picks the 256 KB half of a large program image.
  if (m.ChrCount == 0) {
    s.PrgHigh = (x >> 4) & 1;
    return;
  }
  x &= 0x1F;
  if (s.Regs[0] & kControlChr4)
    MapChr4(m, 0x0000, x);
  else
    MapChr8(m, x >> 1);
}

void WriteChrBank1(Machine& m, const Mmc1State& s, uint8_t x) {
  // In 8 KB mode register 1 already chose both halves.
  if (s.Regs[0] & kControlChr4) MapChr4(m, 0x1000, x);
}

void WritePrgBank(Machine& m, const Mmc1State& s, uint8_t x) {
  x &= 0x0F;
  const uint8_t control = s.Regs[0];
  if (control & kControlPrg16) {
    const uint8_t bank = static_cast<uint8_t>(x + 16 * s.PrgHigh);
    MapPrg16(m, (control & kControlLowSwitches) ? 0x8000 : 0xC000, bank);
  } else {
    MapPrg32(m, x >> 1);
  }
}

}  // namespace

void Mmc1Init(Machine& m) {
  MapPrg16(m, 0x8000, 0);
  MapPrg16(m, 0xC000, static_cast<uint8_t>(m.PrgCount - 1));
  // MapperInit has zeroed the registers; only the extra mirror distance
  // depends on the cartridge.
  BoardStateAs<Mmc1State>(m).MirrorExtra = ((m.CartFlags & 1) && m.ChrCount == 0) ? 0x800 : 0;
}

void Mmc1Write(Machine& m, uint16_t address, uint8_t value) {
  Mmc1State& s = BoardStateAs<Mmc1State>(m);
  const unsigned reg = ((address >> 13) - 4) & 3;  // $8000, $A000, $C000, $E000 pages
  // A write with bit 7 set abandons the bits collected so far and forces
  // 16 KB mode with the switchable bank at $8000 for the next program write.
  if (value & 0x80) {
    s.Count = 0;
    s.Shift = 0;
    s.Regs[0] |= 0x0C;
    return;
  }
  s.Shift |= static_cast<uint8_t>((value & 1) << s.Count);
  if (++s.Count != 5) return;

  // The fifth write completes the register chosen by the fifth write's address.
  const uint8_t x = s.Shift;
  s.Regs[reg] = x;
  s.Count = 0;
  s.Shift = 0;
  switch (reg) {
    case 0: WriteControl(m, s, x); break;
    case 1: WriteChrBank0(m, s, x); break;
    case 2: WriteChrBank1(m, s, x); break;
    default: WritePrgBank(m, s, x); break;
  }
}

namespace {

// A count past four would shift the next bit out of the register and never
// complete one.
bool Plausible(const BoardState& state) { return BoardStateAs<Mmc1State>(state).Count <= 4; }

void FromFirstSnapshot(const FirstSnapshotBoardFields& fields, BoardState& state) {
  Mmc1State& s = BoardStateAs<Mmc1State>(state);
  s.Regs = fields.Mmc1Regs;
  s.Shift = fields.Mmc1Shift;
  s.Count = fields.Mmc1Count;
  s.PrgHigh = fields.Mmc1PrgHigh;
  s.MirrorExtra = fields.Mmc1MirrorExtra;
}

}  // namespace

// Every MMC1 cartridge starts from cleared registers.
const BoardStateRules kMmc1StateRules = {false, &Plausible, &FromFirstSnapshot};
