#include "sound/Sound.h"

// Placeholder until the device layer lands: no device is ever open, so every
// call does what the layer does with no device: nothing.
void SoundStart(void*, int, int) {}
void SoundStop() {}
void SoundReset() {}
void SoundSetChannels(int) {}
void SoundSetFrequency(int, int) {}
void SoundSetVolume(int, int) {}
