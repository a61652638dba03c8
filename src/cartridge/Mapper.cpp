#include "cartridge/Mapper.h"

#include <array>

#include "cartridge/MapperCatalogue.h"
#include "core/Crc32.h"

namespace {

// Pattern storage shown by emptied tables, so that a stray read never
// follows a null pointer.
const std::array<uint8_t, kEmptyPatternSize> kNoPatterns{};

struct NamedMapper {
  int Number;
  const char* Name;
};

constexpr NamedMapper kMapperNames[] = {
    {0, "No Mapper"},
    {1, "Nintendo MMC1"},
    {2, "74HC161/74HC32"},
    {3, "VROM Switch"},
    {4, "Nintendo MMC3"},
    {5, "Nintendo MMC5"},
    {7, "Rom Switch"},
    {8, "FFE F3xxxx"},
    {9, "Nintendo MMC2"},
    {10, "Nintendo MMC4"},
    {11, "Color Dreams Mapper"},
    {15, "100-in-1"},
    {16, "Bandai"},
    {18, "Jaleco SS8806"},
    {19, "Namcot 106 chip"},
    {20, "Nintendo DiskSystem"},
    {21, "Konami VRC4a"},
    {22, "Konami VRC2a"},
    {23, "Konami VRC2a"},
    {24, "Konami VRC6"},
    {25, "Konami VRC4b"},
    {26, "KONAMI_VRC6B"},
    {32, "Irem G-101 chip"},
    {33, "Taito TC0190/TC0350"},
    {34, "Nina-1 board"},
    {64, "Tengen RAMBO-1 chip"},
    {65, "Irem H-3001 chip"},
    {66, "GNROM switch"},
    {67, "SunSoft3 chip"},
    {68, "SunSoft4 chip"},
    {69, "SunSoft5 FME-7 chip"},
    {71, "Camerica chip"},
    {78, "Irem 74HC161/32-based"},
    {79, "AVE Nina-3 board"},
    {81, "AVE Nina-6 board"},
    {91, "Pirate HK-SF3 chip"},
    {118, "Nintendo MMC3"},
    {242, "pirate wai xing han shi"},
};

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
  for (const NamedMapper& entry : kMapperNames)
    if (entry.Number == number) return entry.Name;
  return {};
}

void MapperWriteNone(Machine&, uint16_t, uint8_t) {}

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

bool MapperInit(Machine& m, int number) {
  m.Log("Carregando Mapper #" + MapperName(number) + "...");
  const MapperBoard* board = FindMapperBoard(number);
  if (!board) {
    m.Log("* iNES mapper #" + std::to_string(number) + " não suportado.");
    return false;
  }
  // Only the MMC3 drives the interrupt counter; a counter an earlier MMC3
  // cartridge left running must not fire into the next one.
  if (number != 4 && number != 118) m.IrqEnabled = false;
  CommonLayout(m);
  if (board->Init) board->Init(m);
  m.MapperWrite = board->Write ? board->Write : &MapperWriteNone;
  m.LoadedMapperName = MapperName(number);
  m.ImageCrc = Crc32(m.ChrRom.data(), m.ChrRom.size(), Crc32(m.PrgRom.data(), m.PrgRom.size()));
  return true;
}

void MapperScanline(Machine& m, uint8_t& code) {
  switch (m.MapperNumber) {
    case 4:
    case 118:
    case 16:
    case 17:
      if (!m.IrqEnabled) return;
      if (--m.IrqCounter == 0) {
        m.IrqEnabled = false;
        m.ScrollChanged = true;  // the scroll last written is latched at the next line
        code = intIRQ;
      }
      return;
    case 23:
      if (!m.IrqEnabled) return;
      if (++m.IrqCounter == 256) {
        m.IrqEnabled = false;
        m.IrqCounter = 0;
        code = intIRQ;
      }
      return;
    default: return;
  }
}

void MapRam(Machine& m) { m.CpuBankTable[0] = {m.Ram.data(), 0x7FF}; }
void MapBatteryRam(Machine& m) { m.CpuBankTable[3] = {m.BatteryRam.data(), 0x1FFF}; }

const uint8_t* EmptyPatternStorage() { return kNoPatterns.data(); }

void ClearBankTables(Machine& m) {
  m.CpuBankTable.fill({});
  m.PatternBankTable.fill(kNoPatterns.data());
}
