// The small units the tone channels share: the envelope (volume that decays
// or stays constant, clocked by the frame sequencer's quarter frames) and the
// length counter (silences a note after a loaded time, clocked on half frames).
#pragma once

#include <cstdint>

#include "voice/VoiceTables.h"

struct Envelope {
  bool Start = false;     // set by the channel's fourth register: restart on the next quarter frame
  bool Loop = false;      // the same bit halts the length counter
  bool Constant = false;  // constant volume instead of the decay level
  uint8_t Period = 0;     // low four bits: the volume, or the divider's period
  uint8_t Divider = 0;
  uint8_t Decay = 0;
};

struct LengthCounter {
  bool Enabled = false;  // $4015's bit for the channel
  bool Halt = false;
  uint8_t Count = 0;
  // A write made on the cycle the chip clocks the counter meets that clock:
  // the clock still sees the halt bit as it was (the new one is taken after
  // it), and a reload is either ignored (a count was running, and the clock
  // takes one from it) or spared by the clock (the count was zero).
  bool SpareNextClock = false;
  int8_t HaltAfterClock = -1;
};

// Control bits of $4000/$4004/$400C: loop/halt, constant volume, volume or period.
inline void EnvelopeWrite(Envelope& e, LengthCounter& l, uint8_t value) {
  e.Loop = (value & 0x20) != 0;
  l.Halt = e.Loop;
  e.Constant = (value & 0x10) != 0;
  e.Period = value & 0x0F;
}

inline void EnvelopeQuarterFrame(Envelope& e) {
  if (e.Start) {
    e.Start = false;
    e.Decay = 15;
    e.Divider = e.Period;
    return;
  }
  if (e.Divider > 0) {
    --e.Divider;
    return;
  }
  e.Divider = e.Period;
  if (e.Decay > 0)
    --e.Decay;
  else if (e.Loop)
    e.Decay = 15;
}

inline uint8_t EnvelopeVolume(const Envelope& e) { return e.Constant ? e.Period : e.Decay; }

// A note's length loads only while the channel is enabled; a disabled
// channel's counter stays at zero, which is what $4015 reads back.
inline void LengthLoad(LengthCounter& l, uint8_t value) {
  if (l.Enabled) l.Count = kLengthTable[value >> 3];
}

inline void LengthEnable(LengthCounter& l, bool on) {
  l.Enabled = on;
  if (!on) l.Count = 0;
}

inline void LengthHalfFrame(LengthCounter& l) {
  if (!l.Halt && l.Count > 0 && !l.SpareNextClock) --l.Count;
  l.SpareNextClock = false;
  if (l.HaltAfterClock >= 0) l.Halt = l.HaltAfterClock != 0;
  l.HaltAfterClock = -1;
}
