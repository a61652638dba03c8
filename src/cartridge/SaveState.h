// Save states: work RAM, sprite memory and video memory (18,691 bytes, each
// with its spare byte) in a file named after the cartridge, in the working directory.
#pragma once

#include <string>

#include "core/Machine.h"

constexpr size_t kStateFileSize = 2049 + 257 + 16385;

// RomFileName up to and including its first "." + "wb".
std::string StateFileName(const Machine& m);
// Throws std::runtime_error when the file cannot be written.
void SaveState(Machine& m);
void LoadState(Machine& m);
