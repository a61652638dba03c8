// What the fuzz targets share: a private folder per fuzzing process for the
// files an input becomes, and the cartridge images they run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "support/FrameBudgetHost.h"

// A folder of this process's own under the temporary folder, created on first
// use, with its trailing separator. Parallel fuzzing jobs never share files.
const std::string& FuzzFolder();

// Writes the input as the file `name` in FuzzFolder(); returns its path.
std::string WriteInputFile(const std::string& name, const uint8_t* data, size_t size);

// Installs a mapper-0 cartridge of two program banks and `chrBanks` pattern
// banks (0: pattern memory is video memory) whose program is `program` at
// $8000, the rest NOPs, with every vector pointing at $8000.
void InstallProgram(BudgetMachine& b, const std::vector<uint8_t>& program, int chrBanks);

// Starts the cartridge file at `path` through the load-and-start sequence,
// runs two frames of it and unloads it. A refusal (RomLoadError, or a file
// error) is the expected answer to a bad file; its message must name the file,
// or the run aborts as a finding.
void StartRunAndUnload(const std::string& path, const std::string& fileName);

// Aborts the fuzzing run (a finding) when a bank-table window has left its
// storage; the sanitizers catch the accesses, this catches the mapping.
void RequireBankTablesInBounds(const Machine& m);

// The running cartridge the snapshot target restores into: a program that
// turns the picture and its interrupt on and loops, with pattern ROM, run for
// two frames. Its snapshot is the target's seed, so the image's CRC matches.
void StartSnapshotMachine(BudgetMachine& b, std::string_view engine = "classic");
