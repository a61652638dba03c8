#include "engine/console/ppu/Ppu.h"

#include "core/Machine.h"

// A first cut: the timing of lines and frames, vertical blank and its
// interrupt; rendering and the registers' details follow.

void PpuPowerOn(Ppu& p) { p = {}; }

void PpuReset(Ppu& p) {
  p.Ctrl = p.Mask = 0;
  p.Toggle = false;
  p.ReadBuffer = 0;
  p.Nmi = false;
}

uint8_t PpuReadRegister(Ppu& p, Machine& /*m*/, uint16_t address) {
  if ((address & 7) == 2) {
    p.OpenBus = static_cast<uint8_t>((p.Status & 0xE0) | (p.OpenBus & 0x1F));
    p.Status &= 0x7F;
    p.Toggle = false;
    p.Nmi = false;
  }
  return p.OpenBus;
}

uint8_t PpuPeekRegister(const Ppu& p, uint16_t address) {
  return (address & 7) == 2 ? static_cast<uint8_t>((p.Status & 0xE0) | (p.OpenBus & 0x1F)) : p.OpenBus;
}

void PpuWriteRegister(Ppu& p, Machine& /*m*/, uint16_t address, uint8_t value) {
  p.OpenBus = value;
  if ((address & 7) == 0) {
    p.Ctrl = value;
    p.Nmi = (p.Ctrl & 0x80) && (p.Status & 0x80);
  }
}

void PpuStep(Ppu& p, Machine& /*m*/) {
  ++p.Dots;
  if (++p.Dot > 340) {
    p.Dot = 0;
    if (++p.Line > 261) {
      p.Line = 0;
      ++p.Frame;
    }
  }
  if (p.Dot == 0 && p.Line == 240) p.FrameReady = true;
  if (p.Dot == 1 && p.Line == 241) {
    p.Status |= 0x80;
    p.Nmi = p.Ctrl & 0x80;
  }
  if (p.Dot == 1 && p.Line == 261) {
    p.Status &= 0x1F;
    p.Nmi = false;
  }
}
