#include "engine/classic/video/PpuRegisters.h"

#include "engine/classic/ClassicEngine.h"

namespace {

// Addresses of the palette entries that show the backdrop (every multiple of 4).
constexpr uint16_t kBackdropCopies[] = {0x3F00, 0x3F04, 0x3F08, 0x3F0C, 0x3F10, 0x3F14, 0x3F18, 0x3F1C};

void StepAddress(ClassicState& s) {
  s.VramAddr = static_cast<uint16_t>(s.VramAddr + ((s.PpuCtrl & 0x04) ? 32 : 1));
}

void WriteData(Machine& m, ClassicState& s, uint8_t value) {
  s.ReadPending = false;
  if (s.PpuStatus & 0x10) return;  // write protection: dropped, address stays
  s.VramAddr &= 0x3FFF;
  const uint16_t a = s.VramAddr;
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
  StepAddress(s);
}

}  // namespace

void PpuRegisterWrite(Machine& m, uint16_t address, uint8_t value) {
  ClassicState& s = Classic(m);
  switch (address & 7) {
    case 0: s.PpuCtrl = value; break;
    case 1: s.PpuMask = value; break;
    case 2: s.PpuStatus = value; break;
    case 3: s.OamAddr = value; break;
    case 4:
      m.Oam[s.OamAddr] = value;
      s.OamAddr = static_cast<uint8_t>(s.OamAddr + 1);
      break;
    case 5:
      if (s.ScrollToggle == 0)
        s.ScrollXWritten = value;
      else if (value <= 239)  // a vertical value past the last line is dropped
        s.ScrollYWritten = value;
      s.ScrollToggle ^= 1;
      s.ScrollChanged = true;
      break;
    case 6:
      // The last two bytes written form the address, high byte first.
      s.VramAddr = static_cast<uint16_t>((s.VramAddr << 8) | value);
      s.ReadPending = true;
      break;
    case 7: WriteData(m, s, value); break;
  }
}

uint8_t PpuReadStatus(Machine& m) {
  ClassicState& s = Classic(m);
  const uint8_t status = s.PpuStatus;
  s.PpuStatus &= 0x3F;
  return status;
}

uint8_t PpuReadData(Machine& m) {
  ClassicState& s = Classic(m);
  if (s.ReadPending) {
    s.ReadPending = false;
    return 0xFF;
  }
  s.VramAddr &= 0x3FFF;
  const uint16_t a = s.VramAddr;
  const uint8_t value = a < 0x2000 ? PatternByte(m, a) : m.Vram[a];
  StepAddress(s);
  return value;
}
