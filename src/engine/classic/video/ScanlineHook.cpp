#include "engine/classic/video/ScanlineHook.h"

#include <utility>

#include "cartridge/Mapper.h"
#include "engine/FrameTurn.h"
#include "engine/classic/ClassicEngine.h"
#include "engine/classic/video/PpuRegisters.h"
#include "engine/classic/video/Renderer.h"
#include "sound/Sound.h"
#include "sound/SoundChannels.h"
#include "sound/VoiceOutput.h"

namespace {

constexpr int kLastVisibleLine = 239;

constexpr uint8_t kStatusVblank = 0x80;
constexpr uint8_t kStatusSprite0 = 0x40;

// Just before the window's messages: the frame's sprite-0 line is
// predicted, and the machine stands between the two halves of line 0 while
// the window's commands run (a snapshot taken now records that).
void HoldFrameStart(Machine& m) {
  ComputeSprite0Line(m);
  Classic(m).FrameStartHeld = true;
}

// Line 0: the frame boundary where the front end gets its turn (drawn line 0
// included in the picture it shows). Returns intStop when a command
// processed there cleared Running.
uint8_t FrameStart(Machine& m) {
  if (!TakeFrameTurn(m, m.SkipCounter == 0, kCyclesPerFrame, {nullptr, &HoldFrameStart})) return intStop;
  // A restore in there has put the machine where its snapshot stood.
  if (!m.LoopRestarted) Classic(m).FrameStartHeld = false;
  return intNone;
}

// The end of a visible line's call: the mapper's clock, then the scroll
// latch and the sprite-0 test unless the mapper's interrupt goes out first.
uint8_t VisibleLineEnd(Machine& m, int line) {
  ClassicState& s = Classic(m);
  uint8_t code = intNone;
  MapperScanline(m, code);
  if (code != intNone) return code;
  // Scroll written during this line's slice governs the lines drawn next.
  if (s.ScrollChanged) {
    s.ScrollX = s.ScrollXWritten;
    s.ScrollY = s.ScrollYWritten;
    s.ScrollChanged = false;
  }
  if ((s.PpuMask & 0x10) && line == s.Sprite0Line) {
    s.PpuStatus |= kStatusSprite0;
    if (s.PpuCtrl & 0x40) code = intNMI;
  }
  return code;
}

}  // namespace

uint8_t ScanlineHook(Machine& m) {
  ClassicState& s = Classic(m);
  SoundFrameTick(m);
  // The division is only needed when the count leaves 0-243 (at the wrap, or
  // a counter set from outside); the other 243 calls of a frame skip it.
  int line = s.ScanlineCounter + 1;
  if (static_cast<unsigned>(line) >= static_cast<unsigned>(kLinesPerFrame)) line %= kLinesPerFrame;
  s.ScanlineCounter = line;
  uint8_t code = intNone;

  if (m.SkipCounter == 0 && line <= kLastVisibleLine) RenderLine(m, line);
  // Line 0 is drawn before the picture goes out (in the frame's turn below),
  // so the shown frame carries the new frame's top line above the previous
  // frame's other 239.
  if (line == 0) s.PpuStatus &= ~kStatusVblank;

  if (line == kLastVisibleLine) {
    // A rate outside 1-10 never reaches here from the settings; a zero must
    // still not divide, so it counts as "show every frame".
    const int rate = m.FrameRate > 0 ? m.FrameRate : 1;
    m.SkipCounter = (m.SkipCounter + 1) % rate;
    if ((s.PpuMask & 0x10) && m.SkipCounter == 0) RenderSprites(m);
    s.PpuStatus = static_cast<uint8_t>((s.PpuStatus | kStatusVblank) & ~kStatusSprite0);
    s.ScrollToggle = 0;
    // The vertical-blank interrupt goes out at once: no mapper clock, no
    // scroll latch on this line.
    if (s.PpuCtrl & 0x80) return intNMI;
  } else if (line == 0) {
    if (FrameStart(m) == intStop) return intStop;
    // A restart during the message processing (reset, another cartridge, the
    // debugger closed) leaves a machine this line's remaining steps do not
    // belong to: its next hook call is its own first line.
    if (m.LoopRestarted) return intNone;
  }

  if (line <= kLastVisibleLine) return VisibleLineEnd(m, line);
  return code;
}

uint8_t FinishHeldFrameStart(Machine& m) {
  Classic(m).FrameStartHeld = false;
  return VisibleLineEnd(m, 0);
}

void ComputeSprite0Line(Machine& m) {
  ClassicState& s = Classic(m);
  const int y = m.Oam[0];
  const int tile = m.Oam[1];
  const bool tall = s.PpuCtrl & 0x20;
  const int base = SpritePatternBase(m, tile, tall);
  // The hit is predicted one line below the last row of sprite 0 with any
  // opaque pixel; flips, position and the background play no part. A fully
  // transparent sprite is hit on its own top line.
  s.Sprite0Line = y;
  const int rows = tall ? 16 : 8;
  for (int row = 0; row < rows; ++row) {
    const int address = base + row + (row >= 8 ? 8 : 0);
    if (PatternByte(m, static_cast<uint16_t>(address)) | PatternByte(m, static_cast<uint16_t>(address + 8)))
      s.Sprite0Line = y + row + 1;
  }
}
