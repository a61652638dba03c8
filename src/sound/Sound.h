// The sound device layer: per channel a frequency and a volume, played as held
// notes on a MIDI synthesiser (or, for rates above 8192, as a wave stream).
// One module-wide instance; the devices themselves are installed by the host.
#pragma once

#include <cstdint>

void SoundStart(void* instance, int rate, int bufferCount);
void SoundStop();
void SoundReset();
void SoundSetChannels(int count);
void SoundSetFrequency(int channel, int hertz);
void SoundSetVolume(int channel, int volume);
