// MIDI output to the system's ports through RtMidi: ALSA sequencer and JACK
// ports on Linux, the MIDI devices on Windows. Another program, a sequencer
// or a hardware synthesiser then plays the channels' notes instead of (or as
// well as) the internal synthesiser.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sound/SoundDevices.h"

struct RtMidiWrapper;

// An output client of RtMidi's C interface, freed when it goes.
struct RtMidiClientDeleter {
  void operator()(RtMidiWrapper* client) const;
};
using RtMidiClient = std::unique_ptr<RtMidiWrapper, RtMidiClientDeleter>;

// The output ports there are now, each named as RtMidi names it, in a stable
// order (ALSA before JACK). An interface that cannot be reached (no ALSA
// sequencer device, no JACK server) simply adds none.
std::vector<std::string> ListMidiOutputPorts();

class MidiPortOut final : public MidiOut {
 public:
  // Lines for the log (the port could not be opened, or went away).
  using LogSink = std::function<void(const std::string&)>;

  MidiPortOut(std::string portName, LogSink log);
  ~MidiPortOut() override;

  // False when no port of that name is there now.
  bool Open() override;
  // Note offs for the notes this device has left sounding: an external
  // synthesiser keeps its programs and controllers, as a reset one would.
  void Reset() override;
  void ShortMessage(uint32_t message) override;
  void Close() override;

  // The port went away while open: nothing more is sent to it.
  bool Lost() const { return lost_; }
  const std::string& PortName() const { return portName_; }

 private:
  void Send(uint32_t message);
  void CheckPort();
  void MarkLost();

  std::string portName_;
  LogSink log_;
  RtMidiClient out_;
  bool lost_ = false;
  std::chrono::steady_clock::time_point nextCheck_{};
  // Closing waits until the last message sent has had time to leave.
  std::chrono::milliseconds drainTime_{0};
  std::chrono::steady_clock::time_point lastSent_{};
  bool sentSince_ = false;
  uint8_t sounding_[16][128] = {};
};

// A device factory for the port `portName`, logging through `log`.
std::function<std::unique_ptr<MidiOut>()> MidiPortFactory(std::string portName, MidiPortOut::LogSink log);
