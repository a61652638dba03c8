#include "engine/console/BoardIrq.h"

namespace {

void Mmc3Write(BoardIrq& b, uint16_t address, uint8_t value) {
  switch (address & 0xE001) {
    case 0xC000: b.Latch = value; break;
    case 0xC001:
      // The counter is cleared and takes the latch at the next clock.
      b.Counter = 0;
      b.Reload = true;
      break;
    case 0xE000:
      b.Enabled = false;
      b.Line = false;  // disabling also acknowledges
      break;
    case 0xE001: b.Enabled = true; break;
    default: break;
  }
}

void Mmc3Clock(BoardIrq& b) {
  if (b.Counter == 0 || b.Reload) {
    b.Counter = b.Latch;
    b.Reload = false;
  } else {
    --b.Counter;
  }
  if (b.Counter == 0 && b.Enabled) b.Line = true;
}

// The LZ93D50's registers, decoded by the low four address bits: $B and $C
// set the latch, $A starts or pauses the counter from it and acknowledges.
void BandaiWrite(BoardIrq& b, uint16_t address, uint8_t value, uint64_t cycle) {
  switch (address & 0x0F) {
    case 0x0A:
      b.Line = false;
      b.Enabled = value & 1;
      // The counter takes the latch and, counting down one a cycle, pulls
      // the line low when it reaches zero; loaded with zero it runs the
      // whole 65,536 first.
      b.FiresAt = b.Enabled ? cycle + (b.CycleLatch ? b.CycleLatch : 0x10000) : UINT64_MAX;
      break;
    case 0x0B: b.CycleLatch = static_cast<uint16_t>((b.CycleLatch & 0xFF00) | value); break;
    case 0x0C: b.CycleLatch = static_cast<uint16_t>((b.CycleLatch & 0x00FF) | value << 8); break;
    default: break;
  }
}

// --- Konami VRC4 (mapper 23) ---------------------------------------------------

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
void VrcSync(BoardIrq& b, uint64_t cycle) {
  const uint64_t elapsed = cycle - b.SyncedAt;
  b.SyncedAt = cycle;
  if (!(b.Control & kVrcE) || elapsed == 0) return;
  uint64_t clocks = elapsed;
  if (!(b.Control & kVrcM)) {
    const uint64_t dots = 3 * elapsed;
    clocks = dots >= b.Prescaler ? (dots - b.Prescaler) / kVrcLineDots + 1 : 0;
    b.Prescaler = static_cast<uint16_t>(b.Prescaler + kVrcLineDots * clocks - dots);
  }
  const uint64_t toOverflow = 0x100 - b.Counter;
  if (clocks < toOverflow) {
    b.Counter = static_cast<uint8_t>(b.Counter + clocks);
    return;
  }
  b.Line = true;
  b.Counter = static_cast<uint8_t>(b.Latch + (clocks - toOverflow) % (0x100 - b.Latch));
}

// The cycle of the next overflow, from the state at SyncedAt: the counter
// needs 256 - Counter clocks, the k-th of which comes once the processor has
// run Prescaler + 341 (k - 1) dots.
uint64_t VrcNextOverflow(const BoardIrq& b) {
  if (!(b.Control & kVrcE)) return UINT64_MAX;
  const uint64_t clocks = 0x100 - b.Counter;
  if (b.Control & kVrcM) return b.SyncedAt + clocks;
  return b.SyncedAt + (b.Prescaler + kVrcLineDots * (clocks - 1) + 2) / 3;
}

// The IRQ registers at $F000-$F003. Mapper 23 stands for boards wired two
// ways, with the chip's register lines on A0/A1 or on A2/A3; either pair
// selects the register, so $F004 and $F001 are both the latch's high half.
void VrcWrite(BoardIrq& b, uint16_t address, uint8_t value, uint64_t cycle) {
  if ((address & 0xF000) != 0xF000) return;
  VrcSync(b, cycle);
  switch ((address | address >> 2) & 3) {
    case 0: b.Latch = static_cast<uint8_t>((b.Latch & 0xF0) | (value & 0x0F)); break;
    case 1: b.Latch = static_cast<uint8_t>((b.Latch & 0x0F) | value << 4); break;
    case 2:
      // Acknowledges and restarts the prescaler; with E set the counter
      // starts again from the latch.
      b.Line = false;
      b.Control = value & (kVrcA | kVrcE | kVrcM);
      b.Prescaler = kVrcLineDots;
      if (b.Control & kVrcE) b.Counter = b.Latch;
      break;
    case 3:
      // Acknowledges; A decides whether the counter goes on (a repeating
      // interrupt) or stops (a one-shot).
      b.Line = false;
      b.Control = static_cast<uint8_t>((b.Control & ~kVrcE) | (b.Control & kVrcA ? kVrcE : 0));
      break;
  }
  b.FiresAt = VrcNextOverflow(b);
}

// --- FFE copier (mapper 17) -------------------------------------------------------

// Brings the 16-bit counter from SyncedAt up to `cycle`: enabled, it counts
// up one a cycle; passing $FFFF it pulls the line and stops.
void FfeSync(BoardIrq& b, uint64_t cycle) {
  const uint64_t elapsed = cycle - b.SyncedAt;
  b.SyncedAt = cycle;
  if (!b.Enabled) return;
  if (elapsed >= 0x10000u - b.CycleLatch) {
    b.Line = true;
    b.Enabled = false;
    b.CycleLatch = 0;
  } else {
    b.CycleLatch = static_cast<uint16_t>(b.CycleLatch + elapsed);
  }
}

// $4501 stops the counter and acknowledges; $4502 and $4503 set its low and
// high bytes, and $4503 starts it.
void FfeWrite(BoardIrq& b, uint16_t address, uint8_t value, uint64_t cycle) {
  FfeSync(b, cycle);
  switch (address) {
    case 0x4501:
      b.Enabled = false;
      b.Line = false;
      break;
    case 0x4502: b.CycleLatch = static_cast<uint16_t>((b.CycleLatch & 0xFF00) | value); break;
    case 0x4503:
      b.CycleLatch = static_cast<uint16_t>((b.CycleLatch & 0x00FF) | value << 8);
      b.Enabled = true;
      break;
    default: break;
  }
  b.FiresAt = b.Enabled ? cycle + (0x10000u - b.CycleLatch) : UINT64_MAX;
}

}  // namespace

BoardIrqKind BoardIrqKindOf(int mapperNumber) {
  switch (mapperNumber) {
    case 4:
    case 118: return BoardIrqKind::Mmc3;
    case 16: return BoardIrqKind::BandaiCycles;
    case 17: return BoardIrqKind::FfeCycles;
    case 23: return BoardIrqKind::VrcCycles;
    default: return BoardIrqKind::None;
  }
}

void BoardIrqPowerOn(BoardIrq& b, int mapperNumber) {
  b = {};
  b.Kind = BoardIrqKindOf(mapperNumber);
  b.Prescaler = kVrcLineDots;
}

void BoardIrqWrite(BoardIrq& b, uint16_t address, uint8_t value, uint64_t cycle) {
  switch (b.Kind) {
    case BoardIrqKind::Mmc3: Mmc3Write(b, address, value); break;
    case BoardIrqKind::BandaiCycles: BandaiWrite(b, address, value, cycle); break;
    case BoardIrqKind::VrcCycles: VrcWrite(b, address, value, cycle); break;
    case BoardIrqKind::FfeCycles: FfeWrite(b, address, value, cycle); break;
    case BoardIrqKind::None: break;
  }
}

void BoardIrqA12Rise(BoardIrq& b) {
  if (b.Kind == BoardIrqKind::Mmc3) Mmc3Clock(b);
}
