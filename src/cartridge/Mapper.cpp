#include "cartridge/Mapper.h"

#include <array>

#include "cartridge/boards/Boards.h"
#include "core/Crc32.h"
#include "engine/classic/ClassicEngine.h"

namespace {

// Pattern storage shown by emptied tables, so that a stray read never
// follows a null pointer.
const std::array<uint8_t, kEmptyPatternSize> kNoPatterns{};

size_t PrgSize(const Machine& m) { return static_cast<size_t>(m.PrgCount) * 0x4000; }

// With no pattern ROM the picture processor's own memory is the storage.
const uint8_t* ChrStorage(const Machine& m) { return m.ChrCount > 0 ? m.ChrRom.data() : m.Vram.data(); }
size_t ChrSize(const Machine& m) {
  return m.ChrCount > 0 ? static_cast<size_t>(m.ChrCount) * 0x2000 : 0x4000;
}

// Points 8 KB processor window `entry` at byte `offset` of the program image.
void SetPrgEntry(Machine& m, unsigned entry, size_t offset) {
  const size_t size = PrgSize(m);
  if (entry < 4 || entry > 7 || size == 0 || m.PrgRom.size() < size) return;
  m.CpuBankTable[entry] = {m.PrgRom.data() + offset % size - entry * 0x2000u, 0xFFFF};
}

void SetChrEntry(Machine& m, unsigned entry, size_t offset) {
  if (entry > 7) return;
  const size_t size = ChrSize(m);
  if (m.ChrCount > 0 && m.ChrRom.size() < size) return;
  m.PatternBankTable[entry] = ChrStorage(m) + offset % size - entry * 0x400u;
}

}  // namespace

std::string MapperName(int number) {
  if (const MapperBoard* board = FindMapperBoard(number)) return board->Name;
  return std::string(UnsupportedMapperName(number));
}

void MapperWriteNone(Machine&, uint16_t, uint8_t) {}
void MapperClockNone(Machine&, uint8_t&) {}

void SetMirroring(Machine& m, int h) {
  m.Mirroring = h ? TMirroring::Horizontal : TMirroring::Vertical;
  m.MirrorMask = h ? 0x400 : 0x800;
}

void MapPrg8(Machine& m, uint16_t window, uint32_t bank) {
  SetPrgEntry(m, window >> 13, size_t{bank} * 0x2000);
}

void MapPrg16(Machine& m, uint16_t window, uint32_t bank) {
  for (unsigned i = 0; i < 2; ++i) SetPrgEntry(m, (window >> 13) + i, size_t{bank} * 0x4000 + i * 0x2000);
}

void MapPrg32(Machine& m, uint32_t bank) {
  for (unsigned i = 0; i < 4; ++i) SetPrgEntry(m, 4 + i, size_t{bank} * 0x8000 + i * 0x2000);
}

void MapChr1(Machine& m, uint16_t window, uint32_t bank) {
  SetChrEntry(m, (window >> 10) & 7, size_t{bank} * 0x400);
}

void MapChr4(Machine& m, uint16_t window, uint32_t bank) {
  const unsigned first = (window >> 10) & 7;
  for (unsigned i = 0; i < 4; ++i) SetChrEntry(m, first + i, size_t{bank} * 0x1000 + i * 0x400);
}

void MapChr8(Machine& m, uint32_t bank) {
  for (unsigned i = 0; i < 8; ++i) SetChrEntry(m, i, size_t{bank} * 0x2000 + i * 0x400);
}

void CommonLayout(Machine& m) {
  MapPrg16(m, 0x8000, 0);
  MapPrg16(m, 0xC000, static_cast<uint32_t>(m.PrgCount - 1));
  MapChr8(m, 0);
  m.ChrBankMask = static_cast<uint8_t>(m.ChrCount - 1);
}

bool MapperSupported(int number) { return FindMapperBoard(number) != nullptr; }

void LogMapperRefused(Machine& m, int number) {
  m.Log("Carregando Mapper #" + MapperName(number) + "...");
  m.Log("* iNES mapper #" + std::to_string(number) + " não suportado.");
}

bool MapperInit(Machine& m, int number) {
  const MapperBoard* board = FindMapperBoard(number);
  if (!board) {
    LogMapperRefused(m, number);
    return false;
  }
  m.Log("Carregando Mapper #" + std::string(board->Name) + "...");
  // Only a board that keeps its state goes on from what a previous cartridge
  // on the same board left; for every other one a counter left running must
  // not fire into it, and registers of another board mean nothing to it.
  const bool keeps = board->State && board->State->KeepsState;
  if (!keeps) m.IrqEnabled = false;
  if (!keeps || !m.Board || m.Board->State != board->State) m.BoardRegs = {};
  CommonLayout(m);
  if (board->Init) board->Init(m);
  m.Board = board;
  m.MapperWrite = board->Write ? board->Write : &MapperWriteNone;
  m.MapperClock = board->Clock ? board->Clock : &MapperClockNone;
  m.LoadedMapperName = board->Name;
  m.ImageCrc = Crc32(m.ChrRom.data(), m.ChrRom.size(), Crc32(m.PrgRom.data(), m.PrgRom.size()));
  return true;
}

void CounterClockDown(Machine& m, uint8_t& code) {
  if (!m.IrqEnabled) return;
  if (--m.IrqCounter == 0) {
    m.IrqEnabled = false;
    // The scroll last written is latched at the next line. Only the designed
    // engine's hook clocks these boards.
    Classic(m).ScrollChanged = true;
    code = intIRQ;
  }
}

void CounterClockUp(Machine& m, uint8_t& code) {
  if (!m.IrqEnabled) return;
  if (++m.IrqCounter == 256) {
    m.IrqEnabled = false;
    m.IrqCounter = 0;
    code = intIRQ;
  }
}

void MapRam(Machine& m) { m.CpuBankTable[0] = {m.Ram.data(), 0x7FF}; }
void MapBatteryRam(Machine& m) { m.CpuBankTable[3] = {m.BatteryRam.data(), 0x1FFF}; }

const uint8_t* EmptyPatternStorage() { return kNoPatterns.data(); }

void ClearBankTables(Machine& m) {
  m.CpuBankTable.fill({});
  m.PatternBankTable.fill(kNoPatterns.data());
}
