// A MIDI output that plays nothing and keeps everything it is given, each
// entry stamped with the frame it arrived in: what tests assert on, and what
// the headless runner logs and renders offline.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sound/SoundDevices.h"

struct MidiEvent {
  enum class Kind : uint8_t { Open, Reset, Message, Close };
  Kind kind;
  int64_t frame;
  uint32_t message;  // Kind::Message only

  bool operator==(const MidiEvent&) const = default;
};

// The recording itself outlives the devices written into it: each open of
// the MIDI back end makes a new device, and all of them append here.
struct MidiRecording {
  std::vector<MidiEvent> events;
  // The frame stamp; frame 0 throughout when unset.
  std::function<int64_t()> clock;

  // The short messages alone, in order.
  std::vector<uint32_t> Messages() const;
  // The short messages from event `first` on.
  std::vector<uint32_t> MessagesFrom(size_t first) const;
};

class RecordingMidiOut final : public MidiOut {
 public:
  explicit RecordingMidiOut(std::shared_ptr<MidiRecording> recording, bool opens = true)
      : recording_(std::move(recording)), opens_(opens) {}

  bool Open() override;
  void Reset() override { Add(MidiEvent::Kind::Reset, 0); }
  void ShortMessage(uint32_t message) override { Add(MidiEvent::Kind::Message, message); }
  void Close() override { Add(MidiEvent::Kind::Close, 0); }

 private:
  void Add(MidiEvent::Kind kind, uint32_t message);

  std::shared_ptr<MidiRecording> recording_;
  bool opens_;
};

// A factory that records every MIDI device into `recording` (no wave device).
SoundDeviceFactory RecordingMidiFactory(std::shared_ptr<MidiRecording> recording);

// The bytes of a short message as the device receives them: two for program
// change and channel pressure, three for the rest.
int ShortMessageLength(uint32_t message);
// "12 90 3C 7F": the frame, then the message bytes in upper-case hex.
std::string FormatMidiLogLine(int64_t frame, uint32_t message);
