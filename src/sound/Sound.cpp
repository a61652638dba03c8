// The device layer: the module-wide state, starting and stopping output, and
// the MIDI back end, which plays each channel as a held note on its own MIDI
// channel. A pitch change within a note becomes a pitch bend, so a sweep or
// vibrato glides instead of re-striking; only changed values are sent, since
// the channel model re-sends everything on every write and every frame.
#include "sound/Sound.h"

#include <utility>

#include "sound/NoteTable.h"
#include "sound/SoundLayerState.h"
#include "sound/VoiceOutput.h"

namespace {

// General MIDI program 80 (from 0) is the square-wave lead.
constexpr uint32_t kSquareLeadProgram = 80;

uint32_t Pack(uint32_t status, uint32_t data1, uint32_t data2) {
  return status | (data1 << 8) | (data2 << 16);
}

// Only the device: a new device catching up with what already stands.
void SendToDevice(SoundLayer& s, uint32_t status, uint32_t data1, uint32_t data2 = 0) {
  // A device that could not be opened leaves no handle: messages go nowhere.
  // A paused device is brought up to date as a whole when the pause ends.
  if (s.midi && !s.paused) s.midi->ShortMessage(Pack(status, data1, data2));
}

void SendToTap(SoundLayer& s, uint32_t status, uint32_t data1, uint32_t data2 = 0) {
  if (s.tap) s.tap->ShortMessage(Pack(status, data1, data2));
}

void Send(SoundLayer& s, uint32_t status, uint32_t data1, uint32_t data2 = 0) {
  SendToDevice(s, status, data1, data2);
  SendToTap(s, status, data1, data2);
}

void NoteOff(SoundLayer& s, int channel, int note) { Send(s, 0x80 + channel, note & 0x7F, 127); }

// What the channels stand at, for a device or a recording joining late: the
// volume, the bend and the sounding note of each channel that has them.
template <typename SendFn>
void SendChannelState(const SoundLayer& s, SendFn send) {
  for (int channel = 0; channel < kSoundChannels; ++channel) {
    const SoundChannelCache& c = s.channels[channel];
    if (c.midiVolume != 0) send(0xB0 + channel, 7, c.midiVolume);
    if (c.bend != 0) send(0xE0 + channel, c.bend & 0x7F, (c.bend >> 7) & 0x7F);
    if (c.note != 0) send(0x90 + channel, c.note & 0x7F, 127);
  }
}

void SendPrograms(SoundLayer& s, bool toDevice) {
  // Channel 4 keeps the synthesiser's default program.
  for (int channel = 0; channel < 4; ++channel) {
    if (toDevice) SendToDevice(s, 0xC0 + channel, kSquareLeadProgram);
    // Once in a recording is enough: they never change.
    if (!s.tapProgrammed) SendToTap(s, 0xC0 + channel, kSquareLeadProgram);
  }
  if (s.tap) s.tapProgrammed = true;
}

// With `withDevice` false the back end opens for a recording alone.
void OpenMidiBackEnd(SoundLayer& s, bool withDevice = true) {
  s.mode = 0;
  if (withDevice && s.factory.midi) s.midi = s.factory.midi();
  if (s.midi && !s.midi->Open()) s.midi.reset();
  // The back end counts as open whether or not a device answered.
  s.mode = 1;
  s.tapOnly = !withDevice;
  if (s.midi) s.midi->Reset();
  SendPrograms(s, true);
}

void ClearChannels(SoundLayer& s) {
  // Only channels 0-3 start afresh; channel 4 keeps its cached note, bend and
  // volume across restarts.
  for (int channel = 0; channel < 4; ++channel) s.channels[channel] = SoundChannelCache{};
}

bool ValidChannel(int channel) { return channel >= 0 && channel < kSoundChannels; }

}  // namespace

void SetSoundDevices(SoundLayer& s, SoundDeviceFactory factory) { s.factory = std::move(factory); }

const SoundDeviceFactory& CurrentSoundDevices(const SoundLayer& s) { return s.factory; }

void SoundStart(SoundLayer& s, void* /*instance*/, int rate, int bufferCount) {
  SoundStop(s);
  s.paused = false;
  s.stopSilenced = false;
  s.channelMask = 255;
  s.mode = 0;
  s.tapOnly = false;
  // The device that opens starts silent: notes the recording holds end here.
  if (s.tap) s.tap->Reset();
  ClearChannels(s);
  if (rate > kWaveModeMin) {
    OpenWaveBackEnd(s, rate, bufferCount);
  } else {
    OpenMidiBackEnd(s);
  }
}

void SoundStop(SoundLayer& s) {
  VoiceCloseOutput(s);
  s.mode = 0;
  // Nothing sounds on a closed device: no pause to end.
  s.paused = false;
  // The worker is ended before its device is closed, so the two never race.
  s.StopWorker();
  if (s.wave) {
    // Closing fails while buffers are still queued: hand them back and retry.
    while (!s.wave->Close()) s.wave->Reset();
    s.wave.reset();
  }
  s.queue.reset();
  if (s.midi) {
    s.midi->Reset();
    s.midi->Close();
    s.midi.reset();
  }
  s.tapOnly = false;
  // A recording goes on without a device: the channels keep their notes in
  // it exactly as before output stopped.
  if (s.tap) {
    s.mode = 1;
    s.tapOnly = true;
    SendPrograms(s, false);
  }
}

void SoundReset(SoundLayer& s) {
  if (s.wave) s.wave->Reset();
  if (s.midi) s.midi->Reset();
  // The notes were cut where they are heard, so they end in the recording
  // too; without a device the recording is all there is and keeps them.
  if (s.tap && s.mode == 1 && !s.tapOnly) s.tap->Reset();
}

void SoundSwitchMidiDevice(SoundLayer& s) {
  if (s.mode != 1 || s.tapOnly) return;
  if (s.midi) {
    s.midi->Reset();
    s.midi->Close();
    s.midi.reset();
  }
  if (s.factory.midi) s.midi = s.factory.midi();
  if (s.midi && !s.midi->Open()) s.midi.reset();
  if (!s.midi) return;
  s.midi->Reset();
  // The recording heard all this already; only the new device catches up.
  SendPrograms(s, true);
  SendChannelState(s, [&s](uint32_t status, uint32_t d1, uint32_t d2) { SendToDevice(s, status, d1, d2); });
}

void SoundAttachTap(SoundLayer& s, std::shared_ptr<MidiOut> tap) {
  s.tap = std::move(tap);
  s.tapProgrammed = false;
  if (!s.tap) return;
  if (s.mode == 0) {
    // Output is off: the back end opens for the recording alone, as an open
    // would, so the file starts like any run with its program changes.
    s.channelMask = 255;
    ClearChannels(s);
    OpenMidiBackEnd(s, false);
    return;
  }
  if (s.mode != 1) return;
  // Joining a running game: the programs (channel 4's is the General MIDI
  // default, stated so a player that had another one set plays it right),
  // then what each channel stands at.
  SendPrograms(s, false);
  SendToTap(s, 0xC4, 0);
  SendChannelState(s, [&s](uint32_t status, uint32_t d1, uint32_t d2) { SendToTap(s, status, d1, d2); });
}

void SoundDetachTap(SoundLayer& s) {
  s.tap.reset();
  if (s.tapOnly) {
    s.mode = 0;
    s.tapOnly = false;
  }
}

void SoundSetChannels(SoundLayer& s, int count) {
  // The held count starts at 0, so in practice it never changes; the wave
  // back end then opens with one channel.
  if (s.waveChannels > 0) s.waveChannels = static_cast<uint16_t>(count);
  SoundReset(s);
}

void SoundSetFrequency(SoundLayer& s, int channel, int hertz) {
  s.stopSilenced = false;
  const int32_t mode = s.mode;
  if (mode == 0 || !ValidChannel(channel)) return;
  if (s.held) {
    s.heldChanges[channel].frequency = true;
    s.heldChanges[channel].hertz = hertz;
    return;
  }
  if (mode >= kWaveModeMin) {
    s.posted[channel].frequency = hertz;
    s.queue->Post(SoundMsg::SetFrequency, channel, hertz);
  } else {
    SoundUpdateChannel(s, channel, hertz, s.channels[channel].volume);
  }
}

void SoundSetVolume(SoundLayer& s, int channel, int volume) {
  s.stopSilenced = false;
  const int32_t mode = s.mode;
  if (mode == 0 || !ValidChannel(channel)) return;
  if (s.held) {
    s.heldChanges[channel].volume = true;
    s.heldChanges[channel].level = volume;
    return;
  }
  if (mode >= kWaveModeMin) {
    s.posted[channel].volume = volume;
    s.queue->Post(SoundMsg::SetVolume, channel, volume);
  } else {
    SoundUpdateChannel(s, channel, s.channels[channel].frequency, volume);
  }
}

void SoundUpdateChannel(SoundLayer& s, int channel, int hertz, int volume) {
  // Only the MIDI back end renders here; while the wave back end runs, the
  // channel caches belong to its worker thread.
  s.stopSilenced = false;
  const int32_t mode = s.mode;
  if (mode == 0 || mode >= kWaveModeMin || !ValidChannel(channel)) return;
  volume &= 255;
  // The table covers 1..12287 Hz; below 9 Hz nothing is heard anyway.
  if (hertz < 9 || hertz >= 12288) hertz = 0;
  SoundChannelCache& c = s.channels[channel];
  c.frequency = hertz;
  c.volume = volume;
  if (!(s.channelMask & (1u << channel))) return;

  const int32_t m = volume / 2;
  const int k = hertz / 3;
  if (m == 0 || k == 0) {
    if (c.note != 0) NoteOff(s, channel, c.note);
    c.note = 0;
    return;
  }
  const NoteEntry& entry = NoteTable()[k];
  if (c.note != 0 && c.note != entry.note) {
    NoteOff(s, channel, c.note);
    c.note = 0;
  }
  if (m != c.midiVolume) {
    Send(s, 0xB0 + channel, 7, m);
    c.midiVolume = m;
  }
  // The bend goes before the note on, so a new note starts at its pitch.
  if (entry.bend != c.bend) {
    Send(s, 0xE0 + channel, entry.bend & 0x7F, (entry.bend >> 7) & 0x7F);
    c.bend = entry.bend;
  }
  if (entry.note != c.note) {
    if (entry.note != 0) Send(s, 0x90 + channel, entry.note & 0x7F, 127);
    c.note = entry.note;
  }
}

namespace {

// What the emulation thread last gave each channel: the wave back end's
// channels belong to its worker.
const std::array<SoundChannelCache, kSoundChannels>& CurrentChannels(const SoundLayer& s) {
  return s.mode >= kWaveModeMin ? s.posted : s.channels;
}

void ApplyChannels(SoundLayer& s, const std::array<SoundChannelCache, kSoundChannels>& saved) {
  const int32_t mode = s.mode;
  for (int channel = 0; channel < kSoundChannels; ++channel) {
    const SoundChannelCache& want = saved[channel];
    if (mode >= kWaveModeMin) {
      // The worker takes the saved pitch and level in order with the rest.
      s.posted[channel].frequency = want.frequency;
      s.posted[channel].volume = want.volume;
      s.queue->Post(SoundMsg::SetFrequency, channel, want.frequency);
      s.queue->Post(SoundMsg::SetVolume, channel, want.volume);
      continue;
    }
    SoundChannelCache& c = s.channels[channel];
    if (mode == 1) {
      // The synthesiser and the recording move to the saved notes: only
      // what differs is sent, in the order a note change sends it. A zero
      // volume or bend is one never sent, which nothing can take back.
      if (c.note != 0 && c.note != want.note) NoteOff(s, channel, c.note);
      if (want.midiVolume != 0 && want.midiVolume != c.midiVolume)
        Send(s, 0xB0 + channel, 7, want.midiVolume);
      if (want.bend != 0 && want.bend != c.bend)
        Send(s, 0xE0 + channel, want.bend & 0x7F, (want.bend >> 7) & 0x7F);
      if (want.note != 0 && want.note != c.note) Send(s, 0x90 + channel, want.note & 0x7F, 127);
    }
    c.frequency = want.frequency;
    c.volume = want.volume;
    c.note = want.note;
    c.bend = want.bend;
    c.midiVolume = want.midiVolume;
  }
}

}  // namespace

SoundChannelsSent SoundSaveChannels(const SoundLayer& s, bool beforeStop) {
  const auto& from = beforeStop ? s.beforeStop : CurrentChannels(s);
  SoundChannelsSent saved;
  for (int channel = 0; channel < kSoundChannels; ++channel) {
    const SoundChannelCache& c = from[channel];
    saved[channel] = {c.frequency, c.volume, c.note, c.bend, c.midiVolume};
  }
  return saved;
}

void SoundRestoreChannels(SoundLayer& s, const SoundChannelsSent& saved, bool stopped) {
  for (int channel = 0; channel < kSoundChannels; ++channel) {
    const SoundChannelSent& c = saved[channel];
    SoundChannelCache& kept = s.beforeStop[channel];
    kept.frequency = c.frequency;
    kept.volume = c.volume;
    kept.note = c.note;
    kept.bend = c.bend;
    kept.midiVolume = c.midiVolume;
  }
  // Stopped, the device stays as silent as the stop left it until the run
  // resumes; the channels stand silent meanwhile, as after any stop.
  // Held, the restored channels wait for the release as they wait for a
  // resume, and what the frames before the restore kept is void.
  s.resumePending = stopped || s.held;
  // Restored while stopped, the channels stand silent as a stop leaves them,
  // waiting to sound what was restored.
  s.stopSilenced = stopped;
  s.heldChanges = {};
  if (!s.resumePending) ApplyChannels(s, s.beforeStop);
}

void SoundSilenceAll(SoundLayer& s) {
  s.beforeStop = CurrentChannels(s);
  s.resumePending = false;
  for (int channel = 0; channel < kSoundChannels; ++channel) SoundSetVolume(s, channel, 0);
  // A stop ends a pause: the channels are silent now, and the device takes
  // their volumes and bends so that the next note sounds as the run asks.
  SoundContinue(s);
  s.stopSilenced = true;
}

void SoundPause(SoundLayer& s) {
  if (s.paused || s.mode == 0) return;
  if (s.mode >= kWaveModeMin) {
    // The worker's channels go quiet; what was posted stays for the return.
    for (int channel = 0; channel < kSoundChannels; ++channel) s.queue->Post(SoundMsg::SetVolume, channel, 0);
  } else {
    for (int channel = 0; channel < kSoundChannels; ++channel) {
      const int32_t note = s.channels[channel].note;
      if (note != 0) SendToDevice(s, 0x80 + channel, note & 0x7F, 127);
    }
  }
  s.paused = true;
}

void SoundContinue(SoundLayer& s) {
  if (!s.paused) return;
  s.paused = false;
  if (s.mode >= kWaveModeMin) {
    for (int channel = 0; channel < kSoundChannels; ++channel)
      s.queue->Post(SoundMsg::SetVolume, channel, s.posted[channel].volume);
  } else if (s.mode == 1) {
    SendChannelState(s, [&s](uint32_t status, uint32_t d1, uint32_t d2) { SendToDevice(s, status, d1, d2); });
  }
}

bool SoundPaused(const SoundLayer& s) { return s.paused; }

bool SoundStopSilenced(const SoundLayer& s) { return s.stopSilenced; }

void SoundResumeHeld(SoundLayer& s) {
  if (!s.resumePending || s.held) return;
  s.resumePending = false;
  s.stopSilenced = false;
  ApplyChannels(s, s.beforeStop);
}

void SoundHold(SoundLayer& s) {
  // Held already (fast-forward's next hidden frame): what was kept stays.
  if (s.held) return;
  s.held = true;
  s.heldChanges = {};
}

void SoundRelease(SoundLayer& s) {
  if (!s.held) return;
  s.held = false;
  SoundResumeHeld(s);
  const auto changes = std::exchange(s.heldChanges, {});
  const bool wave = s.mode >= kWaveModeMin;
  for (int channel = 0; channel < kSoundChannels; ++channel) {
    const SoundLayer::HeldChange& c = changes[channel];
    if (wave || !(c.frequency && c.volume)) {
      if (c.frequency) SoundSetFrequency(s, channel, c.hertz);
      if (c.volume) SoundSetVolume(s, channel, c.level);
    } else {
      // Both at once, so no note sounds in between at the new pitch and
      // the old level.
      SoundUpdateChannel(s, channel, c.hertz, c.level);
    }
  }
}

bool SoundHeld(const SoundLayer& s) { return s.held; }

void SoundQuiet(SoundLayer& s) {
  if (s.held) return;
  SoundSilenceAll(s);
  s.resumePending = true;
  SoundHold(s);
}
