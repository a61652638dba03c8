// The device layer's state, shared by its two halves: Sound.cpp (start,
// stop, the MIDI back end) and SoundWave.cpp (the wave back end). One
// instance, owned by the Machine: besides the devices, worker and queue it
// holds what each channel last sent (sounding note, bend, volume), which
// decides the MIDI messages of every later frame.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "sound/SoundDevices.h"
#include "sound/SoundQueue.h"

constexpr int kSoundChannels = 5;
constexpr int kWaveBuffers = 31;
constexpr int kWaveBufferSamples = 255;
// The lowest SoundMode of the wave back end; a rate above it selects that back end.
constexpr int32_t kWaveModeMin = 8192;

struct SoundChannelCache {
  int32_t frequency = 0;   // Hz, as last accepted
  int32_t volume = 0;      // 0-255
  int32_t note = 0;        // sounding MIDI note, 0 = none
  int32_t bend = 0;        // last pitch bend sent
  int32_t midiVolume = 0;  // last channel volume sent
  int32_t waveKind = 0;    // wave back end: 0 = square, the only kind
  uint32_t phase = 0;      // wave back end: bit 15 is the square's level
};

struct SoundLayer {
  // 0 no device, 1 MIDI, 8192 and up the wave back end at that rate. The one
  // field both the emulation thread and the worker read.
  std::atomic<int32_t> mode{0};
  uint32_t channelMask = 0;
  SoundDeviceFactory factory;
  std::unique_ptr<MidiOut> midi;  // null: closed, or no device to open
  // A recording: sees every message the MIDI back end sends. While one is
  // attached the back end keeps producing messages with output switched off
  // (tapOnly: open for the recording alone, no device).
  std::shared_ptr<MidiOut> tap;
  bool tapOnly = false;
  bool tapProgrammed = false;  // the tap has had the program changes
  std::unique_ptr<WaveOut> wave;
  // The console voice's output: opened with the first frame it plays, closed
  // by SoundStop.
  std::unique_ptr<PcmOut> pcm;
  bool pcmTried = false;
  std::thread worker;
  std::shared_ptr<SoundQueue> queue;  // the worker's; the device posts to it too
  uint16_t waveChannels = 0;
  std::array<SoundChannelCache, kSoundChannels> channels{};
  // The wave back end's channels belong to its worker; the emulation thread
  // keeps what it last posted to them here, for snapshots.
  std::array<SoundChannelCache, kSoundChannels> posted{};
  // The channels before the last stop silenced them (or as a restore while
  // stopped left them, waiting to sound when the run resumes).
  std::array<SoundChannelCache, kSoundChannels> beforeStop{};
  bool resumePending = false;
  // A stop silenced the channels and nothing has moved them since: what the
  // run goes on with is beforeStop, not the silence (a snapshot taken now
  // keeps that, whichever engine stopped).
  bool stopSilenced = false;
  // The emulation waits (SoundPause): the device has been silenced and hears
  // nothing until SoundContinue brings it back to the channels.
  bool paused = false;
  // Held (SoundHold): frames that are run but not heard as they run (run
  // ahead, rewound, between the shown frames of fast-forward). A channel's
  // changes are kept here, only the latest of each, instead of being sent.
  struct HeldChange {
    bool frequency = false, volume = false;
    int32_t hertz = 0, level = 0;
  };
  bool held = false;
  std::array<HeldChange, kSoundChannels> heldChanges{};
  std::array<std::array<uint8_t, 256>, kWaveBuffers> waveBuffers{};
  std::array<int32_t, kWaveBufferSamples> mixing{};

  SoundLayer() = default;
  SoundLayer(const SoundLayer&) = delete;
  SoundLayer& operator=(const SoundLayer&) = delete;
  // A host that exits without stopping sound must not leave a running thread.
  ~SoundLayer() { StopWorker(); }

  void StopWorker() {
    if (!worker.joinable()) return;
    queue->Post(SoundMsg::Quit);
    worker.join();
  }
};

// SoundWave.cpp: opening the wave back end, run by SoundStart.
void OpenWaveBackEnd(SoundLayer& s, int rate, int bufferCount);
