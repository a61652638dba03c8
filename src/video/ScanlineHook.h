// The per-scanline hook: line counting, drawing, vertical blank and its
// interrupt, sprite-0 hit, frame skip, presentation at line 0, the controller
// poll, the window's message processing, and the stop at a frame start.
#pragma once

#include <cstdint>

#include "core/Machine.h"

uint8_t ScanlineHook(Machine& m);
void ComputeSprite0Line(Machine& m);
