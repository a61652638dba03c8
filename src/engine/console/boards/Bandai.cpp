// Mappers 16 (Bandai, with the LZ93D50's counter of processor cycles) and
// 18 (the Jaleco board, banking alone): eight 1 KB pattern banks, the 16 KB
// program bank at $8000 and the name tables, decoded by the low four
// address bits anywhere in $8000-$FFFF.
#include "cartridge/Mapper.h"
#include "core/Machine.h"
#include "engine/console/boards/BoardFamilies.h"

namespace board {

namespace {

struct BandaiRegs {
  bool Enabled;
  uint16_t CycleLatch;  // the counter's reload value
};

template <class Io, class S>
void BandaiFields(Io& io, S& s) {
  io(s.Enabled, s.CycleLatch);
}

void WriteBanks(ConsoleBoard& b, Machine& m, uint16_t address, uint8_t value) {
  const unsigned reg = address & 0x0F;
  if (reg < 8)
    MapChr1(m, static_cast<uint16_t>(reg * 0x400), value);
  else if (reg == 8)
    MapPrg16(m, 0x8000, value);
  else if (reg == 9)
    BoardMirrorHorizontal(b, value & 1);
}

// $B and $C set the latch; $A starts or pauses the counter from it and
// acknowledges.
void WriteCounter(ConsoleBoard& b, uint16_t address, uint8_t value, uint64_t cycle) {
  BandaiRegs& s = BoardRegsAs<BandaiRegs>(b);
  switch (address & 0x0F) {
    case 0x0A:
      b.Line = false;
      s.Enabled = value & 1;
      // The counter takes the latch and, counting down one a cycle, pulls
      // the line low when it reaches zero; loaded with zero it runs the
      // whole 65,536 first.
      b.FiresAt = s.Enabled ? cycle + (s.CycleLatch ? s.CycleLatch : 0x10000) : kBoardNever;
      break;
    case 0x0B: s.CycleLatch = static_cast<uint16_t>((s.CycleLatch & 0xFF00) | value); break;
    case 0x0C: s.CycleLatch = static_cast<uint16_t>((s.CycleLatch & 0x00FF) | value << 8); break;
    default: break;
  }
}

void FromRelease1(ConsoleBoard& b, const Release1Board& old) {
  BandaiRegs& s = BoardRegsAs<BandaiRegs>(b);
  s.Enabled = old.Enabled;
  s.CycleLatch = old.CycleLatch;
}

}  // namespace

void Bandai16Write(ConsoleBoard& b, Machine& m, uint16_t address, uint8_t value, uint64_t cycle) {
  WriteCounter(b, address, value, cycle);
  WriteBanks(b, m, address, value);
}

void Jaleco18Write(ConsoleBoard& b, Machine& m, uint16_t address, uint8_t value, uint64_t) {
  WriteBanks(b, m, address, value);
}

const ConsoleBoardFamily kBandaiFamily = MakeBoardFamily<BandaiRegs>(
    1, [](auto& io, auto& s) { BandaiFields(io, s); }, nullptr, &FromRelease1);

}  // namespace board
