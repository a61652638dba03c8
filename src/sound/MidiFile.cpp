// Standard MIDI File writing: chunks, variable-length numbers, running status.
#include "sound/MidiFile.h"

#include <algorithm>
#include <string_view>

#include "sound/RecordingMidiOut.h"

namespace {

constexpr int kConsoleChannels = 5;

// Byte by byte: GCC 12 misreads a range insert into a growing vector as an overflow.
void PutBytes(std::vector<uint8_t>& out, std::string_view bytes) {
  for (char c : bytes) out.push_back(static_cast<uint8_t>(c));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void Put16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

// Seven bits a byte, most significant group first, bit 7 set on all but the last.
void PutVariable(std::vector<uint8_t>& out, uint64_t value) {
  // Longer deltas are split by the caller; the clamp only keeps the
  // encoding within the format's four bytes.
  value = std::min<uint64_t>(value, 0x0FFFFFFF);
  uint8_t groups[4];
  int count = 0;
  do {
    groups[count++] = static_cast<uint8_t>(value & 0x7F);
    value >>= 7;
  } while (value != 0);
  while (count > 1) out.push_back(static_cast<uint8_t>(groups[--count] | 0x80));
  out.push_back(groups[0]);
}

// Track names are stored as Latin-1, the character set readers assume for
// text events; the names here have no character outside it.
std::string Latin1(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<uint8_t>(utf8[i]);
    if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
      out += static_cast<char>(((c & 0x1F) << 6) | (static_cast<uint8_t>(utf8[++i]) & 0x3F));
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void PutMeta(std::vector<uint8_t>& out, uint8_t type, const std::string& data) {
  out.push_back(0xFF);
  out.push_back(type);
  PutVariable(out, data.size());
  PutBytes(out, data);
}

// Writes the delta from the track's last event to `tick`. A silence longer
// than one variable-length number holds (38 hours of frames) is carried by
// empty marker events.
void PutDelta(std::vector<uint8_t>& out, int64_t& lastTick, int64_t tick) {
  int64_t delta = std::max<int64_t>(0, tick - lastTick);
  constexpr int64_t kMaxDelta = 0x0FFFFFFF;
  while (delta > kMaxDelta) {
    PutVariable(out, kMaxDelta);
    PutMeta(out, 0x06, "");  // an empty marker just carries the time on
    delta -= kMaxDelta;
  }
  PutVariable(out, static_cast<uint64_t>(delta));
  lastTick = std::max(lastTick, tick);
}

void PutChunk(std::vector<uint8_t>& file, const char* type, const std::vector<uint8_t>& body) {
  PutBytes(file, std::string_view(type, 4));
  Put32(file, static_cast<uint32_t>(body.size()));
  for (uint8_t byte : body) file.push_back(byte);
}

}  // namespace

std::string MidiChannelName(int channel) {
  static const char* const kNames[kConsoleChannels] = {"Pulso 1", "Pulso 2", "Triângulo", "Ruído", "PCM"};
  if (channel >= 0 && channel < kConsoleChannels) return kNames[channel];
  return "Canal " + std::to_string(channel + 1);
}

std::vector<uint8_t> BuildMidiFile(std::span<const TimedMidiMessage> messages, int64_t endFrame) {
  int channels = kConsoleChannels;
  for (const TimedMidiMessage& m : messages) channels = std::max(channels, int(m.message & 0x0F) + 1);
  int64_t endTick = std::max<int64_t>(0, endFrame) * kMidiTicksPerFrame;

  std::vector<uint8_t> file;
  PutBytes(file, "MThd");
  Put32(file, 6);
  Put16(file, 1);  // format 1: simultaneous tracks
  Put16(file, static_cast<uint32_t>(channels + 1));
  Put16(file, kMidiFileDivision);

  // The tempo track: the one tempo, and the end of the recording.
  std::vector<uint8_t> track;
  int64_t lastTick = 0;
  PutVariable(track, 0);
  PutMeta(track, 0x51,
          std::string{char(kMidiFileTempo >> 16), char((kMidiFileTempo >> 8) & 0xFF),
                      char(kMidiFileTempo & 0xFF)});
  PutDelta(track, lastTick, endTick);
  PutMeta(track, 0x2F, "");
  PutChunk(file, "MTrk", track);

  for (int channel = 0; channel < channels; ++channel) {
    track.clear();
    lastTick = 0;
    PutVariable(track, 0);
    PutMeta(track, 0x03, Latin1(MidiChannelName(channel)));
    uint32_t runningStatus = 0;  // none after a meta event
    for (const TimedMidiMessage& m : messages) {
      const uint32_t status = m.message & 0xFF;
      if (int(status & 0x0F) != channel || status < 0x80 || status >= 0xF0) continue;
      PutDelta(track, lastTick, std::max<int64_t>(0, m.frame) * kMidiTicksPerFrame);
      if (status != runningStatus) track.push_back(static_cast<uint8_t>(status));
      runningStatus = status;
      for (int i = 1; i < ShortMessageLength(m.message); ++i)
        track.push_back(static_cast<uint8_t>((m.message >> (8 * i)) & 0x7F));
    }
    PutDelta(track, lastTick, endTick);
    PutMeta(track, 0x2F, "");
    PutChunk(file, "MTrk", track);
  }
  return file;
}
