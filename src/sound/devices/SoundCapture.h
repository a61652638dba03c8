// The headless runner's sound: the MIDI output recorded with frame stamps,
// then written as a log (--midi-log) and rendered into a WAV file (--audio).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "sound/RecordingMidiOut.h"

struct SoundLayer;

class SoundCapture {
 public:
  // Either path may be empty; with both empty the capture is inactive.
  SoundCapture(std::string midiLogPath, std::string wavPath);

  bool Active() const { return !midiLogPath_.empty() || !wavPath_.empty(); }
  // Installs the recording MIDI output as the layer's device; every message
  // is stamped with `frameClock`'s value when it is sent.
  void Install(SoundLayer& layer, std::function<int64_t()> frameClock);
  // Writes the log and the WAV (`frames` long). False with `error` set when a
  // file cannot be written or no synthesiser can render.
  bool Finish(int64_t frames, std::string* error) const;

  const MidiRecording& Recording() const { return *recording_; }

 private:
  std::string midiLogPath_;
  std::string wavPath_;
  std::shared_ptr<MidiRecording> recording_ = std::make_shared<MidiRecording>();
};

// Installs the live devices: FluidSynth through SDL2 for MIDI, SDL2 for wave
// and for the console voice.
void InstallDesktopSoundDevices(SoundLayer& layer);
