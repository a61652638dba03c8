// Recording the music to a Standard MIDI File: a MIDI output that keeps every
// short message with the frame it was sent in, knows which notes it has left
// sounding, and writes the file when the recording ends. The device layer
// hands it the messages beside (or instead of) the real device.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sound/MidiFile.h"
#include "sound/SoundDevices.h"

class MidiRecorder final : public MidiOut {
 public:
  // `clock` counts frames; the recording's frame 0 is its value now.
  explicit MidiRecorder(std::function<int64_t()> clock);

  bool Open() override { return true; }
  // The device it rides beside was reset: every note still sounding in the
  // recording gets its note off, so the file sounds as the device did.
  void Reset() override;
  void ShortMessage(uint32_t message) override;
  void Close() override {}

  // Ends the recording at the current frame: note offs for the notes still
  // sounding. Later messages are ignored.
  void Finish();
  bool Finished() const { return finished_; }
  int64_t Frames() const { return endFrame_; }
  const std::vector<TimedMidiMessage>& Messages() const { return messages_; }
  // The file (finishing the recording first).
  std::vector<uint8_t> FileBytes();
  // Writes the file through a temporary file renamed over `path`. Throws
  // std::runtime_error when it cannot be written.
  void Save(const std::string& path);

 private:
  int64_t Now() const;
  void Add(uint32_t message);
  void NotesOff();

  std::function<int64_t()> clock_;
  int64_t startFrame_ = 0;
  int64_t endFrame_ = 0;
  bool finished_ = false;
  std::vector<TimedMidiMessage> messages_;
  std::array<std::bitset<128>, 16> sounding_{};
};
