#include "voice/SampleChannel.h"

namespace {

void Restart(SampleChannel& s) {
  s.Address = s.StartAddress;
  s.Remaining = s.StartLength;
}

// The reader fills the buffer as soon as it is empty and bytes remain; on
// the console this is when the processor is held for the fetch.
void Fetch(SampleChannel& s, const VoiceMemory& memory, uint32_t now) {
  if (s.BufferFull || s.Remaining == 0 || s.Requested) return;
  if (memory.Deferred) {
    s.Requested = true;
    if (memory.Fetched != nullptr) memory.Fetched(memory.FetchContext, s.Address, now);
    return;
  }
  if (memory.Fetched != nullptr) memory.Fetched(memory.FetchContext, s.Address, now);
  SampleArrived(s, memory.Read != nullptr ? memory.Read(memory.Context, s.Address) : 0);
}

}  // namespace

void SampleArrived(SampleChannel& s, uint8_t value) {
  s.Requested = false;
  if (s.Remaining == 0) return;
  s.Buffer = value;
  s.BufferFull = true;
  s.Address = s.Address == 0xFFFF ? 0x8000 : static_cast<uint16_t>(s.Address + 1);
  if (--s.Remaining == 0) {
    if (s.Loop)
      Restart(s);
    else if (s.IrqEnabled)
      s.Irq = true;
  }
}

uint32_t SampleNextRequest(const SampleChannel& s) {
  if (s.Remaining == 0 || !s.BufferFull) return kNever;
  return s.NextClock + (s.BitsLeft - 1u) * kSampleRateTable[s.RateIndex];
}

void SampleWrite(SampleChannel& s, int reg, uint8_t value) {
  switch (reg) {
    case 0:
      s.IrqEnabled = (value & 0x80) != 0;
      if (!s.IrqEnabled) s.Irq = false;
      s.Loop = (value & 0x40) != 0;
      // A new rate is taken when the current bit's period ends.
      s.RateIndex = value & 0x0F;
      break;
    case 1: s.Level = value & 0x7F; break;
    case 2: s.StartAddress = static_cast<uint16_t>(0xC000 + value * 64); break;
    default: s.StartLength = static_cast<uint16_t>(value * 16 + 1); break;
  }
}

void SampleEnable(SampleChannel& s, bool on, const VoiceMemory& memory, uint32_t now) {
  s.Irq = false;
  if (!on) {
    s.Remaining = 0;
    return;
  }
  if (s.Remaining == 0) {
    Restart(s);
    Fetch(s, memory, now);
  }
}

void SampleClock(SampleChannel& s, const VoiceMemory& memory, uint32_t now) {
  if (!s.Silent) {
    // The level saturates rather than wrapping: a bit that would leave
    // 0-127 is ignored.
    if (s.Bits & 1) {
      if (s.Level <= 125) s.Level += 2;
    } else if (s.Level >= 2) {
      s.Level -= 2;
    }
    s.Bits >>= 1;
  }
  if (--s.BitsLeft == 0) {
    s.BitsLeft = 8;
    s.Silent = !s.BufferFull;
    if (s.BufferFull) {
      s.Bits = s.Buffer;
      s.BufferFull = false;
      Fetch(s, memory, now);
    }
  }
  s.NextClock = now + kSampleRateTable[s.RateIndex];
}
