#include "video/Palette.h"

#include "engine/classic/video/Renderer.h"

bool UpdateFrameColors(Machine& m) {
  if (!m.PaletteChanged) return false;
  // Palette entries hold any byte the program wrote; the console has only 64
  // colours, so the upper bits are ignored rather than indexing past the table.
  for (int i = 0; i < 64; ++i) m.FrameColors[i] = NesColors[m.Vram[0x3F00 + i] & 63];
  m.PaletteChanged = false;
  return true;
}
