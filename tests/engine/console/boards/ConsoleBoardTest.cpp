// The console engine's boards through their interface: a board's own
// section read back goes on as the saved board would have, a section no
// board of this cartridge can run is refused, and the previous release's
// fields (the designed board's register block and mirror distance, the old
// interrupt unit) go on as the board driven by the same writes.
#include <gtest/gtest.h>

#include <cstddef>
#include <initializer_list>
#include <ostream>
#include <vector>

#include "cartridge/boards/Boards.h"
#include "engine/console/boards/ConsoleBoard.h"
#include "support/TestMachine.h"

namespace {

// One step of what a board sees: a processor write at a cycle, a rise of
// A12 past the filter, or the processor reaching a cycle.
enum class Kind : uint8_t { Write, A12Rise, Reach };
struct Step {
  Kind What;
  uint16_t Address = 0;
  uint8_t Value = 0;
  uint64_t Cycle = 0;
};
Step W(uint16_t address, uint8_t value, uint64_t cycle = 0) { return {Kind::Write, address, value, cycle}; }
const Step kRise{Kind::A12Rise};
Step Reach(uint64_t cycle) { return {Kind::Reach, 0, 0, cycle}; }

void Drive(ConsoleBoard& b, Machine& m, const std::vector<Step>& steps) {
  for (const Step& s : steps) switch (s.What) {
      case Kind::Write: ConsoleBoardWrite(b, m, s.Address, s.Value, s.Cycle); break;
      case Kind::A12Rise: ConsoleBoardA12Rise(b); break;
      case Kind::Reach: ConsoleBoardCycle(b, s.Cycle); break;
    }
}

// The banks as offsets into the images, so that two Machines compare.
std::vector<ptrdiff_t> Banks(const Machine& m) {
  std::vector<ptrdiff_t> at;
  for (unsigned i = 4; i < 8; ++i) at.push_back(m.CpuBankTable[i].Base + i * 0x2000 - m.PrgRom.data());
  const uint8_t* patterns = m.ChrCount > 0 ? m.ChrRom.data() : m.Vram.data();
  for (unsigned i = 0; i < 8; ++i) at.push_back(m.PatternBankTable[i] + i * 0x400 - patterns);
  return at;
}

// What decides everything a board does next.
struct Outcome {
  std::vector<ptrdiff_t> Banks;
  NameTableArrangement Tables;
  bool Line;
  uint64_t FiresAt;
  std::array<uint8_t, 16> Regs;
  bool operator==(const Outcome&) const = default;
};
Outcome OutcomeOf(const ConsoleBoard& b, const Machine& m) {
  return {Banks(m), b.Tables, b.Line, b.FiresAt, b.Regs};
}
std::ostream& operator<<(std::ostream& out, const Outcome& o) {
  out << "tables " << int(o.Tables[0]) << int(o.Tables[1]) << int(o.Tables[2]) << int(o.Tables[3]) << " line "
      << o.Line << " fires at " << o.FiresAt << " banks";
  for (ptrdiff_t b : o.Banks) out << ' ' << std::hex << b << std::dec;
  return out;
}

// A cartridge of `mapper` with a console board installed over its banks.
struct Cart {
  TestMachine t;
  ConsoleBoard b;
  Cart(int mapper, int prg, int chr, uint8_t flags) {
    EXPECT_TRUE(InstallCartridge(t.m, prg, chr, mapper, flags));
    ConsoleBoardPowerOn(b, t.m);
  }
};

std::span<const uint8_t> Contents(const std::vector<uint8_t>& section) {
  return std::span<const uint8_t>(section).subspan(8);
}

// --- Banking and name tables -------------------------------------------------------

// The name tables the designed engine's mirror distance gave the console
// engine: four screens when the cartridge is wired so, a single screen on
// mapper 7, else one table above the other ($400) or side by side.
NameTableArrangement DesignedTables(const Machine& m) {
  if (m.CartFlags & kCartFourScreen) return kFourScreenTables;
  if (m.MapperNumber == 7) return SingleScreenTables((m.MirrorMask & 0x800) ? 1 : 0);
  return (m.MirrorMask & 0x400) ? kHorizontalTables : kVerticalTables;
}

// Every board banks and arranges the name tables as the designed board the
// console engine ran before it had its own, write for write: the same
// pseudo-random writes, most of them to the registers' own addresses.
TEST(ConsoleBoards, BankAndArrangeTheTablesAsTheDesignedBoardsDid) {
  constexpr uint16_t kRegisters[] = {0x8000, 0x8001, 0x8002, 0x8003, 0x8008, 0x8009, 0x9000,
                                     0xA000, 0xA001, 0xA002, 0xA003, 0xB000, 0xC000, 0xC001,
                                     0xD000, 0xE000, 0xE001, 0xF000, 0xF001};
  for (const MapperBoard& board : MapperBoards())
    for (const auto& [chr, flags] : {std::pair{16, uint8_t{1}}, std::pair{0, uint8_t{0}}}) {
      SCOPED_TRACE("mapper " + std::to_string(board.Number) + ", pattern banks " + std::to_string(chr));
      TestMachine designed;
      ASSERT_TRUE(InstallCartridge(designed.m, 32, chr, board.Number, flags));
      Cart cart(board.Number, 32, chr, flags);
      ASSERT_EQ(Banks(cart.t.m), Banks(designed.m)) << "at power-on";
      uint32_t seed = 12345u + static_cast<uint32_t>(board.Number);
      for (int i = 0; i < 3000; ++i) {
        seed = seed * 1103515245u + 12345u;
        const auto value = static_cast<uint8_t>(seed >> 16);
        const auto address =
            static_cast<uint16_t>(seed & 0x80000000u ? 0x8000 | (seed >> 8) : kRegisters[(seed >> 8) % 19]);
        designed.m.MapperWrite(designed.m, address, value);
        ConsoleBoardWrite(cart.b, cart.t.m, address, value, i);
        ASSERT_EQ(Banks(cart.t.m), Banks(designed.m)) << "write " << i;
        ASSERT_EQ(cart.b.Tables, DesignedTables(designed.m)) << "write " << i;
      }
    }
}

// --- Save and load ----------------------------------------------------------------

struct RoundTrip {
  const char* Name;
  int Mapper, Prg, Chr;
  uint8_t Flags;
  std::vector<Step> Setup, Change, Then;
};
void PrintTo(const RoundTrip& r, std::ostream* out) { *out << r.Name; }

class BoardSections : public testing::TestWithParam<RoundTrip> {};

// Saved, changed, loaded back (the banks coming back with the shared
// section): the next steps do what they did on the board as it was saved.
TEST_P(BoardSections, ALoadedBoardGoesOnAsTheSavedOne) {
  const RoundTrip& row = GetParam();
  Cart cart(row.Mapper, row.Prg, row.Chr, row.Flags);
  Machine& m = cart.t.m;
  Drive(cart.b, m, row.Setup);
  std::vector<uint8_t> saved;
  ConsoleBoardSave(cart.b, saved);
  const auto banks = m.CpuBankTable;
  const auto patterns = m.PatternBankTable;
  const Outcome atSave = OutcomeOf(cart.b, m);
  ConsoleBoard straight = cart.b;
  Drive(straight, m, row.Then);
  const Outcome want = OutcomeOf(straight, m);

  Drive(cart.b, m, row.Change);
  m.CpuBankTable = banks, m.PatternBankTable = patterns;
  ASSERT_NE(OutcomeOf(cart.b, m), atSave) << "the change changed nothing";
  ASSERT_EQ(ConsoleBoardLoad(Contents(saved), cart.b), state::SectionVerdict::Read);
  Drive(cart.b, m, row.Then);
  EXPECT_EQ(OutcomeOf(cart.b, m), want);
}

INSTANTIATE_TEST_SUITE_P(Families, BoardSections,
                         testing::Values(
                             // Two bits in the shift register; the next three complete the program bank.
                             RoundTrip{"Mmc1",
                                       1,
                                       8,
                                       2,
                                       1,
                                       {W(0x8000, 1), W(0x8000, 0)},
                                       {W(0x8000, 0x80), W(0xA000, 1)},
                                       {W(0xE000, 1), W(0xE000, 1), W(0xE000, 0)}},
                             RoundTrip{"Mmc3",
                                       4,
                                       8,
                                       8,
                                       1,
                                       {W(0x8000, 0xC6), W(0xC000, 2), W(0xC001, 0), W(0xE001, 0), kRise},
                                       {W(0xE000, 0), W(0xC000, 9), W(0x8000, 0), W(0xA000, 1)},
                                       {kRise, kRise, W(0x8001, 3)}},
                             RoundTrip{"AxRom", 7, 8, 0, 1, {W(0x8000, 0x12)}, {W(0x8000, 0x01)}, {}},
                             RoundTrip{"Bandai",
                                       16,
                                       8,
                                       8,
                                       1,
                                       {W(0x800C, 0x01), W(0x800A, 1, 1000), W(0x8009, 1)},
                                       {W(0x800A, 0, 1100), W(0x8009, 0)},
                                       {Reach(1300), W(0x8008, 2)}},
                             RoundTrip{"Ffe17",
                                       17,
                                       8,
                                       8,
                                       1,
                                       {W(0x4503, 0xFF, 20)},
                                       {W(0x4501, 0, 40)},
                                       {W(0x4502, 0x80, 100), Reach(300)}},
                             RoundTrip{"Vrc",
                                       23,
                                       8,
                                       8,
                                       1,
                                       {W(0xF001, 0x0F, 60), W(0xF002, 0x02, 100), W(0xA000, 1)},
                                       {W(0xF002, 0, 300), W(0xA000, 0)},
                                       {Reach(600), W(0xF003, 0, 700), W(0x8000, 2)}}),
                         [](const testing::TestParamInfo<RoundTrip>& info) {
                           return std::string(info.param.Name);
                         });

// Every refusal leaves the staged board as it was.
TEST(BoardSections, ASectionNoBoardOfThisCartridgeCanRunIsRefused) {
  const auto section = [](int mapper, std::initializer_list<Step> steps) {
    Cart cart(mapper, 8, 8, 1);
    Drive(cart.b, cart.t.m, steps);
    std::vector<uint8_t> out;
    ConsoleBoardSave(cart.b, out);
    return out;
  };
  const auto refused = [](int mapper, const std::vector<uint8_t>& saved) {
    Cart cart(mapper, 8, 8, 1);
    const ConsoleBoard before = cart.b;
    const state::SectionVerdict verdict = ConsoleBoardLoad(Contents(saved), cart.b);
    EXPECT_EQ(OutcomeOf(cart.b, cart.t.m), OutcomeOf(before, cart.t.m))
        << "a refused section changed the board";
    return verdict;
  };
  // The fields follow the section's version and shape: mapper (2 bytes),
  // the four tables, the line, the cycle it fires at, then the family's.
  constexpr size_t kTables = 8 + 8 + 2;
  std::vector<uint8_t> mmc1 = section(1, {W(0x8000, 1)});
  EXPECT_EQ(refused(4, mmc1), state::SectionVerdict::OtherLayout) << "another family's list";
  EXPECT_EQ(refused(3, section(2, {W(0x8000, 1)})), state::SectionVerdict::Damaged)
      << "another board, same list";
  std::vector<uint8_t> table = mmc1;
  table[kTables + 2] = 4;
  EXPECT_EQ(refused(1, table), state::SectionVerdict::Damaged) << "a fifth name table";
  mmc1[mmc1.size() - 2] = 5;  // the shift count: its list ends count, high program bit
  EXPECT_EQ(refused(1, mmc1), state::SectionVerdict::Damaged) << "a shift count past four";
  std::vector<uint8_t> vrc = section(23, {});
  vrc[vrc.size() - 10] = 0xFF;  // the prescaler's high byte, before the 8-byte cycle
  EXPECT_EQ(refused(23, vrc), state::SectionVerdict::Damaged) << "a prescaler past a scanline";
  mmc1.pop_back();
  EXPECT_EQ(refused(1, mmc1), state::SectionVerdict::Damaged) << "a section cut short";
}

// --- The previous release's fields ------------------------------------------------

struct OldState {
  const char* Name;
  int Mapper, Prg, Chr;
  uint8_t Flags;
  std::vector<Step> Before;  // what both boards went through
  Release1Board Unit;        // that release's interrupt unit after them
  std::vector<Step> After;
};
void PrintTo(const OldState& r, std::ostream* out) { *out << r.Name; }

Release1Board Unit(uint8_t kind, std::initializer_list<int> fields) {
  // Enabled, Counter, Latch, Reload, Control, Prescaler, CycleLatch, SyncedAt, FiresAt, Line
  Release1Board u;
  const std::vector<int> f(fields);
  u.Kind = kind;
  u.Enabled = f[0], u.Counter = uint8_t(f[1]), u.Latch = uint8_t(f[2]), u.Reload = f[3];
  u.Control = uint8_t(f[4]), u.Prescaler = uint16_t(f[5]), u.CycleLatch = uint16_t(f[6]);
  u.SyncedAt = uint64_t(f[7]), u.FiresAt = f[8] < 0 ? kBoardNever : uint64_t(f[8]), u.Line = f[9];
  return u;
}
const Release1Board kNoUnit = Unit(0, {0, 0, 0, 0, 0, 341, 0, 0, -1, 0});

class Release1Boards : public testing::TestWithParam<OldState> {};

// The register block and mirror distance come from the designed board
// driven by the same writes, as that release kept them; the board carried
// from them goes on as the board that saw the writes itself.
TEST_P(Release1Boards, GoOnAsTheBoardDrivenByTheSameWrites) {
  const OldState& row = GetParam();
  Cart driven(row.Mapper, row.Prg, row.Chr, row.Flags);
  Drive(driven.b, driven.t.m, row.Before);

  TestMachine old;
  ASSERT_TRUE(InstallCartridge(old.m, row.Prg, row.Chr, row.Mapper, row.Flags));
  Machine& m = old.m;
  for (const Step& s : row.Before)
    if (s.What == Kind::Write && s.Address >= 0x8000) m.MapperWrite(m, s.Address, s.Value);
  Release1Board fields = row.Unit;
  fields.Regs = m.BoardRegs.Bytes;
  fields.MirrorMask = m.MirrorMask;
  fields.Mirroring = static_cast<uint8_t>(m.Mirroring);
  fields.ChrBankMask = m.ChrBankMask;
  // The board installed at power-on, the banks as the state brings them.
  const auto banks = m.CpuBankTable;
  const auto patterns = m.PatternBankTable;
  ConsoleBoard carried;
  ConsoleBoardPowerOn(carried, m);
  m.CpuBankTable = banks, m.PatternBankTable = patterns;
  ConsoleBoardFromRelease1(carried, fields, row.Mapper);
  ASSERT_TRUE(ConsoleBoardPlausible(carried));
  EXPECT_EQ(OutcomeOf(carried, m), OutcomeOf(driven.b, driven.t.m)) << "as carried";

  Drive(driven.b, driven.t.m, row.After);
  Drive(carried, m, row.After);
  EXPECT_EQ(OutcomeOf(carried, m), OutcomeOf(driven.b, driven.t.m)) << "after the next steps";
}

INSTANTIATE_TEST_SUITE_P(
    Boards, Release1Boards,
    testing::Values(
        // Pattern RAM on a vertical header: the extra distance ($C00) is still
        // one table above the other.
        OldState{"Mmc1MidShift",
                 1,
                 8,
                 0,
                 1,
                 {W(0x8000, 0x80), W(0x8000, 1), W(0x8000, 1), W(0x8000, 1), W(0x8000, 1), W(0x8000, 0),
                  W(0xE000, 1), W(0xE000, 1)},
                 kNoUnit,
                 {W(0xE000, 0), W(0xE000, 0), W(0xE000, 0)}},
        OldState{
            "Mmc3CounterRunning",
            4,
            8,
            8,
            1,
            {W(0x8000, 0x46), W(0x8001, 1), W(0xA000, 1), W(0xC000, 2), W(0xC001, 0), W(0xE001, 0), kRise},
            Unit(1, {1, 2, 2, 0, 0, 341, 0, 0, -1, 0}),
            {kRise, kRise, W(0x8001, 5)}},
        OldState{"Mmc3FourScreen",
                 4,
                 8,
                 8,
                 0x09,
                 {W(0xA000, 1)},
                 Unit(1, {0, 0, 0, 0, 0, 341, 0, 0, -1, 0}),
                 {W(0xA000, 0)}},
        OldState{"UxRomHorizontal", 2, 8, 0, 0, {W(0x8000, 3)}, kNoUnit, {W(0x8000, 1)}},
        OldState{"AxRomSecondTable", 7, 8, 0, 0, {W(0x8000, 0x12)}, kNoUnit, {W(0x8000, 0x01)}},
        OldState{"BandaiCounting",
                 16,
                 8,
                 8,
                 1,
                 {W(0x800C, 0x01), W(0x800A, 1, 1000), W(0x8009, 1)},
                 Unit(2, {1, 0, 0, 0, 0, 341, 0x100, 0, 1256, 0}),
                 {Reach(1300), W(0x800A, 0, 1400)}},
        OldState{
            "VrcScanlines",
            23,
            8,
            8,
            1,
            {W(0xF000, 0x0C, 50), W(0xF001, 0x0F, 60), W(0xF002, 0x02, 100), W(0x8000, 3, 110), W(0xA000, 1)},
            Unit(3, {0, 0xFC, 0xFC, 0, 2, 341, 0, 100, 555, 0}),
            {Reach(600), W(0xF003, 0, 700), W(0xC000, 2)}},
        OldState{"Ffe17Counting",
                 17,
                 8,
                 8,
                 1,
                 {W(0x4502, 0, 0), W(0x4503, 0xFF, 20)},
                 Unit(4, {1, 0, 0, 0, 0, 341, 0xFF00, 20, 276, 0}),
                 {W(0x4502, 0x80, 100), Reach(300)}}),
    [](const testing::TestParamInfo<OldState>& info) { return std::string(info.param.Name); });

}  // namespace
