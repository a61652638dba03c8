// The Front Fareast copier's boards: mapper 8 (the F3 latch: program bank
// in bits 3-7, pattern bank in bits 0-2) and mapper 17, whose registers sit
// below the program space ($42FE-$4517) and which counts processor cycles
// for its interrupt. Its banking registers are not emulated: 17 keeps its
// first layout.
#include "cartridge/Mapper.h"
#include "core/Machine.h"
#include "engine/console/boards/BoardFamilies.h"

namespace board {

namespace {

struct Ffe17Regs {
  bool Enabled;
  uint16_t Counter;   // counting up to $FFFF
  uint64_t SyncedAt;  // the processor cycle the counter stands at
};

template <class Io, class S>
void Ffe17Fields(Io& io, S& s) {
  io(s.Enabled, s.Counter, s.SyncedAt);
}

// Brings the counter from SyncedAt up to `cycle`: enabled, it counts up one
// a cycle; passing $FFFF it pulls the line and stops.
void Sync(ConsoleBoard& b, Ffe17Regs& s, uint64_t cycle) {
  const uint64_t elapsed = cycle - s.SyncedAt;
  s.SyncedAt = cycle;
  if (!s.Enabled) return;
  if (elapsed >= 0x10000u - s.Counter) {
    b.Line = true;
    s.Enabled = false;
    s.Counter = 0;
  } else {
    s.Counter = static_cast<uint16_t>(s.Counter + elapsed);
  }
}

void FromRelease1(ConsoleBoard& b, const Release1Board& old) {
  Ffe17Regs& s = BoardRegsAs<Ffe17Regs>(b);
  s.Enabled = old.Enabled;
  s.Counter = old.CycleLatch;
  s.SyncedAt = old.SyncedAt;
}

}  // namespace

void FfeF3PowerOn(ConsoleBoard&, Machine& m) {
  MapPrg16(m, 0x8000, 0);
  MapPrg16(m, 0xC000, 1);
}

void FfeF3Write(ConsoleBoard&, Machine& m, uint16_t, uint8_t value, uint64_t) {
  MapPrg16(m, 0x8000, value >> 3);
  MapChr8(m, value & 7);
}

// Mapper 17 starts with the first 16 KB bank at $8000, as the common layout does.
void Ffe17PowerOn(ConsoleBoard&, Machine& m) { MapPrg16(m, 0x8000, 0); }

// $4501 stops the counter and acknowledges; $4502 and $4503 set its low and
// high bytes, and $4503 starts it. Any other write only brings it up to date.
void Ffe17Write(ConsoleBoard& b, Machine&, uint16_t address, uint8_t value, uint64_t cycle) {
  Ffe17Regs& s = BoardRegsAs<Ffe17Regs>(b);
  Sync(b, s, cycle);
  switch (address) {
    case 0x4501:
      s.Enabled = false;
      b.Line = false;
      break;
    case 0x4502: s.Counter = static_cast<uint16_t>((s.Counter & 0xFF00) | value); break;
    case 0x4503:
      s.Counter = static_cast<uint16_t>((s.Counter & 0x00FF) | value << 8);
      s.Enabled = true;
      break;
    default: break;
  }
  b.FiresAt = s.Enabled ? cycle + (0x10000u - s.Counter) : kBoardNever;
}

const ConsoleBoardFamily kFfeF3Family = MakeBoardFamily<NoBoardRegs>(1, kNoBoardFields, nullptr, nullptr);
const ConsoleBoardFamily kFfe17Family = MakeBoardFamily<Ffe17Regs>(
    1, [](auto& io, auto& s) { Ffe17Fields(io, s); }, nullptr, &FromRelease1);

}  // namespace board
