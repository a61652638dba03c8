// The headless runner as automation uses it: a process with options, its
// output, its exit status and the files it writes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <set>
#include <sstream>

#include "cartridge/Lifecycle.h"
#include "cartridge/RomLoader.h"
#include "core/VersionNumber.h"
#include "debugger/Disassembler.h"
#include "support/AudioAnalysis.h"
#include "support/RomFiles.h"
#include "support/ScratchFolder.h"
#include "support/TestMachine.h"

namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs virel-run with `args` in folder `cwd`, capturing both streams;
// `environment` ("NAME=value ...") is set for virel-run alone.
Outcome RunVirel(const ScratchFolder& cwd, const std::string& args, const std::string& environment = "") {
  const std::string out = cwd.file("stdout.txt"), err = cwd.file("stderr.txt");
  const std::string command = "cd '" + cwd.path().string() + "' && " + environment + " '" VIREL_RUN_EXE "' " +
                              args + " >'" + out + "' 2>'" + err + "'";
  const int raw = std::system(command.c_str());
  Outcome o;
  o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  const auto text = [](const std::string& path) {
    const std::vector<uint8_t> bytes = ReadAll(path);
    return std::string(bytes.begin(), bytes.end());
  };
  o.out = text(out);
  o.err = text(err);
  return o;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
  WriteAll(path, std::vector<uint8_t>(text.begin(), text.end()));
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

const std::string kDemo = "'" VIREL_DEMO_ROM "'";

}  // namespace

// The demo's picture at frame 120. A change here means the demo, the
// renderer, the hook or the processor now shows something else: look at
// the screenshot before updating it.
TEST(VirelRun, DemoFrame120MatchesItsGoldenHash) {
  ScratchFolder dir;
  const Outcome o = RunVirel(dir, "--frames 120 --hash " + kDemo);
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "hash=CB830E2C1776652E\n");
}

TEST(VirelRun, ScreenshotIsAn8BitBitmapOfTheDemo) {
  ScratchFolder dir;
  const Outcome o = RunVirel(dir, "--frames 120 --screenshot s.bmp --log log.txt " + kDemo);
  ASSERT_EQ(o.status, 0) << o.err;
  const std::vector<uint8_t> bmp = ReadAll(dir.path() / "s.bmp");
  ASSERT_EQ(bmp.size(), 14u + 40 + 1024 + 256 * 240);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  EXPECT_EQ(Le32(bmp, 10), 1078u);  // pixels after the headers and the colour table
  EXPECT_EQ(Le32(bmp, 18), 256u);
  EXPECT_EQ(Le32(bmp, 22), 240u);
  EXPECT_EQ(bmp[28], 8);
  // The demo shows its title: white text (palette entry 3 is $30) and at
  // least a dozen distinct colours in use.
  EXPECT_EQ(std::vector<uint8_t>(bmp.begin() + 54 + 3 * 4, bmp.begin() + 54 + 3 * 4 + 3),
            (std::vector<uint8_t>{255, 255, 255}));
  std::set<uint8_t> used(bmp.begin() + 1078, bmp.end());
  EXPECT_GE(used.size(), 12u);
  const std::vector<uint8_t> logBytes = ReadAll(dir.path() / "log.txt");
  const std::vector<std::string> log = Lines(std::string(logBytes.begin(), logBytes.end()));
  EXPECT_NE(std::find(log.begin(), log.end(), "salvar screen como \"s.bmp\"."), log.end());
  EXPECT_TRUE(o.err.empty()) << o.err;
}

TEST(VirelRun, PadInputFromAScriptFliesTheShip) {
  ScratchFolder dir;
  WriteText(dir.path() / "pad.txt", "# right\n5 Right+Up\n20 -\n");
  // Zero page: $04 ship x, $05 ship y; the ship starts at (40, 160).
  const Outcome still = RunVirel(dir, "--frames 30 --peek 4:2 " + kDemo);
  const Outcome flown = RunVirel(dir, "--frames 30 --input pad.txt --peek 4:2 " + kDemo);
  ASSERT_EQ(flown.status, 0) << flown.err;
  EXPECT_EQ(still.out, "0004: 28 A0\n");
  // Frames 5-19 hold Right and Up: 15 frames of 2 pixels each way.
  EXPECT_EQ(flown.out, "0004: 46 82\n");
}

TEST(VirelRun, TraceWritesOneLinePerInstructionFromTheRegistersSet) {
  ScratchFolder dir;
  const Outcome o = RunVirel(dir, "--frames 1 --set pc=8000,A=5a,x=1,Y=FE,P=24,S=80 --trace t.txt " + kDemo);
  ASSERT_EQ(o.status, 0) << o.err;
  const std::vector<uint8_t> bytes = ReadAll(dir.path() / "t.txt");
  const std::vector<std::string> lines = Lines(std::string(bytes.begin(), bytes.end()));
  ASSERT_GT(lines.size(), 100u);
  EXPECT_EQ(lines[0], "8000 A:5A X:01 Y:FE P:24 SP:80");
  const std::regex shape(
      "[0-9A-F]{4} A:[0-9A-F]{2} X:[0-9A-F]{2} Y:[0-9A-F]{2} P:[0-9A-F]{2} SP:[0-9A-F]{2}");
  for (const std::string& line : lines) ASSERT_TRUE(std::regex_match(line, shape)) << line;
}

TEST(VirelRun, TracedAndUntracedRunsEndAlike) {
  ScratchFolder dir;
  const Outcome plain = RunVirel(dir, "--frames 45 --hash --peek 0:16 " + kDemo);
  const Outcome traced = RunVirel(dir, "--frames 45 --hash --peek 0:16 --trace t.txt " + kDemo);
  EXPECT_EQ(plain.out, traced.out);
}

TEST(VirelRun, StatesSavedAfterARunAreLoadedBeforeTheNext) {
  ScratchFolder dir;
  Outcome o = RunVirel(dir, "--frames 30 --save-state --log a.txt " + kDemo);
  ASSERT_EQ(o.status, 0) << o.err;
  // The three memories come first, as every reader of these files expects;
  // the snapshot of the whole console follows them.
  const std::vector<uint8_t> state = ReadAll(dir.path() / "demo.wb");
  ASSERT_GT(state.size(), 18691u);
  EXPECT_LT(state.size(), 18691u + 64 * 1024);
  EXPECT_EQ(std::string(state.begin() + 18691, state.begin() + 18699), "VIRELSNP");
  o = RunVirel(dir, "--frames 1 --load-state " + kDemo);
  EXPECT_NE(o.err.find("Arquivo carregado com sucesso.\n"), std::string::npos) << o.err;

  // Short and missing state files are refused with the file's name.
  WriteAll(dir.path() / "demo.wb", std::vector<uint8_t>(1000, 1));
  o = RunVirel(dir, "--frames 1 --load-state " + kDemo);
  EXPECT_NE(o.err.find("Erro ao carregar arquivo: demo.wb\n"), std::string::npos) << o.err;
  std::filesystem::remove(dir.path() / "demo.wb");
  o = RunVirel(dir, "--frames 1 --load-state " + kDemo);
  EXPECT_EQ(o.status, 0);
  EXPECT_NE(o.err.find("Erro ao carregar arquivo: demo.wb\n"), std::string::npos) << o.err;
}

// State files written by the last release (tests/timeline/release-states,
// saved at frame 90 with sound on) load in this build and go on exactly as the
// uninterrupted run does: the picture 60 frames later, and the MIDI messages
// of those frames as that release sent them.
TEST(VirelRun, StateFilesOfTheLastReleaseLoadInBothEngines) {
  struct Case {
    const char* engine;
    const char* cartridge;
    const char* hash;  // after the 60 frames, as that release printed it
  };
  for (const Case& c : {Case{"classic", "mmc3_split", "34B1EB9F51BC72DD"},
                        Case{"classic", "five_channels", "B8165622BDF48925"},
                        Case{"console", "mmc3_split", "91BEB14B26D3AF9C"},
                        Case{"console", "five_channels", "8CAAEC0CB00648DC"}}) {
    SCOPED_TRACE(std::string(c.engine) + " " + c.cartridge);
    ScratchFolder dir;
    const std::string rom = std::string(c.cartridge) + ".nes";
    std::filesystem::copy_file(std::filesystem::path(VIREL_ROM_DIR) / rom, dir.path() / rom);
    std::filesystem::copy_file(std::filesystem::path(VIREL_RELEASE_STATES) / (std::string(c.engine) + "-" +
                                                                              c.cartridge + ".wb"),
                               dir.path() / (std::string(c.cartridge) + ".wb"));
    const std::string engine = std::string("--engine ") + c.engine + " ";
    const Outcome loaded = RunVirel(dir, engine + "--frames 60 --load-state --hash --midi-log l.txt " + rom);
    ASSERT_EQ(loaded.status, 0) << loaded.err;
    EXPECT_NE(loaded.err.find("Arquivo carregado com sucesso."), std::string::npos) << loaded.err;
    const Outcome straight = RunVirel(dir, engine + "--frames 150 --hash --midi-log s.txt " + rom);
    EXPECT_EQ(Lines(loaded.out).back(), std::string("hash=") + c.hash);
    EXPECT_EQ(Lines(straight.out).back(), std::string("hash=") + c.hash);
    const auto text = [&](const char* name) {
      const std::vector<uint8_t> bytes = ReadAll(dir.path() / name);
      return std::string(bytes.begin(), bytes.end());
    };
    // From the frame after the load (whose first frame brings the synthesiser
    // to the channels as they stood), the straight run's messages, renumbered.
    const auto from = [&](const char* name, int first) {
      std::vector<std::string> kept;
      for (const std::string& line : Lines(text(name)))
        if (const int frame = std::stoi(line); frame > first)
          kept.push_back(std::to_string(frame - first) + line.substr(line.find(' ')));
      return kept;
    };
    EXPECT_EQ(from("l.txt", 0), from("s.txt", 90));
  }
}

namespace {

// Every cartridge of the project, the demo first.
std::vector<std::filesystem::path> ProjectCartridges() {
  std::vector<std::filesystem::path> carts = {VIREL_DEMO_ROM};
  std::set<std::filesystem::path> sorted;
  for (const auto& entry : std::filesystem::directory_iterator(VIREL_ROM_DIR))
    if (entry.path().extension() == ".nes") sorted.insert(entry.path());
  carts.insert(carts.end(), sorted.begin(), sorted.end());
  return carts;
}

// The MIDI log's lines from frame `from` on, renumbered from frame `first`.
std::vector<std::string> MidiFrom(const std::string& log, long from, long first) {
  std::vector<std::string> lines;
  for (const std::string& line : Lines(log)) {
    const long frame = std::stol(line);
    if (frame >= from) lines.push_back(std::to_string(frame - first) + line.substr(line.find(' ')));
  }
  return lines;
}

}  // namespace

// A state saved after N frames and loaded by a new process that runs M more
// ends where the run of N + M frames ends: the same picture, work RAM and
// battery bytes, and from the second frame after the load on the same MIDI
// messages. Pad presses in the second run are the first's, N frames earlier.
TEST(VirelRun, AStateSavedMidRunResumesExactlyInANewProcess) {
  constexpr long kSaved = 100, kMore = 130;
  const std::vector<std::pair<long, std::string>> presses = {{1, "-"},      {30, "Right"}, {60, "A+Right"},
                                                             {95, "Start"}, {98, "-"},     {120, "Left+B"},
                                                             {170, "Up"},   {200, "-"}};
  // The second run starts with what the pad holds in frame N + 1.
  std::string whole, held = "-", later;
  for (const auto& [frame, buttons] : presses) {
    whole += std::to_string(frame) + " " + buttons + "\n";
    if (frame <= kSaved + 1) held = buttons;
    if (frame > kSaved + 1) later += std::to_string(frame - kSaved) + " " + buttons + "\n";
  }
  const std::string second = "1 " + held + "\n" + later;
  for (const std::filesystem::path& cart : ProjectCartridges()) {
    SCOPED_TRACE(cart.filename().string());
    ScratchFolder uninterrupted, split;
    for (const ScratchFolder* dir : {&uninterrupted, &split}) {
      std::filesystem::copy_file(cart, dir->path() / "c.nes");
      WriteText(dir->path() / "whole.txt", whole);
      WriteText(dir->path() / "second.txt", second);
    }
    const std::string sound = " --midi-log m.txt --volume 255 --peek 0:64 --peek 300:64";
    const Outcome a = RunVirel(uninterrupted, "--frames " + std::to_string(kSaved + kMore) +
                                                  " --hash --input whole.txt" + sound + " c.nes");
    ASSERT_EQ(a.status, 0) << a.err;
    const Outcome b = RunVirel(
        split, "--frames " + std::to_string(kSaved) + " --save-state --input whole.txt" + sound + " c.nes");
    ASSERT_EQ(b.status, 0) << b.err;
    const Outcome c = RunVirel(split, "--load-state --frames " + std::to_string(kMore) +
                                          " --hash --input second.txt" + sound + " c.nes");
    ASSERT_EQ(c.status, 0) << c.err;
    EXPECT_NE(c.err.find("Arquivo carregado com sucesso."), std::string::npos) << c.err;
    EXPECT_EQ(a.out, c.out);
    const auto text = [](const std::filesystem::path& path) {
      const std::vector<uint8_t> bytes = ReadAll(path);
      return std::string(bytes.begin(), bytes.end());
    };
    const std::vector<std::string> expected =
        MidiFrom(text(uninterrupted.path() / "m.txt"), kSaved + 2, kSaved);
    EXPECT_EQ(MidiFrom(text(split.path() / "m.txt"), 2, 0), expected);
    EXPECT_EQ(std::filesystem::exists(split.path() / "c.sav"),
              std::filesystem::exists(uninterrupted.path() / "c.sav"));
    if (std::filesystem::exists(uninterrupted.path() / "c.sav")) {
      EXPECT_EQ(ReadAll(split.path() / "c.sav"), ReadAll(uninterrupted.path() / "c.sav"));
    }
  }
}

TEST(VirelRun, BatteryRamIsWrittenWhenTheRunEnds) {
  ScratchFolder dir;
  std::filesystem::copy_file(VIREL_ROM_DIR "/battery.nes", dir.path() / "jogo.nes");
  ASSERT_EQ(RunVirel(dir, "--frames 2 jogo.nes").status, 0);
  ASSERT_EQ(RunVirel(dir, "--frames 2 --peek 6000 jogo.nes").out, "6000: 02\n");
  EXPECT_EQ(ReadAll(dir.path() / "jogo.sav")[0], 2);
}

// The libraries behind archives, the synthesiser and MIDI ports are opened
// only when a run needs them, so a plain cartridge keeps them out of memory;
// an archive then opens libzip on the spot and plays like the bare image.
TEST(VirelRun, LibrariesForArchivesAndSoundAreOpenedOnlyWhenNeeded) {
  ScratchFolder dir;
  const std::vector<uint8_t> demo = ReadAll(VIREL_DEMO_ROM);
  WriteZip(dir.file("demo.zip"), {{"leia-me.txt", {'o', 'i'}}, {"demo.nes", demo}});
  // The dynamic loader names each library it starts (glibc's LD_DEBUG=libs).
  const auto started = [](const std::string& log) {
    std::set<std::string> names;
    for (const char* name : {"libzip", "libcrypto", "libfluidsynth", "librtmidi", "libjack"})
      if (std::regex_search(log, std::regex(std::string("calling init: [^\n]*/") + name + "[.-]")))
        names.insert(name);
    return names;
  };
  const auto hash = [](const std::string& out) {
    std::smatch m;
    return std::regex_search(out, m, std::regex("hash=[0-9A-F]{16}")) ? m.str() : std::string("no hash");
  };
  const Outcome plain = RunVirel(dir, "--frames 60 --hash " + kDemo, "LD_DEBUG=libs");
  const Outcome zipped = RunVirel(dir, "--frames 60 --hash demo.zip", "LD_DEBUG=libs");
  ASSERT_EQ(plain.status, 0) << plain.err;
  ASSERT_EQ(zipped.status, 0) << zipped.err;
  ASSERT_NE(plain.err.find("calling init: "), std::string::npos) << "no trace from the dynamic loader";
  EXPECT_EQ(started(plain.err), std::set<std::string>{});
  EXPECT_EQ(started(zipped.err), (std::set<std::string>{"libcrypto", "libzip"}));
  EXPECT_NE(hash(plain.out), "no hash");
  EXPECT_EQ(hash(zipped.out), hash(plain.out));
}

TEST(VirelRun, ExitStatusTellsUsageFromCartridgeFailures) {
  ScratchFolder dir;
  WriteText(dir.path() / "pad.txt", "x A\n");
  WriteText(dir.path() / "keys.txt", "1 Fire\n");
  WriteAll(dir.path() / "bad.nes", std::vector<uint8_t>(40, 'M'));
  const std::pair<std::string, int> cases[] = {
      {"", 2},
      {"--frames -1 " + kDemo, 2},
      {"--disasm C000:0 " + kDemo, 2},
      {"--disasm 10000 " + kDemo, 2},
      {"--frames " + kDemo, 2},
      {"--bogus " + kDemo, 2},
      {"--set Q=1 " + kDemo, 2},
      {"--set A=100 " + kDemo, 2},
      {"--peek zz " + kDemo, 2},
      {"--input pad.txt " + kDemo, 2},
      {"--input keys.txt " + kDemo, 2},
      {"--input absent.txt " + kDemo, 2},
      {kDemo + " " + kDemo, 2},
      {"absent.nes", 1},
      {"bad.nes", 1},
      {"--frames 1 " + kDemo, 0},
  };
  for (const auto& [args, status] : cases) {
    const Outcome o = RunVirel(dir, args);
    EXPECT_EQ(o.status, status) << args << "\n" << o.err;
    if (status != 0) {
      EXPECT_NE(o.err.find("virel-run: "), std::string::npos) << args;
    }
  }
  // The reason for a refused cartridge is printed.
  EXPECT_NE(RunVirel(dir, "bad.nes").err.find("Arquivo não suportado: MMM"), std::string::npos);
}

TEST(VirelRun, HelpDocumentsEveryOptionAndBenchEndsWithTheFrameRate) {
  ScratchFolder dir;
  const Outcome help = RunVirel(dir, "--help");
  EXPECT_EQ(help.status, 0);
  for (const char* option :
       {"--frames", "--bench", "--screenshot", "--trace", "--set", "--input", "--peek", "--hash", "--log",
        "--save-state", "--load-state", "--disasm", "--run-ahead", "--frame-hashes", "Exit status"})
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  // The version is the project's, whatever else is on the line.
  const Outcome version = RunVirel(dir, "--version --frames 1 nada.nes");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "virel-run " VIREL_VERSION "\n");

  const Outcome bench = RunVirel(dir, "--bench --frames 60 --peek 0 " + kDemo);
  const std::vector<std::string> lines = Lines(bench.out);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(std::regex_match(lines.back(), std::regex("fps=[0-9]+\\.[0-9]{2}"))) << lines.back();
}

TEST(VirelRun, DisasmListsTheCartridgeAfterResetAndFramesZeroRunsNothing) {
  ScratchFolder dir;
  const std::string rom = VIREL_ROM_DIR "/debug_listing.nes";
  const Outcome o = RunVirel(dir, "--frames 0 --disasm C000:300 --peek 0:2 '" + rom + "'");
  ASSERT_EQ(o.status, 0) << o.err;
  const std::vector<std::string> lines = Lines(o.out);
  ASSERT_EQ(lines.size(), 301u);
  const char* first[] = {"C000  SEI",     "C001  CLD",       "C002  LDX #FF", "C004  TXS",
                         "C005  LDA #00", "C007  STA $00",   "C009  STA $01", "C00B  NOP",
                         "C00C  NOP",     "C00D  NOP",       "C00E  NOP",     "C00F  NOP",
                         "C010  INC $00", "C012  JSR $D000", "C015  INC $01", "C017  JMP $C010"};
  for (size_t i = 0; i < std::size(first); ++i) EXPECT_EQ(lines[i], first[i]);
  // Nothing ran: the reset routine's stores and the loop's counters never happened.
  EXPECT_EQ(lines.back(), "0000: 00 00");

  // The same 300 lines as the disassembler gives for the freshly reset cartridge.
  TestMachine t;
  ASSERT_TRUE(LoadRomFile(t.m, rom));
  ASSERT_TRUE(LoadBatteryAndMapper(t.m));
  ResetMachine(t.m);
  EXPECT_EQ(o.out.substr(0, o.out.size() - lines.back().size() - 1), DisassemblyListing(t.m, 0xC000, 300));

  // The default is 20 lines; a run afterwards does execute the loop.
  const Outcome ran = RunVirel(dir, "--frames 1 --disasm '$C000' --peek 0:2 '" + rom + "'");
  ASSERT_EQ(Lines(ran.out).size(), 21u);
  EXPECT_NE(Lines(ran.out).back(), "0000: 00 00");
}

TEST(VirelRun, MidiRecordsTheRunIntoAFileAndReportsOneItCannotWrite) {
  ScratchFolder dir;
  const Outcome run = RunVirel(dir, "--frames 120 --midi tune.mid " + kDemo);
  EXPECT_EQ(run.status, 0) << run.err;
  const std::vector<uint8_t> file = ReadAll(dir.file("tune.mid"));
  ASSERT_GT(file.size(), 14u);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "MThd");
  // Six tracks: tempo, then one per console channel.
  EXPECT_EQ(file[11], 6);
  EXPECT_FALSE(std::filesystem::exists(dir.file("tune.mid.tmp")));

  // A file that cannot be created fails before the run: no cartridge is
  // loaded and nothing else asked for is written.
  const Outcome unwritable =
      RunVirel(dir, "--frames 10 --screenshot shot.bmp --midi absent/tune.mid " + kDemo);
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_EQ(unwritable.err,
            "virel-run: --midi: Não foi possível criar o arquivo \"absent/tune.mid\": arquivo ou "
            "pasta inexistente.\n");
  EXPECT_FALSE(std::filesystem::exists(dir.file("shot.bmp")));
  // A port needs a name.
  EXPECT_EQ(RunVirel(dir, "--midi-port '' " + kDemo).status, 2);
}

// The console voice rendered without a window: a 48 kHz mono WAV as long as
// the run, with the demo's tune in it, and the very same samples every run.
TEST(VirelRun, ConsoleVoiceRendersTheRunIntoAWav) {
  ScratchFolder dir;
  for (const char* name : {"a.wav", "b.wav"}) {
    const Outcome o =
        RunVirel(dir, std::string("--frames 300 --voice console --audio ") + name + " " + kDemo);
    ASSERT_EQ(o.status, 0) << o.err;
  }
  WavData wav;
  ASSERT_TRUE(ReadWav16(dir.file("a.wav"), &wav));
  EXPECT_EQ(wav.channels, 1);
  EXPECT_EQ(wav.rate, 48000);
  // 300 frames of the console's 60.0988 a second, give or take the frame
  // the run stops in.
  EXPECT_NEAR(static_cast<double>(wav.samples.size()), 300 * 48000 / 60.0988, 1600);
  int peak = 0;
  for (int16_t v : wav.samples) peak = std::max(peak, std::abs(int{v}));
  EXPECT_GT(peak, 3000);
  EXPECT_LT(peak, 32767) << "clipped";
  EXPECT_EQ(ReadAll(dir.file("a.wav")), ReadAll(dir.file("b.wav")));

  const Outcome bad = RunVirel(dir, "--voice piano " + kDemo);
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("--voice: expected midi or console"), std::string::npos) << bad.err;
}

// Run-ahead changes only when pictures show: the run ends on the same
// picture, memory, battery file, MIDI messages and console voice as without,
// in either engine.
TEST(VirelRun, RunAheadEndsAsTheRunWithoutIt) {
  ScratchFolder dir;
  std::filesystem::copy_file(VIREL_ROM_DIR "/battery_counter.nes", dir.path() / "b.nes");
  WriteText(dir.path() / "pad.txt", "5 Right+Up\n20 -\n40 A\n41 -\n");
  std::string demoOut, batteryOut;
  std::vector<uint8_t> midiLog, audio, battery;
  for (int run = 0; run < 8; ++run) {
    const int n = run % 4;
    const std::string ahead =
        " --run-ahead " + std::to_string(n) + (run < 4 ? " --engine classic " : " --engine console ");
    std::filesystem::remove(dir.path() / "b.sav");
    const Outcome demo = RunVirel(
        dir,
        "--frames 200 --input pad.txt --hash --peek 0:32 --midi-log m.txt --voice console --audio a.wav" +
            ahead + kDemo);
    const Outcome cart = RunVirel(dir, "--frames 150 --hash --peek 6000:4" + ahead + "b.nes");
    ASSERT_EQ(demo.status, 0) << demo.err;
    ASSERT_EQ(cart.status, 0) << cart.err;
    if (n == 0) {
      // The engines differ from each other; each matches itself.
      EXPECT_NE(demo.out, demoOut);
      demoOut = demo.out;
      batteryOut = cart.out;
      midiLog = ReadAll(dir.file("m.txt"));
      audio = ReadAll(dir.file("a.wav"));
      battery = ReadAll(dir.path() / "b.sav");
      ASSERT_FALSE(midiLog.empty());
      continue;
    }
    EXPECT_EQ(demo.out, demoOut) << n;
    EXPECT_EQ(cart.out, batteryOut) << n;
    EXPECT_EQ(ReadAll(dir.file("m.txt")), midiLog) << n;
    EXPECT_EQ(ReadAll(dir.file("a.wav")), audio) << n;
    EXPECT_EQ(ReadAll(dir.path() / "b.sav"), battery) << n;
  }
  EXPECT_EQ(RunVirel(dir, "--run-ahead 4 " + kDemo).status, 2);
}

// The reset button pressed at frame 51's start: the demo starts over, and 50
// frames later shows what a fresh run shows after 50.
TEST(VirelRun, ResetAtPressesTheResetButtonAtThatFramesStart) {
  ScratchFolder dir;
  const Outcome reset = RunVirel(dir, "--frames 100 --reset-at 51 --hash --log log.txt " + kDemo);
  ASSERT_EQ(reset.status, 0) << reset.err;
  EXPECT_EQ(reset.out, RunVirel(dir, "--frames 50 --hash " + kDemo).out);
  EXPECT_NE(reset.out, RunVirel(dir, "--frames 100 --hash " + kDemo).out);
  const std::vector<uint8_t> bytes = ReadAll(dir.file("log.txt"));
  const std::vector<std::string> log = Lines(std::string(bytes.begin(), bytes.end()));
  EXPECT_EQ(std::count(log.begin(), log.end(), "resetando 6502..."), 2);
  EXPECT_EQ(RunVirel(dir, "--reset-at 0 " + kDemo).status, 2);
}

// The console's reset line holds the picture processor's control registers
// cleared until the pre-render line. battery_counter turns the vertical-blank
// interrupt on in its first instructions and never again: after the reset
// button the console engine loses that write and counts no more frames past
// the 59 before it; the designed engine takes it and counts on.
TEST(VirelRun, AfterTheResetButtonControlWritesWaitForThePreRenderLine) {
  const auto count = [](const std::string& args) {
    ScratchFolder dir;  // a fresh battery each run
    std::filesystem::copy_file(VIREL_ROM_DIR "/battery_counter.nes", dir.path() / "c.nes");
    return RunVirel(dir, args + " --peek 6000:5 c.nes").out.substr(0, 17);
  };
  EXPECT_EQ(count("--engine console --frames 120 --reset-at 60"), count("--engine console --frames 59"));
  EXPECT_EQ(count("--engine classic --frames 120 --reset-at 60"), count("--engine classic --frames 120"));
}
