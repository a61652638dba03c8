// The life of a cartridge in the machine: load and start, reset, unload, and
// the battery RAM kept in a file beside the image.
#pragma once

#include <string>

#include "core/Machine.h"

// Loads the image at `path`, installs its mapper, resets and runs it. Returns
// when the run loop stops; when a loop is already active it only prepares the
// machine and sets Running, and the active loop carries on with the new cartridge.
// File errors propagate as exceptions (RomLoadError or std::runtime_error).
void LoadAndStart(Machine& m, const std::string& path);
void ResetMachine(Machine& m);
void UnloadCartridge(Machine& m);
bool LoadBatteryAndMapper(Machine& m);
// RomFolder + RomFileName up to and including its first "." + "sav".
std::string BatteryFilePath(const Machine& m);
// True while a CpuRun activation is on the stack.
bool RunLoopActive(const Machine& m);
// Sets Running and enters CpuRun unless a loop is already active (then the
// active loop simply carries on). Used by resume, reset, debugger close.
void RunOrContinue(Machine& m);
