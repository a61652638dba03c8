// The host's turn at the end of every frame, written once for both engines.
// In this order:
//   1. the frame's sound register writes are handed over: they become the
//      last whole frame's, and the voice heard plays them (`frameCycles` long);
//   2. the engine's own step after the sound (`AfterSound`);
//   3. the colour table is refreshed and, on a shown frame, the picture is
//      presented (the display paces the run here);
//   4. the controllers are polled for the frame to come;
//   5. the battery RAM is saved in the background when it is due;
//   6. the engine's own step before the messages (`BeforeMessages`);
//   7. the window's messages are processed (commands, keys, repaints);
//   8. a run asked to stop there falls silent, every channel at once.
#pragma once

#include <cstdint>

#include "core/Machine.h"

using FrameStep = void (*)(Machine&);

struct FrameTurnSteps {
  FrameStep AfterSound = nullptr;
  FrameStep BeforeMessages = nullptr;
};

// True when the run goes on (Running still set after the messages).
bool TakeFrameTurn(Machine& m, bool shown, uint32_t frameCycles, const FrameTurnSteps& steps = {});
