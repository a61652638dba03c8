// The designed engine's snapshots: the shared sections, then its own state as
// one section written and read through its field list. Snapshots of the
// first two formats kept that state in the processor and picture sections;
// they are still read from there, as every state file and slot a player
// already has was written so.
#include "engine/classic/ClassicSnapshot.h"

#include "core/StateFields.h"
#include "engine/MachineState.h"
#include "engine/classic/ClassicEngine.h"

namespace {

constexpr auto kFields = [](auto& io, auto& s) { ClassicFields(io, s); };

// Before the third format: the processor's section, and the picture
// section the engine shared with the Machine's fields.
constexpr uint32_t kTagLegacyCpu = SnapshotTag("CPU ");
constexpr uint32_t kTagLegacyPicture = SnapshotTag("PPU ");

// Six bytes of the old processor section once held an interrupt-deferral
// record that nothing ever set: written as zeros, skipped on reading.
constexpr size_t kRetiredCpuBytes = 6;

// Reads what the old sections held of this engine's state into `s`; false
// when a section is missing or cut short. Bytes past the fields are left
// alone, as the old reader did.
bool ReadLegacy(std::span<const uint8_t> data, ClassicState& s) {
  const std::span<const uint8_t> cpuBytes = FindSnapshotSection(data, kTagLegacyCpu);
  const std::span<const uint8_t> pictureBytes = FindSnapshotSection(data, kTagLegacyPicture);
  if (cpuBytes.empty() || pictureBytes.empty()) return false;

  state::Reader cpu(cpuBytes);
  TCpuState& c = s.Cpu;
  std::array<uint8_t, kRetiredCpuBytes> retired;
  // Flags were written as a byte each; any byte but 0 counts as set.
  uint8_t held = 0, scrollChanged = 0, readPending = 0;
  cpu(c.A, c.P, c.X, c.Y, c.S, c.PC, c.CyclesPerLine, c.Cycles, retired, held);
  s.FrameStartHeld = held != 0;

  // The picture section held the latches first, then the shared mirror mask,
  // the line count, the shared skip count, the sprite-0 line, the shared
  // controller bytes and the shift positions; the colour table follows.
  state::Reader picture(pictureBytes);
  int32_t mirrorMask = 0, skipCounter = 0;
  std::array<uint8_t, 2> padState;
  picture(s.PpuCtrl, s.PpuMask, s.PpuStatus, s.OamAddr, s.VramAddr, s.ScrollToggle, s.ScrollXWritten,
          s.ScrollYWritten, s.ScrollX, s.ScrollY, scrollChanged, readPending);
  picture(mirrorMask, s.ScanlineCounter, skipCounter, s.Sprite0Line, padState, s.PadBit);
  s.ScrollChanged = scrollChanged != 0;
  s.ReadPending = readPending != 0;
  return !cpu.Bad() && !picture.Bad();
}

// Values the run loop and the hook rely on staying in range, so that no
// snapshot, however made, can send them outside their memories or into a
// slice that never ends.
bool Plausible(const ClassicState& s) {
  const TCpuState& c = s.Cpu;
  if (c.CyclesPerLine < 1 || c.CyclesPerLine > 0xFFFF) return false;
  if (c.Cycles > c.CyclesPerLine || c.Cycles < -0xFFFF) return false;
  if (s.ScanlineCounter < 0 || s.ScanlineCounter > 243) return false;
  if (s.ScrollY > 239 || s.ScrollYWritten > 239 || s.ScrollToggle > 1) return false;
  if (s.PadBit[0] > 7 || s.PadBit[1] > 7) return false;
  return true;
}

}  // namespace

void ClassicEngine::Snapshot(std::vector<uint8_t>& out) const {
  const bool held = State.FrameStartHeld;
  // At a held frame start with every frame drawn, the hook redraws all 240
  // rows before the next picture goes out: the picture is left out.
  TakeSnapshot(m_, out, held && m_.FrameRate == 1 && m_.SkipCounter == 0, held);
  // Held at a frame start, the slice that follows is always a whole one: the
  // loop refills it after the hook whether it stops there or not.
  ClassicState saved = State;
  if (held) saved.Cpu.Cycles = saved.Cpu.CyclesPerLine;
  state::WriteSection(out, kSnapshotTagClassic, kClassicSectionVersion, saved, kFields);
}

RestoreResult ClassicEngine::Restore(std::span<const uint8_t> data) {
  if (const RestoreResult header = CheckSnapshotHeader(m_, data); header != RestoreResult::Restored)
    return header;
  // The console engine's snapshots carry its chips, which this engine has not.
  if (!FindSnapshotSection(data, kSnapshotTagConsole).empty()) return RestoreResult::OtherEngine;

  ClassicState staged = State;
  if (SnapshotVersion(data) <= 2) {
    if (!ReadLegacy(data, staged)) return RestoreResult::Damaged;
  } else {
    const std::span<const uint8_t> section = FindSnapshotSection(data, kSnapshotTagClassic);
    if (section.empty()) return RestoreResult::Damaged;
    switch (state::ReadSection(section, kClassicSectionVersion, staged, kFields)) {
      case state::SectionVerdict::Read: break;
      // Written by a build that lists this engine's fields otherwise, under
      // the same format version: not to be misread.
      case state::SectionVerdict::OtherLayout: return RestoreResult::NewerFormat;
      case state::SectionVerdict::Damaged: return RestoreResult::Damaged;
    }
  }
  if (!Plausible(staged)) return RestoreResult::Damaged;
  // The shared sections are checked last and applied only whole; after them
  // nothing can fail.
  if (const RestoreResult shared = RestoreSnapshot(m_, data); shared != RestoreResult::Restored)
    return shared;
  State = staged;
  return RestoreResult::Restored;
}
