#include "engine/classic/video/MemoryMap.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include "engine/classic/ClassicEngine.h"

#include "engine/classic/video/PpuRegisters.h"
#include "sound/SoundChannels.h"

namespace {

std::string HexLine(const char* format, uint16_t address) {
  char text[48];
  std::snprintf(text, sizeof text, format, static_cast<unsigned>(address));
  return text;
}

// Next serial bit of a pad: the counter wraps after eight reads, so the ninth
// read returns A again. Reads advance it whatever the strobe holds.
uint8_t ReadPad(Machine& m, int pad) {
  ClassicState& s = Classic(m);
  const uint8_t bit = (m.PadState[pad] >> s.PadBit[pad]) & 1;
  s.PadBit[pad] = (s.PadBit[pad] + 1) & 7;
  return bit;
}

// A sound register write goes to the channel model and, stamped with its
// cycle in the frame, to the frame's register stream. The cycle is the line
// the hook last counted plus how far the slice has run since; a write in an
// instruction that ran past the slice's end counts as the line's last cycle.
void SoundWrite(Machine& m, uint16_t address, uint8_t value) {
  ClassicState& s = Classic(m);
  const int32_t line = std::clamp(s.ScanlineCounter, 0, kLinesPerFrame - 1);
  const int32_t into = std::clamp(s.Cpu.CyclesPerLine - s.Cpu.Cycles, 0, kCyclesPerLine - 1);
  m.SoundWrites.push_back({static_cast<uint32_t>(line * kCyclesPerLine + into), address, value});
  SoundRegisterWrite(m, address, value);
}

}  // namespace

uint8_t IoRead(Machine& m, uint16_t address) {
  switch (address) {
    case 0x2002: return PpuReadStatus(m);
    case 0x2007: return PpuReadData(m);
    case 0x4016: return ReadPad(m, 0);
    case 0x4017: return ReadPad(m, 1);
    default:
      if (address >= 0x4000 && address <= 0x4015) return m.IoRegs[address - 0x4000];
      m.Log(HexLine("Endereço ignorado $%4X", address));
      return 0xFF;
  }
}

void IoWrite(Machine& m, uint16_t address, uint8_t value) {
  if (address >= 0x2000 && address <= 0x2007) {
    PpuRegisterWrite(m, address, value);
    return;
  }
  switch (address) {
    case 0x4014: SpriteDma(m, value); return;
    case 0x4015:
      m.IoRegs[0x15] = value;
      SoundWrite(m, address, value);
      return;
    case 0x4016:
      // Only the falling edge of the strobe bit restarts both pads.
      if ((m.IoRegs[0x16] & 1) && !(value & 1)) Classic(m).PadBit = {0, 0};
      m.IoRegs[0x16] = value;
      return;
    case 0x4017:
      // Stored like the other sound registers; the channel model has no use
      // for it, but it is the one that decides.
      m.IoRegs[0x17] = value;
      SoundWrite(m, address, value);
      return;
    default:
      if (address >= 0x4000 && address <= 0x4013) {
        m.IoRegs[address - 0x4000] = value;
        SoundWrite(m, address, value);
        return;
      }
      m.Log(HexLine("endereço ignorado $%4X", address));
  }
}

uint8_t MemPeekEmpty(Machine& m, uint16_t address) {
  m.Log(HexLine("erro ao ler memória:%04X", address));
  return 0xFF;
}

void SpriteDma(Machine& m, uint8_t page) {
  if (page < 0x80) {
    // Pages below $80 always come from work RAM, mirrors included.
    const size_t start = (page & 7) * 256u;
    for (int i = 0; i < 256; ++i) m.Oam[i] = m.Ram[start + i];
    return;
  }
  const CpuBank& bank = m.CpuBankTable[page >> 5];
  const uint16_t start = static_cast<uint16_t>(page << 8);
  for (int i = 0; i < 256; ++i) {
    const uint16_t a = static_cast<uint16_t>(start + i);
    m.Oam[i] = bank.Base ? bank.Base[a & bank.Mask] : 0xFF;
  }
}
