// Test support: the device layer opened on a recording MIDI output, and short
// messages spelled as their bytes so expected sequences read like a log.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

#include "sound/NoteTable.h"
#include "sound/RecordingMidiOut.h"
#include "sound/Sound.h"
#include "support/TestMachine.h"

constexpr uint32_t Midi(uint32_t status, uint32_t data1, uint32_t data2 = 0) {
  return status | (data1 << 8) | (data2 << 16);
}
inline uint32_t NoteOn(int channel, int note) { return Midi(0x90 + channel, note, 127); }
inline uint32_t NoteOffMsg(int channel, int note) { return Midi(0x80 + channel, note, 127); }
inline uint32_t Volume(int channel, int value) { return Midi(0xB0 + channel, 7, value); }
inline uint32_t Bend(int channel, int bend) { return Midi(0xE0 + channel, bend & 0x7F, bend >> 7); }
// The note and bend the table gives a frequency in hertz.
inline const NoteEntry& NoteFor(int hertz) { return NoteTable()[hertz / 3]; }

// Opens the MIDI back end of a Machine's sound layer on a recording device
// for the test's lifetime.
class MidiLayerTest : public ::testing::Test {
 protected:
  TestMachine t;
  Machine& m = t.m;
  SoundLayer& sound = *m.Sound;
  std::shared_ptr<MidiRecording> recording = std::make_shared<MidiRecording>();
  size_t mark = 0;

  void SetUp() override {
    SetSoundDevices(sound, RecordingMidiFactory(recording));
    SoundStart(sound, nullptr, 22, 255);
    mark = recording->events.size();
  }
  void TearDown() override {
    SoundStop(sound);
    SetSoundDevices(sound, {});
  }
  // The short messages sent since the last call (or since the start).
  std::vector<uint32_t> Sent() {
    std::vector<uint32_t> messages = recording->MessagesFrom(mark);
    mark = recording->events.size();
    return messages;
  }
};

// What a synthesiser fed the recorded messages is playing: per MIDI channel
// the sounding note (0 = none), the pitch bend and the channel volume.
struct SynthView {
  std::array<int, 16> note{};
  std::array<int, 16> bend{};
  std::array<int, 16> volume{};

  explicit SynthView(const MidiRecording& recording) {
    bend.fill(8192);
    volume.fill(100);
    for (const MidiEvent& e : recording.events) {
      if (e.kind == MidiEvent::Kind::Reset) note.fill(0);
      if (e.kind != MidiEvent::Kind::Message) continue;
      const int channel = e.message & 0x0F;
      const int data1 = (e.message >> 8) & 0x7F;
      const int data2 = (e.message >> 16) & 0x7F;
      switch (e.message & 0xF0) {
        case 0x80:
          if (note[channel] == data1) note[channel] = 0;
          break;
        case 0x90: note[channel] = data2 ? data1 : 0; break;
        case 0xB0:
          if (data1 == 7) volume[channel] = data2;
          break;
        case 0xE0: bend[channel] = data1 | (data2 << 7); break;
      }
    }
  }
};
