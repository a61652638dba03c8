// Test support: a host that lets a run go on for a fixed number of frames and
// stops it at the next frame start, plus a check that every bank-table window
// lies inside the storage it designates. Shared by the soak test, the fuzz
// targets and the benchmarks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/Host.h"
#include "core/Machine.h"

class FrameBudgetHost : public Host {
 public:
  long frames = 0;
  long budget = 0;
  long logLines = 0;
  Machine* machine = nullptr;

  // The log is only counted: a program of random bytes can log a line per
  // undocumented opcode, and keeping them all would only cost memory.
  void AppendLog(std::string_view) override { ++logLines; }
  void ProcessMessages() override {
    if (++frames >= budget && machine) machine->Running = false;
  }
};

// A Machine with a FrameBudgetHost.
struct BudgetMachine {
  FrameBudgetHost host;
  Machine m;
  BudgetMachine() {
    m.host = &host;
    host.machine = &m;
  }
};

// Runs the started cartridge in the Machine's engine until `frames` more frames have
// begun. Returns the number of frames the host saw.
long RunFrames(BudgetMachine& b, long frames);

// Empty when every processor window ($0000-$1FFF, $6000-$FFFF) reads inside
// work RAM, battery RAM or the program image, and every pattern window inside
// the pattern image or video memory; otherwise the first window that does not.
std::string BankTableFault(const Machine& m);
