#include "FuzzSupport.h"
#include "engine/EngineChoice.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "cartridge/Lifecycle.h"
#include "cartridge/RomLoader.h"
#include "support/TestMachine.h"

const std::string& FuzzFolder() {
  static const std::string folder = [] {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("virel-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    // libFuzzer ends with exit(); the folder goes with the process.
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(
          std::filesystem::temp_directory_path() / ("virel-fuzz-" + std::to_string(getpid())), ignored);
    });
    return (dir / "").string();
  }();
  return folder;
}

std::string WriteInputFile(const std::string& name, const uint8_t* data, size_t size) {
  const std::string path = FuzzFolder() + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return path;
}

void InstallProgram(BudgetMachine& b, const std::vector<uint8_t>& program, int chrBanks) {
  InstallCartridge(b.m, 2, chrBanks, 0, 0x01);
  std::fill(b.m.PrgRom.begin(), b.m.PrgRom.end(), uint8_t{0xEA});
  std::copy_n(program.begin(), std::min<size_t>(program.size(), 0x8000 - 6), b.m.PrgRom.begin());
  // NMI, reset and IRQ all enter at $8000 (the second bank ends at $FFFF).
  for (size_t v = 0x7FFA; v < 0x8000; v += 2) {
    b.m.PrgRom[v] = 0x00;
    b.m.PrgRom[v + 1] = 0x80;
  }
}

void RequireBankTablesInBounds(const Machine& m) {
  const std::string fault = BankTableFault(m);
  if (fault.empty()) return;
  std::fprintf(stderr, "mapper %d: %s\n", m.MapperNumber, fault.c_str());
  std::abort();
}

void StartRunAndUnload(const std::string& path, const std::string& fileName) {
  BudgetMachine b;
  try {
    if (StartCartridge(b.m, path)) {
      RequireBankTablesInBounds(b.m);
      RunFrames(b, 2);
      RequireBankTablesInBounds(b.m);
    }
    UnloadCartridge(b.m);
  } catch (const std::runtime_error& refusal) {
    // What the user reads must say which file was refused.
    if (std::string(refusal.what()).find(fileName) == std::string::npos) {
      std::fprintf(stderr, "refusal without the file name: %s\n", refusal.what());
      std::abort();
    }
  }
}

void StartSnapshotMachine(BudgetMachine& b, std::string_view engine) {
  ChooseEngine(b.m, engine);
  // LDA #$80 / STA $2000 / LDA #$1E / STA $2001 / loop: INC $00 / JMP loop
  InstallProgram(
      b, {0xA9, 0x80, 0x8D, 0x00, 0x20, 0xA9, 0x1E, 0x8D, 0x01, 0x20, 0xE6, 0x00, 0x4C, 0x0A, 0x80}, 1);
  ResetMachine(b.m, true);
  RunFrames(b, 2);
}
