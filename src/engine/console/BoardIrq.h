// The boards' interrupts on the console's own clocks. The boards' banking is
// the designed engine's (cartridge/boards/), shared by both engines; their
// interrupt counters are the console engine's: the MMC3's counter clocked
// by rising edges of the picture processor's address line A12 through the
// chip's filter (only after the line has been low for a while), and the
// Bandai board's counter by the processor's cycles.
#pragma once

#include <cstdint>

enum class BoardIrqKind : uint8_t { None, Mmc3, BandaiCycles };

struct BoardIrq {
  BoardIrqKind Kind = BoardIrqKind::None;
  bool Line = false;  // the board holds the processor's IRQ line
  bool Enabled = false;
  // MMC3: the counter, its reload value and the reload request of $C001.
  uint8_t Counter = 0, Latch = 0;
  bool Reload = false;
  // Bandai: the 16-bit counter's latch, and the processor cycle at which the
  // running counter reaches zero (the counter itself is derived from it).
  uint16_t CycleLatch = 0;
  uint64_t ZeroAt = UINT64_MAX;
};

// The board's interrupt unit for a mapper number.
BoardIrqKind BoardIrqKindOf(int mapperNumber);
void BoardIrqPowerOn(BoardIrq& b, int mapperNumber);
// A processor write to $8000-$FFFF at `cycle`: the interrupt registers'
// share of it (the banking goes to the board's own handler as well).
void BoardIrqWrite(BoardIrq& b, uint16_t address, uint8_t value, uint64_t cycle);
// A rise of the picture processor's address line A12 that passed the MMC3's
// filter (the picture processor tells them apart: Ppu::A12Rises).
void BoardIrqA12Rise(BoardIrq& b);
// The processor reached `cycle`: the cycle-counting boards' counters.
inline void BoardIrqCycle(BoardIrq& b, uint64_t cycle) {
  if (cycle >= b.ZeroAt) [[unlikely]] {
    b.ZeroAt = UINT64_MAX;
    b.Line = true;
  }
}
