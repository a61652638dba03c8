// The filter an A12-counting board puts on the picture processor's address
// line A12: a rise counts only after the line has been low for a while, so
// the short lows between one line's sprite fetches never count and the long
// low of fetches from the other pattern table does. The picture processor
// carries one (Ppu::A12) and drives it with every address it puts out, as
// the board watches them; the board takes the rises at the next cycle's end.
#pragma once

#include <cstdint>

struct A12Filter {
  bool Watching = false;  // the board counts rises: the addresses are reported
  bool High = false;
  uint8_t Rises = 0;      // rises past the filter, not yet taken by the board
  uint64_t LowSince = 0;  // the dot at which A12 last fell
};

// About three processor cycles.
inline constexpr uint64_t kA12FilterDots = 10;

// `address` goes out at picture dot `dot` (counted from power-on).
inline void A12FilterSee(A12Filter& f, uint16_t address, uint64_t dot) {
  const bool high = address & 0x1000;
  if (high == f.High) return;
  f.High = high;
  if (!high)
    f.LowSince = dot;
  else if (dot - f.LowSince >= kA12FilterDots)
    ++f.Rises;
}

template <class Io, class F>
void A12FilterFields(Io& io, F& f) {
  io(f.Watching, f.High, f.Rises, f.LowSince);
}
