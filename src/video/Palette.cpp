#include "video/Palette.h"

// clang-format off
const std::array<Rgb, 64> NesColors = {{
  //  x0               x1               x2               x3               x4               x5               x6               x7               x8               x9               xA               xB               xC               xD               xE               xF
  {104, 104, 104}, {  0,  64, 128}, {  0,   0, 128}, { 64,   0, 128}, {128,   0, 128}, {128,   0,  64}, {128,   0,   0}, { 85,   0,   0}, { 64,  64,   0}, { 51,  80,   0}, {  0,  80,   0}, {  0,  80,   0}, {  0,  64,  64}, {  0,   0,   0}, {  0,   0,   0}, {  0,   0,   0},  // 0x
  {152, 152, 152}, {  0, 128, 192}, { 64,  64, 192}, {128,   0, 192}, {192,   0, 192}, {192,   0, 128}, {192,  32,  32}, {192,  64,   0}, {128, 128,   0}, { 85, 128,   0}, {  0, 128,   0}, { 51, 128,  51}, {  0, 128, 128}, {  0,   0,   0}, {  0,   0,   0}, {  0,   0,   0},  // 1x
  {208, 208, 208}, { 64, 192, 255}, {128, 128, 255}, {192,  64, 255}, {255,   0, 255}, {255,  64, 192}, {255,  80,  80}, {255, 128,  64}, {192, 192,   0}, {128, 192,   0}, {  0, 192,   0}, { 85, 192,  85}, {  0, 192, 192}, { 51,  51,  51}, {  0,   0,   0}, {  0,   0,   0},  // 2x
  {255, 255, 255}, {128, 255, 255}, {192, 192, 255}, {255, 128, 255}, {255,  64, 255}, {255, 128, 255}, {255, 128, 128}, {255, 192, 128}, {255, 255,  64}, {192, 255,  64}, { 64, 255,  64}, {170, 255, 170}, { 64, 255, 255}, {153, 153, 153}, {  0,   0,   0}, {  0,   0,   0},  // 3x
}};
// clang-format on

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
