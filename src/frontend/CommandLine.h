// The window program's command line: --help and --version answer and quit,
// every other word starting with "-" is refused, and what remains are the
// cartridge and the "/S0" or "/S1" screen choice, passed on as before.
// Toolkit options (-platform, -style...) are taken out by Qt before the rest
// is checked, so they never reach the refusal.
#pragma once

#include <string>
#include <vector>

struct VirelCommandLine {
  enum class Action { Run, Help, Version, Refuse };
  Action What = Action::Run;
  std::vector<std::string> Arguments;  // for Run: the words left for the window
  std::string Message;                 // for Refuse: what was wrong
};

// `words` is the command line without the program name. "--" ends the
// options: every word after it is a file, even one that starts with "-".
VirelCommandLine ParseVirelCommandLine(const std::vector<std::string>& words);
// The short usage printed by --help, in Portuguese like the rest of the program.
std::string VirelUsage();

// Exit status for a refused command line.
constexpr int kVirelExitUsage = 2;
