// The snapshot container: its header and its sections' framing. What the
// sections hold is written and read by the engines (engine/MachineState.cpp
// for the shared part).
#include "core/Snapshot.h"

#include <cstring>

bool LooksLikeSnapshot(std::span<const uint8_t> data) {
  return data.size() >= sizeof kSnapshotMagic &&
         std::memcmp(data.data(), kSnapshotMagic, sizeof kSnapshotMagic) == 0;
}

RestoreResult CheckSnapshotHeader(const Machine& m, std::span<const uint8_t> data) {
  if (!LooksLikeSnapshot(data) || data.size() < kSnapshotHeaderSize) return RestoreResult::Damaged;
  uint32_t version = 0, crc = 0;
  std::memcpy(&version, data.data() + 8, 4);
  std::memcpy(&crc, data.data() + 12, 4);
  if (version == 0) return RestoreResult::Damaged;
  if (version > kSnapshotVersion) return RestoreResult::NewerFormat;
  if (!m.CartridgeLoaded() || crc != m.ImageCrc) return RestoreResult::OtherCartridge;
  return RestoreResult::Restored;
}

uint32_t SnapshotVersion(std::span<const uint8_t> data) {
  uint32_t version = 0;
  if (data.size() >= kSnapshotHeaderSize) std::memcpy(&version, data.data() + 8, 4);
  return version;
}

std::span<const uint8_t> FindSnapshotSection(std::span<const uint8_t> data, uint32_t tag) {
  if (data.size() < kSnapshotHeaderSize) return {};
  for (size_t at = kSnapshotHeaderSize; data.size() - at >= 8;) {
    uint32_t found = 0, length = 0;
    std::memcpy(&found, data.data() + at, 4);
    std::memcpy(&length, data.data() + at + 4, 4);
    at += 8;
    if (length > data.size() - at) return {};
    if (found == tag) return data.subspan(at, length);
    at += length;
  }
  return {};
}

std::string RestoreMessage(RestoreResult result) {
  switch (result) {
    case RestoreResult::Restored: return {};
    case RestoreResult::OtherCartridge: return "O estado salvo é de outro cartucho; nada foi alterado.";
    case RestoreResult::NewerFormat:
      return "O estado salvo é de uma versão mais nova do Virel; nada foi alterado.";
    case RestoreResult::OtherEngine: return "O estado salvo é do outro motor de emulação; nada foi alterado.";
    case RestoreResult::OtherLayout:
      return "O estado salvo é de outra versão do motor Console (preciso); nada foi alterado.";
    case RestoreResult::Damaged: break;
  }
  return "O estado salvo está danificado ou incompleto; nada foi alterado.";
}
