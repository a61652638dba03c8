// The sound channel model: the registers $4000-$4017 turned into a pitch and an
// on/off level per channel, with a per-frame length counter and linear sweep.
#pragma once

#include <cstdint>

#include "core/Machine.h"

// A processor write to $4000-$4013, $4015 or $4017 (the byte is already in IoRegs).
void SoundRegisterWrite(Machine& m, uint16_t address, uint8_t value);
// The frame countdown, first thing of every scanline-hook call: runs
// SoundFrameStep once every 244 calls (the very first call included).
void SoundFrameTick(Machine& m);
