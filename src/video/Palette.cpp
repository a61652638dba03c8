#include "video/Palette.h"

#include "engine/classic/video/Renderer.h"

namespace {

// Emphasis darkens the signal in the phases of the colours it does not
// name: in RGB, a channel whose own bit is clear dims to about 0.746 of
// itself while another bit is set, and all three bits dim every channel.
// The columns $xE and $xF carry no colour signal and stay as they are.
Rgb Emphasised(uint8_t colour, uint8_t emphasis) {
  const Rgb plain = NesColors[colour];
  if (emphasis == 0 || (colour & 0x0E) == 0x0E) return plain;
  auto dim = [emphasis](uint8_t value, uint8_t own) {
    const bool dimmed = emphasis == 7 || !(emphasis & own);
    return dimmed ? static_cast<uint8_t>(value * 746 / 1000) : value;
  };
  return {dim(plain.R, 1), dim(plain.G, 2), dim(plain.B, 4)};
}

}  // namespace

bool UpdateFrameColors(Machine& m) {
  if (!m.PaletteChanged) return false;
  // Palette entries hold any byte the program wrote; the console has only 64
  // colours, so the upper bits are ignored rather than indexing past the table.
  for (int g = 0; g < m.FrameEmphasisGroups && g < 4; ++g)
    for (int i = 0; i < 64; ++i)
      m.FrameColors[g * 64 + i] = Emphasised(m.Vram[0x3F00 + i] & 63, m.FrameEmphasis[g] & 7);
  m.PaletteChanged = false;
  return true;
}
