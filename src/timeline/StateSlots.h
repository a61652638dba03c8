// State slots: nine saved states per cartridge, each in a file of its own in
// the user's data folder, named by the cartridge image's CRC-32 so that two
// cartridges with the same file name never share a slot. Ahead of the
// snapshot a slot file carries what the "Estados" menu shows (the date and
// time of the save and a small picture, readable without the rest) and the
// whole picture of that moment: a snapshot taken at a frame start leaves the
// picture out, and a load must show at once what the player saved, even while
// paused. A load keeps the state it replaces, which one undo puts back.
//
// File layout, little-endian: the magic "VIRELSLT", u32 format version, u32
// CRC-32 of the cartridge image, i64 time of the save (seconds since 1970 UTC),
// u16 thumbnail width and height, u32 picture length, u32 snapshot length,
// u32 CRC-32 of picture and snapshot, u32 CRC-32 of the 40 bytes before it and
// the thumbnail; then the thumbnail (RGB rows), the picture (the 256 colours
// as RGB, then the packed runs of the 256 x 240 palette indices) and the
// snapshot (core/Snapshot.h).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Machine.h"
#include "timeline/TimeLimits.h"

constexpr int kSlotThumbWidth = 128;
constexpr int kSlotThumbHeight = 120;
constexpr uint32_t kSlotVersion = 1;

// The picture as the player saw it: palette indices and their colours.
struct SlotPicture {
  std::array<uint8_t, kScreenWidth * kScreenHeight> Pixels{};
  std::array<Rgb, 256> Colors{};
};

enum class SlotStatus : uint8_t {
  Empty,           // no file
  Ready,           // a slot of this cartridge that this version reads
  Damaged,         // cut short, altered, or not a slot file at all
  NewerFormat,     // written by a later, incompatible version
  OtherCartridge,  // the file names another cartridge image
};

struct SlotInfo {
  SlotStatus Status = SlotStatus::Empty;
  int64_t SavedAt = 0;  // seconds since 1970-01-01 UTC
  // kSlotThumbWidth x kSlotThumbHeight RGB, row by row; only when Ready.
  std::vector<uint8_t> Thumbnail;
  // The id of the engine that saved it (engine/EngineChoice.h); only when
  // Ready and whole.
  std::string Engine;
};

// What a command did, in the words the log and the status bar show.
struct SlotOutcome {
  bool Done = false;
  std::string Message;
  // A load refused only because another engine saved the slot: that
  // engine's id, which can load it once the cartridge runs in it.
  std::string OtherEngine;
};

// $XDG_DATA_HOME/virel/slots (when that is an absolute path), else
// ~/.local/share/virel/slots; on Windows %LOCALAPPDATA%\virel\slots.
std::string SlotFolder();
// The file of `slot` (1-9) for the cartridge image with CRC-32 `imageCrc`.
std::string SlotFilePath(uint32_t imageCrc, int slot);
// The 128 x 120 RGB thumbnail of a picture: each pixel the mean of a 2 x 2 block.
std::vector<uint8_t> SlotThumbnail(const SlotPicture& picture);

class StateSlots {
 public:
  explicit StateSlots(Machine& m);
  ~StateSlots();

  // What the menu shows of the loaded cartridge's slot: the header, the
  // thumbnail and the engine that saved it.
  SlotInfo Info(int slot) const;
  // Writes the slot atomically (the folder is created when first needed).
  // Throws std::runtime_error with the player's message when it cannot.
  SlotOutcome Save(int slot);
  // A refused slot (empty, damaged, another cartridge, newer, another
  // engine's) is logged and changes nothing, the undo included.
  SlotOutcome Load(int slot);
  // Whether a load can be undone: one has succeeded since the cartridge
  // started and has not been undone.
  bool CanUndo() const;
  SlotOutcome Undo();
  // The cartridge changed or went: the kept state belongs to no game now.
  void ForgetUndo();

 private:
  struct Kept;
  Machine& m_;
  std::unique_ptr<Kept> undo_;
};
