// Test support: a host that records the log and counts the hook's calls into
// it, and a Machine with a cartridge image installed in memory.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Host.h"
#include "core/Machine.h"

class RecordingHost : public Host {
 public:
  std::vector<std::string> log;
  int presented = 0;
  int colorRefreshes = 0;
  int polls = 0;
  int messageRounds = 0;

  void AppendLog(std::string_view line) override { log.emplace_back(line); }
  void RefreshColorTable() override { ++colorRefreshes; }
  void PresentFrame() override { ++presented; }
  void PollControllers() override { ++polls; }
  void ProcessMessages() override { ++messageRounds; }
};

// A Machine with a RecordingHost.
struct TestMachine {
  RecordingHost host;
  Machine m;
  TestMachine() { m.host = &host; }
};

// Puts a cartridge into `m` without a file: `prgBanks` 16 KB program banks
// whose bytes are all their bank number (bank n filled with n), `chrBanks`
// 8 KB pattern banks filled likewise, mapper `mapper` installed, work RAM and
// battery RAM mapped. Returns MapperInit's result.
bool InstallCartridge(Machine& m, int prgBanks, int chrBanks, int mapper = 0, uint8_t flags6 = 0x01);

// Renumbers the installed images in finer pieces, for boards that switch less
// than 16 KB of program or 8 KB of pattern: every 8 KB of PrgRom holds its
// 8 KB bank number and every 1 KB of ChrRom its 1 KB bank number (modulo 256).
// The bank tables keep pointing into the same storage.
void NumberSmallBanks(Machine& m);

// The 8 KB program bank number each window $8000/$A000/$C000/$E000 shows, and
// the 1 KB pattern bank number each of the eight pattern windows shows, read
// from the window's first byte; -1 when its last byte disagrees (a window
// that straddles two banks). Meant for images numbered by NumberSmallBanks.
std::array<int, 4> PrgWindows(Machine& m);
std::array<int, 8> ChrWindows(const Machine& m);
