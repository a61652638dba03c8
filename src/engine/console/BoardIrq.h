// The boards' interrupts on the console's own clocks. The boards' banking is
// the designed engine's (cartridge/boards/), shared by both engines; their
// interrupt counters are the console engine's: the MMC3's counter clocked
// by rising edges of the picture processor's address line A12 through the
// chip's filter (only after the line has been low for a while), and the
// counters of processor cycles: the Bandai board's, the Konami VRC4's (with
// its prescaler standing in for scanlines) and the FFE copier's.
#pragma once

#include <cstdint>

enum class BoardIrqKind : uint8_t { None, Mmc3, BandaiCycles, VrcCycles, FfeCycles };

struct BoardIrq {
  BoardIrqKind Kind = BoardIrqKind::None;
  bool Line = false;  // the board holds the processor's IRQ line
  bool Enabled = false;
  // MMC3: the counter, its reload value and the reload request of $C001.
  // VRC4: the 8-bit counter counting up and the latch it reloads from.
  uint8_t Counter = 0, Latch = 0;
  bool Reload = false;
  // VRC4: the control bits (A, E, M) and the prescaler, in thirds of a
  // processor cycle left before its next clock of the counter.
  uint8_t Control = 0;
  uint16_t Prescaler = 0;
  // Bandai: the 16-bit counter's latch. FFE: its 16-bit counter.
  uint16_t CycleLatch = 0;
  // The cycle-counting boards are brought up to date only when a register is
  // written: SyncedAt is the processor cycle their state stands at, FiresAt
  // the cycle at which they next pull the line, checked every cycle.
  uint64_t SyncedAt = 0;
  uint64_t FiresAt = UINT64_MAX;
};

// The board's interrupt unit for a mapper number.
BoardIrqKind BoardIrqKindOf(int mapperNumber);
void BoardIrqPowerOn(BoardIrq& b, int mapperNumber);
// A processor write to $8000-$FFFF at `cycle` (and to $4020-$5FFF for a
// board that decodes it, BoardIrqWatchesLowWrites): the interrupt registers'
// share of it (the banking goes to the board's own handler as well).
void BoardIrqWrite(BoardIrq& b, uint16_t address, uint8_t value, uint64_t cycle);
// The FFE copier keeps its registers below the program space.
inline bool BoardIrqWatchesLowWrites(const BoardIrq& b) { return b.Kind == BoardIrqKind::FfeCycles; }
// A rise of the picture processor's address line A12 that passed the MMC3's
// filter (the picture processor tells them apart: Ppu::A12Rises).
void BoardIrqA12Rise(BoardIrq& b);
// The processor reached `cycle`: the cycle-counting boards' counters. The
// counter's own state is left behind; the next register write catches it up.
inline void BoardIrqCycle(BoardIrq& b, uint64_t cycle) {
  if (cycle >= b.FiresAt) [[unlikely]] {
    b.FiresAt = UINT64_MAX;
    b.Line = true;
  }
}
