// The mapper framework the boards (cartridge/boards/) are built on: bank
// switching by rewriting bank-table entries, name-table mirroring, the
// installation of a board for a cartridge, and the scanline counter that the
// boards with an interrupt clock share.
#pragma once

#include <cstdint>
#include <string>

#include "core/Machine.h"

// The display name of a mapper number, supported or not; empty for numbers
// without one.
std::string MapperName(int number);
// Logs, installs the initial layout, registers, write handler and interrupt
// clock of the board for `number`; false (with a log line) for an
// unsupported number.
bool MapperInit(Machine& m, int number);
// Whether the catalogue has a board for `number`: asked of a new image before
// it may replace the cartridge that runs.
bool MapperSupported(int number);
// The two lines MapperInit logs as it refuses `number`.
void LogMapperRefused(Machine& m, int number);
// Clocked once per visible line the hook reaches; may turn `code` into intIRQ.
inline void MapperScanline(Machine& m, uint8_t& code) { m.MapperClock(m, code); }

// The interrupt clocks of the shared counter. Counting down (the MMC3's): the
// line that reaches zero raises the interrupt and stops the counter, and the
// scroll written so far is latched at the next line. Counting up: the line
// that reaches 256 raises it, stops the counter and restarts it from zero.
void CounterClockDown(Machine& m, uint8_t& code);
void CounterClockUp(Machine& m, uint8_t& code);
// The clock of boards without a counter.
void MapperClockNone(Machine& m, uint8_t& code);

// h = 0: vertical ($800), h = 1: horizontal ($400).
void SetMirroring(Machine& m, int h);
// Bank numbers beyond an image wrap modulo the image's size.
void MapPrg8(Machine& m, uint16_t window, uint32_t bank);
void MapPrg16(Machine& m, uint16_t window, uint32_t bank);
void MapPrg32(Machine& m, uint32_t bank);
void MapChr1(Machine& m, uint16_t window, uint32_t bank);
void MapChr4(Machine& m, uint16_t window, uint32_t bank);
void MapChr8(Machine& m, uint32_t bank);
// First 16 KB bank at $8000, last at $C000, first 8 KB of pattern storage.
void CommonLayout(Machine& m);

// The empty handler: writes are ignored.
void MapperWriteNone(Machine& m, uint16_t address, uint8_t value);

// Maps work RAM at $0000-$1FFF and battery RAM at $6000-$7FFF.
void MapRam(Machine& m);
void MapBatteryRam(Machine& m);
// Empties both bank tables (unload).
void ClearBankTables(Machine& m);
// The 8 KB of zeros that emptied pattern windows show.
const uint8_t* EmptyPatternStorage();
constexpr size_t kEmptyPatternSize = 0x2000;
