#include "video/ScanlineHook.h"

// Minimal frame pacing until the renderer and the full hook land: counts
// lines, lets the host work at line 0 and stops there when Running is clear.
uint8_t ScanlineHook(Machine& m) {
  m.ScanlineCounter = (m.ScanlineCounter + 1) % 244;
  if (m.ScanlineCounter != 0) return intNone;
  m.host->PollControllers();
  m.host->ProcessMessages();
  return m.Running ? intNone : intStop;
}

void ComputeSprite0Line(Machine&) {}
