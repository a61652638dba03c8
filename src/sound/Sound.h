// The sound device layer: per channel a frequency and a volume, played as held
// notes on a MIDI synthesiser (or, for rates above 8192, as a wave stream).
// One module-wide instance; the devices themselves are installed by the host
// (SoundDevices.h). Everything here is called on the emulation thread.
#pragma once

#include <cstdint>
#include <memory>

class MidiOut;

// Opens output: a rate above 8192 selects the wave back end at that rate with
// up to 31 buffers, any other rate the MIDI back end. Stops any output first.
void SoundStart(void* instance, int rate, int bufferCount);
void SoundStop();
// Cuts everything sounding on the open devices; the channel caches stay.
void SoundReset();
// "Estéreo" passes 1, "Mono" 0; takes effect at the next SoundStart.
void SoundSetChannels(int count);
void SoundSetFrequency(int channel, int hertz);
void SoundSetVolume(int channel, int volume);
// The MIDI back end's rendering of one channel: sends only what changed.
void SoundUpdateChannel(int channel, int hertz, int volume);

// A new MIDI device at once: with the MIDI back end open, its device is reset
// and closed, the installed factory's new one opened with the program changes
// of an open, and each channel's volume, bend and sounding note sent again as
// they stand. Otherwise the new device simply serves the next SoundStart.
void SoundSwitchMidiDevice();

// Recording: from now on every message the MIDI back end sends also goes to
// `tap`, first the state it joins (programs, volumes, bends, sounding notes).
// With output off the back end opens for the tap alone, and output stopped
// while recording keeps producing messages for it; a later open does not
// repeat the program changes the tap already has. The wave back end sends none.
void SoundAttachTap(std::shared_ptr<MidiOut> tap);
void SoundDetachTap();
