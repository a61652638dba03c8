// Standard MIDI Files as Virel writes them: format 1, a tempo track and then
// one track per MIDI channel named after the console channel it plays, with
// every message placed on the frame it was sent in.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// A short message (lowest byte first: status, data 1, data 2) and the frame,
// counted from the start of the recording, in which it was sent.
struct TimedMidiMessage {
  int64_t frame = 0;
  uint32_t message = 0;

  bool operator==(const TimedMidiMessage&) const = default;
};

// Timing. The file's clock is ticks of tempo / division microseconds; the
// console's is frames of 1 / 60.0988 s (16639.2673... us). A quarter note of
// 30 frames keeps the tempo near the usual 120 beats a minute, so sequencers
// and notation programs show a sensible grid, and 960 ticks a quarter make
// every frame exactly 32 ticks: each message lands on a whole tick with no
// rounding of its own. What is left is the tempo, a whole number of
// microseconds: 499178 us a quarter against the true 499178.02, about 0.0007
// us a frame, so frame n is off by 0.15 ms after an hour of recording.
constexpr int kMidiFileDivision = 960;
constexpr int kMidiTicksPerFrame = 32;
constexpr uint32_t kMidiFileTempo = 499178;

// The track name of MIDI channel `channel`: "Pulso 1", "Pulso 2",
// "Triângulo", "Ruído", "PCM", and "Canal N" beyond them. UTF-8.
std::string MidiChannelName(int channel);

// The whole file for `messages` (in the order they were sent; frames never
// decrease), every track ending at `endFrame`. Five channel tracks always,
// more when a message uses a higher channel. Within a track consecutive
// messages of one status share it (running status).
std::vector<uint8_t> BuildMidiFile(std::span<const TimedMidiMessage> messages, int64_t endFrame);
