// The General MIDI synthesiser behind both MIDI outputs: FluidSynth with a GM
// SoundFont, taking the layer's short messages and rendering 16-bit stereo.
// The live output drives it from an SDL2 audio callback; the offline renderer
// drives it sample-exactly from a recording.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// The SoundFont to load: $VIREL_SOUNDFONT when set, else the system's General
// MIDI font under /usr/share/sounds/sf2/. Empty when there is none.
std::string FindSoundFont();

class Synthesiser {
 public:
  static constexpr int kSampleRate = 44100;

  // Null when FluidSynth or the SoundFont cannot be set up; `error` says why.
  static std::unique_ptr<Synthesiser> Create(std::string* error = nullptr);
  ~Synthesiser();
  Synthesiser(const Synthesiser&) = delete;
  Synthesiser& operator=(const Synthesiser&) = delete;

  // One short message, packed lowest byte first (status, data 1, data 2).
  void Apply(uint32_t message);
  // Releases every sounding note on every channel; programs and controllers stay.
  void AllNotesOff();
  // Renders `frames` interleaved stereo frames.
  void Render(int16_t* stereo, int frames);

 private:
  Synthesiser() = default;

  struct Impl;
  Impl* impl_ = nullptr;
};
