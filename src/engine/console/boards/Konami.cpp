// Mapper 23 (Konami VRC2/VRC4): the two 16 KB program halves and the name
// tables, decoded by A AND $E003 so that every address of a register's
// page acts as that register, and the VRC4's interrupt counter with its
// prescaler standing in for scanlines. The pattern registers are not
// emulated.
#include "cartridge/Mapper.h"
#include "core/Machine.h"
#include "engine/console/boards/BoardFamilies.h"

namespace board {

namespace {

struct VrcRegs {
  // The 8-bit counter counting up and the latch it reloads from.
  uint8_t Counter, Latch;
  uint8_t Control;  // A, E, M
  // Thirds of a processor cycle left before the prescaler's next clock of
  // the counter.
  uint16_t Prescaler;
  uint64_t SyncedAt;  // the processor cycle the counter's state stands at
};

template <class Io, class S>
void VrcFields(Io& io, S& s) {
  io(s.Counter, s.Latch, s.Control, s.Prescaler, s.SyncedAt);
}

// The control register's bits.
constexpr uint8_t kVrcA = 0x01;  // E's value after an acknowledge
constexpr uint8_t kVrcE = 0x02;  // the counter runs
constexpr uint8_t kVrcM = 0x04;  // counting cycles rather than scanlines
// A scanline is 341 dots, a processor cycle three: the prescaler takes 341
// and loses three a cycle, clocking the counter whenever it reaches zero or
// below and taking 341 more (114, 114 and 113 cycles in turn).
constexpr uint16_t kVrcLineDots = 341;

// Brings the counter from SyncedAt up to `cycle`. Stopped (E clear), counter
// and prescaler keep still; running, the clocks of the span are counted at
// once, and an overflow among them pulls the line (the counter takes the
// latch and counts on from there).
void Sync(ConsoleBoard& b, VrcRegs& s, uint64_t cycle) {
  const uint64_t elapsed = cycle - s.SyncedAt;
  s.SyncedAt = cycle;
  if (!(s.Control & kVrcE) || elapsed == 0) return;
  uint64_t clocks = elapsed;
  if (!(s.Control & kVrcM)) {
    const uint64_t dots = 3 * elapsed;
    clocks = dots >= s.Prescaler ? (dots - s.Prescaler) / kVrcLineDots + 1 : 0;
    s.Prescaler = static_cast<uint16_t>(s.Prescaler + kVrcLineDots * clocks - dots);
  }
  const uint64_t toOverflow = 0x100 - s.Counter;
  if (clocks < toOverflow) {
    s.Counter = static_cast<uint8_t>(s.Counter + clocks);
    return;
  }
  b.Line = true;
  s.Counter = static_cast<uint8_t>(s.Latch + (clocks - toOverflow) % (0x100 - s.Latch));
}

// The cycle of the next overflow, from the state at SyncedAt: the counter
// needs 256 - Counter clocks, the k-th of which comes once the processor has
// run Prescaler + 341 (k - 1) dots.
uint64_t NextOverflow(const VrcRegs& s) {
  if (!(s.Control & kVrcE)) return kBoardNever;
  const uint64_t clocks = 0x100 - s.Counter;
  if (s.Control & kVrcM) return s.SyncedAt + clocks;
  return s.SyncedAt + (s.Prescaler + kVrcLineDots * (clocks - 1) + 2) / 3;
}

// The interrupt registers at $F000-$F003. Mapper 23 stands for boards wired
// two ways, with the chip's register lines on A0/A1 or on A2/A3; either pair
// selects the register, so $F004 and $F001 are both the latch's high half.
void WriteCounter(ConsoleBoard& b, uint16_t address, uint8_t value, uint64_t cycle) {
  if ((address & 0xF000) != 0xF000) return;
  VrcRegs& s = BoardRegsAs<VrcRegs>(b);
  Sync(b, s, cycle);
  switch ((address | address >> 2) & 3) {
    case 0: s.Latch = static_cast<uint8_t>((s.Latch & 0xF0) | (value & 0x0F)); break;
    case 1: s.Latch = static_cast<uint8_t>((s.Latch & 0x0F) | value << 4); break;
    case 2:
      // Acknowledges and restarts the prescaler; with E set the counter
      // starts again from the latch.
      b.Line = false;
      s.Control = value & (kVrcA | kVrcE | kVrcM);
      s.Prescaler = kVrcLineDots;
      if (s.Control & kVrcE) s.Counter = s.Latch;
      break;
    case 3:
      // Acknowledges; A decides whether the counter goes on (a repeating
      // interrupt) or stops (a one-shot).
      b.Line = false;
      s.Control = static_cast<uint8_t>((s.Control & ~kVrcE) | (s.Control & kVrcA ? kVrcE : 0));
      break;
  }
  b.FiresAt = NextOverflow(s);
}

// Only the three control bits exist, and the prescaler never holds more
// than a scanline's dots.
bool Plausible(const ConsoleBoard& b) {
  const VrcRegs& s = BoardRegsAs<VrcRegs>(b);
  return (s.Control & ~(kVrcA | kVrcE | kVrcM)) == 0 && s.Prescaler <= kVrcLineDots;
}

void FromRelease1(ConsoleBoard& b, const Release1Board& old) {
  VrcRegs& s = BoardRegsAs<VrcRegs>(b);
  s.Counter = old.Counter;
  s.Latch = old.Latch;
  s.Control = old.Control;
  s.Prescaler = old.Prescaler;
  s.SyncedAt = old.SyncedAt;
}

}  // namespace

void Vrc23PowerOn(ConsoleBoard& b, Machine&) { BoardRegsAs<VrcRegs>(b).Prescaler = kVrcLineDots; }

void Vrc23Write(ConsoleBoard& b, Machine& m, uint16_t address, uint8_t value, uint64_t cycle) {
  WriteCounter(b, address, value, cycle);
  switch (address & 0xE003) {
    case 0x8000: MapPrg16(m, 0x8000, value); break;
    case 0xA000:
    case 0xA001:
    case 0xA002: BoardMirrorHorizontal(b, value & 1); break;
    case 0xC000: MapPrg16(m, 0xC000, value); break;
    default: break;
  }
}

const ConsoleBoardFamily kVrcFamily = MakeBoardFamily<VrcRegs>(
    1, [](auto& io, auto& s) { VrcFields(io, s); }, &Plausible, &FromRelease1);

}  // namespace board
