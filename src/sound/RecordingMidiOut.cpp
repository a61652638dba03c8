// Recording MIDI output and the text form of a recorded message.
#include "sound/RecordingMidiOut.h"

#include <cstdio>

std::vector<uint32_t> MidiRecording::Messages() const { return MessagesFrom(0); }

std::vector<uint32_t> MidiRecording::MessagesFrom(size_t first) const {
  std::vector<uint32_t> messages;
  for (size_t i = first; i < events.size(); ++i) {
    if (events[i].kind == MidiEvent::Kind::Message) messages.push_back(events[i].message);
  }
  return messages;
}

bool RecordingMidiOut::Open() {
  // A device that refuses to open records nothing, like a missing synthesiser.
  if (!opens_) return false;
  Add(MidiEvent::Kind::Open, 0);
  return true;
}

void RecordingMidiOut::Add(MidiEvent::Kind kind, uint32_t message) {
  const int64_t frame = recording_->clock ? recording_->clock() : 0;
  recording_->events.push_back({kind, frame, message});
}

SoundDeviceFactory RecordingMidiFactory(std::shared_ptr<MidiRecording> recording) {
  SoundDeviceFactory factory;
  factory.midi = [recording] { return std::make_unique<RecordingMidiOut>(recording); };
  return factory;
}

int ShortMessageLength(uint32_t message) {
  const uint32_t kind = message & 0xF0;
  return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
}

std::string FormatMidiLogLine(int64_t frame, uint32_t message) {
  std::string line = std::to_string(frame);
  for (int i = 0; i < ShortMessageLength(message); ++i) {
    char byte[4];
    std::snprintf(byte, sizeof byte, " %02X", (message >> (8 * i)) & 0xFF);
    line += byte;
  }
  return line;
}
