#include "engine/console/ConsoleEngine.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "cartridge/Lifecycle.h"
#include "core/Crc32.h"
#include "core/StateFields.h"
#include "engine/FrameTurn.h"
#include "engine/MachineState.h"
#include "engine/console/Console.h"
#include "engine/console/ConsoleFields.h"
#include "engine/console/Release1Console.h"
#include "sound/Sound.h"
#include "sound/SoundChannels.h"
#include "sound/VoiceOutput.h"

namespace {

// The chips' section: bumped by hand whenever ConsoleFields.h changes what
// it lists (the section's shape check refuses a list changed without it).
constexpr uint32_t kConsoleSectionVersion = 1;
const auto kConsoleList = [](auto& io, auto& c) { ConsoleFields(io, c); };

// The snapshot format that first carried the chips as field lists; earlier
// snapshots carry them as the first releases' raw bytes.
constexpr uint32_t kFieldListSnapshots = 3;

// The designed board's fields that the first releases' shared mapper
// section held for the console engine too: its register block, mirroring
// and scanline counter, after the cartridge flags.
bool ReadRelease1MapperFields(std::span<const uint8_t> data, Release1Board& board) {
  const std::span<const uint8_t> mapper = FindSnapshotSection(data, SnapshotTag("MAP "));
  constexpr size_t kNeeded = 4 + 1 + 1 + 2 + 2 + 1 + 16;
  if (mapper.size() < kNeeded) return false;
  state::Reader r(mapper.subspan(4));
  r(board.Mirroring, board.ChrBankMask, board.IrqCounter, board.IrqLatch, board.IrqEnabled, board.Regs);
  // The mirror distance stood in the picture section, after thirteen bytes
  // of the designed engine's latches.
  const std::span<const uint8_t> picture = FindSnapshotSection(data, SnapshotTag("PPU "));
  if (picture.size() < 17) return false;
  std::memcpy(&board.MirrorMask, picture.data() + 13, 4);
  return !r.Bad();
}

// The first releases' section: their layout check, a CRC-32 of the bytes,
// then the Console struct's bytes as they laid it out. Read through the
// frozen copy of that layout and carried over by the same field lists (the
// board and A12's filter by their new names); anything else (another
// layout, a failed check) is refused as such.
RestoreResult ReadRelease1Section(std::span<const uint8_t> data, std::span<const uint8_t> section,
                                  Console& staged, int mapperNumber) {
  constexpr size_t kBytes = sizeof(release1::Console);
  uint32_t layout = 0, check = 0;
  if (section.size() >= 4) std::memcpy(&layout, section.data(), 4);
  if (section.size() != 8 + kBytes || layout != release1::kLayout) return RestoreResult::OtherLayout;
  std::memcpy(&check, section.data() + 4, 4);
  if (Crc32(section.data() + 8, kBytes) != check) return RestoreResult::Damaged;
  auto old = std::make_unique<release1::Console>();
  std::memcpy(static_cast<void*>(old.get()), section.data() + 8, kBytes);
  std::vector<uint8_t> fields;
  state::Writer w(fields);
  ConsoleChipFields(w, std::as_const(*old));
  state::Reader r(fields);
  ConsoleChipFields(r, staged);
  if (!r.Exact()) return RestoreResult::Damaged;
  const release1::Ppu& video = old->Video;
  staged.Video.A12 = {video.WatchA12, video.A12High, video.A12Rises, video.A12LowSince};
  const release1::BoardIrq& irq = old->Board;
  Release1Board board{};
  if (!ReadRelease1MapperFields(data, board)) return RestoreResult::Damaged;
  board.Kind = irq.Kind;
  board.Line = irq.Line;
  board.Enabled = irq.Enabled;
  board.Counter = irq.Counter;
  board.Latch = irq.Latch;
  board.Reload = irq.Reload;
  board.Control = irq.Control;
  board.Prescaler = irq.Prescaler;
  board.CycleLatch = irq.CycleLatch;
  board.SyncedAt = irq.SyncedAt;
  board.FiresAt = irq.FiresAt;
  ConsoleBoardFromRelease1(staged.Board, board, mapperNumber);
  return RestoreResult::Restored;
}

// The chips' state read back from a snapshot: every position and index in
// range, so that no damaged or foreign file can send the engine outside its
// tables.
bool Plausible(const Console& c) {
  return PpuPlausible(c.Video) && ConsoleBoardPlausible(c.Board) && c.OwedDots <= 262 * 341 &&
         VoicePlausible(c.Apu) && c.Processor.Cycles >= c.FrameStartCycle &&
         c.Processor.Cycles - c.FrameStartCycle < kVoiceMaxFrameCycles;
}

// The picture's emphasis groups go to the Machine's colour table: rebuilt
// when they are not the ones it was built for.
// Groups no longer used go back to black, as the table is for a picture
// without them.
void SetEmphasis(Machine& m, const std::array<uint8_t, 4>& groups, uint8_t count) {
  if (groups == m.FrameEmphasis && count == m.FrameEmphasisGroups) return;
  std::fill(m.FrameColors.begin() + 64 * count, m.FrameColors.end(), Rgb{});
  m.FrameEmphasis = groups;
  m.FrameEmphasisGroups = count;
  m.PaletteChanged = true;
}

void PublishEmphasis(const Ppu& p, Machine& m) {
  std::array<uint8_t, 4> groups{};
  std::copy_n(p.EmphasisGroups, p.EmphasisGroupCount, groups.begin());
  SetEmphasis(m, groups, p.EmphasisGroupCount);
}

}  // namespace

ConsoleEngine::ConsoleEngine(Machine& m) : m_(m), c_(std::make_unique<Console>()) { ConsolePowerOn(*c_, m_); }

// The designed engine draws without emphasis: the colour table goes back
// to one plain group for whichever engine comes next.
ConsoleEngine::~ConsoleEngine() { SetEmphasis(m_, {}, 1); }

// The reset sequence runs at once (its seven cycles, the picture processor
// going on beside it), so that the debugger, the tracer and a register set
// from the command line meet the processor at its reset vector.
void ConsoleEngine::PowerOn() {
  ConsolePowerOn(*c_, m_);
  PpuPowerOnPalette(m_);
  m_.PaletteChanged = true;
  PublishEmphasis(c_->Video, m_);
  CpuStep(c_->Processor);
}

void ConsoleEngine::Reset() {
  ConsoleReset(*c_);
  CpuStep(c_->Processor);
}

void ConsoleEngine::Run() {
  // Loops never nest: from inside the active run this only lets it go on.
  if (m_.RunLoopDepth > 0) return;
  RunLoopScope active(m_);
  if (m_.RestorePending) ResumeRestored(m_);
  for (;;) {
    ConsoleRunFrame(*c_);
    if (FrameEnd()) return;
  }
}

bool ConsoleEngine::FrameEnd() {
  frameCycles_ = ConsoleBeginFrame(*c_);
  const int rate = m_.FrameRate > 0 ? m_.FrameRate : 1;
  const bool shown = m_.SkipCounter == 0;
  m_.SkipCounter = (m_.SkipCounter + 1) % rate;
  PublishEmphasis(c_->Video, m_);
  // The designed music takes its frame step once the voice heard has the
  // frame's writes.
  const bool goesOn = TakeFrameTurn(m_, shown, frameCycles_, {&SoundFrameStep, nullptr});
  if (m_.LoopRestarted) {
    // A reset, another cartridge or a restore happened in there: the run
    // goes on from what it left.
    m_.LoopRestarted = false;
    if (m_.RestorePending) ResumeRestored(m_);
  }
  return !goesOn;
}

void ConsoleEngine::Stop() { m_.Running = false; }

void ConsoleEngine::Step() {
  if (m_.RestorePending) ResumeRestored(m_);
  CpuStep(c_->Processor);
  ConsoleSyncVideo(*c_);
  if (!c_->Video.FrameReady) return;
  // Stepping goes on across a frame's end, with the front end's turn (a
  // stop asked for there is the stepper's to see).
  FrameEnd();
}

// The chips' section, after the shared ones: the console's field lists.
void ConsoleEngine::Snapshot(std::vector<uint8_t>& out) const {
  // Past the last visible line (the frame's end, where the front end takes
  // its turn, and vertical blank) with every frame drawn, all 240 lines are
  // drawn again before the next picture goes out: the picture (most of a
  // snapshot's bytes, and what changes most between frames) is left out.
  const bool redrawn = m_.FrameRate == 1 && c_->Video.Line >= 240 && c_->Video.Line <= 260;
  TakeSnapshot(m_, out, redrawn);
  state::WriteSection(out, kSnapshotTagConsole, kConsoleSectionVersion, *c_, kConsoleList);
  ConsoleBoardSave(c_->Board, out);
}

RestoreResult ConsoleEngine::Restore(std::span<const uint8_t> data) {
  const std::span<const uint8_t> section = FindSnapshotSection(data, kSnapshotTagConsole);
  // Refused for what the shared header says first (another cartridge, a
  // newer format), else for `why`.
  const auto refuse = [&](RestoreResult why) {
    const RestoreResult shared = CheckSnapshotHeader(m_, data);
    return shared == RestoreResult::Restored ? why : shared;
  };
  // The designed engine's snapshot: checked as any, then refused.
  if (section.empty()) return refuse(RestoreResult::OtherEngine);
  // Staged over a copy of the live console, so that what no list holds (the
  // process's pointers, the unheard voice's output stage) stays this one's.
  auto staged = std::make_unique<Console>(*c_);
  if (SnapshotVersion(data) < kFieldListSnapshots) {
    const RestoreResult old = ReadRelease1Section(data, section, *staged, m_.MapperNumber);
    if (old != RestoreResult::Restored) return refuse(old);
  } else {
    const auto verdict = [&](state::SectionVerdict v) {
      switch (v) {
        case state::SectionVerdict::Read: return RestoreResult::Restored;
        case state::SectionVerdict::OtherLayout: return refuse(RestoreResult::OtherLayout);
        case state::SectionVerdict::Damaged: break;
      }
      return refuse(RestoreResult::Damaged);
    };
    const RestoreResult chips =
        verdict(state::ReadSection(section, kConsoleSectionVersion, *staged, kConsoleList));
    if (chips != RestoreResult::Restored) return chips;
    // The board's own section; without one the snapshot is cut short.
    const std::span<const uint8_t> board = FindSnapshotSection(data, kConsoleBoardTag);
    if (board.empty()) return refuse(RestoreResult::Damaged);
    const RestoreResult boardRead = verdict(ConsoleBoardLoad(board, staged->Board));
    if (boardRead != RestoreResult::Restored) return boardRead;
  }
  if (!Plausible(*staged)) return RestoreResult::Damaged;
  const RestoreResult shared = RestoreSnapshot(m_, data);
  if (shared != RestoreResult::Restored) return shared;
  *c_ = *staged;
  ConsoleRefreshDue(*c_);
  PublishEmphasis(c_->Video, m_);
  return RestoreResult::Restored;
}

uint8_t ConsoleEngine::Peek(uint16_t address) { return ConsolePeek(*c_, address); }
// The debugger's read is a cycle's access without the processor's clock:
// the dots it owed the picture processor move NextDue.
uint8_t ConsoleEngine::Read(uint16_t address) {
  const uint8_t value = ConsoleRead(c_.get(), address);
  ConsoleRefreshDue(*c_);
  return value;
}

CpuRegisters ConsoleEngine::Registers() const {
  const Cpu& s = c_->Processor;
  return {s.A, s.X, s.Y, s.P, s.S, s.PC};
}

void ConsoleEngine::SetRegisters(const CpuRegisters& r) {
  Cpu& s = c_->Processor;
  s.A = r.A;
  s.X = r.X;
  s.Y = r.Y;
  s.P = static_cast<uint8_t>((r.P | kCpuU) & ~kCpuB);
  s.S = r.S;
  s.PC = r.PC;
}

PictureView ConsoleEngine::Picture() const { return {m_.FrameBuffer, m_.FrameColors}; }
std::span<const ApuWrite> ConsoleEngine::SoundWrites() const { return m_.LastFrameSoundWrites; }
uint32_t ConsoleEngine::FrameCycles() const { return frameCycles_; }
