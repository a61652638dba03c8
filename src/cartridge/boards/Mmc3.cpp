// Mappers 4 and 118 (MMC3): a bank-select register naming which of eight bank
// registers the next data write fills, with pattern-half inversion and a
// program-layout swap; mirroring, the battery bit and the scanline counter
// registers. Its own registers are Mmc3State in the Machine's board block;
// the counter is the Machine's shared one, clocked by CounterClockDown.
#include "cartridge/Mapper.h"
#include "cartridge/boards/Boards.h"

namespace {

enum : uint8_t {
  kSelectPrgSwap = 0x40,    // the fixed second-to-last bank moves to $8000
  kSelectChrInvert = 0x80,  // the 2 KB pattern banks move to $1000-$1FFF
};

void WriteBankData(Machine& m, const Mmc3State& s, uint8_t v) {
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

}  // namespace

// A cartridge that follows another MMC3 one keeps its select register, but
// starts without pattern inversion.
void Mmc3Init(Machine& m) { BoardStateAs<Mmc3State>(m).ChrInvert = 0; }

void Mmc3Write(Machine& m, uint16_t address, uint8_t value) {
  Mmc3State& s = BoardStateAs<Mmc3State>(m);
  switch (address & 0xE001) {
    case 0x8000:
      s.Select = value;
      s.ChrInvert = (value & kSelectChrInvert) ? 0x1000 : 0;
      break;
    case 0x8001: WriteBankData(m, s, value); break;
    case 0xA000: SetMirroring(m, value & 1); break;
    case 0xA001:
      // Games announce their battery-backed RAM here; it decides whether the
      // battery file is written when the cartridge is unloaded.
      if (value & 0x80)
        m.CartFlags |= kCartBattery;
      else
        m.CartFlags &= ~kCartBattery;
      break;
    case 0xC000:
      // A zero written while the counter runs reloads it from the latch.
      m.IrqCounter = (value == 0 && m.IrqEnabled) ? m.IrqLatch : value;
      break;
    case 0xC001:
      m.IrqEnabled = true;
      m.IrqLatch = value;
      break;
    case 0xE000:
      m.IrqEnabled = false;
      m.IrqCounter = m.IrqLatch;
      break;
    default: m.IrqEnabled = (value & 0x80) != 0; break;  // $E001
  }
}

namespace {

void FromFirstSnapshot(const FirstSnapshotBoardFields& fields, BoardState& state) {
  Mmc3State& s = BoardStateAs<Mmc3State>(state);
  s.Select = fields.Mmc3Select;
  s.ChrInvert = fields.Mmc3ChrInvert;
}

}  // namespace

// An MMC3 cartridge that follows another goes on with the select register and
// the scanline counter as it left them (Mmc3Init clears only the inversion);
// any register value is safe to run.
const BoardStateRules kMmc3StateRules = {true, nullptr, &FromFirstSnapshot};
