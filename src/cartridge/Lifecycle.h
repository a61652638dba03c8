// The life of a cartridge in the machine: load and start, reset, unload, and
// the battery RAM kept in a file beside the image.
#pragma once

#include <string>

#include "core/Machine.h"

// --- Lifecycle.cpp ---------------------------------------------------------------

// Loads the image at `path`, installs its mapper, resets and runs it. Returns
// when the run loop stops; when a loop is already active it only prepares the
// machine and sets Running, and the active loop carries on with the new cartridge.
// File errors propagate as exceptions (RomLoadError or std::runtime_error).
void LoadAndStart(Machine& m, const std::string& path);
// Every step of LoadAndStart except entering the run loop: read and check
// the image, unload what is loaded, install, map, reset, start sound, prepare
// the display, set Running. True when the cartridge started (Running set);
// false when the image was refused or its mapper is not supported (the
// reason is in the log). A refused image, false or thrown, leaves the
// cartridge that was loaded as it was, running or not.
bool StartCartridge(Machine& m, const std::string& path);
// `powerOn`: a cartridge just started, so the engine powers the console up.
void ResetMachine(Machine& m, bool powerOn = false);
void UnloadCartridge(Machine& m);
// True while a CpuRun activation is on the stack.
bool RunLoopActive(const Machine& m);
// Sets Running and enters CpuRun unless a loop is already active (then the
// active loop simply carries on). Used by start, resume, reset, debugger close.
void RunOrContinue(Machine& m);

// --- BatteryRam.cpp --------------------------------------------------------------

bool LoadBatteryAndMapper(Machine& m);
// RomFolder + BatteryFileName(m).
std::string BatteryFilePath(const Machine& m);
// RomFileName up to and including its first "." + "sav" (just "sav" without one).
std::string BatteryFileName(const Machine& m);
// Logs and writes the 8192 bytes of BatteryRam when a cartridge is loaded and
// CartFlags has the battery bit now. Throws std::runtime_error on a failed write.
void SaveBatteryRam(Machine& m);
// Between frames: queues a silent background write of BatteryRam when it has
// changed and the write interval has passed (BatteryAutosave). Stalls the
// frame only for a compare and a copy.
void AutosaveBatteryRam(Machine& m);
