// The sound channel model: the registers $4000-$4017 turned into a pitch and an
// on/off level per channel, with a per-frame length counter and linear sweep.
// Every change goes to the device layer (Sound.h) as a frequency and a volume.
#pragma once

#include <cstdint>

#include "core/Machine.h"

// The pitch of every channel: 111860 / (period + 1) Hz.
constexpr uint32_t kSoundClockDivisor = 111860;

// A processor write to $4000-$4013, $4015 or $4017. Stores the byte in IoRegs
// (as the memory map already did) and acts on it.
void SoundRegisterWrite(Machine& m, uint16_t address, uint8_t value);
// The frame countdown, first thing of every scanline-hook call: runs
// SoundFrameStep once every 244 calls (the very first call included).
void SoundFrameTick(Machine& m);
// One frame of the length counters and the linear sweep.
void SoundFrameStep(Machine& m);
// The machine reset's share of the sound registers: the stored bytes
// $4000-$400E are cleared; periods, counters, sweep flags and the stored
// $400F-$4017 stay, and no channel is switched off by it.
void SoundResetRegisters(Machine& m);
