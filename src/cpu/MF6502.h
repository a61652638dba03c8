// The 6502 processor: reset, interrupt entry, the instruction set, the run loop
// that slices processor time into scanlines, and the debugger's single steps.
#pragma once

#include <cstdint>

#include "cpu/CpuState.h"

// Base cycle charge and the N/Z bits of every byte value.
extern const uint8_t CycleTable[256];
extern const uint8_t NZTable[256];

void CpuReset(TCpuState& s);
// Delivers intNMI or intIRQ (discarded while I is set); intNone/intStop do nothing.
void CpuInterrupt(TCpuState& s, uint8_t code);
// Runs slices until the scanline hook returns intStop; returns PC.
uint16_t CpuRun(TCpuState& s);
// Executes exactly one instruction; returns the new PC.
uint16_t CpuStep(TCpuState& s);
// One instruction plus the slice-end handling of the run loop (intStop ignored).
uint16_t DebugStep(TCpuState& s);
