#include "cartridge/SaveState.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "core/AtomicFile.h"
#include "core/Snapshot.h"
#include "core/Text.h"
#include "core/Engine.h"

namespace {

// Where each memory lies in the file: work RAM, sprite memory, video memory,
// each with its spare trailing byte.
constexpr size_t kOamOffset = 2049;
constexpr size_t kVramOffset = 2049 + 257;
static_assert(kStateFileSize == 18691);
// A snapshot is a few tens of kilobytes; anything far larger is no state file.
constexpr size_t kLargestStateFile = kStateFileSize + 1024 * 1024;

}  // namespace

std::string StateFileName(const Machine& m) {
  const size_t dot = m.RomFileName.find('.');
  const std::string stem = dot == std::string::npos ? std::string() : m.RomFileName.substr(0, dot + 1);
  return stem + "wb";
}

void SaveState(Machine& m) {
  std::vector<uint8_t> bytes;
  bytes.reserve(kStateFileSize);
  bytes.insert(bytes.end(), m.Ram.begin(), m.Ram.end());
  bytes.insert(bytes.end(), m.Oam.begin(), m.Oam.end());
  bytes.insert(bytes.end(), m.Vram.begin(), m.Vram.end());
  // The whole console follows the three memories. Readers of the three alone
  // (older versions, other programs) take the first 18,691 bytes as before.
  if (m.CartridgeLoaded()) {
    std::vector<uint8_t> snapshot;
    m.engine->Snapshot(snapshot);
    bytes.insert(bytes.end(), snapshot.begin(), snapshot.end());
  }
  // A failed write throws before the log line: the caller shows the error.
  WriteFileAtomically(StateFileName(m), bytes);
  m.Log("Arquivo gravado com sucesso.");
  m.host->ShowMessage("Estado salvo em " + Quoted(StateFileName(m)) + ".");
}

RestoreResult LoadState(Machine& m) {
  const std::string name = StateFileName(m);
  // Only a complete state is taken: a truncated or foreign file would leave
  // the memories half old and half new, which no game survives.
  std::vector<uint8_t> bytes;
  try {
    std::error_code error;
    const auto size = std::filesystem::file_size(Utf8Path(name), error);
    if (!error && size >= kStateFileSize && size <= kLargestStateFile)
      bytes = ReadFilePrefix(name, static_cast<size_t>(size));
  } catch (const std::runtime_error&) {
    bytes.clear();
  }
  const std::span<const uint8_t> tail = bytes.size() > kStateFileSize
                                            ? std::span<const uint8_t>(bytes).subspan(kStateFileSize)
                                            : std::span<const uint8_t>();
  // Past the memories only a snapshot of ours is accepted.
  if (bytes.size() < kStateFileSize || (bytes.size() > kStateFileSize && !LooksLikeSnapshot(tail))) {
    m.Log("Erro ao carregar arquivo: " + name);
    std::error_code error;
    m.host->ShowMessage(std::filesystem::exists(Utf8Path(name), error)
                            ? "O estado salvo " + Quoted(name) + " está danificado; nada foi alterado."
                            : "Nenhum estado salvo em " + Quoted(name) + "; nada foi alterado.");
    return RestoreResult::Damaged;
  }
  if (!tail.empty()) {
    // The snapshot holds the three memories too, and everything else.
    const RestoreResult result = m.engine->Restore(tail);
    if (result != RestoreResult::Restored) {
      m.Log(RestoreMessage(result));
      m.host->ShowMessage(RestoreMessage(result));
      return result;
    }
  } else {
    std::copy_n(bytes.begin(), m.Ram.size(), m.Ram.begin());
    std::copy_n(bytes.begin() + kOamOffset, m.Oam.size(), m.Oam.begin());
    std::copy_n(bytes.begin() + kVramOffset, m.Vram.size(), m.Vram.begin());
    // Palette memory came from the file: the colour table is rebuilt from it
    // at the next presentation, not left showing the colours from before.
    m.PaletteChanged = true;
  }
  m.Log("Arquivo carregado com sucesso.");
  m.host->ShowMessage("Estado carregado de " + Quoted(name) + ".");
  return RestoreResult::Restored;
}
