// Mappers 4 and 118 (MMC3): a bank-select register naming which of eight
// bank registers the next data write fills, with pattern-half inversion and
// a program-layout swap; the name tables, the battery bit, and the counter
// of A12's rises that raises the interrupt.
#include "cartridge/Mapper.h"
#include "core/Machine.h"
#include "engine/console/boards/BoardFamilies.h"

namespace board {

namespace {

struct Mmc3Regs {
  uint8_t Select;
  uint16_t ChrInvert;  // 0 or $1000
  // The counter, its reload value, the reload request of $C001 and the
  // enable of $E000/$E001.
  uint8_t Counter, Latch;
  bool Reload, Enabled;
};

template <class Io, class S>
void Mmc3Fields(Io& io, S& s) {
  io(s.Select, s.ChrInvert, s.Counter, s.Latch, s.Reload, s.Enabled);
}

enum : uint8_t {
  kSelectPrgSwap = 0x40,    // the fixed second-to-last bank moves to $8000
  kSelectChrInvert = 0x80,  // the 2 KB pattern banks move to $1000-$1FFF
};

void WriteBankData(Machine& m, const Mmc3Regs& s, uint8_t v) {
  const uint16_t invert = s.ChrInvert;
  // Bank numbers are 8-bit: v + 1 and the fixed bank wrap at 256.
  const uint8_t next = static_cast<uint8_t>(v + 1);
  const uint8_t secondLast = static_cast<uint8_t>(2 * (m.PrgCount - 1));
  const bool swap = s.Select & kSelectPrgSwap;
  switch (s.Select & 7) {
    // The 2 KB registers take v and v + 1 as given; bit 0 of v is not cleared.
    case 0:
      MapChr1(m, 0x0000 ^ invert, v);
      MapChr1(m, 0x0400 ^ invert, next);
      break;
    case 1:
      MapChr1(m, 0x0800 ^ invert, v);
      MapChr1(m, 0x0C00 ^ invert, next);
      break;
    case 2: MapChr1(m, 0x1000 ^ invert, v); break;
    case 3: MapChr1(m, 0x1400 ^ invert, v); break;
    case 4: MapChr1(m, 0x1800 ^ invert, v); break;
    case 5: MapChr1(m, 0x1C00 ^ invert, v); break;
    // Registers 6 and 7 re-place the fixed second-to-last bank too, so a
    // change of the swap bit takes effect with the next program-bank write.
    case 6:
      MapPrg8(m, swap ? 0x8000 : 0xC000, secondLast);
      MapPrg8(m, swap ? 0xC000 : 0x8000, v);
      break;
    default:
      MapPrg8(m, swap ? 0x8000 : 0xC000, secondLast);
      MapPrg8(m, 0xA000, v);
      break;
  }
}

bool Plausible(const ConsoleBoard& b) {
  const uint16_t invert = BoardRegsAs<Mmc3Regs>(b).ChrInvert;
  return invert == 0 || invert == 0x1000;
}

// That release's block held the select register in byte 0 and the
// inversion in bytes 2-3; its interrupt unit the counter's fields.
void FromRelease1(ConsoleBoard& b, const Release1Board& old) {
  Mmc3Regs& s = BoardRegsAs<Mmc3Regs>(b);
  s.Select = old.Regs[0];
  s.ChrInvert = static_cast<uint16_t>(old.Regs[2] | old.Regs[3] << 8);
  s.Counter = old.Counter;
  s.Latch = old.Latch;
  s.Reload = old.Reload;
  s.Enabled = old.Enabled;
}

}  // namespace

void Mmc3Write(ConsoleBoard& b, Machine& m, uint16_t address, uint8_t value, uint64_t) {
  Mmc3Regs& s = BoardRegsAs<Mmc3Regs>(b);
  switch (address & 0xE001) {
    case 0x8000:
      s.Select = value;
      s.ChrInvert = (value & kSelectChrInvert) ? 0x1000 : 0;
      break;
    case 0x8001: WriteBankData(m, s, value); break;
    case 0xA000: BoardMirrorHorizontal(b, value & 1); break;
    case 0xA001:
      // Games announce their battery-backed RAM here; it decides whether the
      // battery file is written when the cartridge is unloaded.
      if (value & 0x80)
        m.CartFlags |= kCartBattery;
      else
        m.CartFlags &= ~kCartBattery;
      break;
    case 0xC000: s.Latch = value; break;
    case 0xC001:
      // The counter is cleared and takes the latch at the next clock.
      s.Counter = 0;
      s.Reload = true;
      break;
    case 0xE000:
      s.Enabled = false;
      b.Line = false;  // disabling also acknowledges
      break;
    default: s.Enabled = true; break;  // $E001
  }
}

void Mmc3A12Rise(ConsoleBoard& b) {
  Mmc3Regs& s = BoardRegsAs<Mmc3Regs>(b);
  if (s.Counter == 0 || s.Reload) {
    s.Counter = s.Latch;
    s.Reload = false;
  } else {
    --s.Counter;
  }
  if (s.Counter == 0 && s.Enabled) b.Line = true;
}

const ConsoleBoardFamily kMmc3Family = MakeBoardFamily<Mmc3Regs>(
    1, [](auto& io, auto& s) { Mmc3Fields(io, s); }, &Plausible, &FromRelease1);

}  // namespace board
