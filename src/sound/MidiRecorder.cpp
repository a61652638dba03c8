// Recording to a Standard MIDI File.
#include "sound/MidiRecorder.h"

#include <algorithm>

#include "core/AtomicFile.h"

MidiRecorder::MidiRecorder(std::function<int64_t()> clock) : clock_(std::move(clock)) {
  startFrame_ = clock_ ? clock_() : 0;
}

int64_t MidiRecorder::Now() const {
  // The clock never runs backwards in practice; a frame before the start
  // would give the file a negative time.
  return std::max<int64_t>(0, (clock_ ? clock_() : 0) - startFrame_);
}

void MidiRecorder::Add(uint32_t message) {
  const int64_t frame = std::max(Now(), messages_.empty() ? 0 : messages_.back().frame);
  messages_.push_back({frame, message});
  endFrame_ = std::max(endFrame_, frame);
}

void MidiRecorder::ShortMessage(uint32_t message) {
  if (finished_) return;
  Add(message);
  const uint32_t kind = message & 0xF0, channel = message & 0x0F;
  const uint32_t note = (message >> 8) & 0x7F, velocity = (message >> 16) & 0x7F;
  if (kind == 0x90 && velocity != 0) sounding_[channel].set(note);
  if (kind == 0x80 || (kind == 0x90 && velocity == 0)) sounding_[channel].reset(note);
}

void MidiRecorder::NotesOff() {
  for (uint32_t channel = 0; channel < 16; ++channel) {
    for (uint32_t note = 0; note < 128; ++note) {
      if (!sounding_[channel].test(note)) continue;
      Add((0x80 | channel) | (note << 8) | (127u << 16));
    }
    sounding_[channel].reset();
  }
}

void MidiRecorder::Reset() {
  if (!finished_) NotesOff();
}

void MidiRecorder::Finish() {
  if (finished_) return;
  endFrame_ = std::max(endFrame_, Now());
  NotesOff();
  finished_ = true;
}

std::vector<uint8_t> MidiRecorder::FileBytes() {
  Finish();
  return BuildMidiFile(messages_, endFrame_);
}

void MidiRecorder::Save(const std::string& path) {
  const std::vector<uint8_t> bytes = FileBytes();
  WriteFileAtomically(path, bytes);
}
