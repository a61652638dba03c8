// The frequency-to-note table of the MIDI back end: entry k stands for
// 3k + 1 Hz and holds the nearest equal-tempered MIDI note (A = 440 Hz at
// note 69) and the pitch bend that moves that note onto the frequency.
#pragma once

#include <array>
#include <cstdint>

struct NoteEntry {
  int32_t note;
  uint16_t bend;
};

constexpr int kNoteTableSize = 4096;

// Built once, on first use; a frequency h is looked up at entry h / 3.
const std::array<NoteEntry, kNoteTableSize>& NoteTable();
