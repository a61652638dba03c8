// Generates the note table from the equal-tempered scale. The bend counts
// 341 1/3 units a semitone around the centre 8192. No range message is ever
// sent, so the synthesiser reads these units at its own default range (two
// semitones over 8192 units in General MIDI), where they move the pitch far
// less than a semitone: the note carries the pitch, the bend only nudges it.
#include "sound/NoteTable.h"

#include <cmath>

namespace {

std::array<NoteEntry, kNoteTableSize> BuildNoteTable() {
  std::array<NoteEntry, kNoteTableSize> table{};
  for (int k = 0; k < kNoteTableSize; ++k) {
    const double hertz = 3.0 * k + 1.0;
    const double x = 69.0 + 12.0 * std::log2(hertz / 440.0);
    // Nearest note, halves rounded up; the remainder (-0.5 .. 0.5) is the bend.
    const double note = std::floor(x + 0.5);
    const double bend = 8192.0 + std::floor((x - note) * 4096.0 / 12.0);
    table[k] = {static_cast<int32_t>(note), static_cast<uint16_t>(bend)};
  }
  return table;
}

}  // namespace

const std::array<NoteEntry, kNoteTableSize>& NoteTable() {
  static const std::array<NoteEntry, kNoteTableSize> table = BuildNoteTable();
  return table;
}
