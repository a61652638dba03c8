// Snapshots: the whole state of a Machine as bytes, and back. Everything that
// decides what the console does next is in one (memories, bank tables, board
// and sound registers, what the sound layer last sent, and the running
// engine's own state); the cartridge images are named by their CRC-32, not
// copied, and the user's settings (frame skip, volume, channel switches) stay
// as they are on restore. This is the container: the shared sections are
// engine/MachineState.h, each engine writes its own.
//
// Layout, little-endian: the magic "VIRELSNP", a u32 format version, the u32
// CRC-32 of the cartridge image, then sections of a u32 tag, a u32 length and
// that many bytes. A reader skips sections it does not know and bytes past
// the end of those it does, so later versions (and another engine) add
// sections and fields without breaking older readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/Machine.h"

constexpr char kSnapshotMagic[8] = {'V', 'I', 'R', 'E', 'L', 'S', 'N', 'P'};
// 2: the mapper section holds the installed board's register block in place
// of the first format's MMC1 and MMC3 fields.
// 3: the engines' own sections are field lists (core/StateFields.h), and the
// designed engine's processor record, latches and hook counters leave the
// processor and picture sections for a section of its own.
// Versions 1 and 2 are still read.
constexpr uint32_t kSnapshotVersion = 3;
constexpr size_t kSnapshotHeaderSize = sizeof kSnapshotMagic + 4 + 4;

constexpr uint32_t SnapshotTag(const char (&name)[5]) {
  return static_cast<uint32_t>(name[0]) | static_cast<uint32_t>(name[1]) << 8 |
         static_cast<uint32_t>(name[2]) << 16 | static_cast<uint32_t>(name[3]) << 24;
}

enum class RestoreResult : uint8_t {
  Restored,
  OtherCartridge,  // the CRC-32 names another image (or none is loaded)
  Damaged,         // short, a section cut or missing, a value out of range
  NewerFormat,     // written by a later, incompatible version
  OtherEngine,     // taken while the other engine ran the console
  OtherLayout,     // the console engine's chips as another build laid them out
};

// The console engine's own section: its chips' state (engine/console/).
constexpr uint32_t kSnapshotTagConsole = 'C' | 'O' << 8 | 'N' << 16 | 'S' << 24;

// The format version in the header of a snapshot that CheckSnapshotHeader
// has passed.
uint32_t SnapshotVersion(std::span<const uint8_t> data);
// The header's verdict alone (magic, version, cartridge): Restored when the
// sections are worth reading.
RestoreResult CheckSnapshotHeader(const Machine& m, std::span<const uint8_t> data);
// The contents of the first section with `tag`; empty when there is none
// (or the sections before it are cut).
std::span<const uint8_t> FindSnapshotSection(std::span<const uint8_t> data, uint32_t tag);
// Whether `data` begins with the snapshot magic.
bool LooksLikeSnapshot(std::span<const uint8_t> data);
// The log line for a refused snapshot; empty for Restored.
std::string RestoreMessage(RestoreResult result);
