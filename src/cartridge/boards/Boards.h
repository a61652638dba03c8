// The board table and what each board family exports to it. A board is its
// own file in this folder (initial steps run after CommonLayout, the write
// handler for processor writes to $8000-$FFFF, its registers) plus one row of
// the table in BoardTable.cpp naming it: number, display name, set-up, write
// handler, interrupt clock, what survives a change of cartridge, and how its
// registers are checked and carried from older snapshots. MapperInit installs
// a row; nothing else in the program knows a board by its number.
#pragma once

#include <array>
#include <cstdint>
#include <new>
#include <span>
#include <string_view>
#include <type_traits>

#include "core/Machine.h"

// The MMC1 and MMC3 registers as the first snapshots stored them, in named
// fields whatever the board; their rows carry them into their own registers.
struct FirstSnapshotBoardFields {
  std::array<uint8_t, 4> Mmc1Regs{};
  uint8_t Mmc1Shift = 0;
  uint8_t Mmc1Count = 0;
  uint8_t Mmc1PrgHigh = 0;
  uint16_t Mmc1MirrorExtra = 0;
  uint8_t Mmc3Select = 0;
  uint16_t Mmc3ChrInvert = 0;
};

// What a board with registers of its own in the Machine's board block says
// about them.
struct BoardStateRules {
  // Set for a board whose registers and counter a previous cartridge on the
  // same board leaves as they were; every other board starts from zeroed
  // registers with the counter stopped.
  bool KeepsState;
  // Whether a snapshot's registers are safe to run; null when any are.
  bool (*Plausible)(const BoardState&);
  // Carries the first snapshots' fields into the registers; null when the
  // board kept nothing there.
  void (*FromFirstSnapshot)(const FirstSnapshotBoardFields&, BoardState&);
};

struct MapperBoard {
  int Number;
  const char* Name;              // "" for the boards that are shown without one
  void (*Init)(Machine&);        // null: no initial steps of its own
  MapperWriteFn Write;           // null: writes are ignored
  MapperClockFn Clock;           // null: no scanline counter
  const BoardStateRules* State;  // null: no registers in the block, nothing kept
};

// Every supported number, in ascending order.
std::span<const MapperBoard> MapperBoards();
const MapperBoard* FindMapperBoard(int number);
// The display name of a number that is known but not supported; empty for
// the rest.
std::string_view UnsupportedMapperName(int number);

// A board's registers: the Machine's board block viewed as the board's own
// struct. Installing a board zeroes the block, unless the board keeps its
// state and the previous cartridge ran on the same board, so a fresh view
// reads all zeros.
template <typename T>
T& BoardStateAs(BoardState& block) {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_default_constructible_v<T>);
  static_assert(sizeof(T) <= sizeof block.Bytes && alignof(T) <= alignof(BoardState),
                "a board's registers must fit the Machine's board block");
  return *std::launder(reinterpret_cast<T*>(block.Bytes.data()));
}
template <typename T>
const T& BoardStateAs(const BoardState& block) {
  return BoardStateAs<T>(const_cast<BoardState&>(block));
}
template <typename T>
T& BoardStateAs(Machine& m) {
  return BoardStateAs<T>(m.BoardRegs);
}

// Mmc1.cpp: mapper 1, the serial five-write register interface.
struct Mmc1State {
  std::array<uint8_t, 4> Regs;
  uint8_t Shift;
  uint8_t Count;  // bits collected so far, 0-4
  uint8_t PrgHigh;
  uint16_t MirrorExtra;
};
void Mmc1Init(Machine& m);
void Mmc1Write(Machine& m, uint16_t address, uint8_t value);
extern const BoardStateRules kMmc1StateRules;

// Mmc3.cpp: mappers 4 and 118, bank select/data pairs and the scanline counter.
struct Mmc3State {
  uint8_t Select;
  uint16_t ChrInvert;  // 0 or $1000
};
void Mmc3Init(Machine& m);
void Mmc3Write(Machine& m, uint16_t address, uint8_t value);
extern const BoardStateRules kMmc3StateRules;

// DiscreteBoards.cpp: one-latch boards where any address is the register.
void UxRomWrite(Machine& m, uint16_t address, uint8_t value);        // 2
void CnRomWrite(Machine& m, uint16_t address, uint8_t value);        // 3
void AxRomInit(Machine& m);                                          // 7
void AxRomWrite(Machine& m, uint16_t address, uint8_t value);        // 7
void FfeF3Init(Machine& m);                                          // 8
void FfeF3Write(Machine& m, uint16_t address, uint8_t value);        // 8
void ColorDreamsInit(Machine& m);                                    // 11
void ColorDreamsWrite(Machine& m, uint16_t address, uint8_t value);  // 11
void Nina1Write(Machine& m, uint16_t address, uint8_t value);        // 34
void GnRomWrite(Machine& m, uint16_t address, uint8_t value);        // 66
void Irem78Write(Machine& m, uint16_t address, uint8_t value);       // 78

// Mmc2Mmc4.cpp: mappers 9/77 and 10, registers decoded by A AND $F000.
void Mmc2Init(Machine& m);
void Mmc2Write(Machine& m, uint16_t address, uint8_t value);
void Mmc4Write(Machine& m, uint16_t address, uint8_t value);

// Bandai.cpp: mappers 16 and 18, registers decoded by A AND $0F.
void BandaiWrite(Machine& m, uint16_t address, uint8_t value);

// Konami.cpp: mapper 23, registers decoded by A AND $E003.
void Konami23Write(Machine& m, uint16_t address, uint8_t value);

// Taito.cpp: mapper 33, registers at exact addresses.
void TaitoWrite(Machine& m, uint16_t address, uint8_t value);

// Multicart.cpp: mapper 15 (100-in-1), registers at exact addresses.
void Multicart15Init(Machine& m);
void Multicart15Write(Machine& m, uint16_t address, uint8_t value);

// PassiveBoards.cpp: mapper 17, whose registers never reach $8000-$FFFF.
void Ffe17Init(Machine& m);
