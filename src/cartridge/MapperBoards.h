// The boards of the mapper catalogue: for each family its initial steps (run
// after CommonLayout) and its write handler for processor writes to
// $8000-$FFFF. The catalogue table pairs each mapper number with these.
// Boards 0, 5 and 64 have neither and need no code here.
#pragma once

#include <cstdint>

#include "core/Machine.h"

// Mmc1.cpp: mapper 1, the serial five-write register interface.
void Mmc1Init(Machine& m);
void Mmc1Write(Machine& m, uint16_t address, uint8_t value);

// Mmc3.cpp: mappers 4 and 118, bank select/data pairs and the scanline counter.
void Mmc3Init(Machine& m);
void Mmc3Write(Machine& m, uint16_t address, uint8_t value);

// DiscreteBoards.cpp: one-latch boards where any address is the register.
void UxRomWrite(Machine& m, uint16_t address, uint8_t value);        // 2
void CnRomWrite(Machine& m, uint16_t address, uint8_t value);        // 3
void AxRomInit(Machine& m);                                          // 7
void AxRomWrite(Machine& m, uint16_t address, uint8_t value);        // 7
void FfeF3Init(Machine& m);                                          // 8
void FfeF3Write(Machine& m, uint16_t address, uint8_t value);        // 8
void ColorDreamsInit(Machine& m);                                    // 11
void ColorDreamsWrite(Machine& m, uint16_t address, uint8_t value);  // 11
void Nina1Write(Machine& m, uint16_t address, uint8_t value);        // 34
void GnRomWrite(Machine& m, uint16_t address, uint8_t value);        // 66
void Irem78Write(Machine& m, uint16_t address, uint8_t value);       // 78

// Mmc2Mmc4.cpp: mappers 9/77 and 10, registers decoded by A AND $F000.
void Mmc2Init(Machine& m);
void Mmc2Write(Machine& m, uint16_t address, uint8_t value);
void Mmc4Write(Machine& m, uint16_t address, uint8_t value);

// Bandai.cpp: mappers 16 and 18, registers decoded by A AND $0F.
void BandaiWrite(Machine& m, uint16_t address, uint8_t value);

// Konami.cpp: mapper 23, registers decoded by A AND $E003.
void Konami23Write(Machine& m, uint16_t address, uint8_t value);

// Taito.cpp: mapper 33, registers at exact addresses.
void TaitoWrite(Machine& m, uint16_t address, uint8_t value);

// Multicart.cpp: mapper 15 (100-in-1), registers at exact addresses.
void Multicart15Init(Machine& m);
void Multicart15Write(Machine& m, uint16_t address, uint8_t value);

// PassiveBoards.cpp: mapper 17, whose registers never reach $8000-$FFFF.
void Ffe17Init(Machine& m);
