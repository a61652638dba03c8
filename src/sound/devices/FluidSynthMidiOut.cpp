// Live MIDI output. FluidSynth is safe to drive from the emulation thread
// while the SDL audio thread renders from it, so messages go straight in.
#include "sound/devices/FluidSynthMidiOut.h"

#include <SDL.h>

#include "sound/devices/Synthesiser.h"

namespace {
// About 23 ms at 44.1 kHz: short enough that a note follows its register
// write within a frame or two.
constexpr int kAudioFrames = 1024;
}  // namespace

FluidSynthMidiOut::FluidSynthMidiOut() = default;
FluidSynthMidiOut::~FluidSynthMidiOut() { Close(); }

void FluidSynthMidiOut::AudioCallback(void* self, uint8_t* stream, int length) {
  auto* out = static_cast<FluidSynthMidiOut*>(self);
  out->synth_->Render(reinterpret_cast<int16_t*>(stream), length / 4);
}

bool FluidSynthMidiOut::Open() {
  Close();
  synth_ = Synthesiser::Create();
  if (!synth_) return false;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    synth_.reset();
    return false;
  }
  audioStarted_ = true;
  SDL_AudioSpec want{};
  want.freq = Synthesiser::kSampleRate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = kAudioFrames;
  want.callback = &FluidSynthMidiOut::AudioCallback;
  want.userdata = this;
  // No changes allowed: SDL converts to whatever the device really takes.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
  if (device_ == 0) {
    Close();
    return false;
  }
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

void FluidSynthMidiOut::Reset() {
  if (synth_) synth_->AllNotesOff();
}

void FluidSynthMidiOut::ShortMessage(uint32_t message) {
  if (synth_) synth_->Apply(message);
}

void FluidSynthMidiOut::Close() {
  if (device_ != 0) SDL_CloseAudioDevice(device_);  // waits for the callback to finish
  device_ = 0;
  if (audioStarted_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  audioStarted_ = false;
  synth_.reset();
}
