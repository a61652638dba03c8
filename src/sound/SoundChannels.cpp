// The sound channel model. A channel is a pitch and an on/off level: the
// period registers give the pitch, the length registers how many frames the
// channel sounds, and the sweep registers a linear drift of the period. The
// device layer drops repeats, so every write simply re-sends both values.
#include "sound/SoundChannels.h"

#include "sound/Sound.h"

namespace {

constexpr int kChannelCount = 5;

uint8_t Reg(const Machine& m, uint16_t address) { return m.IoRegs[address - 0x4000]; }

uint32_t PeriodToHertz(uint16_t period) { return kSoundClockDivisor / (uint32_t{period} + 1); }

void SwitchChannel(const Machine& m, int channel, bool on) {
  SoundSetVolume(*m.Sound, channel, on ? m.SoundVolume : 0);
}

// Rebuilds a channel's period from its stored register pair and re-sends its
// pitch. A register write keeps 16 bits of the frequency, so period 0 gives
// 46324 Hz rather than 111860.
uint8_t ReloadPeriod(Machine& m, int channel, uint16_t highAddress, uint16_t lowAddress) {
  const uint8_t high = Reg(m, highAddress);
  m.ChannelPeriod[channel] = static_cast<uint16_t>(((high & 7) << 8) | Reg(m, lowAddress));
  SoundSetFrequency(*m.Sound, channel, static_cast<uint16_t>(PeriodToHertz(m.ChannelPeriod[channel])));
  return high >> 3;  // the 5-bit length index
}

// The two square channels and the triangle: a write to either period
// register restarts the note and reloads the length counter from the stored
// high byte. The triangle's counter is the index plus two, unscaled.
void WriteTone(Machine& m, int channel) {
  const uint16_t base = static_cast<uint16_t>(0x4000 + 4 * channel);
  const int index = ReloadPeriod(m, channel, base + 3, base + 2);
  SwitchChannel(m, channel, m.ChannelEnabled[channel]);
  m.LengthCounter[channel] = channel == 2 ? index + 2 : (index + 1) * 8;
}

// The noise channel has its own rules: a non-zero length index switches it
// on even against the user's switch, and an index of 0 leaves it uncounted,
// so it keeps whatever level this write gave it.
void WriteNoise(Machine& m) {
  const int index = ReloadPeriod(m, 3, 0x400F, 0x400E);
  SwitchChannel(m, 3, index != 0 || m.ChannelEnabled[3]);
  m.LengthCounter[3] = index;
}

// The PCM channel plays no samples here; it is heard as a note like the
// noise channel. Its period takes the high part from $4010 (whose low bits
// are the channel's rate index, the nearest thing it has to a pitch) and the
// low part and length index from $4013 (the sample length). $4011, the level
// byte that sample-playing games rewrite thousands of times a second, takes
// no part, so such games do not turn into a storm of pitch changes.
void WritePcm(Machine& m) {
  const uint8_t low = Reg(m, 0x4013);
  m.ChannelPeriod[4] = static_cast<uint16_t>(((Reg(m, 0x4010) & 7) << 8) | low);
  SoundSetFrequency(*m.Sound, 4, static_cast<uint16_t>(PeriodToHertz(m.ChannelPeriod[4])));
  SwitchChannel(m, 4, (low >> 3) != 0 || m.ChannelEnabled[4]);
}

// $4015: a clear bit stops its channel and its length counter; a set bit
// starts nothing (the channel waits for its next register write).
void WriteChannelSwitches(Machine& m, uint8_t value) {
  for (int i = 0; i < kChannelCount; ++i) {
    if (value & (1 << i)) continue;
    m.LengthCounter[i] = 0;
    SwitchChannel(m, i, false);
  }
}

}  // namespace

void SoundRegisterWrite(Machine& m, uint16_t address, uint8_t value) {
  if (address < 0x4000 || address > 0x4017) return;
  m.IoRegs[address - 0x4000] = value;
  if (address <= 0x400F) {
    const int channel = (address - 0x4000) >> 2;
    switch (address & 3) {
      case 0: return;  // duty and envelope are not modelled
      case 1: m.SweepFlag[channel] = (value & 0x80) != 0; return;
      default:
        if (channel == 3) {
          WriteNoise(m);
        } else {
          WriteTone(m, channel);
        }
        return;
    }
  }
  if (address <= 0x4013) {
    WritePcm(m);
  } else if (address == 0x4015) {
    WriteChannelSwitches(m, value);
  }
}

void SoundFrameTick(Machine& m) {
  if (--m.SoundFrameCountdown > 0) return;
  // Counted in hook calls, so the step's phase is independent of the line
  // counter; starting from 0 makes the very first call a step.
  m.SoundFrameCountdown = kLinesPerFrame;
  SoundFrameStep(m);
}

void SoundFrameStep(Machine& m) {
  for (int i = 0; i < kChannelCount; ++i) {
    // A disabled channel is skipped outright: its counter stops running down.
    if (m.LengthCounter[i] == 0 || !m.ChannelEnabled[i]) continue;
    if (i < 4 && m.SweepFlag[i]) {
      // A linear sweep of P*S period units a frame; the period wraps in 16
      // bits and the frequency keeps only 10 bits after a sweep step.
      const uint8_t r = m.IoRegs[1 + 4 * i];
      const int delta = ((r >> 4) & 7) * (r & 7);
      m.ChannelPeriod[i] = static_cast<uint16_t>(m.ChannelPeriod[i] + ((r & 8) ? -delta : delta));
      SoundSetFrequency(*m.Sound, i, static_cast<int>(PeriodToHertz(m.ChannelPeriod[i]) & 0x3FF));
    }
    if (--m.LengthCounter[i] == 0) {
      SwitchChannel(m, i, false);
      m.IoRegs[0x15] &= static_cast<uint8_t>(~(1 << i));
    }
  }
}

void SoundResetRegisters(Machine& m) {
  for (int i = 0; i < 15; ++i) m.IoRegs[i] = 0;
}
