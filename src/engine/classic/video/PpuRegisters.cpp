#include "engine/classic/video/PpuRegisters.h"

namespace {

// Addresses of the palette entries that show the backdrop (every multiple of 4).
constexpr uint16_t kBackdropCopies[] = {0x3F00, 0x3F04, 0x3F08, 0x3F0C, 0x3F10, 0x3F14, 0x3F18, 0x3F1C};

void StepAddress(Machine& m) { m.VramAddr = static_cast<uint16_t>(m.VramAddr + ((m.PpuCtrl & 0x04) ? 32 : 1)); }

void WriteData(Machine& m, uint8_t value) {
  m.ReadPending = false;
  if (m.PpuStatus & 0x10) return;  // write protection: dropped, address stays
  m.VramAddr &= 0x3FFF;
  const uint16_t a = m.VramAddr;
  m.Vram[a] = value;
  if (a >= 0x2000 && a <= 0x2FFF) {
    // Name tables mirror by writing the partner too. A mapper's odd mirror
    // distance must never carry the copy outside video memory.
    const uint32_t partner = (a ^ static_cast<uint32_t>(m.MirrorMask)) & 0x3FFF;
    m.Vram[partner] = value;
  } else if (a >= 0x3F00 && a <= 0x3F1F) {
    m.PaletteChanged = true;
    if (a == 0x3F00 || a == 0x3F10)
      for (uint16_t copy : kBackdropCopies) m.Vram[copy] = value;
  }
  StepAddress(m);
}

}  // namespace

void PpuRegisterWrite(Machine& m, uint16_t address, uint8_t value) {
  switch (address & 7) {
    case 0: m.PpuCtrl = value; break;
    case 1: m.PpuMask = value; break;
    case 2: m.PpuStatus = value; break;
    case 3: m.OamAddr = value; break;
    case 4:
      m.Oam[m.OamAddr] = value;
      m.OamAddr = static_cast<uint8_t>(m.OamAddr + 1);
      break;
    case 5:
      if (m.ScrollToggle == 0)
        m.ScrollXWritten = value;
      else if (value <= 239)  // a vertical value past the last line is dropped
        m.ScrollYWritten = value;
      m.ScrollToggle ^= 1;
      m.ScrollChanged = true;
      break;
    case 6:
      // The last two bytes written form the address, high byte first.
      m.VramAddr = static_cast<uint16_t>((m.VramAddr << 8) | value);
      m.ReadPending = true;
      break;
    case 7: WriteData(m, value); break;
  }
}

uint8_t PpuReadStatus(Machine& m) {
  const uint8_t status = m.PpuStatus;
  m.PpuStatus &= 0x3F;
  return status;
}

uint8_t PpuReadData(Machine& m) {
  if (m.ReadPending) {
    m.ReadPending = false;
    return 0xFF;
  }
  m.VramAddr &= 0x3FFF;
  const uint16_t a = m.VramAddr;
  const uint8_t value = a < 0x2000 ? PatternByte(m, a) : m.Vram[a];
  StepAddress(m);
  return value;
}
