// The life of a cartridge end to end: real images through the loader, the
// run loop and the scanline hook, with a host that records what the front
// end is asked to do and stops after a number of frames.
#include "cartridge/Lifecycle.h"

#include <gtest/gtest.h>

#include <functional>

#include "cartridge/RomLoader.h"
#include "cartridge/SaveState.h"
#include "engine/classic/ClassicEngine.h"
#include "engine/classic/cpu/MF6502.h"
#include "engine/classic/video/MemoryMap.h"
#include "engine/classic/video/ScanlineHook.h"
#include "support/RomFiles.h"
#include "support/ScratchFolder.h"
#include "support/TestMachine.h"

namespace {

const std::string kBatteryRom = VIREL_ROM_DIR "/battery.nes";

// Log lines and front-end calls in one sequence, so their order is checked.
class LifecycleHost : public RecordingHost {
 public:
  Machine* machine = nullptr;
  std::vector<std::string> events;
  int frames = 0;
  int budget = 2;
  int deepestLoop = 0;
  bool sound = false;
  std::function<void(int)> atFrame;

  void AppendLog(std::string_view line) override {
    RecordingHost::AppendLog(line);
    events.emplace_back(line);
  }
  void PrepareDisplay() override { events.push_back("<prepare display>"); }
  void LeaveDisplay() override { events.push_back("<leave display>"); }
  void SetCartridgeItemsEnabled(bool on) override { events.push_back(on ? "<items on>" : "<items off>"); }
  void SetStatusText(std::string_view text) override {
    events.push_back("<status " + std::string(text) + ">");
  }
  bool SoundEnabled() const override { return sound; }
  void ProcessMessages() override {
    ++frames;
    deepestLoop = std::max(deepestLoop, machine->RunLoopDepth);
    if (atFrame) atFrame(frames);
    if (frames >= budget) machine->Running = false;
  }
};

struct Rig {
  LifecycleHost host;
  Machine m;
  Rig() {
    m.host = &host;
    host.machine = &m;
  }
};

std::string CopyRom(const std::string& from, const ScratchFolder& dir, const std::string& name) {
  std::filesystem::copy_file(from, dir.path() / name);
  return (dir.path() / name).string();
}

std::vector<uint8_t> Counting(size_t n) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(i);
  return bytes;
}

}  // namespace

TEST(Lifecycle, ALoadAndUnloadLogAndAskTheFrontEndInOrder) {
  ScratchFolder dir;
  const std::string rom = CopyRom(VIREL_DEMO_ROM, dir, "demo.nes");
  Rig r;
  LoadAndStart(r.m, rom);
  EXPECT_EQ(r.host.frames, 2);
  EXPECT_FALSE(r.m.Running);
  UnloadCartridge(r.m);
  const std::vector<std::string> expected = {"",
                                             "Carregando Arquivo: \"demo.nes\"...",
                                             "[2] of PRG Rom",
                                             "[1] of CHR Ram",
                                             "Tamanho do cartucho : [40 Kb]",
                                             "Carregando Mapper #No Mapper...",
                                             "<items on>",
                                             "resetando 6502...",
                                             "6502 iniciado.",
                                             "<prepare display>",
                                             "<status DEMO.NES>",
                                             "6502 terminado.",
                                             "<leave display>",
                                             "Cartucho Descarregado.",
                                             "<status >"};
  EXPECT_EQ(r.host.events, expected);
  // No battery bit: no file beside the cartridge.
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "demo.sav"));
}

TEST(Lifecycle, BatteryRamSurvivesAnUnloadAndComesBackAtTheNextStart) {
  ScratchFolder dir;
  const std::string rom = CopyRom(kBatteryRom, dir, "jogo.nes");
  Rig r;
  LoadAndStart(r.m, rom);
  ASSERT_EQ(MemPeek(r.m, 0x6000), 1);  // the cartridge counts its starts
  EXPECT_EQ(r.host.log[5], "Arquivo de bateria não achado.");
  UnloadCartridge(r.m);
  EXPECT_EQ(r.host.log[r.host.log.size() - 2], "Salvando arquivo de bateria \"jogo.sav\".");
  const std::vector<uint8_t> saved = ReadAll(dir.path() / "jogo.sav");
  ASSERT_EQ(saved.size(), 8192u);
  EXPECT_EQ(saved[0], 1);
  EXPECT_EQ(std::vector<uint8_t>(saved.begin() + 0x100, saved.begin() + 0x200), Counting(256));

  // Unloading leaves nothing of the cartridge behind.
  EXPECT_FALSE(r.m.CartridgeLoaded());
  EXPECT_TRUE(r.m.ChrRom.empty());
  EXPECT_EQ(r.m.RomFileName, "");
  EXPECT_EQ(r.m.RomFolder, "");
  EXPECT_EQ(r.m.BatteryRam, decltype(r.m.BatteryRam){});
  EXPECT_EQ(r.m.CpuBankTable[3].Base, nullptr);

  r.host.frames = 0;
  r.host.log.clear();
  LoadAndStart(r.m, rom);
  EXPECT_EQ(r.host.log[5], "Carregando arquivo de bateria \"jogo.sav\".");
  EXPECT_EQ(MemPeek(r.m, 0x6000), 2);
  EXPECT_EQ(MemPeek(r.m, 0x61FF), 0xFF);
}

TEST(Lifecycle, AShortBatteryFileFillsOnlyItsFirstBytes) {
  ScratchFolder dir;
  const std::string rom = CopyRom(kBatteryRom, dir, "jogo.nes");
  std::vector<uint8_t> file(100, 0xC3);
  file[0] = 41;
  WriteAll(dir.path() / "jogo.sav", file);
  Rig r;
  LoadAndStart(r.m, rom);
  EXPECT_EQ(MemPeek(r.m, 0x6000), 42);
  EXPECT_EQ(MemPeek(r.m, 0x6063), 0xC3);
  for (uint16_t a = 0x6064; a < 0x6100; ++a) ASSERT_EQ(MemPeek(r.m, a), 0) << std::hex << a;
  EXPECT_EQ(MemPeek(r.m, 0x7FFF), 0);
}

TEST(Lifecycle, ImagesNamedAlikeUpToTheFirstFullStopShareTheBatteryFile) {
  ScratchFolder dir;
  Rig r;
  LoadAndStart(r.m, CopyRom(kBatteryRom, dir, "a.b.nes"));
  UnloadCartridge(r.m);
  ASSERT_TRUE(std::filesystem::exists(dir.path() / "a.sav"));
  LoadAndStart(r.m, CopyRom(kBatteryRom, dir, "a.c.nes"));
  EXPECT_EQ(MemPeek(r.m, 0x6000), 2);
}

TEST(Lifecycle, UnloadWithNothingLoadedClearsTheMemoriesAndWritesNoFile) {
  ScratchFolder dir;
  WorkingDirectory cwd(dir.path());
  Rig r;
  r.m.Ram[5] = r.m.Vram[0x2000] = r.m.Oam[3] = r.m.BatteryRam[9] = 0x5A;
  r.m.CartFlags = kCartBattery;  // a battery bit left from an earlier cartridge
  UnloadCartridge(r.m);
  EXPECT_EQ(r.host.log, (std::vector<std::string>{"6502 terminado.", "Cartucho Descarregado."}));
  EXPECT_EQ(r.m.Ram[5] | r.m.Vram[0x2000] | r.m.Oam[3] | r.m.BatteryRam[9], 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(Lifecycle, StartingAnotherCartridgeFromInsideTheRunLoopDoesNotNestLoops) {
  ScratchFolder dir;
  const std::string first = CopyRom(kBatteryRom, dir, "um.nes");
  const std::string second = CopyRom(VIREL_DEMO_ROM, dir, "dois.nes");
  Rig r;
  r.host.budget = 10;
  r.host.atFrame = [&](int frame) {
    if (frame == 3) LoadAndStart(r.m, second);  // as the open dialog does
  };
  LoadAndStart(r.m, first);
  EXPECT_EQ(r.host.frames, 10);
  EXPECT_EQ(r.host.deepestLoop, 1);
  EXPECT_EQ(r.m.RomFileName, "dois.nes");
  EXPECT_EQ(MemPeek(r.m, 0x6000), 0);  // the second started on cleared memories
  // The first was unloaded, battery written, before the second was read.
  const auto& ev = r.host.events;
  const auto saved = std::find(ev.begin(), ev.end(), "Salvando arquivo de bateria \"um.sav\".");
  const auto read = std::find(ev.begin(), ev.end(), "Carregando Arquivo: \"dois.nes\"...");
  ASSERT_NE(saved, ev.end());
  ASSERT_NE(read, ev.end());
  EXPECT_LT(saved, read);
  EXPECT_EQ(std::count(ev.begin(), ev.end(), "<items off>"), 1);
  EXPECT_EQ(ReadAll(dir.path() / "um.sav")[0], 1);
}

TEST(Lifecycle, AResetFromInsideTheRunLoopCarriesOnAtTheSameLevel) {
  ScratchFolder dir;
  Rig r;
  r.host.budget = 6;
  r.host.atFrame = [&](int frame) {
    if (frame != 2) return;
    // The reset command: stop, reset, run again.
    r.m.Running = false;
    ResetMachine(r.m);
    RunOrContinue(r.m);
  };
  LoadAndStart(r.m, CopyRom(kBatteryRom, dir, "jogo.nes"));
  EXPECT_EQ(r.host.frames, 6);
  EXPECT_EQ(r.host.deepestLoop, 1);
  EXPECT_EQ(std::count(r.host.log.begin(), r.host.log.end(), "resetando 6502..."), 2);
  EXPECT_EQ(MemPeek(r.m, 0x6000), 2);  // the program ran from its reset vector again
}

// A restart given inside the hook's message processing: the loop must go on
// as a fresh one would, from the reset vector (or from where the debugger
// left the processor), with nothing of the interrupted frame start after it.
// The cartridge's counter stands at 1 with its interrupt armed, so a leftover
// mapper clock would fire an interrupt into the restarted machine.
struct RestartRig : Rig {
  ScratchFolder dir;
  std::string rom = CopyRom(VIREL_ROM_DIR "/restart_irq.nes", dir, "reinicio.nes");
  uint8_t Ram(uint16_t at) { return MemPeek(m, at); }
  void ArmCounterAtOne() {
    m.IrqCounter = 1;
    m.IrqEnabled = true;
  }
};

TEST(RestartInsideTheHook, AResetTakesNoCounterInterruptAheadOfTheResetHandler) {
  RestartRig r;
  r.host.budget = 4;
  r.host.atFrame = [&](int frame) {
    if (frame != 2) return;
    r.ArmCounterAtOne();
    // The Reset command.
    r.m.Running = false;
    ResetMachine(r.m);
    RunOrContinue(r.m);
  };
  LoadAndStart(r.m, r.rom);
  EXPECT_EQ(r.Ram(0x0300), 2);  // the reset handler ran twice
  EXPECT_EQ(r.Ram(0x0301), 0) << "interrupted $" << std::hex << (r.Ram(0x0303) | r.Ram(0x0304) << 8);
  EXPECT_FALSE(r.m.LoopRestarted);
}

TEST(RestartInsideTheHook, ACartridgeStartedFromTheMenuBeginsAtItsResetHandler) {
  RestartRig r;
  r.host.budget = 4;
  // Every hook call notes the line it handles, so the restart's first is seen.
  Classic(r.m).Hook = [](Machine& m) -> uint8_t {
    static_cast<LifecycleHost*>(m.host)->events.push_back(
        "<line " + std::to_string((Classic(m).ScanlineCounter + 1) % 244) + ">");
    return ScanlineHook(m);
  };
  r.host.atFrame = [&](int frame) {
    if (frame != 2) return;
    r.ArmCounterAtOne();
    r.host.events.push_back("<restart>");
    LoadAndStart(r.m, r.rom);  // as a recent or favourite item does
  };
  LoadAndStart(r.m, r.rom);
  EXPECT_EQ(r.host.deepestLoop, 1);
  EXPECT_EQ(r.Ram(0x0300), 1);  // the new cartridge's memory started cleared
  EXPECT_EQ(r.Ram(0x0301), 0) << "interrupted $" << std::hex << (r.Ram(0x0303) | r.Ram(0x0304) << 8);
  const auto& ev = r.host.events;
  auto restart = std::find(ev.begin(), ev.end(), "<restart>");
  ASSERT_NE(restart, ev.end());
  auto next = std::find_if(restart, ev.end(), [](const std::string& e) { return e.rfind("<line ", 0) == 0; });
  ASSERT_NE(next, ev.end());
  EXPECT_EQ(*next, "<line 1>");  // the new loop's first hook call handles line 1
}

TEST(RestartInsideTheHook, AfterTheDebuggerClosesTheSliceGoesOnAsTheDebuggerLeftIt) {
  RestartRig r;
  r.host.budget = 4;
  int cyclesLeft = 0, lineLeft = 0;
  uint8_t loopsAtClose = 0;
  r.host.atFrame = [&](int frame) {
    if (frame != 2) return;
    // The Debug command: stop, step in the debugger, close, run again.
    r.m.Running = false;
    DebugStep(r.m);  // ends the slice that the hook interrupted
    while (Classic(r.m).Cpu.Cycles > 64) DebugStep(r.m);
    cyclesLeft = Classic(r.m).Cpu.Cycles;
    lineLeft = Classic(r.m).ScanlineCounter;
    loopsAtClose = r.Ram(0x20);
    r.ArmCounterAtOne();
    r.m.Running = true;
    RunOrContinue(r.m);
  };
  LoadAndStart(r.m, r.rom);
  ASSERT_GT(cyclesLeft, 0);
  EXPECT_EQ(lineLeft, 1);
  // The counter fired once, on the next line's hook call: only after the
  // rest of the debugger's slice had run (8 cycles a loop round), never at
  // once on the old frame start's leftover mapper clock.
  EXPECT_EQ(r.Ram(0x0301), 1);
  const int rounds = static_cast<uint8_t>(r.Ram(0x0302) - loopsAtClose);
  EXPECT_GE(rounds, cyclesLeft / 8 - 1);
  EXPECT_LE(rounds, cyclesLeft / 8 + 1);
}

TEST(Lifecycle, RefusedImagesAndUnsupportedMappersStartNothing) {
  ScratchFolder dir;
  WriteAll(dir.path() / "bad.nes", std::vector<uint8_t>(64, 'M'));
  std::vector<uint8_t> mapper250 = MakeInesImage(2, 1, 0xA1, 0xF0);
  WriteAll(dir.path() / "exotic.nes", mapper250);
  for (const char* name : {"bad.nes", "exotic.nes"}) {
    Rig r;
    LoadAndStart(r.m, (dir.path() / name).string());
    EXPECT_EQ(r.host.frames, 0) << name;
    EXPECT_FALSE(r.m.Running) << name;
    EXPECT_EQ(std::count(r.host.events.begin(), r.host.events.end(), "<items on>"), 0) << name;
    EXPECT_EQ(std::count(r.host.events.begin(), r.host.events.end(), "<prepare display>"), 0) << name;
  }
  // An unsupported mapper is found out before anything is installed.
  Rig r;
  LoadAndStart(r.m, (dir.path() / "exotic.nes").string());
  EXPECT_FALSE(r.m.CartridgeLoaded());
  EXPECT_EQ(r.host.log.back(), "* iNES mapper #250 não suportado.");
}

// A file that is refused while a game runs: what the window does when the
// player opens it from inside the run loop. The game must go on untouched.
struct RefusedWhileRunning {
  const char* name;
  std::vector<uint8_t> bytes;  // none: the file does not exist
  bool thrown;
  std::vector<std::string> lines;  // logged after "Carregando Arquivo: ..."
};

TEST(Lifecycle, ARefusedFileLeavesTheRunningCartridgeAsItWas) {
  auto cut = MakeInesImage(2, 1);
  cut.resize(1000);
  const std::string text = "Isto nao e um cartucho.\n";
  const RefusedWhileRunning cases[] = {
      {"leia.txt", {text.begin(), text.end()}, false, {"Arquivo não suportado: Ist"}},
      {"cortado.nes", cut, true, {"[2] of PRG Rom", "[1] of CHR Ram", "Tamanho do cartucho : [40 Kb]"}},
      {"sumiu.nes", {}, true, {}},
      {"vazio.nes",
       MakeInesImage(0, 1),
       false,
       {"[0] of PRG Rom", "[1] of CHR Ram", "Tamanho do cartucho : [8 Kb]",
        "Arquivo não suportado: nenhum banco de PRG Rom."}},
      {"namco.nes",
       MakeInesImage(1, 1, 0x30, 0x10),
       false,
       {"[1] of PRG Rom", "[1] of CHR Ram", "Tamanho do cartucho : [24 Kb]",
        "Carregando Mapper #Namcot 106 chip...", "* iNES mapper #19 não suportado."}},
  };
  for (const RefusedWhileRunning& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder dir;
    const std::string game = CopyRom(kBatteryRom, dir, "um.nes");
    const std::string refused = dir.file(c.name);
    if (!c.bytes.empty()) WriteAll(refused, c.bytes);
    Rig r;
    r.host.budget = 6;
    std::vector<uint8_t> prgBefore;
    size_t eventsBefore = 0;
    bool started = false, thrown = false, runningAfter = false;
    r.host.atFrame = [&](int frame) {
      if (frame != 3) return;
      prgBefore = r.m.PrgRom;
      eventsBefore = r.host.events.size();
      try {
        started = StartCartridge(r.m, refused);
      } catch (const RomLoadError&) {
        thrown = true;
      }
      runningAfter = r.m.Running;
    };
    LoadAndStart(r.m, game);
    EXPECT_FALSE(started);
    EXPECT_EQ(thrown, c.thrown);
    // The loop went on with the same game to the end of its frames.
    EXPECT_TRUE(runningAfter);
    EXPECT_EQ(r.host.frames, 6);
    EXPECT_EQ(r.m.RomFileName, "um.nes");
    EXPECT_EQ(r.m.PrgRom, prgBefore);
    EXPECT_EQ(MemPeek(r.m, 0x6000), 1);  // its battery RAM as it started
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "um.sav"));
    // Only the loader's lines and the reason: nothing unloaded, no menus.
    std::vector<std::string> expected = {"", "Carregando Arquivo: \"" + std::string(c.name) + "\"..."};
    expected.insert(expected.end(), c.lines.begin(), c.lines.end());
    EXPECT_EQ(std::vector<std::string>(r.host.events.begin() + static_cast<std::ptrdiff_t>(eventsBefore),
                                       r.host.events.end()),
              expected);
  }
}

TEST(Lifecycle, FileErrorsPropagateAndAFailedBatteryWriteKeepsEverything) {
  ScratchFolder dir;
  Rig r;
  EXPECT_THROW(LoadAndStart(r.m, (dir.path() / "absent.nes").string()), RomLoadError);

  LoadAndStart(r.m, CopyRom(kBatteryRom, dir, "jogo.nes"));
  // A folder in the temporary file's way makes the battery write fail.
  std::filesystem::create_directories(dir.path() / "jogo.sav.tmp" / "x");
  EXPECT_THROW(UnloadCartridge(r.m), std::runtime_error);
  EXPECT_FALSE(r.m.Running);
  EXPECT_TRUE(r.m.CartridgeLoaded());
  EXPECT_EQ(MemPeek(r.m, 0x6000), 1);
  EXPECT_NE(r.host.log.back(), "Cartucho Descarregado.");
}

TEST(Lifecycle, ResetClearsTheRegistersAndKeepsTheMemories) {
  TestMachine t;
  ASSERT_TRUE(InstallCartridge(t.m, 2, 1));
  t.m.IoRegs.fill(0x11);
  t.m.PadState = {0xFF, 0xFF};
  Classic(t.m).PadBit = {3, 4};
  Classic(t.m).PpuCtrl = Classic(t.m).PpuMask = Classic(t.m).PpuStatus = Classic(t.m).OamAddr = 0x80;
  Classic(t.m).VramAddr = 0x2345;
  Classic(t.m).ScrollX = Classic(t.m).ScrollY = Classic(t.m).ScrollXWritten = Classic(t.m).ScrollYWritten = 7;
  Classic(t.m).ScrollToggle = 1;
  Classic(t.m).ReadPending = false;
  Classic(t.m).ScanlineCounter = 100;
  t.m.SkipCounter = 2;
  t.m.Ram[0] = t.m.Vram[0x3F00] = t.m.Oam[0] = t.m.BatteryRam[0] = 0x33;
  ResetMachine(t.m);
  for (int i = 0; i < 0x18; ++i) EXPECT_EQ(t.m.IoRegs[i], i < 15 ? 0 : 0x11) << "$40" << std::hex << i;
  EXPECT_EQ(t.m.PadState[0] | t.m.PadState[1] | Classic(t.m).PadBit[0] | Classic(t.m).PadBit[1], 0);
  EXPECT_EQ(Classic(t.m).PpuCtrl | Classic(t.m).PpuMask | Classic(t.m).PpuStatus | Classic(t.m).OamAddr |
                Classic(t.m).VramAddr,
            0);
  EXPECT_EQ(Classic(t.m).ScrollX | Classic(t.m).ScrollY | Classic(t.m).ScrollXWritten |
                Classic(t.m).ScrollYWritten | Classic(t.m).ScrollToggle,
            0);
  EXPECT_TRUE(Classic(t.m).ReadPending);
  EXPECT_EQ(Classic(t.m).ScanlineCounter, 0);
  EXPECT_EQ(t.m.SkipCounter, 0);
  EXPECT_EQ(t.m.Ram[0] & t.m.Vram[0x3F00] & t.m.Oam[0] & t.m.BatteryRam[0], 0x33);
  EXPECT_EQ(t.host.log.back(), "resetando 6502...");
  // The program counter comes from the reset vector of the last bank (bank 1).
  EXPECT_EQ(Classic(t.m).Cpu.PC, 0x0101);
}

TEST(Lifecycle, SavingAndLoadingAStateAtOnceChangesNothingThatFollows) {
  ScratchFolder dir;
  WorkingDirectory cwd(dir.path());
  const std::string rom = CopyRom(VIREL_DEMO_ROM, dir, "demo.nes");
  Rig straight, saved;
  straight.host.budget = 90;
  LoadAndStart(straight.m, rom);

  saved.host.budget = 60;
  LoadAndStart(saved.m, rom);
  SaveState(saved.m);
  LoadState(saved.m);
  EXPECT_EQ(saved.host.log.back(), "Arquivo carregado com sucesso.");
  saved.host.budget = 90;
  RunOrContinue(saved.m);

  EXPECT_EQ(saved.host.frames, 90);
  EXPECT_EQ(saved.m.FrameBuffer, straight.m.FrameBuffer);
  EXPECT_EQ(saved.m.FrameColors, straight.m.FrameColors);
  EXPECT_EQ(saved.m.Ram, straight.m.Ram);
}
