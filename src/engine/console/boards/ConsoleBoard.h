// The console engine's cartridge boards as the console sees them: the state
// a board keeps in the Console (ConsoleBoard), and the few questions the
// console asks of it. Which board a cartridge has is decided once, at
// power-on, by its row in the board table (BoardTable.cpp); each family's
// file holds its registers, banking, name-table arrangement, interrupt unit
// and field list. Nothing outside this folder knows a board by its number.
#pragma once

#include <array>
#include <cstdint>
#include <new>
#include <span>
#include <type_traits>
#include <vector>

#include "core/StateFields.h"

struct Machine;

// Which of four 1 KB name tables each quarter of $2000-$2FFF shows. The
// console has memory for tables 0 and 1; 2 and 3 exist only on a cartridge
// that brings its own (four screens).
using NameTableArrangement = std::array<uint8_t, 4>;
inline constexpr NameTableArrangement kVerticalTables{0, 1, 0, 1};    // side by side
inline constexpr NameTableArrangement kHorizontalTables{0, 0, 1, 1};  // one above the other
inline constexpr NameTableArrangement kFourScreenTables{0, 1, 2, 3};
constexpr NameTableArrangement SingleScreenTables(uint8_t table) { return {table, table, table, table}; }

// The clock a board's interrupt unit listens to, beyond its own registers.
enum class BoardClock : uint8_t {
  None,             // no interrupt unit
  A12Rises,         // rises of the picture processor's A12 past the filter (A12Filter.h)
  ProcessorCycles,  // a counter of processor cycles, due at ConsoleBoard::FiresAt
};

inline constexpr uint64_t kBoardNever = UINT64_MAX;

struct ConsoleBoard {
  // The row installed at power-on and what the console reads of it on its
  // hot paths. The cartridge decides them: they are checked, not saved.
  uint8_t Row = 0;
  BoardClock Clock = BoardClock::None;
  uint16_t Mapper = 0;
  NameTableArrangement Tables = kVerticalTables;
  bool Line = false;  // the board holds the processor's IRQ line
  // A counter of processor cycles is brought up to date only when its
  // registers are written; this is the cycle at which it next pulls the line.
  uint64_t FiresAt = kBoardNever;
  // The family's registers, viewed as its own struct (BoardRegsAs).
  alignas(8) std::array<uint8_t, 16> Regs{};
};

template <typename T>
T& BoardRegsAs(ConsoleBoard& b) {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_default_constructible_v<T>);
  static_assert(sizeof(T) <= sizeof b.Regs && alignof(T) <= 8, "a family's registers must fit the block");
  return *std::launder(reinterpret_cast<T*>(b.Regs.data()));
}
template <typename T>
const T& BoardRegsAs(const ConsoleBoard& b) {
  return BoardRegsAs<T>(const_cast<ConsoleBoard&>(b));
}

// What the previous release kept of a board for the console engine: the
// designed board's register block and mirroring fields, and the console's
// interrupt unit of that time.
struct Release1Board {
  std::array<uint8_t, 16> Regs{};
  int32_t MirrorMask = 0;
  uint8_t Mirroring = 0;
  uint8_t ChrBankMask = 0;
  uint16_t IrqCounter = 0, IrqLatch = 0;
  bool IrqEnabled = false;
  uint8_t Kind = 0;  // None, Mmc3, BandaiCycles, VrcCycles, FfeCycles
  bool Line = false, Enabled = false;
  uint8_t Counter = 0, Latch = 0;
  bool Reload = false;
  uint8_t Control = 0;
  uint16_t Prescaler = 0, CycleLatch = 0;
  uint64_t SyncedAt = 0, FiresAt = kBoardNever;
};

// --- BoardTable.cpp -------------------------------------------------------------

// Installs the board of the Machine's mapper number: registers as the
// board powers up, the name tables as the cartridge is wired, and (with a
// cartridge in) its banks over the Machine's bank tables.
void ConsoleBoardPowerOn(ConsoleBoard& b, Machine& m);
// A processor write to $8000-$FFFF at `cycle`, or to $4020-$5FFF for a
// board that decodes it.
void ConsoleBoardWrite(ConsoleBoard& b, Machine& m, uint16_t address, uint8_t value, uint64_t cycle);
bool ConsoleBoardWatchesLowWrites(const ConsoleBoard& b);
// A rise of A12 that passed the filter, for a board on BoardClock::A12Rises.
void ConsoleBoardA12Rise(ConsoleBoard& b);
// The processor reached `cycle`: a counter of cycles pulls the line when due.
inline void ConsoleBoardCycle(ConsoleBoard& b, uint64_t cycle) {
  if (cycle >= b.FiresAt) [[unlikely]] {
    b.FiresAt = kBoardNever;
    b.Line = true;
  }
}
// Every register in range for the installed row, so that nothing read back
// can send the banking or the name tables outside their memories.
bool ConsoleBoardPlausible(const ConsoleBoard& b);

// The board's own section of a state: its family's fields behind the tag.
inline constexpr uint32_t kConsoleBoardTag = 'C' | 'B' << 8 | 'R' << 16 | 'D' << 24;
void ConsoleBoardSave(const ConsoleBoard& b, std::vector<uint8_t>& out);
// Reads a section's contents (what follows tag and length) into `staged`,
// which must hold the board installed for the cartridge the state belongs
// to: a section of another board, or with registers no board can have, is
// Damaged. `staged` changes only on Read.
state::SectionVerdict ConsoleBoardLoad(std::span<const uint8_t> contents, ConsoleBoard& staged);
// Takes the previous release's fields into `b`. `b` keeps its wiring when it
// is already installed for `mapperNumber` (a four-screen cartridge stays
// four-screen); otherwise that row is installed without touching the banks.
void ConsoleBoardFromRelease1(ConsoleBoard& b, const Release1Board& old, int mapperNumber);
