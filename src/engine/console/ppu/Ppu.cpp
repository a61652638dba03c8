// The picture processor's registers as the processor sees them: control and
// mask, status with its read race against the vertical blank flag, the OAM
// port, the scroll and address latches sharing one write toggle, the data
// port with its read buffer, and the decaying open bus every read leaves
// undriven bits of.
#include "engine/console/ppu/Ppu.h"

#include <bit>

#include "core/Machine.h"

namespace {

// About 600 ms: an undriven bit of the register bus fades after this long.
constexpr uint32_t kDecayFrames = 36;

// The bits of `mask` are driven with `value`: they show it and start fading anew.
void Drive(Ppu& p, uint8_t value, uint8_t mask) {
  p.OpenBus = static_cast<uint8_t>((p.OpenBus & ~mask) | (value & mask));
  const uint32_t now = static_cast<uint32_t>(p.Frame);
  for (int bit = 0; bit < 8; ++bit)
    if (mask & (1 << bit)) p.OpenBusDriven[bit] = now;
}

// The bus as a read finds it: bits left alone too long have faded to 0.
void Decay(Ppu& p) {
  const uint32_t now = static_cast<uint32_t>(p.Frame);
  for (int bit = 0; bit < 8; ++bit)
    if (now - p.OpenBusDriven[bit] > kDecayFrames) p.OpenBus &= static_cast<uint8_t>(~(1 << bit));
}

// The group of this picture's pixels that shows `emphasis`: one already
// holding it, a new one while there is room, else the one whose emphasis
// differs in the fewest bits.
uint8_t EmphasisGroup(Ppu& p, uint8_t emphasis) {
  for (uint8_t g = 0; g < p.EmphasisGroupCount; ++g)
    if (p.EmphasisGroups[g] == emphasis) return g;
  if (p.EmphasisGroupCount < 4) {
    p.EmphasisGroups[p.EmphasisGroupCount] = emphasis;
    return p.EmphasisGroupCount++;
  }
  uint8_t nearest = 0;
  int fewest = 4;
  for (uint8_t g = 0; g < 4; ++g) {
    const int differ = std::popcount(static_cast<unsigned>(p.EmphasisGroups[g] ^ emphasis));
    if (differ < fewest) {
      fewest = differ;
      nearest = g;
    }
  }
  return nearest;
}

void WriteMask(Ppu& p, Machine& m, uint8_t value) {
  p.Mask = value;
  // Outside the visible lines no pixel is made: the next picture starts
  // its groups from the mask as it then stands.
  if (p.Line >= 240) return;
  const uint8_t tag = static_cast<uint8_t>((value & 1) << 5 | EmphasisGroup(p, value >> 5) << 6);
  // The colour stage runs two dots behind the choice of pixel: the last
  // two pixels chosen leave with the new greyscale bit and emphasis.
  if (tag != p.PixelTag)
    for (int x = p.Dot - 2; x < p.Dot; ++x)
      if (x >= 0 && x < 256) {
        uint8_t& pixel = m.FrameBuffer[p.Line * 256 + x];
        pixel = static_cast<uint8_t>((pixel & 0x1F) | tag);
      }
  p.PixelTag = tag;
}

// After a data-port access the address moves on: by 1 or 32 while idle;
// while fetching, the access collides with the fetch's own steps, which
// move it one tile right and one row down at once.
void StepAddress(Ppu& p) {
  if (PpuFetching(p)) {
    PpuIncrementX(p);
    PpuIncrementY(p);
  } else {
    p.V = static_cast<uint16_t>((p.V + ((p.Ctrl & 0x04) ? 32 : 1)) & 0x7FFF);
    // Outside rendering the bus rests on the address: a step across $1000
    // is a rise of A12 that an MMC3 counts.
    PpuAddressOut(p, p.V);
  }
}

uint8_t ReadStatus(Ppu& p) {
  // On the dot before the flag rises the read sees it down and keeps it
  // down this frame; at the dot it rises (and the one after) the read sees
  // it and takes the interrupt away with it.
  if (p.Line == 241 && p.Dot == 0) p.VblankSuppressed = true;
  Drive(p, p.Status, 0xE0);
  p.Status &= 0x7F;
  p.Toggle = false;
  PpuUpdateNmi(p);
  return p.OpenBus;
}

uint8_t ReadOam(Ppu& p, const Machine& m) {
  uint8_t value;
  if (!PpuFetching(p)) {
    value = m.Oam[p.OamAddr];
  } else if (p.Dot >= 1 && p.Dot <= 64) {
    value = 0xFF;  // secondary OAM is being cleared: the read sees the fill
  } else if (p.Dot <= 256) {
    value = p.OamLatch;
  } else if (p.Dot <= 320) {
    // The sprite fetches read secondary OAM: Y, tile, attributes, X, then X
    // again while the pattern bytes come.
    const int slot = (p.Dot - 257) >> 3, step = (p.Dot - 257) & 7;
    value = p.Secondary[slot * 4 + (step < 3 ? step : 3)];
  } else {
    value = p.Secondary[0];
  }
  Drive(p, value, 0xFF);
  return value;
}

uint8_t ReadData(Ppu& p, const Machine& m) {
  const uint16_t a = p.V & 0x3FFF;
  PpuAddressOut(p, a);
  uint8_t value;
  // The buffer's new byte lands a few dots after the read that asked for
  // it: a read on the very next processor cycle (an indexed read's dummy
  // access just before it, on the same register) still finds the old byte,
  // though it refills the buffer and steps the address all the same.
  const uint64_t now = PpuDotClock(p), since = now - p.DataReadAt;
  const bool landing = since >= 1 && since <= 3;
  p.DataReadAt = now;
  if (a < 0x3F00) {
    value = landing ? p.BufferBefore : p.ReadBuffer;
    p.BufferBefore = p.ReadBuffer;
    p.ReadBuffer = PpuMemoryRead(p, m, a);
    Drive(p, value, 0xFF);
  } else {
    // Palette reads answer at once with six bits; the buffer takes the name
    // table underneath.
    value = PpuMemoryRead(p, m, a);
    p.BufferBefore = p.ReadBuffer;
    p.ReadBuffer = PpuMemoryRead(p, m, static_cast<uint16_t>(a - 0x1000));
    Decay(p);
    Drive(p, value, 0x3F);
  }
  StepAddress(p);
  return p.OpenBus;
}

}  // namespace

void PpuPowerOn(Ppu& p) { p = {}; }

bool PpuPlausible(const Ppu& p) {
  // Searching or copying writes at SecondaryIndex, which stays below 32
  // until the eighth sprite is in.
  // A copy under way (state 1) writes the rest of its sprite's four bytes,
  // which must fit; between copies the count rests at 4.
  const bool writing = p.EvalState <= 1;
  const bool copyFits = p.EvalState != 1 ||
                        (p.EvalCopied >= 1 && p.EvalCopied < 4 && p.SecondaryIndex + 4 - p.EvalCopied <= 32);
  return p.Dot <= 340 && p.Line <= 261 && p.FineX <= 7 && p.EmphasisGroupCount >= 1 &&
         p.EmphasisGroupCount <= 4 && p.EvalState <= 3 && p.EvalCopied <= 4 && copyFits &&
         p.SpriteCount <= 8 && (writing ? p.SecondaryIndex < 32 : p.SecondaryIndex <= 32) &&
         p.NameTables[0] < 4 && p.NameTables[1] < 4 && p.NameTables[2] < 4 && p.NameTables[3] < 4;
}

void PpuReset(Ppu& p) {
  p.Ctrl = p.Mask = 0;
  p.Toggle = false;
  p.ReadBuffer = 0;
  p.FineX = 0;
  p.T = 0;
  p.Nmi = false;
  p.PixelTag = 0;
  // The chip comes out of reset at the top of the picture and holds its
  // registers cleared until the pre-render line.
  p.Line = 0;
  p.Dot = 0;
  p.ResetHeld = true;
  PpuBeginPicture(p);
}

void PpuBeginPicture(Ppu& p) {
  p.EmphasisGroups[0] = static_cast<uint8_t>(p.Mask >> 5);
  p.EmphasisGroupCount = 1;
  p.PixelTag = static_cast<uint8_t>((p.Mask & 1) << 5);
}

uint8_t PpuReadRegister(Ppu& p, Machine& m, uint16_t address) {
  switch (address & 7) {
    case 2: Decay(p); return ReadStatus(p);
    case 4: return ReadOam(p, m);
    case 7: return ReadData(p, m);
    default: Decay(p); return p.OpenBus;  // write-only: the bus as it was
  }
}

uint8_t PpuPeekRegister(const Ppu& p, uint16_t address) {
  return (address & 7) == 2 ? static_cast<uint8_t>((p.Status & 0xE0) | (p.OpenBus & 0x1F)) : p.OpenBus;
}

void PpuWriteRegister(Ppu& p, Machine& m, uint16_t address, uint8_t value) {
  Drive(p, value, 0xFF);
  // Held in reset, the chip keeps clearing these four (the write toggle
  // stays put with them).
  constexpr uint8_t kClearedByReset = 1 << 0 | 1 << 1 | 1 << 5 | 1 << 6;
  if (p.ResetHeld && (kClearedByReset >> (address & 7) & 1)) return;
  switch (address & 7) {
    case 0:
      p.Ctrl = value;
      p.T = static_cast<uint16_t>((p.T & ~0x0C00) | ((value & 3) << 10));
      PpuUpdateNmi(p);
      break;
    case 1: WriteMask(p, m, value); break;
    case 3: p.OamAddr = value; break;
    case 4:
      if (PpuFetching(p)) {
        // The write is lost to evaluation; only the address's sprite
        // number moves on.
        p.OamAddr = static_cast<uint8_t>(p.OamAddr + 4);
      } else {
        // Bits 2-4 of the attribute byte do not exist: they read back as 0.
        m.Oam[p.OamAddr] = (p.OamAddr & 3) == 2 ? (value & 0xE3) : value;
        ++p.OamAddr;
      }
      break;
    case 5:
      if (!p.Toggle) {
        p.T = static_cast<uint16_t>((p.T & ~0x001F) | (value >> 3));
        p.FineX = value & 7;
      } else {
        p.T = static_cast<uint16_t>((p.T & ~0x73E0) | ((value & 0x07) << 12) | ((value & 0xF8) << 2));
      }
      p.Toggle = !p.Toggle;
      break;
    case 6:
      if (!p.Toggle) {
        p.T = static_cast<uint16_t>((p.T & 0x00FF) | ((value & 0x3F) << 8));
      } else {
        p.T = static_cast<uint16_t>((p.T & 0x7F00) | value);
        p.V = p.T;
        PpuAddressOut(p, p.V);
      }
      p.Toggle = !p.Toggle;
      break;
    case 7:
      PpuAddressOut(p, p.V);
      PpuMemoryWrite(p, m, p.V & 0x3FFF, value);
      StepAddress(p);
      break;
    default: break;  // $2002 is read-only; the write only drives the bus
  }
}
