// The picture processor's 14-bit address space: pattern tables through the
// Machine's bank table, the console's 2 KB of name-table RAM as the board
// arranges it (4 KB on four-screen boards), and the 32 bytes of
// palette with their four mirrored pairs.
#include <cstddef>

#include "core/Machine.h"
#include "engine/console/ppu/Ppu.h"
#include "engine/console/ppu/PpuNameTable.h"

namespace {

// An entry and its greyscale twin 32 entries on: the host builds its colour
// table from 64 entries, so greyscale pixels index the second half.
void SetPaletteEntry(Machine& m, uint16_t i, uint8_t value) {
  m.Vram[0x3F00 | i] = value & 0x3F;
  m.Vram[0x3F20 | i] = value & 0x30;
}

}  // namespace

uint8_t PpuMemoryRead(const Ppu& p, const Machine& m, uint16_t address) {
  const uint16_t a = address & 0x3FFF;
  if (a < 0x2000) return m.PatternBankTable[a >> 10][a];
  if (a < 0x3F00) return m.Vram[PpuNameTableIndex(p.NameTables, a)];
  return m.Vram[0x3F00 | (a & 0x1F)];
}

void PpuMemoryWrite(const Ppu& p, Machine& m, uint16_t address, uint8_t value) {
  const uint16_t a = address & 0x3FFF;
  if (a < 0x2000) {
    // Pattern RAM is video memory, and the bank table points into it: the
    // write goes where the current bank maps the address. On pattern-ROM
    // boards the chip's write goes nowhere.
    if (m.ChrCount == 0) {
      const ptrdiff_t at = m.PatternBankTable[a >> 10] + a - m.Vram.data();
      if (at >= 0 && at < 0x2000 * 2) m.Vram[static_cast<size_t>(at)] = value;
    }
  } else if (a < 0x3F00) {
    m.Vram[PpuNameTableIndex(p.NameTables, a)] = value;
  } else {
    // Six bits per entry; entries 0, 4, 8 and C of the sprite half are the
    // background half's, so both copies always hold the same value.
    const uint16_t i = a & 0x1F;
    SetPaletteEntry(m, i, value);
    if ((i & 3) == 0) SetPaletteEntry(m, i ^ 0x10, value);
    m.PaletteChanged = true;
  }
}

void PpuPowerOnPalette(Machine& m) {
  static constexpr uint8_t kPowerUp[32] = {
      0x09, 0x01, 0x00, 0x01, 0x00, 0x02, 0x02, 0x0D,
      0x08, 0x10, 0x08, 0x24, 0x00, 0x00, 0x04, 0x2C,  // $3F00
      0x09, 0x01, 0x34, 0x03, 0x00, 0x04, 0x00, 0x14,
      0x08, 0x3A, 0x00, 0x02, 0x00, 0x20, 0x2C, 0x08,  // $3F10
  };
  for (uint16_t i = 0; i < 32; ++i) SetPaletteEntry(m, i, kPowerUp[i]);
}
