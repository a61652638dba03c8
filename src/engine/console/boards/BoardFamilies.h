// What the board table (BoardTable.cpp) knows of each family file: a row per
// mapper number (power-on, write handler, the clock its interrupt unit
// listens to) and per family its field list, checks and the carrying of the
// previous release's fields. Each family file also finds here the helpers
// every board shares.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/StateFields.h"
#include "engine/console/boards/ConsoleBoard.h"

struct Machine;

struct ConsoleBoardFamily {
  uint32_t Version;  // bumped by hand when the family's field list changes
  void (*Save)(const ConsoleBoard&, uint32_t version, std::vector<uint8_t>& out);
  state::SectionVerdict (*Load)(std::span<const uint8_t>, uint32_t version, ConsoleBoard&);
  bool (*Plausible)(const ConsoleBoard&);  // null: any register value is safe to run
  // Takes the family's registers and interrupt unit from the previous
  // release's fields, after the name tables were decoded from its mirror
  // distance; null when there is nothing more to take.
  void (*FromRelease1)(ConsoleBoard&, const Release1Board&);
};

struct ConsoleBoardRow {
  int Number;
  void (*PowerOn)(ConsoleBoard&, Machine&);  // after the common layout; null: nothing more
  void (*Write)(ConsoleBoard&, Machine&, uint16_t address, uint8_t value, uint64_t cycle);  // null: ignored
  BoardClock Clock;
  bool LowWrites;                  // decodes $4020-$5FFF as well as $8000-$FFFF
  void (*A12Rise)(ConsoleBoard&);  // for BoardClock::A12Rises
  const ConsoleBoardFamily* Family;
};

// What every board saves besides its registers.
template <class Io, class B>
void ConsoleBoardFields(Io& io, B& b) {
  io(b.Mapper, b.Tables, b.Line, b.FiresAt);
}

// A family whose registers are R, listed by `list` (a generic lambda taking
// the stream and the registers).
template <typename R, typename List>
void SaveBoardAs(const ConsoleBoard& b, uint32_t version, std::vector<uint8_t>& out) {
  state::WriteSection(out, kConsoleBoardTag, version, b, [](auto& io, auto& s) {
    ConsoleBoardFields(io, s);
    List{}(io, BoardRegsAs<R>(s));
  });
}
template <typename R, typename List>
state::SectionVerdict LoadBoardAs(std::span<const uint8_t> contents, uint32_t version, ConsoleBoard& b) {
  return state::ReadSection(contents, version, b, [](auto& io, auto& s) {
    ConsoleBoardFields(io, s);
    List{}(io, BoardRegsAs<R>(s));
  });
}
template <typename R, typename List>
constexpr ConsoleBoardFamily MakeBoardFamily(uint32_t version, List, bool (*plausible)(const ConsoleBoard&),
                                             void (*fromRelease1)(ConsoleBoard&, const Release1Board&)) {
  return {version, &SaveBoardAs<R, List>, &LoadBoardAs<R, List>, plausible, fromRelease1};
}

// The registers of a family that keeps none.
struct NoBoardRegs {};
inline constexpr auto kNoBoardFields = [](auto&, auto&) {};

// The board's mirroring. A cartridge wired for four screens brings the
// memory for the other two tables: its board's mirroring has nothing to fold.
inline void BoardSetTables(ConsoleBoard& b, const NameTableArrangement& tables) {
  if (b.Tables != kFourScreenTables) b.Tables = tables;
}
inline void BoardMirrorHorizontal(ConsoleBoard& b, bool horizontal) {
  BoardSetTables(b, horizontal ? kHorizontalTables : kVerticalTables);
}

// The family files' own entries, kept apart from the designed engine's boards
// of the same names.
namespace board {

// --- Passive.cpp: 0, and 5 and 64 (layout only) ------------------------------------
extern const ConsoleBoardFamily kPassiveFamily;

// --- Discrete.cpp: one-latch boards 2, 3, 7, 11, 34, 66, 78 -----------------------
void UxRomWrite(ConsoleBoard&, Machine&, uint16_t, uint8_t, uint64_t);
void CnRomWrite(ConsoleBoard&, Machine&, uint16_t, uint8_t, uint64_t);
void AxRomPowerOn(ConsoleBoard&, Machine&);
void AxRomWrite(ConsoleBoard&, Machine&, uint16_t, uint8_t, uint64_t);
void ColorDreamsPowerOn(ConsoleBoard&, Machine&);
void ColorDreamsWrite(ConsoleBoard&, Machine&, uint16_t, uint8_t, uint64_t);
void Nina1Write(ConsoleBoard&, Machine&, uint16_t, uint8_t, uint64_t);
void GnRomWrite(ConsoleBoard&, Machine&, uint16_t, uint8_t, uint64_t);
void Irem78Write(ConsoleBoard&, Machine&, uint16_t, uint8_t, uint64_t);
extern const ConsoleBoardFamily kDiscreteFamily;
extern const ConsoleBoardFamily kAxRomFamily;

// --- Mmc1.cpp: 1 --------------------------------------------------------------------
void Mmc1PowerOn(ConsoleBoard&, Machine&);
void Mmc1Write(ConsoleBoard&, Machine&, uint16_t, uint8_t, uint64_t);
extern const ConsoleBoardFamily kMmc1Family;

// --- Mmc3.cpp: 4 and 118 -------------------------------------------------------------
void Mmc3Write(ConsoleBoard&, Machine&, uint16_t, uint8_t, uint64_t);
void Mmc3A12Rise(ConsoleBoard&);
extern const ConsoleBoardFamily kMmc3Family;

// --- Mmc2Mmc4.cpp: 9 and 77 (MMC2), 10 (MMC4) ---------------------------------------
void Mmc2PowerOn(ConsoleBoard&, Machine&);
void Mmc2Write(ConsoleBoard&, Machine&, uint16_t, uint8_t, uint64_t);
void Mmc4Write(ConsoleBoard&, Machine&, uint16_t, uint8_t, uint64_t);
extern const ConsoleBoardFamily kMmc2Mmc4Family;

// --- Ffe.cpp: 8 (F3 latch) and 17 (the copier's cycle counter) -----------------------
void FfeF3PowerOn(ConsoleBoard&, Machine&);
void FfeF3Write(ConsoleBoard&, Machine&, uint16_t, uint8_t, uint64_t);
void Ffe17PowerOn(ConsoleBoard&, Machine&);
void Ffe17Write(ConsoleBoard&, Machine&, uint16_t, uint8_t, uint64_t);
extern const ConsoleBoardFamily kFfeF3Family;
extern const ConsoleBoardFamily kFfe17Family;

// --- Multicart15.cpp: 15 --------------------------------------------------------------
void Multicart15PowerOn(ConsoleBoard&, Machine&);
void Multicart15Write(ConsoleBoard&, Machine&, uint16_t, uint8_t, uint64_t);
extern const ConsoleBoardFamily kMulticart15Family;

// --- Bandai.cpp: 16 (with its cycle counter) and 18 (banking alone) -------------------
void Bandai16Write(ConsoleBoard&, Machine&, uint16_t, uint8_t, uint64_t);
void Jaleco18Write(ConsoleBoard&, Machine&, uint16_t, uint8_t, uint64_t);
extern const ConsoleBoardFamily kBandaiFamily;

// --- Konami.cpp: 23 --------------------------------------------------------------------
void Vrc23PowerOn(ConsoleBoard&, Machine&);
void Vrc23Write(ConsoleBoard&, Machine&, uint16_t, uint8_t, uint64_t);
extern const ConsoleBoardFamily kVrcFamily;

// --- Taito.cpp: 33 ----------------------------------------------------------------------
void TaitoWrite(ConsoleBoard&, Machine&, uint16_t, uint8_t, uint64_t);
extern const ConsoleBoardFamily kTaitoFamily;

}  // namespace board
