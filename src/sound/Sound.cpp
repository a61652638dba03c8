// The device layer: the module-wide state, starting and stopping output, and
// the MIDI back end, which plays each channel as a held note on its own MIDI
// channel. A pitch change within a note becomes a pitch bend, so a sweep or
// vibrato glides instead of re-striking; only changed values are sent, since
// the channel model re-sends everything on every write and every frame.
#include "sound/Sound.h"

#include "sound/NoteTable.h"
#include "sound/SoundLayerState.h"

SoundLayer gSound;

namespace {

// General MIDI program 80 (from 0) is the square-wave lead.
constexpr uint32_t kSquareLeadProgram = 80;

uint32_t Pack(uint32_t status, uint32_t data1, uint32_t data2) {
  return status | (data1 << 8) | (data2 << 16);
}

// Only the device: a new device catching up with what already stands.
void SendToDevice(uint32_t status, uint32_t data1, uint32_t data2 = 0) {
  // A device that could not be opened leaves no handle: messages go nowhere.
  if (gSound.midi) gSound.midi->ShortMessage(Pack(status, data1, data2));
}

void SendToTap(uint32_t status, uint32_t data1, uint32_t data2 = 0) {
  if (gSound.tap) gSound.tap->ShortMessage(Pack(status, data1, data2));
}

void Send(uint32_t status, uint32_t data1, uint32_t data2 = 0) {
  SendToDevice(status, data1, data2);
  SendToTap(status, data1, data2);
}

void NoteOff(int channel, int note) { Send(0x80 + channel, note & 0x7F, 127); }

// What the channels stand at, for a device or a recording joining late: the
// volume, the bend and the sounding note of each channel that has them.
template <typename SendFn>
void SendChannelState(SendFn send) {
  for (int channel = 0; channel < kSoundChannels; ++channel) {
    const SoundChannelCache& c = gSound.channels[channel];
    if (c.midiVolume != 0) send(0xB0 + channel, 7, c.midiVolume);
    if (c.bend != 0) send(0xE0 + channel, c.bend & 0x7F, (c.bend >> 7) & 0x7F);
    if (c.note != 0) send(0x90 + channel, c.note & 0x7F, 127);
  }
}

void SendPrograms(bool toDevice) {
  // Channel 4 keeps the synthesiser's default program.
  for (int channel = 0; channel < 4; ++channel) {
    if (toDevice) SendToDevice(0xC0 + channel, kSquareLeadProgram);
    // Once in a recording is enough: they never change.
    if (!gSound.tapProgrammed) SendToTap(0xC0 + channel, kSquareLeadProgram);
  }
  if (gSound.tap) gSound.tapProgrammed = true;
}

// With `withDevice` false the back end opens for a recording alone.
void OpenMidiBackEnd(bool withDevice = true) {
  gSound.mode = 0;
  if (withDevice && gSound.factory.midi) gSound.midi = gSound.factory.midi();
  if (gSound.midi && !gSound.midi->Open()) gSound.midi.reset();
  // The back end counts as open whether or not a device answered.
  gSound.mode = 1;
  gSound.tapOnly = !withDevice;
  if (gSound.midi) gSound.midi->Reset();
  SendPrograms(true);
}

void ClearChannels() {
  // Only channels 0-3 start afresh; channel 4 keeps its cached note, bend and
  // volume across restarts.
  for (int channel = 0; channel < 4; ++channel) gSound.channels[channel] = SoundChannelCache{};
}

bool ValidChannel(int channel) { return channel >= 0 && channel < kSoundChannels; }

}  // namespace

void SetSoundDevices(SoundDeviceFactory factory) { gSound.factory = std::move(factory); }

const SoundDeviceFactory& CurrentSoundDevices() { return gSound.factory; }

void SoundStart(void* /*instance*/, int rate, int bufferCount) {
  SoundStop();
  gSound.channelMask = 255;
  gSound.mode = 0;
  gSound.tapOnly = false;
  // The device that opens starts silent: notes the recording holds end here.
  if (gSound.tap) gSound.tap->Reset();
  ClearChannels();
  if (rate > kWaveModeMin) {
    OpenWaveBackEnd(rate, bufferCount);
  } else {
    OpenMidiBackEnd();
  }
}

void SoundStop() {
  gSound.mode = 0;
  // The worker is ended before its device is closed, so the two never race.
  gSound.StopWorker();
  if (gSound.wave) {
    // Closing fails while buffers are still queued: hand them back and retry.
    while (!gSound.wave->Close()) gSound.wave->Reset();
    gSound.wave.reset();
  }
  gSound.queue.reset();
  if (gSound.midi) {
    gSound.midi->Reset();
    gSound.midi->Close();
    gSound.midi.reset();
  }
  gSound.tapOnly = false;
  // A recording goes on without a device: the channels keep their notes in
  // it exactly as before output stopped.
  if (gSound.tap) {
    gSound.mode = 1;
    gSound.tapOnly = true;
    SendPrograms(false);
  }
}

void SoundReset() {
  if (gSound.wave) gSound.wave->Reset();
  if (gSound.midi) gSound.midi->Reset();
  // The notes were cut where they are heard, so they end in the recording
  // too; without a device the recording is all there is and keeps them.
  if (gSound.tap && gSound.mode == 1 && !gSound.tapOnly) gSound.tap->Reset();
}

void SoundSwitchMidiDevice() {
  if (gSound.mode != 1 || gSound.tapOnly) return;
  if (gSound.midi) {
    gSound.midi->Reset();
    gSound.midi->Close();
    gSound.midi.reset();
  }
  if (gSound.factory.midi) gSound.midi = gSound.factory.midi();
  if (gSound.midi && !gSound.midi->Open()) gSound.midi.reset();
  if (!gSound.midi) return;
  gSound.midi->Reset();
  // The recording heard all this already; only the new device catches up.
  SendPrograms(true);
  SendChannelState([](uint32_t status, uint32_t d1, uint32_t d2) { SendToDevice(status, d1, d2); });
}

void SoundAttachTap(std::shared_ptr<MidiOut> tap) {
  gSound.tap = std::move(tap);
  gSound.tapProgrammed = false;
  if (!gSound.tap) return;
  if (gSound.mode == 0) {
    // Output is off: the back end opens for the recording alone, as an open
    // would, so the file starts like any run with its program changes.
    gSound.channelMask = 255;
    ClearChannels();
    OpenMidiBackEnd(false);
    return;
  }
  if (gSound.mode != 1) return;
  // Joining a running game: the programs (channel 4's is the General MIDI
  // default, stated so a player that had another one set plays it right),
  // then what each channel stands at.
  SendPrograms(false);
  SendToTap(0xC4, 0);
  SendChannelState([](uint32_t status, uint32_t d1, uint32_t d2) { SendToTap(status, d1, d2); });
}

void SoundDetachTap() {
  gSound.tap.reset();
  if (gSound.tapOnly) {
    gSound.mode = 0;
    gSound.tapOnly = false;
  }
}

void SoundSetChannels(int count) {
  // The held count starts at 0, so in practice it never changes; the wave
  // back end then opens with one channel.
  if (gSound.waveChannels > 0) gSound.waveChannels = static_cast<uint16_t>(count);
  SoundReset();
}

void SoundSetFrequency(int channel, int hertz) {
  const int32_t mode = gSound.mode;
  if (mode == 0 || !ValidChannel(channel)) return;
  if (mode >= kWaveModeMin) {
    gSound.queue->Post(SoundMsg::SetFrequency, channel, hertz);
  } else {
    SoundUpdateChannel(channel, hertz, gSound.channels[channel].volume);
  }
}

void SoundSetVolume(int channel, int volume) {
  const int32_t mode = gSound.mode;
  if (mode == 0 || !ValidChannel(channel)) return;
  if (mode >= kWaveModeMin) {
    gSound.queue->Post(SoundMsg::SetVolume, channel, volume);
  } else {
    SoundUpdateChannel(channel, gSound.channels[channel].frequency, volume);
  }
}

void SoundUpdateChannel(int channel, int hertz, int volume) {
  // Only the MIDI back end renders here; while the wave back end runs, the
  // channel caches belong to its worker thread.
  const int32_t mode = gSound.mode;
  if (mode == 0 || mode >= kWaveModeMin || !ValidChannel(channel)) return;
  volume &= 255;
  // The table covers 1..12287 Hz; below 9 Hz nothing is heard anyway.
  if (hertz < 9 || hertz >= 12288) hertz = 0;
  SoundChannelCache& c = gSound.channels[channel];
  c.frequency = hertz;
  c.volume = volume;
  if (!(gSound.channelMask & (1u << channel))) return;

  const int32_t m = volume / 2;
  const int k = hertz / 3;
  if (m == 0 || k == 0) {
    if (c.note != 0) NoteOff(channel, c.note);
    c.note = 0;
    return;
  }
  const NoteEntry& entry = NoteTable()[k];
  if (c.note != 0 && c.note != entry.note) {
    NoteOff(channel, c.note);
    c.note = 0;
  }
  if (m != c.midiVolume) {
    Send(0xB0 + channel, 7, m);
    c.midiVolume = m;
  }
  // The bend goes before the note on, so a new note starts at its pitch.
  if (entry.bend != c.bend) {
    Send(0xE0 + channel, entry.bend & 0x7F, (entry.bend >> 7) & 0x7F);
    c.bend = entry.bend;
  }
  if (entry.note != c.note) {
    if (entry.note != 0) Send(0x90 + channel, entry.note & 0x7F, 127);
    c.note = entry.note;
  }
}
