// virel-run: runs a cartridge without a window, for automation, regression
// tests and benchmarks. It drives the same core as the main window: the same
// load-and-start sequence, the same run loop and scanline hook.
#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <memory>

#include "RunOptions.h"
#include "RunnerHost.h"
#include "cartridge/Lifecycle.h"
#include "cartridge/SaveState.h"
#include "core/AtomicFile.h"
#include "core/Version.h"
#include "debugger/Disassembler.h"
#include "core/Engine.h"
#include "engine/EngineChoice.h"
#include "sound/MidiRecorder.h"
#include "sound/RecordingPcmOut.h"
#include "sound/Sound.h"
#include "sound/VoiceOutput.h"
#if VIREL_WITH_DEVICES
#include "sound/devices/MidiPortOut.h"
#include "sound/devices/SoundCapture.h"
#include "sound/devices/WavFile.h"
#endif
#include "video/Screenshot.h"

namespace {

constexpr int kExitRun = 0;
constexpr int kExitNotStarted = 1;
constexpr int kExitUsage = 2;

void ApplyRegisters(Machine& m, const std::vector<RegisterSetting>& settings) {
  CpuRegisters regs = m.engine->Registers();
  for (const RegisterSetting& r : settings) {
    const std::string name = r.Name;
    const auto byte = static_cast<uint8_t>(r.Value);
    if (name == "PC") regs.PC = r.Value;
    if (name == "A") regs.A = byte;
    if (name == "X") regs.X = byte;
    if (name == "Y") regs.Y = byte;
    if (name == "P") regs.P = byte;
    if (name == "S") regs.S = byte;
  }
  m.engine->SetRegisters(regs);
}

// The traced run: one instruction at a time with the run loop's slice
// handling (DebugStep), so the untraced CpuRun keeps no per-instruction test.
// Running only drops inside the hook at scanline 0, where CpuRun would stop.
void TracedRun(Machine& m, std::FILE* trace) {
  m.Running = true;
  while (m.Running) {
    const CpuRegisters s = m.engine->Registers();
    std::fprintf(trace, "%04X A:%02X X:%02X Y:%02X P:%02X SP:%02X\n", s.PC, s.A, s.X, s.Y, s.P, s.S);
    m.engine->Step();
  }
}

void PrintPeeks(Machine& m, const std::vector<PeekRequest>& peeks) {
  for (const PeekRequest& p : peeks) {
    std::printf("%04X:", p.Address);
    for (int i = 0; i < p.Length; ++i)
      std::printf(" %02X", m.engine->Peek(static_cast<uint16_t>(p.Address + i)));
    std::printf("\n");
  }
}

// Two devices fed the same messages: the run's recording and an output port.
class TeeMidiOut final : public MidiOut {
 public:
  TeeMidiOut(std::unique_ptr<MidiOut> first, std::unique_ptr<MidiOut> second)
      : first_(std::move(first)), second_(std::move(second)) {}
  bool Open() override {
    const bool a = first_->Open(), b = second_->Open();
    return a || b;
  }
  void Reset() override {
    first_->Reset();
    second_->Reset();
  }
  void ShortMessage(uint32_t message) override {
    first_->ShortMessage(message);
    second_->ShortMessage(message);
  }
  void Close() override {
    first_->Close();
    second_->Close();
  }

 private:
  std::unique_ptr<MidiOut> first_, second_;
};

int Fail(const std::string& message, int status) {
  std::fflush(stdout);
  std::cerr << "virel-run: " << message << "\n";
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  RunOptions options;
  if (auto error = ParseRunOptions(argc, argv, options))
    return Fail(*error + "\nTry 'virel-run --help' for more information.", kExitUsage);
  if (options.Help) {
    std::cout << RunUsage();
    return kExitRun;
  }
  if (options.Version) {
    std::cout << VirelVersionLine("virel-run") << "\n";
    return kExitRun;
  }
  if (options.ListMidiPorts) {
#if VIREL_WITH_DEVICES
    for (const std::string& name : ListMidiOutputPorts()) std::cout << name << '\n';
    return kExitRun;
#else
    return Fail("--list-midi-ports needs the sound devices, left out of this build", kExitUsage);
#endif
  }

  std::ofstream logFile;
  std::ostream* log = &std::cerr;
  if (!options.LogFile.empty()) {
    logFile.open(Utf8Path(options.LogFile));
    if (!logFile) return Fail("--log: cannot write \"" + options.LogFile + "\"", kExitUsage);
    log = &logFile;
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> trace(nullptr, &std::fclose);
  if (!options.TraceFile.empty()) {
    trace.reset(std::fopen(options.TraceFile.c_str(), "w"));
    if (!trace) return Fail("--trace: cannot write \"" + options.TraceFile + "\"", kExitUsage);
    std::setvbuf(trace.get(), nullptr, _IOFBF, 1 << 20);
  }

  // The recordings are written after the run; a file that cannot be created
  // fails now, before the run whose music it would lose.
  for (const auto& [option, path] : {std::pair<const char*, const std::string&>{"--midi", options.MidiFile},
                                     {"--audio", options.AudioFile}}) {
    if (path.empty()) continue;
    try {
      CheckFileCanBeWritten(path);
    } catch (const std::exception& e) {
      return Fail(option + std::string(": ") + e.what(), kExitNotStarted);
    }
  }
  const bool consoleAudio = options.ConsoleVoice && !options.AudioFile.empty();

  InstallStopSignals();
  Machine m;
  RunnerHost host(m, *log, options.Frames, options.Input);
  m.host = &host;
  host.SetRunAhead(options.RunAhead);
  host.ResetAt(options.ResetAt);
  std::ofstream frameHashes;
  if (!options.FrameHashesFile.empty()) {
    frameHashes.open(options.FrameHashesFile, std::ios::binary | std::ios::trunc);
    if (!frameHashes)
      return Fail("--frame-hashes: cannot write \"" + options.FrameHashesFile + "\"", kExitUsage);
    host.LogFrameHashes(&frameHashes);
  }
  m.SoundVolume = options.Volume;
  ChooseEngine(m, options.Engine);
  if (options.ConsoleVoice) m.Voice = SoundVoice::Console;
  // The console voice's samples, kept for --audio.
  auto voiceSamples = std::make_shared<std::vector<int16_t>>();
  if (consoleAudio) {
    SoundDeviceFactory devices = CurrentSoundDevices(*m.Sound);
    devices.pcm = [voiceSamples] { return std::make_unique<RecordingPcmOut>(voiceSamples); };
    SetSoundDevices(*m.Sound, std::move(devices));
    host.EnableSound();
  }
#if VIREL_WITH_DEVICES
  // The sound of the run is recorded, stamped with the frame count, and
  // written out after the run; no sound card is involved.
  SoundCapture capture(options.MidiLogFile, consoleAudio ? std::string() : options.AudioFile);
  if (capture.Active()) {
    capture.Install(*m.Sound, [&host] { return int64_t{host.Frames()}; });
    host.EnableSound();
  }
  if (!options.MidiPort.empty()) {
    const std::vector<std::string> ports = ListMidiOutputPorts();
    if (std::find(ports.begin(), ports.end(), options.MidiPort) == ports.end())
      return Fail("--midi-port: no MIDI output port \"" + options.MidiPort + "\"", kExitNotStarted);
    // The port's lines (it went away) join the run's log.
    auto port = MidiPortFactory(options.MidiPort, [&host](const std::string& line) { host.AppendLog(line); });
    SoundDeviceFactory devices = CurrentSoundDevices(*m.Sound);
    if (devices.midi) {
      devices.midi = [recorded = devices.midi, port] {
        return std::make_unique<TeeMidiOut>(recorded(), port());
      };
    } else {
      devices.midi = port;
    }
    SetSoundDevices(*m.Sound, std::move(devices));
    host.EnableSound();
    host.PaceFrames();
  }
#else
  if (!options.MidiLogFile.empty() || !options.AudioFile.empty() || !options.MidiPort.empty())
    return Fail("--midi-log, --audio and --midi-port need the sound devices, left out of this build",
                kExitUsage);
#endif
  // The recording starts with the run: the back end opens for it at once
  // with the program changes, which the sound start then does not repeat.
  std::shared_ptr<MidiRecorder> recorder;
  if (!options.MidiFile.empty()) {
    recorder = std::make_shared<MidiRecorder>([&host] { return int64_t{host.Frames()}; });
    SoundAttachTap(*m.Sound, recorder);
    host.EnableSound();
  }

  try {
    if (!StartCartridge(m, options.Cartridge))
      return Fail(options.Cartridge + ": cartridge not started: " + host.LastLogLine(), kExitNotStarted);
  } catch (const std::exception& e) {
    return Fail(options.Cartridge + ": " + e.what(), kExitNotStarted);
  }
  ApplyRegisters(m, options.Registers);
  if (options.LoadState) LoadState(m);
  for (const DisasmRequest& d : options.Disasm)
    std::fputs(DisassemblyListing(m, d.Address, d.Lines).c_str(), stdout);

  const auto start = std::chrono::steady_clock::now();
  if (options.Frames == 0) {
    // Nothing runs: the cartridge is only started and looked at.
  } else if (trace) {
    TracedRun(m, trace.get());
  } else {
    RunOrContinue(m);
  }
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

  int status = kExitRun;
  try {
    if (options.SaveState) SaveState(m);
    if (!options.ScreenshotFile.empty()) SaveScreenshot(m, options.ScreenshotFile);
  } catch (const std::exception& e) {
    status = Fail(e.what(), kExitNotStarted);
  }
  if (options.Hash) std::printf("hash=%016" PRIX64 "\n", PictureHash(m));
  PrintPeeks(m, options.Peeks);
  try {
    UnloadCartridge(m);
  } catch (const std::exception& e) {
    status = Fail(e.what(), kExitNotStarted);
  }
  // Unloading leaves sound output open, as the window's "Habilita Som" does.
  if (host.SoundEnabled()) SoundStop(*m.Sound);
  if (recorder) {
    SoundDetachTap(*m.Sound);
    try {
      recorder->Save(options.MidiFile);
    } catch (const std::exception& e) {
      status = Fail("--midi: " + std::string(e.what()), kExitNotStarted);
    }
  }
#if VIREL_WITH_DEVICES
  if (capture.Active()) {
    if (std::string error; !capture.Finish(host.Frames(), &error)) status = Fail(error, kExitNotStarted);
  }
  if (consoleAudio) {
    if (std::string error; !WriteWav16(options.AudioFile, *voiceSamples, 1, kVoiceRate, &error))
      status = Fail("--audio: " + error, kExitNotStarted);
  }
#endif
  if (options.Bench) {
    const double seconds = elapsed.count();
    std::printf("fps=%.2f\n", seconds > 0 ? static_cast<double>(host.Frames()) / seconds : 0.0);
  }
  if (const int signal = StopSignalReceived()) {
    const char* name = signal == SIGTERM ? "SIGTERM" : signal == SIGINT ? "SIGINT" : "SIGHUP";
    status = Fail(std::string("stopped by ") + name + " after " + std::to_string(host.Frames()) + " frames",
                  kExitNotStarted);
  }
  std::fflush(stdout);
  return status;
}
