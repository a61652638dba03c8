#include "sound/SoundChannels.h"

// Placeholder until the channel model lands: the memory map has already stored
// the byte in IoRegs, which is all the bus itself owes the sound registers.
void SoundRegisterWrite(Machine&, uint16_t, uint8_t) {}
void SoundFrameTick(Machine&) {}
