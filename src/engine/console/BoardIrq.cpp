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
      b.ZeroAt = b.Enabled ? cycle + (b.CycleLatch ? b.CycleLatch : 0x10000) : UINT64_MAX;
      break;
    case 0x0B: b.CycleLatch = static_cast<uint16_t>((b.CycleLatch & 0xFF00) | value); break;
    case 0x0C: b.CycleLatch = static_cast<uint16_t>((b.CycleLatch & 0x00FF) | value << 8); break;
    default: break;
  }
}

}  // namespace

BoardIrqKind BoardIrqKindOf(int mapperNumber) {
  switch (mapperNumber) {
    case 4:
    case 118: return BoardIrqKind::Mmc3;
    case 16: return BoardIrqKind::BandaiCycles;
    default: return BoardIrqKind::None;
  }
}

void BoardIrqPowerOn(BoardIrq& b, int mapperNumber) {
  b = {};
  b.Kind = BoardIrqKindOf(mapperNumber);
}

void BoardIrqWrite(BoardIrq& b, uint16_t address, uint8_t value, uint64_t cycle) {
  switch (b.Kind) {
    case BoardIrqKind::Mmc3: Mmc3Write(b, address, value); break;
    case BoardIrqKind::BandaiCycles: BandaiWrite(b, address, value, cycle); break;
    case BoardIrqKind::None: break;
  }
}

void BoardIrqA12Rise(BoardIrq& b) {
  if (b.Kind == BoardIrqKind::Mmc3) Mmc3Clock(b);
}
