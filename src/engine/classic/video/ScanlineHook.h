// The per-scanline hook: line counting, drawing, vertical blank and its
// interrupt, sprite-0 hit, frame skip, presentation at line 0, the controller
// poll, the window's message processing, and the stop at a frame start.
#pragma once

#include <cstdint>

#include "core/Machine.h"
#include "engine/classic/cpu/CpuState.h"

// A frame is one hook call per line, each after a slice of one line's cycles.
constexpr uint32_t kCyclesPerFrame = kLinesPerFrame * kCyclesPerLine;

uint8_t ScanlineHook(Machine& m);
// The rest of the line-0 call that a stop at the frame start held back (the
// mapper clock, the scroll latch, the sprite-0 test): run when a restored
// snapshot taken there resumes, as the uninterrupted run would have.
uint8_t FinishHeldFrameStart(Machine& m);
void ComputeSprite0Line(Machine& m);
