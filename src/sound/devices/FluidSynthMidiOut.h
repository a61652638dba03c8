// The live MIDI output: the layer's short messages played on the General MIDI
// synthesiser and heard through SDL2 audio. Opening fails quietly when there
// is no SoundFont or no audio device; the layer then sends to nothing.
#pragma once

#include <cstdint>
#include <memory>

#include "sound/SoundDevices.h"

class Synthesiser;

class FluidSynthMidiOut final : public MidiOut {
 public:
  FluidSynthMidiOut();
  ~FluidSynthMidiOut() override;

  bool Open() override;
  void Reset() override;
  void ShortMessage(uint32_t message) override;
  void Close() override;

 private:
  static void AudioCallback(void* self, uint8_t* stream, int length);

  std::unique_ptr<Synthesiser> synth_;
  uint32_t device_ = 0;  // SDL audio device id, 0 while closed
  bool audioStarted_ = false;
};
