// The 6502 processor: reset, interrupt entry, the instruction set, the run loop
// that slices processor time into scanlines, and the debugger's single steps.
#pragma once

#include <cstdint>

#include "engine/classic/cpu/CpuState.h"

struct Machine;

// Base cycle charge and the N/Z bits of every byte value.
extern const uint8_t CycleTable[256];
extern const uint8_t NZTable[256];

// Each entry works on Classic(m).Cpu and reaches memory and the hook through `m`.
void CpuReset(Machine& m);
// Delivers intNMI or intIRQ (discarded while I is set); intNone/intStop do nothing.
void CpuInterrupt(Machine& m, uint8_t code);
// Runs slices until the scanline hook returns intStop; returns PC.
uint16_t CpuRun(Machine& m);
// Executes exactly one instruction; returns the new PC.
uint16_t CpuStep(Machine& m);
// One instruction plus the slice-end handling of the run loop (intStop ignored).
uint16_t DebugStep(Machine& m);
