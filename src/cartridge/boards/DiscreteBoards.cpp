// Boards built from a latch and a few gates (mappers 2, 3, 7, 8, 11, 34, 66,
// 78): a write anywhere in $8000-$FFFF loads the one register, whose bit
// fields choose program and pattern banks and sometimes the mirroring.
#include "cartridge/Mapper.h"
#include "cartridge/boards/Boards.h"

// Mapper 2: the 16 KB bank at $8000; $C000 keeps the last bank.
void UxRomWrite(Machine& m, uint16_t, uint8_t value) { MapPrg16(m, 0x8000, value); }

// Mapper 3: the 8 KB pattern bank, reduced to the banks present.
void CnRomWrite(Machine& m, uint16_t, uint8_t value) { MapChr8(m, value & m.ChrBankMask); }

// Mapper 7: 32 KB program banks; bit 4 chooses between the two single-screen
// layouts, expressed as a mirror distance of $400 or $800. Higher bits would
// push the distance out of the name-table area, so only bit 4 counts.
void AxRomInit(Machine& m) { MapPrg32(m, 0); }
void AxRomWrite(Machine& m, uint16_t, uint8_t value) {
  m.MirrorMask = 0x400 << ((value >> 4) & 1);
  MapPrg32(m, value & 0x0F);
}

// Mapper 8: program bank in bits 3-7, pattern bank in bits 0-2.
void FfeF3Init(Machine& m) {
  MapPrg16(m, 0x8000, 0);
  MapPrg16(m, 0xC000, 1);
}
void FfeF3Write(Machine& m, uint16_t, uint8_t value) {
  MapPrg16(m, 0x8000, value >> 3);
  MapChr8(m, value & 7);
}

// Mapper 11: the board's two-bit program field (bits 0-1) and its pattern
// field (bits 4-7). A wider program mask would reach into the pattern bits.
void ColorDreamsInit(Machine& m) {
  MapPrg32(m, 0);
  MapChr8(m, 0);
}
void ColorDreamsWrite(Machine& m, uint16_t, uint8_t value) {
  MapChr8(m, value >> 4);
  MapPrg32(m, value & 0x03);
}

// Mapper 34: 32 KB program banks. Its pattern registers sit in the
// battery-RAM range, which never reaches the cartridge port.
void Nina1Write(Machine& m, uint16_t, uint8_t value) { MapPrg32(m, value); }

// Mapper 66: the 8 KB pattern bank from the two top bits; the program banks
// stay where CommonLayout put them.
void GnRomWrite(Machine& m, uint16_t, uint8_t value) { MapChr8(m, value >> 6); }

// Mapper 78: program bank in bits 0-2, pattern bank in bits 4-7, and bit 6
// clear for horizontal mirroring.
void Irem78Write(Machine& m, uint16_t, uint8_t value) {
  MapPrg16(m, 0x8000, value & 7);
  MapChr8(m, value >> 4);
  SetMirroring(m, (value & 0x40) ? 0 : 1);
}
