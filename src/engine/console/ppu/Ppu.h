// The console engine's picture processor (2C02), dot by dot: 341 dots on each
// of 262 lines, the background fetch pipeline and its shift registers, sprite
// evaluation into secondary OAM, sprite-0 hit, the status flags and their
// read races, the read buffer and the decaying open bus, and the odd-frame
// dot skip. It reads pattern bytes through the Machine's bank tables and
// keeps name tables and palette in the Machine's video memory; which name
// table each quarter shows, and A12's filter, are the board's.
#pragma once

#include <cstdint>

#include "engine/console/boards/A12Filter.h"
#include "engine/console/boards/ConsoleBoard.h"

struct Machine;

struct Ppu {
  // --- Position ------------------------------------------------------------------
  uint16_t Dot = 0;      // 0-340
  uint16_t Line = 0;     // 0-239 visible, 240 post-render, 241-260 vertical blank, 261 pre-render
  bool SkipDot = false;  // this odd frame loses a dot (rendering was on when it was decided)
  uint64_t Frame = 0;    // frames begun since power on
  // Set when the picture of a frame is complete (the post-render line
  // begins); the engine clears it when it has taken its turn there.
  bool FrameReady = false;

  // --- Outputs the engine reads -------------------------------------------------
  // The /NMI output: vertical blank flag AND the NMI enable bit.
  bool Nmi = false;

  // --- Registers ---------------------------------------------------------------
  uint8_t Ctrl = 0, Mask = 0, Status = 0, OamAddr = 0;
  uint16_t V = 0, T = 0;  // current and temporary address (loopy)
  uint8_t FineX = 0;
  bool Toggle = false;
  uint8_t ReadBuffer = 0;
  // The data port's last read: its dot (PpuDotClock) and the buffer as it
  // stood before that read refilled it (see ReadData).
  uint64_t DataReadAt = 0;
  uint8_t BufferBefore = 0;
  uint8_t OpenBus = 0;
  // The frame at which each open-bus bit was last driven: an undriven bit
  // fades to 0 after about 600 ms.
  uint32_t OpenBusDriven[8] = {};
  // A $2002 read on the dot before the flag rises keeps it down this frame.
  bool VblankSuppressed = false;
  // The reset line: from the console's reset until the pre-render line
  // clears the flags, writes to $2000, $2001, $2005 and $2006 are lost.
  bool ResetHeld = false;

  // --- Colour stage -------------------------------------------------------------------
  // A pixel is its palette entry (bits 0-4), the greyscale bit (5) and its
  // emphasis group (6-7): each group stands for one emphasis (PPUMASK bits
  // 5-7) met in this picture, so that up to four emphases share the host's
  // 256-colour table. A fifth takes the nearest group.
  uint8_t EmphasisGroups[4] = {};
  uint8_t EmphasisGroupCount = 1;
  uint8_t PixelTag = 0;  // the greyscale bit and group the next pixels carry

  // --- Background pipeline ----------------------------------------------------------
  uint8_t NameLatch = 0, AttrLatch = 0, PatternLow = 0, PatternHigh = 0;
  uint16_t ShiftLow = 0, ShiftHigh = 0;  // pattern planes, the next tile in the low byte
  uint16_t AttrLow = 0, AttrHigh = 0;    // palette bits, widened to eight pixels per tile

  // --- Sprites ------------------------------------------------------------------
  uint8_t Secondary[32] = {};
  uint8_t SecondaryIndex = 0;   // next byte of secondary OAM evaluation writes
  uint8_t OamLatch = 0;         // the byte evaluation read on the odd dot
  uint8_t EvalState = 0;        // see PpuRender.cpp
  uint8_t EvalCopied = 0;       // bytes of the current sprite copied so far
  uint8_t SpriteCount = 0;      // sprites found for the next line
  bool SpriteZeroNext = false;  // OAM entry 0 is in the next line's set
  bool SpritesHere = false;     // LinePixels holds a sprite somewhere
  // The sprites of the line being drawn, one byte per pixel: 0 for none, else
  // palette index (16-31) | 0x20 behind the background | 0x40 from entry 0.
  uint8_t LinePixels[256] = {};

  // --- The cartridge's side of the bus -----------------------------------------------
  // The board's filter on A12, for a board that counts its rises: every
  // address the chip puts out goes through it while it watches.
  A12Filter A12;
  // Which table each name-table quarter shows: the board's arrangement, as
  // the engine hands it over whenever the board may have changed it.
  NameTableArrangement NameTables = kVerticalTables;
};

// The /NMI output follows the vertical blank flag and the enable bit.
inline void PpuUpdateNmi(Ppu& p) { p.Nmi = (p.Ctrl & 0x80) && (p.Status & 0x80); }
// Odd frames (counted from power-on, the first even) may lose a dot.
inline bool PpuOddFrame(const Ppu& p) { return p.Frame & 1; }

// Dots since power on, as far as the position tells (a skipped dot aside).
inline uint64_t PpuDotClock(const Ppu& p) { return p.Frame * (341 * 262) + p.Line * 341u + p.Dot; }
// `address` goes out on the picture processor's bus, where a board that
// counts A12's rises sees it.
inline void PpuAddressOut(Ppu& p, uint16_t address) {
  if (p.A12.Watching) [[unlikely]]
    A12FilterSee(p.A12, address, PpuDotClock(p));
}

void PpuPowerOn(Ppu& p);
// Every position and index a snapshot brings back is one the chip can reach,
// so that no damaged or foreign file sends it outside its arrays.
bool PpuPlausible(const Ppu& p);
// The console's reset line: the picture processor's registers cleared as the
// hardware clears them; position, memories and the status flags stay.
void PpuReset(Ppu& p);

// --- Ppu.cpp: the registers ------------------------------------------------------
// $2000-$2007 (mirrored every 8 bytes) as the processor reads and writes them.
uint8_t PpuReadRegister(Ppu& p, Machine& m, uint16_t address);
// The side-effect-free view of a register, for the debugger.
uint8_t PpuPeekRegister(const Ppu& p, uint16_t address);
void PpuWriteRegister(Ppu& p, Machine& m, uint16_t address, uint8_t value);
// The first visible line begins: the picture's emphasis groups start again
// from the emphasis in force.
void PpuBeginPicture(Ppu& p);

// --- PpuMemory.cpp: the picture processor's address space -------------------------
// A byte of the 14-bit address space: pattern tables through the bank table,
// name tables through the cartridge's mirroring, palette.
uint8_t PpuMemoryRead(const Ppu& p, const Machine& m, uint16_t address);
void PpuMemoryWrite(const Ppu& p, Machine& m, uint16_t address, uint8_t value);
// Palette memory as the chip wakes up: not cleared, but holding values that
// come up much the same at every power-on.
void PpuPowerOnPalette(Machine& m);

// --- PpuRender.cpp: dots, fetches, sprites, pixels ---------------------------------
// One dot.
void PpuStep(Ppu& p, Machine& m);
// `dots` dots, running through the idle lines of vertical blank at once.
void PpuRun(Ppu& p, Machine& m, uint32_t dots);
// At most how many dots may pass before the chip's own outputs (the NMI
// line, FrameReady) can change: the engine may owe it that many dots
// between accesses to its registers.
uint32_t PpuDotsToEvent(const Ppu& p);
// Whether the picture processor is fetching (rendering on, on a visible or
// the pre-render line): $2004 and $2007 behave differently then.
inline bool PpuFetching(const Ppu& p) { return (p.Mask & 0x18) && (p.Line < 240 || p.Line == 261); }
// The coarse-X and fine-Y steps of the address the fetches make.
void PpuIncrementX(Ppu& p);
void PpuIncrementY(Ppu& p);
