// The console engine's board table: one row per mapper number, and the
// questions the console asks of the installed board, answered through its
// row.
#include <algorithm>
#include <array>

#include "cartridge/Mapper.h"
#include "core/Machine.h"
#include "engine/console/boards/BoardFamilies.h"

namespace {

using namespace board;
constexpr BoardClock kNone = BoardClock::None;
constexpr BoardClock kA12 = BoardClock::A12Rises;
constexpr BoardClock kCycles = BoardClock::ProcessorCycles;

// Numbers sharing a family behave as that family; null is "nothing more"
// for power-on and "ignored" for writes.
const std::array<ConsoleBoardRow, 23> kRows = {{
    // {number, power-on, write, clock, low writes, A12 rise, family}  // $number
    {0, nullptr, nullptr, kNone, false, nullptr, &kPassiveFamily},           // $00
    {1, &Mmc1PowerOn, &Mmc1Write, kNone, false, nullptr, &kMmc1Family},      // $01
    {2, nullptr, &UxRomWrite, kNone, false, nullptr, &kDiscreteFamily},      // $02
    {3, nullptr, &CnRomWrite, kNone, false, nullptr, &kDiscreteFamily},      // $03
    {4, nullptr, &Mmc3Write, kA12, false, &Mmc3A12Rise, &kMmc3Family},       // $04
    {5, nullptr, nullptr, kNone, false, nullptr, &kPassiveFamily},           // $05: layout only
    {7, &AxRomPowerOn, &AxRomWrite, kNone, false, nullptr, &kAxRomFamily},   // $07
    {8, &FfeF3PowerOn, &FfeF3Write, kNone, false, nullptr, &kFfeF3Family},   // $08
    {9, &Mmc2PowerOn, &Mmc2Write, kNone, false, nullptr, &kMmc2Mmc4Family},  // $09
    {10, nullptr, &Mmc4Write, kNone, false, nullptr, &kMmc2Mmc4Family},      // $0A
    {11, &ColorDreamsPowerOn, &ColorDreamsWrite, kNone, false, nullptr, &kDiscreteFamily},     // $0B
    {15, &Multicart15PowerOn, &Multicart15Write, kNone, false, nullptr, &kMulticart15Family},  // $0F
    {16, nullptr, &Bandai16Write, kCycles, false, nullptr, &kBandaiFamily},                    // $10
    {17, &Ffe17PowerOn, &Ffe17Write, kCycles, true, nullptr, &kFfe17Family},                   // $11
    {18, nullptr, &Jaleco18Write, kNone, false, nullptr, &kBandaiFamily},                      // $12
    {23, &Vrc23PowerOn, &Vrc23Write, kCycles, false, nullptr, &kVrcFamily},                    // $17
    {33, nullptr, &TaitoWrite, kNone, false, nullptr, &kTaitoFamily},                          // $21
    {34, nullptr, &Nina1Write, kNone, false, nullptr, &kDiscreteFamily},                       // $22
    {64, nullptr, nullptr, kNone, false, nullptr, &kPassiveFamily},           // $40: layout only
    {66, nullptr, &GnRomWrite, kNone, false, nullptr, &kDiscreteFamily},      // $42
    {77, &Mmc2PowerOn, &Mmc2Write, kNone, false, nullptr, &kMmc2Mmc4Family},  // $4D
    {78, nullptr, &Irem78Write, kNone, false, nullptr, &kDiscreteFamily},     // $4E
    {118, nullptr, &Mmc3Write, kA12, false, &Mmc3A12Rise, &kMmc3Family},      // $76
}};

const ConsoleBoardRow& RowOf(const ConsoleBoard& b) { return kRows[b.Row < kRows.size() ? b.Row : 0]; }

// The row of a number; a number without one (no cartridge in) gets the
// passive board, which changes nothing.
uint8_t RowIndex(int number) {
  const auto it =
      std::find_if(kRows.begin(), kRows.end(), [number](const auto& r) { return r.Number == number; });
  return static_cast<uint8_t>(it == kRows.end() ? 0 : it - kRows.begin());
}

void InstallRow(ConsoleBoard& b, int number) {
  b.Row = RowIndex(number);
  b.Mapper = static_cast<uint16_t>(RowOf(b).Number);
  b.Clock = RowOf(b).Clock;
}

// The name tables as the cartridge's header says it is wired.
NameTableArrangement HeaderTables(const Machine& m) {
  if (m.CartFlags & kCartFourScreen) return kFourScreenTables;
  return (m.CartFlags & 1) ? kVerticalTables : kHorizontalTables;
}

// First 16 KB bank at $8000, last at $C000, first 8 KB of patterns: where
// every board starts before its own power-on steps.
void CommonBanks(Machine& m) {
  MapPrg16(m, 0x8000, 0);
  MapPrg16(m, 0xC000, static_cast<uint32_t>(m.PrgCount - 1));
  MapChr8(m, 0);
}

}  // namespace

void ConsoleBoardPowerOn(ConsoleBoard& b, Machine& m) {
  b = {};
  InstallRow(b, m.MapperNumber);
  b.Tables = HeaderTables(m);
  if (!m.CartridgeLoaded()) return;
  CommonBanks(m);
  if (RowOf(b).PowerOn) RowOf(b).PowerOn(b, m);
}

void ConsoleBoardWrite(ConsoleBoard& b, Machine& m, uint16_t address, uint8_t value, uint64_t cycle) {
  if (const auto write = RowOf(b).Write) write(b, m, address, value, cycle);
}

bool ConsoleBoardWatchesLowWrites(const ConsoleBoard& b) { return RowOf(b).LowWrites; }

void ConsoleBoardA12Rise(ConsoleBoard& b) {
  if (const auto rise = RowOf(b).A12Rise) rise(b);
}

bool ConsoleBoardPlausible(const ConsoleBoard& b) {
  if (b.Row >= kRows.size()) return false;
  const ConsoleBoardRow& row = kRows[b.Row];
  if (b.Mapper != row.Number || b.Clock != row.Clock) return false;
  if (std::any_of(b.Tables.begin(), b.Tables.end(), [](uint8_t t) { return t > 3; })) return false;
  return !row.Family->Plausible || row.Family->Plausible(b);
}

void ConsoleBoardSave(const ConsoleBoard& b, std::vector<uint8_t>& out) {
  const ConsoleBoardFamily& family = *RowOf(b).Family;
  family.Save(b, family.Version, out);
}

state::SectionVerdict ConsoleBoardLoad(std::span<const uint8_t> contents, ConsoleBoard& staged) {
  const ConsoleBoardFamily& family = *RowOf(staged).Family;
  ConsoleBoard read = staged;
  const state::SectionVerdict verdict = family.Load(contents, family.Version, read);
  if (verdict != state::SectionVerdict::Read) return verdict;
  // Row and clock are the installed board's; the section must be of that
  // board and hold registers it can run.
  if (read.Mapper != staged.Mapper || !ConsoleBoardPlausible(read)) return state::SectionVerdict::Damaged;
  staged = read;
  return state::SectionVerdict::Read;
}

void ConsoleBoardFromRelease1(ConsoleBoard& b, const Release1Board& old, int mapperNumber) {
  if (b.Row >= kRows.size() || RowOf(b).Number != mapperNumber) {
    b = {};
    InstallRow(b, mapperNumber);
  }
  b.Regs = {};
  // That release's interrupt unit kept the line and the cycle it fires at
  // as this one does; a board without one left them idle.
  b.Line = b.Clock != BoardClock::None && old.Line;
  b.FiresAt = b.Clock == BoardClock::ProcessorCycles ? old.FiresAt : kBoardNever;
  // Its mirroring was the designed engine's copy distance: $400 one table
  // above the other, $800 side by side.
  BoardMirrorHorizontal(b, (old.MirrorMask & 0x400) != 0);
  if (const auto take = RowOf(b).Family->FromRelease1) take(b, old);
}
