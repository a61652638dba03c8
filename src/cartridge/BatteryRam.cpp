// Battery-backed cartridge RAM: the 8 KB at $6000-$7FFF kept raw, in address
// order, in a file named after the cartridge in the cartridge's own folder.
#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "cartridge/BatteryAutosave.h"
#include "cartridge/Lifecycle.h"
#include "cartridge/Mapper.h"
#include "core/AtomicFile.h"

std::string BatteryFileName(const Machine& m) {
  // Everything after the first full stop goes: a.b.nes and a.c.nes share a.sav.
  const size_t dot = m.RomFileName.find('.');
  const std::string stem = dot == std::string::npos ? std::string() : m.RomFileName.substr(0, dot + 1);
  return stem + "sav";
}

std::string BatteryFilePath(const Machine& m) { return m.RomFolder + BatteryFileName(m); }

bool LoadBatteryAndMapper(Machine& m) {
  MapBatteryRam(m);
  if (m.CartFlags & kCartBattery) {
    const std::string path = BatteryFilePath(m);
    std::error_code error;
    if (std::filesystem::exists(Utf8Path(path), error)) {
      m.Log("Carregando arquivo de bateria \"" + BatteryFileName(m) + "\".");
      // A shorter file fills only the start; the rest keeps its zeros.
      std::vector<uint8_t> bytes;
      try {
        bytes = ReadFilePrefix(path, m.BatteryRam.size());
      } catch (const std::runtime_error& e) {
        // Said as what it is to the player: the cartridge's saved games.
        throw std::runtime_error(
            std::string("Não foi possível carregar a memória de bateria do cartucho (os jogos salvos). ") +
            e.what());
      }
      std::copy(bytes.begin(), bytes.end(), m.BatteryRam.begin());
    } else {
      m.Log("Arquivo de bateria não achado.");
    }
    m.Autosave->Start(m.BatteryRam);
  }
  MapRam(m);
  return MapperInit(m, m.MapperNumber);
}

void SaveBatteryRam(Machine& m) {
  // The bit is tested now, not as the header had it: the MMC3 can switch it.
  if (!m.CartridgeLoaded() || !(m.CartFlags & kCartBattery)) return;
  m.Log("Salvando arquivo de bateria \"" + BatteryFileName(m) + "\".");
  WriteFileAtomically(BatteryFilePath(m), m.BatteryRam);
}

void AutosaveBatteryRam(Machine& m) {
  // A rehearsed frame (run ahead, or re-run from the rewind history) is
  // taken back or replaced: its battery RAM is not the game's yet.
  if (m.Rehearsing || !m.CartridgeLoaded() || !(m.CartFlags & kCartBattery) || !m.Autosave->Due()) return;
  m.Autosave->Tick(BatteryFilePath(m), m.BatteryRam);
}
