// Boards built from a latch and a few gates (mappers 2, 3, 7, 11, 34, 66,
// 78): a write anywhere in $8000-$FFFF loads the one register, whose bit
// fields choose program and pattern banks and sometimes the name tables.
// The latch itself is not kept: the banks it chose are the bank tables.
#include "cartridge/Mapper.h"
#include "engine/console/boards/BoardFamilies.h"

namespace board {

// Mapper 2: the 16 KB bank at $8000; $C000 keeps the last bank.
void UxRomWrite(ConsoleBoard&, Machine& m, uint16_t, uint8_t value, uint64_t) { MapPrg16(m, 0x8000, value); }

// Mapper 3: the 8 KB pattern bank, reduced to the banks present.
void CnRomWrite(ConsoleBoard&, Machine& m, uint16_t, uint8_t value, uint64_t) {
  MapChr8(m, value & static_cast<uint8_t>(m.ChrCount - 1));
}

// Mapper 7: 32 KB program banks, and bit 4 picks the one name table all
// four quarters show. Before the first write the header's mirroring bit
// stands in for it.
void AxRomPowerOn(ConsoleBoard& b, Machine& m) {
  MapPrg32(m, 0);
  BoardSetTables(b, SingleScreenTables(m.CartFlags & 1));
}
void AxRomWrite(ConsoleBoard& b, Machine& m, uint16_t, uint8_t value, uint64_t) {
  BoardSetTables(b, SingleScreenTables((value >> 4) & 1));
  MapPrg32(m, value & 0x0F);
}

// Mapper 11: the two-bit program field (bits 0-1) and the pattern field
// (bits 4-7). A wider program mask would reach into the pattern bits.
void ColorDreamsPowerOn(ConsoleBoard&, Machine& m) {
  MapPrg32(m, 0);
  MapChr8(m, 0);
}
void ColorDreamsWrite(ConsoleBoard&, Machine& m, uint16_t, uint8_t value, uint64_t) {
  MapChr8(m, value >> 4);
  MapPrg32(m, value & 0x03);
}

// Mapper 34: 32 KB program banks. Its pattern registers sit in the
// battery-RAM range, which never reaches the board.
void Nina1Write(ConsoleBoard&, Machine& m, uint16_t, uint8_t value, uint64_t) { MapPrg32(m, value); }

// Mapper 66: the 8 KB pattern bank from the two top bits; the program banks
// stay where the common layout put them.
void GnRomWrite(ConsoleBoard&, Machine& m, uint16_t, uint8_t value, uint64_t) { MapChr8(m, value >> 6); }

// Mapper 78: program bank in bits 0-2, pattern bank in bits 4-7, and bit 6
// clear for tables one above the other.
void Irem78Write(ConsoleBoard& b, Machine& m, uint16_t, uint8_t value, uint64_t) {
  MapPrg16(m, 0x8000, value & 7);
  MapChr8(m, value >> 4);
  BoardMirrorHorizontal(b, !(value & 0x40));
}

namespace {

// The previous release told the single screen by the copy distance it left:
// $800 for the second table, $400 for the first.
void AxRomFromRelease1(ConsoleBoard& b, const Release1Board& old) {
  BoardSetTables(b, SingleScreenTables((old.MirrorMask & 0x800) ? 1 : 0));
}

}  // namespace

const ConsoleBoardFamily kDiscreteFamily = MakeBoardFamily<NoBoardRegs>(1, kNoBoardFields, nullptr, nullptr);
const ConsoleBoardFamily kAxRomFamily =
    MakeBoardFamily<NoBoardRegs>(1, kNoBoardFields, nullptr, &AxRomFromRelease1);

}  // namespace board
