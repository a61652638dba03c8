// Snapshots on the project's own cartridges, through the real loader, run
// loop, hook and sound layer: a restored frame replays exactly, and a
// snapshot that does not belong is refused without touching anything.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "cartridge/Lifecycle.h"
#include "cartridge/SaveState.h"
#include "cartridge/boards/Boards.h"
#include "core/Snapshot.h"
#include "core/StateFields.h"
#include "core/Engine.h"
#include "engine/EngineChoice.h"
#include "engine/classic/ClassicEngine.h"
#include "engine/classic/ClassicSnapshot.h"
#include "engine/classic/cpu/MF6502.h"
#include "engine/classic/video/MemoryMap.h"
#include "sound/RecordingMidiOut.h"
#include "sound/RecordingPcmOut.h"
#include "sound/Sound.h"
#include "support/ScratchFolder.h"
#include "voice/ConsoleVoice.h"
#include "voice/VoiceFields.h"

namespace {

// Pad 1 follows a fixed script of the frame number, sound goes to a
// recording, and everything the run shows (log lines, presented pictures)
// is kept for comparison. Each frame start runs `atFrameStart` when set, and
// otherwise stops the run.
class SyncHost : public Host {
 public:
  Machine* machine = nullptr;
  long frame = 0;  // frames begun since the start
  std::vector<std::string> log;
  std::vector<uint64_t> pictures;
  std::function<void()> atFrameStart;

  void AppendLog(std::string_view line) override { log.emplace_back(line); }
  void PresentFrame() override {
    uint64_t hash = 0xCBF29CE484222325ull;
    for (uint8_t v : machine->FrameBuffer) hash = (hash ^ v) * 0x100000001B3ull;
    pictures.push_back(hash);
  }
  // A new set of buttons every eight frames, Start and Select left out so
  // that the games keep playing.
  void PollControllers() override {
    const uint32_t seed = static_cast<uint32_t>((frame + 1) / 8) * 2654435761u;
    machine->PadState[0] = static_cast<uint8_t>((seed >> 24) & 0xF3);
  }
  void ProcessMessages() override {
    ++frame;
    if (atFrameStart)
      atFrameStart();
    else
      machine->Running = false;
  }
  bool SoundEnabled() const override { return true; }
};

struct SyncRun {
  SyncHost host;
  Machine m;
  std::shared_ptr<MidiRecording> midi = std::make_shared<MidiRecording>();
  std::shared_ptr<std::vector<int16_t>> pcm = std::make_shared<std::vector<int16_t>>();

  // Both voices at once: the MIDI messages are recorded as the console
  // voice plays, so a replay must give the same of each.
  explicit SyncRun(const std::string& cartridge, std::string_view engine = kClassicEngineId) {
    m.host = &host;
    host.machine = &m;
    ChooseEngine(m, engine);
    m.Voice = SoundVoice::Console;
    SoundDeviceFactory devices = RecordingMidiFactory(midi);
    devices.pcm = [this] { return std::make_unique<RecordingPcmOut>(pcm); };
    SetSoundDevices(*m.Sound, devices);
    EXPECT_TRUE(StartCartridge(m, cartridge));
  }
  ~SyncRun() { SoundStop(*m.Sound); }

  // What a stretch of running showed, from the last Mark on, and the state
  // it left (the picture included).
  struct Shown {
    std::vector<std::string> log;
    std::vector<uint64_t> pictures;
    std::vector<uint32_t> midi;
    std::vector<uint8_t> state;
    std::vector<ApuWrite> soundWrites;  // the last whole frame's
    std::vector<int16_t> voice;         // the console voice's samples
    bool operator==(const Shown&) const = default;
  };
  void Mark() {
    logFrom_ = host.log.size();
    pictureFrom_ = host.pictures.size();
    midiFrom_ = midi->events.size();
    pcmFrom_ = pcm->size();
  }
  Shown SinceMark() {
    Shown f{{host.log.begin() + static_cast<std::ptrdiff_t>(logFrom_), host.log.end()},
            {host.pictures.begin() + static_cast<std::ptrdiff_t>(pictureFrom_), host.pictures.end()},
            midi->MessagesFrom(midiFrom_),
            {},
            {m.LastFrameSoundWrites.begin(), m.LastFrameSoundWrites.end()},
            {pcm->begin() + static_cast<std::ptrdiff_t>(pcmFrom_), pcm->end()}};
    m.engine->Snapshot(f.state);
    f.state.insert(f.state.end(), m.FrameBuffer.begin(), m.FrameBuffer.end());
    return f;
  }
  // Runs to the next frame start and stops there.
  Shown RunOneFrame() {
    Mark();
    m.Running = true;
    m.engine->Run();
    return SinceMark();
  }

 private:
  size_t logFrom_ = 0, pictureFrom_ = 0, midiFrom_ = 0, pcmFrom_ = 0;
};

// The demo and every test cartridge, copied where their battery files may go.
std::vector<std::string> CartridgeNames() {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(VIREL_ROM_DIR))
    if (entry.path().extension() == ".nes") names.insert(entry.path().stem().string());
  std::vector<std::string> all = {"demo"};
  all.insert(all.end(), names.begin(), names.end());
  return all;
}
std::string CartridgePath(const std::string& name) {
  return name == "demo" ? std::string(VIREL_DEMO_ROM) : std::string(VIREL_ROM_DIR) + "/" + name + ".nes";
}

// A cartridge and the engine that runs it.
struct SyncCase {
  std::string Cartridge;
  std::string_view Engine;
  long Frames;
};
std::vector<SyncCase> SyncCases(std::string_view engine, long frames) {
  std::vector<SyncCase> cases;
  for (const std::string& name : CartridgeNames()) cases.push_back({name, engine, frames});
  return cases;
}

class SnapshotSync : public testing::TestWithParam<SyncCase> {};

// Every frame: snapshot, run a frame, restore, run it again, all inside one
// run loop as rewind will do it. Both runs of the frame show the same log
// lines, pictures and MIDI messages and end in the same state, for 3,000
// frames of scripted play (600 in the console engine, cycle by cycle).
TEST_P(SnapshotSync, EveryFrameReplaysExactlyFromItsSnapshot) {
  const long kFrames = GetParam().Frames;
  ScratchFolder dir;
  const std::filesystem::path cart = dir.path() / (GetParam().Cartridge + ".nes");
  std::filesystem::copy_file(CartridgePath(GetParam().Cartridge), cart);
  SyncRun run(cart.string(), GetParam().Engine);
  std::vector<uint8_t> before;
  SyncRun::Shown first;
  long clock = 0, checked = 0;
  bool replaying = false;
  std::string failure;
  run.host.atFrameStart = [&] {
    if (!before.empty() && !replaying) {
      // The frame has run once: back to its start, with the pad script too.
      first = run.SinceMark();
      if (run.m.engine->Restore(before) != RestoreResult::Restored) failure = "refused";
      run.host.frame = clock;
      replaying = true;
      run.Mark();
      return;
    }
    if (replaying) {
      const SyncRun::Shown again = run.SinceMark();
      if (failure.empty() && !(again == first)) {
        failure = "frame " + std::to_string(checked) +
                  (again.log != first.log                   ? ": log"
                   : again.pictures != first.pictures       ? ": picture"
                   : again.midi != first.midi               ? ": MIDI"
                   : again.soundWrites != first.soundWrites ? ": sound register stream"
                   : again.voice != first.voice             ? ": console voice"
                                                            : ": state");
      }
      replaying = false;
      ++checked;
    }
    if (checked == kFrames || !failure.empty()) {
      run.m.Running = false;
      return;
    }
    run.m.engine->Snapshot(before);
    clock = run.host.frame;
    run.Mark();
  };
  run.m.Running = true;
  run.m.engine->Run();
  EXPECT_EQ(failure, "");
  EXPECT_EQ(checked, kFrames);
}

std::string SyncCaseName(const testing::TestParamInfo<SyncCase>& info) { return info.param.Cartridge; }
INSTANTIATE_TEST_SUITE_P(ProjectCartridges, SnapshotSync,
                         testing::ValuesIn(SyncCases(kClassicEngineId, 3000)), SyncCaseName);
INSTANTIATE_TEST_SUITE_P(ConsoleEngine, SnapshotSync, testing::ValuesIn(SyncCases(kConsoleEngineId, 600)),
                         SyncCaseName);

// Each engine's snapshots carry what the other's cannot take: each refuses
// the other's with its reason and changes nothing.
TEST(Snapshot, EachEngineRefusesTheOthersSnapshots) {
  ScratchFolder dir;
  const std::filesystem::path cart = dir.path() / "demo.nes";
  std::filesystem::copy_file(VIREL_DEMO_ROM, cart);
  SyncRun classic(cart.string(), kClassicEngineId), console(cart.string(), kConsoleEngineId);
  for (SyncRun* run : {&classic, &console}) {
    run->host.atFrameStart = [run] { run->m.Running = run->host.frame < 30; };
    run->m.Running = true;
    run->m.engine->Run();
  }
  std::vector<uint8_t> classicState, consoleState, before, after;
  classic.m.engine->Snapshot(classicState);
  console.m.engine->Snapshot(consoleState);
  const auto refuses = [&](SyncRun& run, const std::vector<uint8_t>& other) {
    run.m.engine->Snapshot(before);
    const RestoreResult result = run.m.engine->Restore(other);
    run.m.engine->Snapshot(after);
    EXPECT_EQ(result, RestoreResult::OtherEngine) << run.m.engine->Id();
    EXPECT_EQ(before, after) << run.m.engine->Id();
  };
  refuses(classic, consoleState);
  refuses(console, classicState);
  // The shared sections are the same in both; the designed engine's own
  // state is in its snapshots alone.
  EXPECT_FALSE(FindSnapshotSection(classicState, kSnapshotTagClassic).empty());
  EXPECT_TRUE(FindSnapshotSection(consoleState, kSnapshotTagClassic).empty());
  EXPECT_EQ(RestoreMessage(RestoreResult::OtherEngine),
            "O estado salvo é do outro motor de emulação; nada foi alterado.");
  // A console snapshot with one byte of its chips changed is refused whole.
  std::vector<uint8_t> damaged = consoleState;
  damaged[damaged.size() - 100] ^= 0x01;
  EXPECT_EQ(console.m.engine->Restore(damaged), RestoreResult::Damaged);
  // One laid out by another build (its layout fingerprint opens the section)
  // is refused as such, with nothing changed.
  std::vector<uint8_t> otherLayout = consoleState;
  const size_t fingerprint =
      FindSnapshotSection(consoleState, kSnapshotTagConsole).data() - consoleState.data();
  otherLayout[fingerprint] ^= 0x01;
  console.m.engine->Snapshot(before);
  EXPECT_EQ(console.m.engine->Restore(otherLayout), RestoreResult::OtherLayout);
  console.m.engine->Snapshot(after);
  EXPECT_EQ(before, after);
  EXPECT_EQ(RestoreMessage(RestoreResult::OtherLayout),
            "O estado salvo é de outra versão do motor Console (preciso); nada foi alterado.");
  EXPECT_EQ(console.m.engine->Restore(consoleState), RestoreResult::Restored);
}

// Two runs of the same cartridge and input, each in a fresh Machine, write
// the same bytes in both engines: nothing of the process (a pointer, stale
// padding, an unheard voice's buffers) reaches a state file, and a state
// restored and saved again is the same file.
TEST(Snapshot, TwoRunsOfTheSameInputWriteIdenticalStates) {
  for (std::string_view engine : {kClassicEngineId, kConsoleEngineId}) {
    SCOPED_TRACE(engine);
    std::vector<uint8_t> states[2];
    for (std::vector<uint8_t>& state : states) {
      SyncRun run(CartridgePath("five_channels"), engine);
      run.host.atFrameStart = [&run] {
        run.m.PadState[0] = static_cast<uint8_t>(run.host.frame * 37);
        run.m.Running = run.host.frame < 45;
      };
      run.m.Running = true;
      run.m.engine->Run();
      run.m.engine->Snapshot(state);
      std::vector<uint8_t> again;
      ASSERT_EQ(run.m.engine->Restore(state), RestoreResult::Restored);
      run.m.engine->Snapshot(again);
      EXPECT_EQ(again, state);
    }
    EXPECT_EQ(states[0], states[1]);
  }
}

// The designed engine's section is its field list, read only as listed: a
// section of the same version written from another list (a field added
// without the version bumped) is refused whole, and nothing changes.
TEST(Snapshot, TheDesignedEnginesSectionOfAnotherListIsRefused) {
  ScratchFolder dir;
  std::filesystem::copy_file(CartridgePath("demo"), dir.path() / "demo.nes");
  SyncRun run(dir.file("demo.nes"));
  for (int i = 0; i < 30; ++i) run.RunOneFrame();
  for (int i = 0; i < 300; ++i) DebugStep(run.m);  // past the frame start: the record as it stands
  std::vector<uint8_t> state, before, after;
  run.m.engine->Snapshot(state);
  const std::span<const uint8_t> own = FindSnapshotSection(state, kSnapshotTagClassic);
  ASSERT_FALSE(own.empty());
  const size_t at = static_cast<size_t>(own.data() - state.data()) - 8;
  const auto withSection = [&](const auto& list) {
    std::vector<uint8_t> out(state.begin(), state.begin() + static_cast<std::ptrdiff_t>(at));
    state::WriteSection(out, kSnapshotTagClassic, kClassicSectionVersion, Classic(run.m), list);
    out.insert(out.end(), state.begin() + static_cast<std::ptrdiff_t>(at + 8 + own.size()), state.end());
    return out;
  };
  // The list as written: the same bytes.
  ASSERT_EQ(withSection([](auto& io, auto& s) { ClassicFields(io, s); }), state);
  const std::vector<uint8_t> lists[] = {
      withSection([](auto& io, auto& s) {  // one field more
        ClassicFields(io, s);
        io(s.Hook == nullptr);
      }),
      withSection([](auto& io, auto& s) {  // two fields in another order
        io(s.Cpu.PC, s.Cpu.A, s.Cpu.P, s.Cpu.X, s.Cpu.Y, s.Cpu.S, s.Cpu.CyclesPerLine, s.Cpu.Cycles);
        io(s.FrameStartHeld, s.PpuCtrl, s.PpuMask, s.PpuStatus, s.OamAddr, s.VramAddr, s.ScrollToggle,
           s.ScrollXWritten, s.ScrollYWritten, s.ScrollX, s.ScrollY, s.ScrollChanged, s.ReadPending);
        io(s.ScanlineCounter, s.Sprite0Line, s.PadBit);
      }),
  };
  for (int i = 0; i < 20; ++i) run.RunOneFrame();
  for (const std::vector<uint8_t>& other : lists) {
    run.m.engine->Snapshot(before);
    EXPECT_EQ(run.m.engine->Restore(other), RestoreResult::NewerFormat);
    run.m.engine->Snapshot(after);
    EXPECT_EQ(before, after);
  }
  EXPECT_EQ(run.m.engine->Restore(state), RestoreResult::Restored);
}

// The same in the designed engine's state files ("Salvar Status"), also
// saved in the middle of a frame, where its processor record and latches
// hold more than at a frame start.
TEST(Snapshot, TwoRunsOfTheSameInputWriteTheSameStateFile) {
  for (const char* name : {"demo", "mmc3_split"}) {
    SCOPED_TRACE(name);
    std::vector<uint8_t> files[2][2];
    for (auto& file : files) {
      ScratchFolder dir;
      WorkingDirectory cwd(dir.path());
      std::filesystem::copy_file(CartridgePath(name), dir.path() / "c.nes");
      SyncRun run(dir.file("c.nes"));
      for (int i = 0; i < 90; ++i) run.RunOneFrame();
      SaveState(run.m);
      file[0] = ReadAll("c.wb");
      for (int i = 0; i < 1500; ++i) DebugStep(run.m);
      SaveState(run.m);
      file[1] = ReadAll("c.wb");
    }
    EXPECT_EQ(files[0][0], files[1][0]) << "at a frame start";
    EXPECT_EQ(files[0][1], files[1][1]) << "mid-frame";
    EXPECT_NE(files[0][0], files[0][1]);
  }
}

// A snapshot of another cartridge, or one cut short or with a window pointed
// outside its memory, is refused with its reason and changes nothing.
TEST(Snapshot, RefusedSnapshotsChangeNothing) {
  ScratchFolder dir;
  std::filesystem::copy_file(CartridgePath("mmc3_split"), dir.path() / "a.nes");
  std::filesystem::copy_file(CartridgePath("sprite_storm"), dir.path() / "b.nes");
  SyncRun a(dir.file("a.nes")), b(dir.file("b.nes"));
  for (int i = 0; i < 30; ++i) {
    a.RunOneFrame();
    b.RunOneFrame();
  }
  std::vector<uint8_t> ofA, ofB, after;
  a.m.engine->Snapshot(ofA);
  b.m.engine->Snapshot(ofB);
  const auto unchanged = [&] {
    b.m.engine->Snapshot(after);
    return after == ofB;
  };

  EXPECT_EQ(b.m.engine->Restore(ofA), RestoreResult::OtherCartridge);
  EXPECT_EQ(RestoreMessage(RestoreResult::OtherCartridge),
            "O estado salvo é de outro cartucho; nada foi alterado.");
  EXPECT_TRUE(unchanged());
  for (size_t cut = 0; cut < ofB.size(); cut += cut < 64 ? 1 : 997) {
    const std::span<const uint8_t> shorter(ofB.data(), cut);
    ASSERT_NE(b.m.engine->Restore(shorter), RestoreResult::Restored) << cut;
  }
  EXPECT_TRUE(unchanged());
  // The last program window (the mapper section's eighth) moved past the end
  // of the program image.
  std::vector<uint8_t> bad = ofB;
  bool moved = false;
  for (size_t at = 16; at + 8 <= bad.size() && !moved;) {
    uint32_t tag = 0, length = 0;
    std::memcpy(&tag, &bad[at], 4);
    std::memcpy(&length, &bad[at + 4], 4);
    if (tag == 0x2050414D) {  // "MAP "
      const size_t window7 = at + 8 + length - 8 * 9 - 8 * 11 + 7 * 11 + 3;
      const int64_t far = int64_t{1} << 40;
      std::memcpy(&bad[window7], &far, 8);
      moved = true;
    }
    at += 8 + length;
  }
  ASSERT_TRUE(moved);
  EXPECT_EQ(b.m.engine->Restore(bad), RestoreResult::Damaged);
  bad = ofB;
  bad[8] = kSnapshotVersion + 1;  // a later format version
  EXPECT_EQ(b.m.engine->Restore(bad), RestoreResult::NewerFormat);
  EXPECT_TRUE(unchanged());
  // A section this reader does not know is skipped.
  // Each section cut short inside a file that stays whole (its length field
  // says so, and the sections after it follow on): refused, not read as a
  // section whose last fields were never written. The memory section 256
  // bytes short, and every other section one byte short. (The console
  // voice's chip is taken whole or rebuilt from the registers, by design.)
  for (size_t at = 16; at + 8 <= ofB.size();) {
    uint32_t tag = 0, length = 0;
    std::memcpy(&tag, &ofB[at], 4);
    std::memcpy(&length, &ofB[at + 4], 4);
    if (tag == 0x20494F56) {  // "VOI "
      at += 8 + length;
      continue;
    }
    const uint32_t cut = std::min<uint32_t>(length, tag == 0x204D454D ? 256 : 1);  // "MEM "
    bad = ofB;
    const uint32_t shorter = length - cut;
    std::memcpy(&bad[at + 4], &shorter, 4);
    bad.erase(bad.begin() + static_cast<std::ptrdiff_t>(at + 8 + shorter),
              bad.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
    EXPECT_EQ(b.m.engine->Restore(bad), RestoreResult::Damaged)
        << std::string(reinterpret_cast<const char*>(&tag), 4) << " " << cut << " bytes short";
    EXPECT_TRUE(unchanged());
    at += 8 + length;
  }
  bad = ofB;
  const uint8_t extra[] = {'N', 'E', 'W', ' ', 3, 0, 0, 0, 1, 2, 3};
  bad.insert(bad.end(), std::begin(extra), std::end(extra));
  EXPECT_EQ(b.m.engine->Restore(bad), RestoreResult::Restored);
  EXPECT_TRUE(unchanged());
}

// A snapshot as the first two formats laid it out: the designed engine's
// state in the processor section and among the picture section's fields, in
// place of its own section. For the first format, the mapper section holds
// the MMC1 and MMC3 registers in named fields in place of the board block.
std::vector<uint8_t> AsLegacyFormat(const std::vector<uint8_t>& snapshot, uint8_t version,
                                    const FirstSnapshotBoardFields& f = {}, uint8_t mmc1Count = 0) {
  const std::span<const uint8_t> classic = FindSnapshotSection(snapshot, kSnapshotTagClassic);
  constexpr size_t kFieldsAt = state::kSectionHead - 8;  // past the version, shape and check
  const auto bytes = [&](size_t from, size_t count) {
    return std::vector<uint8_t>(classic.begin() + static_cast<std::ptrdiff_t>(kFieldsAt + from),
                                classic.begin() + static_cast<std::ptrdiff_t>(kFieldsAt + from + count));
  };
  // The engine's fields after the section's head: registers and
  // slice (15 bytes), the held frame start, 13 bytes of latches, the line
  // count, the sprite-0 line, the pads' shift positions.
  std::vector<uint8_t> cpu = bytes(0, 15);
  cpu.resize(15 + 6 + 1);  // the six retired bytes stay zero
  cpu.back() = classic[kFieldsAt + 15];
  std::vector<uint8_t> out(snapshot.begin(), snapshot.begin() + 16);
  out[8] = version;
  const auto append = [&](const char(&tag)[5], const std::vector<uint8_t>& body) {
    const uint32_t code = SnapshotTag(tag), length = static_cast<uint32_t>(body.size());
    out.insert(out.end(), reinterpret_cast<const uint8_t*>(&code),
               reinterpret_cast<const uint8_t*>(&code) + 4);
    out.insert(out.end(), reinterpret_cast<const uint8_t*>(&length),
               reinterpret_cast<const uint8_t*>(&length) + 4);
    out.insert(out.end(), body.begin(), body.end());
  };
  append("CPU ", cpu);
  for (size_t at = 16; at < snapshot.size();) {
    uint32_t tag = 0, length = 0;
    std::memcpy(&tag, &snapshot[at], 4);
    std::memcpy(&length, &snapshot[at + 4], 4);
    const std::vector<uint8_t> body(snapshot.begin() + static_cast<std::ptrdiff_t>(at + 8),
                                    snapshot.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
    at += 8 + length;
    std::vector<uint8_t> old = body;
    if (tag == kSnapshotTagClassic) continue;
    if (tag == SnapshotTag("VOI ")) {  // the heard voice's chip as raw bytes
      ConsoleVoice chip;
      EXPECT_EQ(state::ReadSection(body, 1, chip, [](auto& io, auto& v) { VoiceFields(io, v); }),
                state::SectionVerdict::Read);
      old.assign(reinterpret_cast<const uint8_t*>(&chip), reinterpret_cast<const uint8_t*>(&chip + 1));
    }
    if (tag == SnapshotTag("PPU ")) {  // mirror mask, skip count, pads, palette flag, colours
      old = bytes(16, 13);
      const auto from = [&](const std::vector<uint8_t>& v, size_t at, size_t count) {
        old.insert(old.end(), v.begin() + static_cast<std::ptrdiff_t>(at),
                   v.begin() + static_cast<std::ptrdiff_t>(at + count));
      };
      from(body, 0, 4);
      from(bytes(29, 4), 0, 4);
      from(body, 4, 4);
      from(bytes(33, 4), 0, 4);
      from(body, 8, 2);
      from(bytes(37, 2), 0, 2);
      from(body, 10, body.size() - 10);
    }
    if (tag == SnapshotTag("MAP ") && version == 1) {  // flags, mirroring, bank mask, counter, latch, enable
      constexpr size_t kBlockAt = 4 + 1 + 1 + 2 + 2 + 1;
      uint8_t fields[12];
      std::memcpy(fields, f.Mmc1Regs.data(), 4);
      fields[4] = f.Mmc1Shift;
      fields[5] = mmc1Count;
      fields[6] = f.Mmc1PrgHigh;
      std::memcpy(fields + 7, &f.Mmc1MirrorExtra, 2);
      fields[9] = f.Mmc3Select;
      std::memcpy(fields + 10, &f.Mmc3ChrInvert, 2);
      old.erase(old.begin() + kBlockAt, old.begin() + kBlockAt + sizeof(BoardState));
      old.insert(old.begin() + kBlockAt, std::begin(fields), std::end(fields));
    }
    char name[5] = {};
    std::memcpy(name, &tag, 4);
    append(name, old);
  }
  return out;
}

// Snapshots already in users' state files restore exactly: the designed
// engine's state comes from where the older formats kept it, the first
// format's MMC1 and MMC3 registers land in the board's own, and a
// first-format MMC1 count past four is still refused.
TEST(Snapshot, EarlierFormatSnapshotsRestoreExactly) {
  for (const char* name : {"mmc1_banks", "mmc3_split"}) {
    SCOPED_TRACE(name);
    ScratchFolder dir;
    std::filesystem::copy_file(CartridgePath(name), dir.path() / "c.nes");
    SyncRun run(dir.file("c.nes"));
    for (int i = 0; i < 45; ++i) run.RunOneFrame();
    // A select write alone moves no bank, and the game writes its own again
    // before its next bank write; some instructions into the frame, the
    // processor and latches hold more than a frame start's.
    if (run.m.MapperNumber == 4) MemWrite(run.m, 0x8000, 0xC6);
    for (int i = 0; i < 700; ++i) DebugStep(run.m);
    ASSERT_NE(run.m.BoardRegs, BoardState{}) << "the registers must hold something to carry";
    FirstSnapshotBoardFields f;
    if (run.m.MapperNumber == 1) {
      const Mmc1State& r = BoardStateAs<Mmc1State>(run.m);
      f = {r.Regs, r.Shift, r.Count, r.PrgHigh, r.MirrorExtra, 0, 0};
    } else {
      const Mmc3State& r = BoardStateAs<Mmc3State>(run.m);
      f.Mmc3Select = r.Select;
      f.Mmc3ChrInvert = r.ChrInvert;
    }
    std::vector<uint8_t> now, later, after;
    run.m.engine->Snapshot(now);
    for (int i = 0; i < 20; ++i) run.RunOneFrame();
    run.m.engine->Snapshot(later);

    EXPECT_EQ(run.m.engine->Restore(AsLegacyFormat(now, 1, f, 5)), RestoreResult::Damaged);
    run.m.engine->Snapshot(after);
    EXPECT_EQ(after, later);
    for (const std::vector<uint8_t>& earlier :
         {AsLegacyFormat(now, 1, f, f.Mmc1Count), AsLegacyFormat(now, 2)}) {
      ASSERT_EQ(run.m.engine->Restore(earlier), RestoreResult::Restored) << int{earlier[8]};
      run.m.engine->Snapshot(after);
      EXPECT_EQ(after, now) << int{earlier[8]};
      for (int i = 0; i < 2; ++i) run.RunOneFrame();
    }
  }
}

// "Salvar Status" files: the three memories, then the snapshot. Cut back to
// the memories, a file loads them alone as it always has; another
// cartridge's file is refused and leaves the game as it was.
TEST(Snapshot, StateFilesKeepTheirMemoriesFirst) {
  ScratchFolder dir;
  WorkingDirectory cwd(dir.path());
  std::filesystem::copy_file(CartridgePath("demo"), dir.path() / "demo.nes");
  std::filesystem::copy_file(CartridgePath("video_scroll"), dir.path() / "other.nes");
  SyncRun run(dir.file("demo.nes"));
  for (int i = 0; i < 40; ++i) run.RunOneFrame();
  SaveState(run.m);
  const auto ram = run.m.Ram;
  const auto vram = run.m.Vram;
  for (int i = 0; i < 40; ++i) run.RunOneFrame();
  ASSERT_NE(run.m.Ram, ram);

  std::vector<uint8_t> file = ReadAll("demo.wb");
  file.resize(18691);
  WriteAll("demo.wb", file);
  const TCpuState cpu = Classic(run.m).Cpu;
  LoadState(run.m);
  EXPECT_EQ(run.host.log.back(), "Arquivo carregado com sucesso.");
  EXPECT_EQ(run.m.Ram, ram);
  EXPECT_EQ(run.m.Vram, vram);
  EXPECT_EQ(Classic(run.m).Cpu.PC, cpu.PC) << "only the memories come from a file without a snapshot";

  SyncRun other(dir.file("other.nes"));
  for (int i = 0; i < 10; ++i) other.RunOneFrame();
  SaveState(other.m);
  std::filesystem::rename("other.wb", "demo.wb");
  std::vector<uint8_t> before, after;
  run.m.engine->Snapshot(before);
  LoadState(run.m);
  EXPECT_EQ(run.host.log.back(), "O estado salvo é de outro cartucho; nada foi alterado.");
  run.m.engine->Snapshot(after);
  EXPECT_EQ(before, after);
}

// The notes a synthesiser fed `recording` is sounding, per channel.
std::array<int, 5> Sounding(const MidiRecording& recording) {
  std::array<int, 5> note{};
  for (const MidiEvent& e : recording.events) {
    if (e.kind == MidiEvent::Kind::Reset) note.fill(0);
    const int channel = e.message & 0x0F;
    if (e.kind != MidiEvent::Kind::Message || channel >= 5) continue;
    const int key = (e.message >> 8) & 0x7F, velocity = (e.message >> 16) & 0x7F;
    if ((e.message & 0xF0) == 0x90) note[channel] = velocity ? key : 0;
    if ((e.message & 0xF0) == 0x80 && note[channel] == key) note[channel] = 0;
  }
  return note;
}

// A state saved while the game stands paused and loaded in a new process
// (a fresh synthesiser that has heard nothing): from the second frame on the
// synthesiser sounds what the uninterrupted run sounds, held notes included.
TEST(Snapshot, AStatePausedAndLoadedAfreshSoundsTheNotesOfItsSave) {
  ScratchFolder dir;
  for (std::string_view engine : {kClassicEngineId, kConsoleEngineId}) {
    for (const std::string name : {"demo", "five_channels"}) {
      SCOPED_TRACE(std::string(engine) + " " + name);
      const std::filesystem::path cart = dir.path() / (name + ".nes");
      if (!std::filesystem::exists(cart)) std::filesystem::copy_file(CartridgePath(name), cart);
      for (long save : {60L, 97L, 150L}) {
        std::array<int, 5> uninterrupted{}, loaded{};
        SyncRun whole(cart.string(), engine);
        whole.host.atFrameStart = [&] {
          if (whole.host.frame == save + 2) uninterrupted = Sounding(*whole.midi);
          if (whole.host.frame >= save + 2) whole.m.Running = false;
        };
        whole.m.engine->Run();

        std::vector<uint8_t> state;
        {
          SyncRun paused(cart.string(), engine);
          paused.host.atFrameStart = [&] {
            if (paused.host.frame >= save) paused.m.Running = false;
          };
          paused.m.engine->Run();
          paused.m.engine->Snapshot(state);
        }
        SyncRun fresh(cart.string(), engine);
        ASSERT_EQ(fresh.m.engine->Restore(state), RestoreResult::Restored);
        fresh.host.frame = save;
        fresh.host.atFrameStart = [&] {
          if (fresh.host.frame == save + 2) loaded = Sounding(*fresh.midi);
          if (fresh.host.frame >= save + 2) fresh.m.Running = false;
        };
        fresh.m.engine->Run();
        EXPECT_EQ(loaded, uninterrupted) << "saved at frame " << save;
      }
    }
  }
}

}  // namespace
