// Mapper 1 (MMC1): four five-bit registers loaded one bit per write through
// a serial accumulator, steering the name tables, 4/8 KB pattern banks and
// 16/32 KB program banks. Cartridges with pattern RAM and 512 KB of program
// use a pattern-bank bit to reach the upper 256 KB half.
#include <cstring>

#include "cartridge/Mapper.h"
#include "core/Machine.h"
#include "engine/console/boards/BoardFamilies.h"

namespace board {

namespace {

struct Mmc1Regs {
  std::array<uint8_t, 4> Regs;
  uint8_t Shift;
  uint8_t Count;  // bits collected so far, 0-4
  uint8_t PrgHigh;
};

template <class Io, class S>
void Mmc1Fields(Io& io, S& s) {
  io(s.Regs, s.Shift, s.Count, s.PrgHigh);
}

enum : uint8_t {
  kControlHorizontal = 0x01,   // bit 0: 0 side by side, 1 one above the other
  kControlLowSwitches = 0x04,  // 16 KB mode: the switchable bank sits at $8000
  kControlPrg16 = 0x08,
  kControlChr4 = 0x10,
};

void WriteChrBank0(Machine& m, Mmc1Regs& s, uint8_t x) {
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

void WriteChrBank1(Machine& m, const Mmc1Regs& s, uint8_t x) {
  // In 8 KB mode register 1 already chose both halves.
  if (s.Regs[0] & kControlChr4) MapChr4(m, 0x1000, x);
}

void WritePrgBank(Machine& m, const Mmc1Regs& s, uint8_t x) {
  x &= 0x0F;
  const uint8_t control = s.Regs[0];
  if (control & kControlPrg16) {
    const uint8_t bank = static_cast<uint8_t>(x + 16 * s.PrgHigh);
    MapPrg16(m, (control & kControlLowSwitches) ? 0x8000 : 0xC000, bank);
  } else {
    MapPrg32(m, x >> 1);
  }
}

// A count past four would shift the next bit out of the register and never
// complete one.
bool Plausible(const ConsoleBoard& b) { return BoardRegsAs<Mmc1Regs>(b).Count <= 4; }

// That release's block: the four registers, shift, count and high program
// bit in its first seven bytes.
void FromRelease1(ConsoleBoard& b, const Release1Board& old) {
  Mmc1Regs& s = BoardRegsAs<Mmc1Regs>(b);
  std::memcpy(s.Regs.data(), old.Regs.data(), 4);
  s.Shift = old.Regs[4];
  s.Count = old.Regs[5];
  s.PrgHigh = old.Regs[6];
}

}  // namespace

void Mmc1PowerOn(ConsoleBoard&, Machine& m) {
  MapPrg16(m, 0x8000, 0);
  MapPrg16(m, 0xC000, static_cast<uint8_t>(m.PrgCount - 1));
}

void Mmc1Write(ConsoleBoard& b, Machine& m, uint16_t address, uint8_t value, uint64_t) {
  Mmc1Regs& s = BoardRegsAs<Mmc1Regs>(b);
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
    case 0: BoardMirrorHorizontal(b, x & kControlHorizontal); break;
    case 1: WriteChrBank0(m, s, x); break;
    case 2: WriteChrBank1(m, s, x); break;
    default: WritePrgBank(m, s, x); break;
  }
}

const ConsoleBoardFamily kMmc1Family = MakeBoardFamily<Mmc1Regs>(
    1, [](auto& io, auto& s) { Mmc1Fields(io, s); }, &Plausible, &FromRelease1);

}  // namespace board
