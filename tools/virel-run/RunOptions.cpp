#include "RunOptions.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <functional>
#include <sstream>
#include <string_view>

namespace {

using Handler = std::function<std::optional<std::string>(RunOptions&, const std::string&)>;

struct OptionEntry {
  const char* Name;      // with its leading "--"
  const char* Argument;  // nullptr for a switch
  const char* Help;
  Handler Apply;
};

std::optional<long> ParseNumber(std::string_view text, int base) {
  long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::optional<std::string> SetRegisters(RunOptions& o, const std::string& arg) {
  std::stringstream list(arg);
  std::string item;
  while (std::getline(list, item, ',')) {
    const size_t eq = item.find('=');
    if (eq == std::string::npos) return "--set: expected REG=HEX, got \"" + item + "\"";
    const std::string name = Upper(item.substr(0, eq));
    std::string_view hex(item);
    hex.remove_prefix(eq + 1);
    if (!hex.empty() && hex.front() == '$') hex.remove_prefix(1);
    const auto value = ParseNumber(hex, 16);
    const long limit = name == "PC" ? 0xFFFF : 0xFF;
    if (name != "PC" && name != "A" && name != "X" && name != "Y" && name != "P" && name != "S")
      return "--set: unknown register \"" + name + "\" (PC, A, X, Y, P or S)";
    if (!value || *value < 0 || *value > limit) return "--set: bad value for " + name + ": \"" + item + "\"";
    RegisterSetting setting;
    std::copy_n(name.c_str(), name.size(), setting.Name);
    setting.Value = static_cast<uint16_t>(*value);
    o.Registers.push_back(setting);
  }
  return std::nullopt;
}

std::optional<std::string> AddPeek(RunOptions& o, const std::string& arg) {
  const size_t colon = arg.find(':');
  std::string_view address(arg);
  address = address.substr(0, colon);
  if (!address.empty() && address.front() == '$') address.remove_prefix(1);
  const auto start = ParseNumber(address, 16);
  std::optional<long> length = 1L;
  if (colon != std::string::npos) length = ParseNumber(std::string_view(arg).substr(colon + 1), 10);
  if (!start || *start < 0 || *start > 0xFFFF) return "--peek: bad address \"" + arg + "\"";
  if (!length || *length < 1 || *length > 0x10000) return "--peek: bad length \"" + arg + "\"";
  o.Peeks.push_back({static_cast<uint16_t>(*start), static_cast<int>(*length)});
  return std::nullopt;
}

std::optional<std::string> AddDisasm(RunOptions& o, const std::string& arg) {
  const size_t colon = arg.find(':');
  std::string_view address(arg);
  address = address.substr(0, colon);
  if (!address.empty() && address.front() == '$') address.remove_prefix(1);
  const auto start = ParseNumber(address, 16);
  std::optional<long> lines = 20L;
  if (colon != std::string::npos) lines = ParseNumber(std::string_view(arg).substr(colon + 1), 10);
  if (!start || *start < 0 || *start > 0xFFFF) return "--disasm: bad address \"" + arg + "\"";
  if (!lines || *lines < 1 || *lines > 0x10000) return "--disasm: bad line count \"" + arg + "\"";
  o.Disasm.push_back({static_cast<uint16_t>(*start), static_cast<int>(*lines)});
  return std::nullopt;
}

std::optional<std::string> ReadInput(RunOptions& o, const std::string& path) {
  std::ifstream in(path);
  if (!in) return "--input: cannot read \"" + path + "\"";
  std::stringstream text;
  text << in.rdbuf();
  o.InputFile = path;
  if (auto error = ParseInputScript(text.str(), o.Input)) return "--input: " + path + ": " + *error;
  return std::nullopt;
}

// The option table. Other subsystems add their options here.
const std::vector<OptionEntry>& Options() {
  static const std::vector<OptionEntry> table = {
      {"--frames", "N", "frames to run, counted at scanline 0 (default 600); 0 runs no instruction at all",
       [](RunOptions& o, const std::string& a) -> std::optional<std::string> {
         const auto n = ParseNumber(a, 10);
         if (!n || *n < 0) return "--frames: expected a number of frames, got \"" + a + "\"";
         o.Frames = *n;
         return std::nullopt;
       }},
      {"--bench", nullptr,
       "print fps=<value> as the last line: frames per second of the unthrottled run loop",
       [](RunOptions& o, const std::string&) -> std::optional<std::string> {
         o.Bench = true;
         return std::nullopt;
       }},
      {"--screenshot", "FILE",
       "after the run, save the picture as \"Salvar Figura\" does (sprites drawn once more; "
       "256 x 240 bitmap, 8 bits per pixel, 256-entry colour table)",
       [](RunOptions& o, const std::string& a) -> std::optional<std::string> {
         o.ScreenshotFile = a;
         return std::nullopt;
       }},
      {"--trace", "FILE", "before each instruction write \"PPPP A:XX X:XX Y:XX P:XX SP:XX\" to FILE",
       [](RunOptions& o, const std::string& a) -> std::optional<std::string> {
         o.TraceFile = a;
         return std::nullopt;
       }},
      {"--set", "REG=HEX[,REG=HEX...]",
       "after the reset set PC, A, X, Y, P or S before the first instruction", SetRegisters},
      {"--input", "FILE",
       "lines \"FRAME BUTTONS\": pad 1 holds BUTTONS (A B Select Start Up Down Left Right, or - for none) "
       "from that frame on; frames are numbered from 1",
       ReadInput},
      {"--reset-at", "FRAME",
       "press the console's reset button at that frame's start (frames numbered from 1), as the test "
       "cartridges that ask for it need; may be repeated",
       [](RunOptions& o, const std::string& a) -> std::optional<std::string> {
         const auto n = ParseNumber(a, 10);
         if (!n || *n < 1) return "--reset-at: expected a frame number from 1, got \"" + a + "\"";
         o.ResetAt.push_back(*n);
         return std::nullopt;
       }},
      {"--peek", "ADDR[:LEN]",
       "after the run print LEN bytes (default 1) read with MemPeek from hexadecimal ADDR; may be repeated",
       AddPeek},
      {"--disasm", "ADDR[:N]",
       "after the reset, before any instruction, print N lines (default 20) of disassembly from hexadecimal "
       "ADDR, each line the address in four hex digits, two blanks and the text; may be repeated",
       AddDisasm},
      {"--hash", nullptr, "after the run print hash=<16 hex digits> of FrameBuffer and its colour table",
       [](RunOptions& o, const std::string&) -> std::optional<std::string> {
         o.Hash = true;
         return std::nullopt;
       }},
      {"--log", "FILE", "write the log lines to FILE (default: standard error)",
       [](RunOptions& o, const std::string& a) -> std::optional<std::string> {
         o.LogFile = a;
         return std::nullopt;
       }},
      {"--save-state", nullptr,
       "after the run save the state file (cartridge name + \"wb\", working directory): the three "
       "memories, then a snapshot of the whole console",
       [](RunOptions& o, const std::string&) -> std::optional<std::string> {
         o.SaveState = true;
         return std::nullopt;
       }},
      {"--load-state", nullptr,
       "load the state file before the first frame; with a snapshot the run goes on exactly where the "
       "saved run stopped",
       [](RunOptions& o, const std::string&) -> std::optional<std::string> {
         o.LoadState = true;
         return std::nullopt;
       }},
      {"--midi-log", "FILE",
       "run with sound on and write every MIDI short message sent, one line each: the frame number, then "
       "the message bytes in hex",
       [](RunOptions& o, const std::string& a) -> std::optional<std::string> {
         o.MidiLogFile = a;
         return std::nullopt;
       }},
      {"--audio", "FILE.wav",
       "run with sound on and render the MIDI messages offline through the synthesiser into a 16-bit "
       "stereo WAV file as long as the run",
       [](RunOptions& o, const std::string& a) -> std::optional<std::string> {
         o.AudioFile = a;
         return std::nullopt;
       }},
      {"--midi", "FILE.mid",
       "run with sound on and record every MIDI message sent into a Standard MIDI File (format 1, one "
       "track per channel; frame n at n / 60.0988 s)",
       [](RunOptions& o, const std::string& a) -> std::optional<std::string> {
         o.MidiFile = a;
         return std::nullopt;
       }},
      {"--midi-port", "NAME",
       "run with sound on, send the MIDI messages to the output port NAME (as --list-midi-ports prints "
       "it) and run at the console's speed, 60.0988 frames a second",
       [](RunOptions& o, const std::string& a) -> std::optional<std::string> {
         if (a.empty()) return std::string("--midi-port: expected a port name");
         o.MidiPort = a;
         return std::nullopt;
       }},
      {"--list-midi-ports", nullptr, "print the MIDI output ports, one a line, and exit",
       [](RunOptions& o, const std::string&) -> std::optional<std::string> {
         o.ListMidiPorts = true;
         return std::nullopt;
       }},
      {"--voice", "midi|console",
       "the voice --audio renders: midi (the default) renders the MIDI messages through the synthesiser, "
       "console the console's own sound chip (48 kHz, 16-bit mono)",
       [](RunOptions& o, const std::string& a) -> std::optional<std::string> {
         if (a != "midi" && a != "console") return "--voice: expected midi or console, got \"" + a + "\"";
         o.ConsoleVoice = a == "console";
         return std::nullopt;
       }},
      {"--engine", "classic|console",
       "the engine that runs the console: classic (the default, the designed engine) or console "
       "(cycle by cycle, as the hardware)",
       [](RunOptions& o, const std::string& a) -> std::optional<std::string> {
         if (a != "classic" && a != "console")
           return "--engine: expected classic or console, got \"" + a + "\"";
         o.Engine = a;
         return std::nullopt;
       }},
      {"--volume", "N", "SoundVolume for the run, 0-255 (default 255)",
       [](RunOptions& o, const std::string& a) -> std::optional<std::string> {
         const auto n = ParseNumber(a, 10);
         if (!n || *n < 0 || *n > 255) return "--volume: expected 0 to 255, got \"" + a + "\"";
         o.Volume = static_cast<int>(*n);
         return std::nullopt;
       }},
      {"--run-ahead", "N",
       "run N frames ahead (0-3, default 0) as the window's setting does: each picture shows N frames "
       "earlier, while the sound, the final hash, the battery file and the MIDI log stay those of the run "
       "without it",
       [](RunOptions& o, const std::string& a) -> std::optional<std::string> {
         const auto n = ParseNumber(a, 10);
         if (!n || *n < 0 || *n > 3) return "--run-ahead: expected 0 to 3, got \"" + a + "\"";
         o.RunAhead = static_cast<int>(*n);
         return std::nullopt;
       }},
      {"--frame-hashes", "FILE",
       "write one line per picture shown: the frame number and the picture's hash (as --hash, in hex)",
       [](RunOptions& o, const std::string& a) -> std::optional<std::string> {
         o.FrameHashesFile = a;
         return std::nullopt;
       }},
      {"--help", nullptr, "print this text and exit",
       [](RunOptions& o, const std::string&) -> std::optional<std::string> {
         o.Help = true;
         return std::nullopt;
       }},
      {"--version", nullptr, "print the program's version and exit",
       [](RunOptions& o, const std::string&) -> std::optional<std::string> {
         o.Version = true;
         return std::nullopt;
       }},
  };
  return table;
}

struct ButtonName {
  const char* Name;
  uint8_t Bit;
};

constexpr ButtonName kButtons[] = {{"A", 0x01},  {"B", 0x02},    {"SELECT", 0x04}, {"START", 0x08},
                                   {"UP", 0x10}, {"DOWN", 0x20}, {"LEFT", 0x40},   {"RIGHT", 0x80}};

}  // namespace

std::optional<std::string> ParseInputScript(const std::string& text, std::vector<InputStep>& steps) {
  std::stringstream lines(text);
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    line = line.substr(0, line.find('#'));
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == ',' || c == '+' || c == '\t' || c == '\r'; }, ' ');
    std::stringstream words(line);
    std::string frameText;
    if (!(words >> frameText)) continue;  // blank or comment
    const auto frame = ParseNumber(frameText, 10);
    if (!frame || *frame < 0) return "line " + std::to_string(number) + ": bad frame \"" + frameText + "\"";
    InputStep step{*frame, 0};
    std::string word;
    bool any = false;
    while (words >> word) {
      any = true;
      if (word == "-") continue;
      const std::string name = Upper(word);
      const auto* button = std::find_if(std::begin(kButtons), std::end(kButtons),
                                        [&](const ButtonName& b) { return name == b.Name; });
      if (button == std::end(kButtons))
        return "line " + std::to_string(number) + ": unknown button \"" + word + "\"";
      step.Buttons |= button->Bit;
    }
    if (!any) return "line " + std::to_string(number) + ": no buttons (write - for none)";
    steps.push_back(step);
  }
  // Later lines win for the same frame; the order of frames need not be sorted.
  std::stable_sort(steps.begin(), steps.end(),
                   [](const InputStep& a, const InputStep& b) { return a.Frame < b.Frame; });
  return std::nullopt;
}

std::optional<std::string> ParseRunOptions(int argc, char** argv, RunOptions& options) {
  for (int i = 1; i < argc; ++i) {
    std::string word = argv[i];
    if (word == "-h") word = "--help";
    if (word.rfind("--", 0) != 0 || word == "--") {
      if (!options.Cartridge.empty()) return "more than one cartridge given: \"" + word + "\"";
      options.Cartridge = word;
      continue;
    }
    std::string value;
    bool inlineValue = false;
    if (const size_t eq = word.find('='); eq != std::string::npos) {
      value = word.substr(eq + 1);
      word.resize(eq);
      inlineValue = true;
    }
    const auto& table = Options();
    const auto option =
        std::find_if(table.begin(), table.end(), [&](const OptionEntry& s) { return word == s.Name; });
    if (option == table.end()) return "unknown option \"" + word + "\"";
    if (option->Argument && !inlineValue) {
      if (i + 1 >= argc) return word + " needs " + option->Argument;
      value = argv[++i];
    } else if (!option->Argument && inlineValue) {
      return word + " takes no value";
    }
    if (auto error = option->Apply(options, value)) return error;
  }
  if (options.Help || options.Version || options.ListMidiPorts) return std::nullopt;
  if (options.Cartridge.empty()) return "no cartridge given";
  return std::nullopt;
}

std::string RunUsage() {
  std::string text =
      "Usage: virel-run [OPTION]... CARTRIDGE\n"
      "Runs a cartridge image (.nes, or a .zip holding one) headless, with the same core and the same\n"
      "load-and-start sequence as the main window, then unloads it as the window does when it closes\n"
      "(battery RAM written beside the cartridge).\n\nOptions:\n";
  constexpr size_t kIndent = 30, kWidth = 100;
  for (const OptionEntry& s : Options()) {
    std::string head = std::string("  ") + s.Name + (s.Argument ? std::string(" ") + s.Argument : "");
    text += head;
    size_t column = head.size();
    if (column >= kIndent) {
      text += "\n";
      column = 0;
    }
    // The help words flow in a column of their own beside the option names.
    std::stringstream words(s.Help);
    std::string word;
    bool first = true;
    while (words >> word) {
      if (!first && column + 1 + word.size() > kWidth) {
        text += "\n";
        column = 0;
      }
      if (column < kIndent) {
        text += std::string(kIndent - column, ' ');
        column = kIndent;
      } else {
        text += ' ';
        ++column;
      }
      text += word;
      column += word.size();
      first = false;
    }
    text += "\n";
  }
  text +=
      "\nAfter the run, in this order: --save-state, --screenshot, --hash, --peek, then the unload.\n"
      "\nExit status: 0 after a run; 1 when the cartridge could not be started or a file asked for could\n"
      "not be written (the reason is printed); 2 on bad usage. SIGTERM, SIGINT or SIGHUP end the run\n"
      "at the next frame: the files asked for are still written, then the runner says it was stopped\n"
      "and exits with 1.\n";
  return text;
}
