// Snapshots: the whole state of a Machine as bytes, and back. Everything that
// decides what the console does next is in one (processor, memories, picture
// processor, hook counters, bank tables, mapper and sound registers, what the
// sound layer last sent); the cartridge images are named by their CRC-32, not
// copied, and the user's settings (frame skip, volume, channel switches) stay
// as they are on restore.
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
// of the first format's MMC1 and MMC3 fields; version 1 is still read.
// 3: the engines' own sections are field lists (core/StateFields.h).
constexpr uint32_t kSnapshotVersion = 3;

// Replaces `out` with the snapshot of `m`. Reusing one vector keeps its
// storage: rewind takes one every few frames. `pictureRedrawn`: the engine
// redraws the whole picture before the next one goes out, so it is left out.
void TakeSnapshot(const Machine& m, std::vector<uint8_t>& out, bool pictureRedrawn = false);

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

// Puts `m` where the snapshot stood, or changes nothing at all when it is
// refused. Inside the run loop's message processing the loop carries on from
// the restored record (as after a reset there).
RestoreResult RestoreSnapshot(Machine& m, std::span<const uint8_t> data);
// The first step of the run that follows a restore (the run loop and the
// debugger's step take it): the sound restored while stopped is heard again,
// and a snapshot taken at a held frame start goes on with the rest of that
// line's hook call, as the run it was taken from did. Returns the interrupt
// code that call would have returned.
uint8_t ResumeRestored(Machine& m);
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
