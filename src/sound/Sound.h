// The sound device layer: per channel a frequency and a volume, played as held
// notes on a MIDI synthesiser (or, for rates above 8192, as a wave stream).
// One instance per Machine (Machine::Sound); the devices themselves are
// installed by the host (SoundDevices.h). Everything here is called on the
// emulation thread.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

class MidiOut;
struct SoundLayer;

// Opens output: a rate above 8192 selects the wave back end at that rate with
// up to 31 buffers, any other rate the MIDI back end. Stops any output first.
void SoundStart(SoundLayer& s, void* instance, int rate, int bufferCount);
void SoundStop(SoundLayer& s);
// Cuts everything sounding on the open devices; the channel caches stay.
void SoundReset(SoundLayer& s);
// "Estéreo" passes 1, "Mono" 0; takes effect at the next SoundStart.
void SoundSetChannels(SoundLayer& s, int count);

// What a channel last sent, as a snapshot keeps it: the pitch and level it
// was given and, for the MIDI back end, its sounding note, bend and volume.
struct SoundChannelSent {
  int32_t frequency = 0;
  int32_t volume = 0;
  int32_t note = 0;
  int32_t bend = 0;
  int32_t midiVolume = 0;
};
using SoundChannelsSent = std::array<SoundChannelSent, 5>;
// `beforeStop`: as they stood before the last SoundSilenceAll (a run
// stopped at a frame start), which is where a restored run goes on from.
SoundChannelsSent SoundSaveChannels(const SoundLayer& s, bool beforeStop);
// Puts the channels back as saved. The open devices and the recording are
// brought to it (notes ended or struck, bends and volumes sent), so from
// then on the layer sends exactly what it sent after the save. `stopped`:
// no run is active, so nothing sounds until SoundResumeHeld.
void SoundRestoreChannels(SoundLayer& s, const SoundChannelsSent& saved, bool stopped);
// A run stopping at a frame start: every channel falls silent, and what they
// sounded is kept for a snapshot taken while stopped.
void SoundSilenceAll(SoundLayer& s);
// A restored run starting: the channels restored while stopped sound again.
void SoundResumeHeld(SoundLayer& s);
// A stop (or a restore while stopped) left the channels silent and nothing
// has moved them since: a snapshot keeps what they sounded before the stop.
bool SoundStopSilenced(const SoundLayer& s);
// The emulation waits while its run goes on (a dialog over the window, a
// command that waits): the notes sounding on the device end and the device
// hears nothing more, while the channels keep what they sound and a
// recording, whose clock stands still, keeps its notes. SoundContinue brings
// the device back to the channels as they stand (their volumes, bends and
// notes struck again); a stop's SilenceAll does so too, silent. Only the
// MIDI back end and the wave back end are paused here; the console voice
// falls silent by itself when no frame runs.
void SoundPause(SoundLayer& s);
void SoundContinue(SoundLayer& s);
bool SoundPaused(const SoundLayer& s);
// Frames that run without being heard as they run: from SoundHold on, each
// channel's changes are kept (the latest only) instead of sent, and a restore
// waits as it does while stopped. SoundRelease sends what the restore left
// (only what differs from what was last sent), then the kept changes: so
// frames run ahead and taken back send nothing at all, and fast-forward
// sends each channel at most once per shown frame instead of piling notes up.
void SoundHold(SoundLayer& s);
void SoundRelease(SoundLayer& s);
bool SoundHeld(const SoundLayer& s);
// Held and silent until released (rewind): every channel falls silent first,
// and the release brings back what the run has reached by then.
void SoundQuiet(SoundLayer& s);
void SoundSetFrequency(SoundLayer& s, int channel, int hertz);
void SoundSetVolume(SoundLayer& s, int channel, int volume);
// The MIDI back end's rendering of one channel: sends only what changed.
void SoundUpdateChannel(SoundLayer& s, int channel, int hertz, int volume);

// A new MIDI device at once: with the MIDI back end open, its device is reset
// and closed, the installed factory's new one opened with the program changes
// of an open, and each channel's volume, bend and sounding note sent again as
// they stand. Otherwise the new device simply serves the next SoundStart.
void SoundSwitchMidiDevice(SoundLayer& s);

// Recording: from now on every message the MIDI back end sends also goes to
// `tap`, first the state it joins (programs, volumes, bends, sounding notes).
// With output off the back end opens for the tap alone, and output stopped
// while recording keeps producing messages for it; a later open does not
// repeat the program changes the tap already has. The wave back end sends none.
void SoundAttachTap(SoundLayer& s, std::shared_ptr<MidiOut> tap);
void SoundDetachTap(SoundLayer& s);
