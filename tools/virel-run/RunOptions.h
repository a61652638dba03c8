// The headless runner's command line: what to run, for how long, and what to
// do before and after the run. Every option is one entry of the table in
// RunOptions.cpp (name, argument, help text, handler), so adding an option
// means adding a field here and an entry there; --help is built from the table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// From which frame on pad 1 holds which buttons (bit 0..7: A B Select Start
// Up Down Left Right). Frames are numbered from 1 at each scanline 0.
struct InputStep {
  long Frame = 0;
  uint8_t Buttons = 0;
};

struct PeekRequest {
  uint16_t Address = 0;
  int Length = 1;
};

// Lines of disassembly printed after the reset, before the first instruction.
struct DisasmRequest {
  uint16_t Address = 0;
  int Lines = 20;
};

// A processor register set after the reset, before the first instruction.
struct RegisterSetting {
  char Name[3] = {};  // "PC", "A", "X", "Y", "P" or "S"
  uint16_t Value = 0;
};

struct RunOptions {
  std::string Cartridge;
  long Frames = 600;  // 0: start the cartridge but run nothing
  bool Bench = false;
  bool Hash = false;
  bool SaveState = false;
  bool LoadState = false;
  std::string ScreenshotFile;
  std::string TraceFile;
  std::string LogFile;
  std::string InputFile;
  std::vector<InputStep> Input;
  std::vector<PeekRequest> Peeks;
  std::vector<DisasmRequest> Disasm;
  std::vector<RegisterSetting> Registers;
  // Sound: either file switches sound on for the run (MIDI back end).
  std::string MidiLogFile;
  std::string AudioFile;
  int Volume = 255;  // SoundVolume for the run
  // The voice --audio renders: the MIDI music, or the console's own chip.
  bool ConsoleVoice = false;
  // The engine's id (engine/EngineChoice.h).
  std::string Engine = "classic";
  // Music: recorded to a Standard MIDI File, or played on an output port at
  // the console's own pace.
  std::string MidiFile;
  std::string MidiPort;
  bool ListMidiPorts = false;
  int RunAhead = 0;
  // Frames at whose start the reset button is pressed.
  std::vector<long> ResetAt;
  std::string FrameHashesFile;
  bool Help = false;
  bool Version = false;
};

// Fills `options` from argv. Returns an error message for bad usage, or
// nothing. Reading the --input file is part of parsing (a bad file is bad usage).
std::optional<std::string> ParseRunOptions(int argc, char** argv, RunOptions& options);
// The --help text: synopsis, every option with its argument and meaning, exit status.
std::string RunUsage();
// Parses an input script: lines "FRAME BUTTONS", buttons among A B Select
// Start Up Down Left Right separated by blanks, commas or "+", or "-" for
// none; "#" starts a comment. Returns an error message naming the line.
std::optional<std::string> ParseInputScript(const std::string& text, std::vector<InputStep>& steps);
