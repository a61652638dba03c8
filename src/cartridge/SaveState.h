// Save states: work RAM, sprite memory and video memory (18,691 bytes, each
// with its spare byte) in a file named after the cartridge, in the working
// directory, followed by a snapshot of the whole console (core/Snapshot.h).
// A file of the three memories alone loads them alone, as it always has.
#pragma once

#include <string>

#include "core/Machine.h"
#include "core/Snapshot.h"

constexpr size_t kStateFileSize = 2049 + 257 + 16385;

// RomFileName up to and including its first "." + "wb".
std::string StateFileName(const Machine& m);
// Throws std::runtime_error when the file cannot be written.
void SaveState(Machine& m);
// A snapshot of another cartridge, or a damaged one, is refused with a log
// line and changes nothing. Both say what happened on the host's message
// line too. Returns Restored, or why the state was refused (Damaged also for
// no file at all).
RestoreResult LoadState(Machine& m);
