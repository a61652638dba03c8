// Runner capture and the desktop device set.
#include "sound/devices/SoundCapture.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "sound/Sound.h"
#include "sound/devices/FluidSynthMidiOut.h"
#include "sound/devices/OfflineRender.h"
#include "sound/devices/SdlPcmOut.h"
#include "sound/devices/SdlWaveOut.h"

SoundCapture::SoundCapture(std::string midiLogPath, std::string wavPath)
    : midiLogPath_(std::move(midiLogPath)), wavPath_(std::move(wavPath)) {}

void SoundCapture::Install(SoundLayer& layer, std::function<int64_t()> frameClock) {
  recording_->clock = std::move(frameClock);
  // Only the MIDI device is replaced: the console voice's output stays.
  SoundDeviceFactory devices = CurrentSoundDevices(layer);
  devices.midi = RecordingMidiFactory(recording_).midi;
  devices.wave = nullptr;
  SetSoundDevices(layer, std::move(devices));
}

bool SoundCapture::Finish(int64_t frames, std::string* error) const {
  if (!midiLogPath_.empty()) {
    // Written beside its name and renamed over it, like every file we write.
    const std::string temporary = midiLogPath_ + ".tmp";
    std::ofstream out(temporary, std::ios::trunc);
    for (const MidiEvent& e : recording_->events) {
      if (e.kind == MidiEvent::Kind::Message) out << FormatMidiLogLine(e.frame, e.message) << '\n';
    }
    out.close();
    std::error_code ec;
    if (out) std::filesystem::rename(temporary, midiLogPath_, ec);
    if (!out || ec) {
      std::remove(temporary.c_str());
      if (error) *error = "cannot write " + midiLogPath_;
      return false;
    }
  }
  if (!wavPath_.empty()) return RenderMidiToWav(recording_->events, frames, wavPath_, error);
  return true;
}

void InstallDesktopSoundDevices(SoundLayer& layer) {
  SoundDeviceFactory factory;
  factory.midi = [] { return std::make_unique<FluidSynthMidiOut>(); };
  factory.wave = [] { return std::make_unique<SdlWaveOut>(); };
  factory.pcm = [] { return std::make_unique<SdlPcmOut>(); };
  SetSoundDevices(layer, std::move(factory));
}
