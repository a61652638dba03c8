// The scanline renderer: the background drawn one line at a time with the
// latched scroll, the sprites drawn once per frame over the finished picture.
// FrameBuffer holds palette-memory indices (0-31); colours are resolved by the
// console colour table every engine shares (video/Palette.h).
#pragma once

#include <array>

#include "core/Machine.h"
#include "engine/classic/ClassicEngine.h"
#include "video/Palette.h"

// Draws row `line` (0-239) of FrameBuffer from the background.
void RenderLine(Machine& m, int line);
// Draws all 64 sprites over FrameBuffer, sprite 63 first so sprite 0 ends on top.
void RenderSprites(Machine& m);

// The pattern address of a sprite's top row. An 8x16 sprite takes its half
// of pattern memory from bit 0 of its tile number and its pair of tiles from
// the rest; an 8x8 sprite takes the half that bit 3 of PpuCtrl chooses. The
// renderer and the sprite-0 prediction read the same rows through it.
inline int SpritePatternBase(const Machine& m, int tile, bool tall) {
  return tall ? (tile & 1) * 0x1000 + (tile >> 1) * 32
              : 16 * tile + ((Classic(m).PpuCtrl & 0x08) ? 0x1000 : 0);
}
