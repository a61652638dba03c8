// Palette memory turned into the colours the picture shows: entries 0-63 of
// FrameBuffer's colour table follow palette memory $3F00-$3F3F through the
// console colour table, and each further group of 64 the same through its
// colour emphasis (Machine::FrameEmphasis). Hosts call it when they present
// a frame.
#pragma once

#include <array>

#include "core/Machine.h"

// The console's 64 colours, indexed by the colour number in palette memory.
extern const std::array<Rgb, 64> NesColors;

// When palette memory or emphasis changed since the last rebuild, rebuilds
// FrameColors, clears PaletteChanged and returns true; otherwise leaves the
// table alone and returns false (the host need not apply it again).
bool UpdateFrameColors(Machine& m);
