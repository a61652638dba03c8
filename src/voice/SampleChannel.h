// The sample channel: a memory reader that fetches the bytes of a 1-bit
// delta sample from the cartridge's address space ($C000-$FFFF, wrapping to
// $8000), a one-byte buffer, and an output unit that moves a 7-bit level up
// or down by 2 for each bit at the rate table's speed. $4011 loads the level
// directly, which is how games play raw samples.
#pragma once

#include <cstdint>

#include "voice/VoiceTables.h"

// What the voice reads sample bytes through. The designed engine hands a
// reader of the bank tables (VoiceMemoryOf in ConsoleVoice.h); an engine
// that steals the processor's cycles for each fetch also sets Fetched,
// which hears the address and the cycle of every fetch as it happens. With
// Deferred the byte is not read at once: Fetched is the request, and the
// engine's DMA unit hands the byte over when it has stolen the cycles for
// it (SampleArrived), as the console's memory reader waits for its DMA.
struct VoiceMemory {
  const void* Context = nullptr;
  uint8_t (*Read)(const void* context, uint16_t address) = nullptr;
  void* FetchContext = nullptr;
  void (*Fetched)(void* context, uint16_t address, uint32_t cycle) = nullptr;
  bool Deferred = false;
};

struct SampleChannel {
  bool IrqEnabled = false;
  bool Loop = false;
  bool Irq = false;  // set when a sample ends with interrupts enabled
  uint8_t RateIndex = 0;
  uint8_t Level = 0;  // 0-127
  uint16_t StartAddress = 0xC000;
  uint16_t StartLength = 1;
  uint16_t Address = 0xC000;
  uint16_t Remaining = 0;  // bytes still to fetch; $4015 reads whether any are
  bool BufferFull = false;
  uint8_t Buffer = 0;
  uint8_t Bits = 0;
  uint8_t BitsLeft = 8;
  bool Silent = true;
  bool Requested = false;  // a deferred fetch was asked for and has not arrived
  uint32_t NextClock = 0;  // the output unit's timer never stops
};

// `reg` 0-3 for $4010-$4013.
void SampleWrite(SampleChannel& s, int reg, uint8_t value);
// $4015's bit 4: stop, or start the sample again when it has ended.
void SampleEnable(SampleChannel& s, bool on, const VoiceMemory& memory, uint32_t now);
// The output unit's timer ran out at `now`: play one bit, refill from memory.
void SampleClock(SampleChannel& s, const VoiceMemory& memory, uint32_t now);
// A deferred fetch's byte arrives; dropped when the sample was stopped
// while it was on its way.
void SampleArrived(SampleChannel& s, uint8_t value);
// The cycle at which the output unit will next empty the buffer and the
// reader ask for a byte, if a byte remains to ask for; kNever otherwise.
uint32_t SampleNextRequest(const SampleChannel& s);
