#include "voice/ConsoleVoice.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/Machine.h"

namespace {

// The mixer gives just under 1.0 with every channel at its loudest; after
// the high-pass filters that swings about zero, so this leaves headroom for
// all five at once while one pulse alone stays clearly audible.
constexpr double kOutputGain = 48000.0;

double SamplesPerCycle(const ConsoleVoice& v) { return v.OutputRate / kNtscCpuHz * v.Ratio; }

void RefreshLevels(ConsoleVoice& v) {
  v.Levels[0] = PulseOutput(v.Pulse[0]);
  v.Levels[1] = PulseOutput(v.Pulse[1]);
  v.Levels[2] = TriangleOutput(v.Triangle);
  v.Levels[3] = NoiseOutput(v.Noise);
  v.Levels[4] = v.Sample.Level;
}

float CurrentMix(const ConsoleVoice& v) {
  return VoiceMix(v.Levels[0], v.Levels[1], v.Levels[2], v.Levels[3], v.Levels[4]);
}

void PlaceMix(ConsoleVoice& v) {
  float mix = CurrentMix(v);
  if (mix == v.Mixed) return;
  StepAdd(v.Steps, v.Now, mix - v.Mixed);
  v.Mixed = mix;
}

void ClockFrameUnits(ConsoleVoice& v, uint8_t bits) {
  if (bits & kQuarterFrame) {
    EnvelopeQuarterFrame(v.Pulse[0].Env);
    EnvelopeQuarterFrame(v.Pulse[1].Env);
    EnvelopeQuarterFrame(v.Noise.Env);
    TriangleQuarterFrame(v.Triangle, v.Now);
  }
  if (bits & kHalfFrame) {
    PulseHalfFrame(v.Pulse[0], v.Now);
    PulseHalfFrame(v.Pulse[1], v.Now);
    TriangleHalfFrame(v.Triangle, v.Now);
    NoiseHalfFrame(v.Noise, v.Now);
  }
}

void WriteStatus(ConsoleVoice& v, uint8_t value, const VoiceMemory& memory) {
  LengthEnable(v.Pulse[0].Length, value & 0x01);
  LengthEnable(v.Pulse[1].Length, value & 0x02);
  LengthEnable(v.Triangle.Length, value & 0x04);
  LengthEnable(v.Noise.Length, value & 0x08);
  TriangleSchedule(v.Triangle, v.Now);
  NoiseSchedule(v.Noise, v.Now);
  SampleEnable(v.Sample, value & 0x10, memory, v.Now);
}

void Rebase(uint32_t& cycle, uint32_t by) {
  if (cycle != kNever) cycle -= by;
}

}  // namespace

void VoiceInit(ConsoleVoice& v, uint32_t outputRate) {
  v = ConsoleVoice{};
  v.Pulse[1].Second = true;
  v.OutputRate = std::clamp<uint32_t>(outputRate, 8000, 96000);
  FrameStart(v.Frame, 0);
  v.Sample.NextClock = kSampleRateTable[0];
  // The triangle powers on at its top level: that is where the output rests.
  RefreshLevels(v);
  v.Mixed = CurrentMix(v);
  FiltersInit(v.Filters, v.OutputRate, v.Mixed);
  StepInit(v.Steps, SamplesPerCycle(v), v.Mixed);
}

void VoiceSetRatio(ConsoleVoice& v, double ratio) {
  if (std::isfinite(ratio)) v.Ratio = std::clamp(ratio, 0.98, 1.02);
}

void VoiceRunTo(ConsoleVoice& v, uint32_t cycle, const VoiceMemory& memory) {
  cycle = std::min(cycle, kVoiceMaxFrameCycles);
  // Jump from event to event: timer expiries and sequencer steps are the
  // only moments anything changes.
  for (;;) {
    uint32_t frame = FrameNextCycle(v.Frame);
    uint32_t next = std::min({frame, v.Pulse[0].NextClock, v.Pulse[1].NextClock, v.Triangle.NextClock,
                              v.Noise.NextClock, v.Sample.NextClock});
    if (next > cycle) break;
    v.Now = next;
    // A timer changes only its own channel's level; the sequencer may
    // change any.
    if (v.Pulse[0].NextClock == next) {
      PulseClock(v.Pulse[0], next);
      v.Levels[0] = PulseOutput(v.Pulse[0]);
    }
    if (v.Pulse[1].NextClock == next) {
      PulseClock(v.Pulse[1], next);
      v.Levels[1] = PulseOutput(v.Pulse[1]);
    }
    if (v.Triangle.NextClock == next) {
      TriangleClock(v.Triangle, next);
      v.Levels[2] = TriangleOutput(v.Triangle);
    }
    if (v.Noise.NextClock == next) {
      NoiseClock(v.Noise, next);
      v.Levels[3] = NoiseOutput(v.Noise);
    }
    if (v.Sample.NextClock == next) {
      SampleClock(v.Sample, memory, next);
      v.Levels[4] = v.Sample.Level;
    }
    if (frame == next) {
      ClockFrameUnits(v, FrameAdvance(v.Frame, next));
      RefreshLevels(v);
    }
    PlaceMix(v);
  }
  v.Now = std::max(v.Now, cycle);
}

void VoiceWrite(ConsoleVoice& v, uint32_t cycle, uint16_t address, uint8_t value, const VoiceMemory& memory) {
  VoiceRunTo(v, cycle, memory);
  int reg = address & 3;
  if (address >= 0x4000 && address <= 0x4003)
    PulseWrite(v.Pulse[0], reg, value, v.Now);
  else if (address >= 0x4004 && address <= 0x4007)
    PulseWrite(v.Pulse[1], reg, value, v.Now);
  else if (address >= 0x4008 && address <= 0x400B)
    TriangleWrite(v.Triangle, reg, value, v.Now);
  else if (address >= 0x400C && address <= 0x400F)
    NoiseWrite(v.Noise, reg, value, v.Now);
  else if (address >= 0x4010 && address <= 0x4013)
    SampleWrite(v.Sample, reg, value);
  else if (address == 0x4015)
    WriteStatus(v, value, memory);
  else if (address == 0x4017)
    FrameWrite(v.Frame, value, v.Now, ((v.CyclesBefore + v.Now) & 1) != 0);
  RefreshLevels(v);
  PlaceMix(v);
}

uint8_t VoiceReadStatus(ConsoleVoice& v, uint32_t cycle, const VoiceMemory& memory) {
  VoiceRunTo(v, cycle, memory);
  uint8_t status = (v.Pulse[0].Length.Count > 0 ? 0x01 : 0) | (v.Pulse[1].Length.Count > 0 ? 0x02 : 0) |
                   (v.Triangle.Length.Count > 0 ? 0x04 : 0) | (v.Noise.Length.Count > 0 ? 0x08 : 0) |
                   (v.Sample.Remaining > 0 ? 0x10 : 0) | (v.Frame.Irq ? 0x40 : 0) | (v.Sample.Irq ? 0x80 : 0);
  v.Frame.Irq = false;
  return status;
}

bool VoiceIrqLine(const ConsoleVoice& v) { return v.Frame.Irq || v.Sample.Irq; }

void VoiceEndFrame(ConsoleVoice& v, uint32_t frameCycles, const VoiceMemory& memory) {
  VoiceRunTo(v, frameCycles, memory);
  const uint32_t end = v.Now;
  double levels[kStepRing];
  uint32_t count = StepEndFrame(v.Steps, end, SamplesPerCycle(v), levels);

  // Nobody took the last frames: keep the newest, as a listener would.
  if (v.ReadyCount + count > kStepRing) {
    uint32_t drop = v.ReadyCount + count - kStepRing;
    std::memmove(v.Ready, v.Ready + drop, (v.ReadyCount - drop) * sizeof(int16_t));
    v.ReadyCount -= drop;
    v.Dropped += drop;
  }
  for (uint32_t i = 0; i < count; ++i) {
    double y = FiltersRun(v.Filters, levels[i]) * kOutputGain;
    v.Ready[v.ReadyCount++] = static_cast<int16_t>(std::lround(std::clamp(y, -32768.0, 32767.0)));
  }

  for (PulseChannel& p : v.Pulse) Rebase(p.NextClock, end);
  Rebase(v.Triangle.NextClock, end);
  Rebase(v.Noise.NextClock, end);
  Rebase(v.Sample.NextClock, end);
  FrameRebase(v.Frame, end);
  v.CyclesBefore += end;
  v.Now = 0;
}

void VoiceRunFrame(ConsoleVoice& v, std::span<const ApuWrite> writes, uint32_t frameCycles,
                   const VoiceMemory& memory) {
  for (const ApuWrite& w : writes) VoiceWrite(v, w.Cycle, w.Address, w.Value, memory);
  VoiceEndFrame(v, frameCycles, memory);
}

size_t VoiceTakeSamples(ConsoleVoice& v, int16_t* out, size_t max) {
  size_t n = out != nullptr ? std::min<size_t>(max, v.ReadyCount) : 0;
  if (n == 0) return 0;
  std::memcpy(out, v.Ready, n * sizeof(int16_t));
  std::memmove(v.Ready, v.Ready + n, (v.ReadyCount - n) * sizeof(int16_t));
  v.ReadyCount -= static_cast<uint32_t>(n);
  return n;
}

VoiceMemory VoiceMemoryOf(const Machine& m) {
  VoiceMemory memory;
  memory.Context = &m;
  memory.Read = [](const void* context, uint16_t address) -> uint8_t {
    const CpuBank& bank = static_cast<const Machine*>(context)->CpuBankTable[address >> 13];
    return bank.Base != nullptr ? bank.Base[address & bank.Mask] : 0;
  };
  return memory;
}
