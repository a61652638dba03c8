#include "voice/ConsoleVoice.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/Machine.h"

namespace {

double SamplesPerCycle(const ConsoleVoice& v) { return v.OutputRate / kNtscCpuHz * v.Ratio; }

void RefreshLevels(ConsoleVoice& v) {
  v.Levels[0] = PulseOutput(v.Pulse[0]);
  v.Levels[1] = PulseOutput(v.Pulse[1]);
  v.Levels[2] = TriangleOutput(v.Triangle);
  v.Levels[3] = NoiseOutput(v.Noise);
  v.Levels[4] = v.Sample.Level;
}

float CurrentMix(const ConsoleVoice& v) {
  const auto heard = [&v](int channel) { return (v.Muted >> channel) & 1 ? uint8_t{0} : v.Levels[channel]; };
  return VoiceMix(heard(0), heard(1), heard(2), heard(3), heard(4));
}

// Every channel that changed at this cycle is placed as one step: the mixer
// is evaluated once for the cycle, so simultaneous changes cost one kernel.
void PlaceMix(ConsoleVoice& v) {
  if (v.Unheard) return;
  float mix = CurrentMix(v);
  if (mix == v.Mixed) return;
  StepAdd(v.Steps, v.Now, mix - v.Mixed);
  v.Mixed = mix;
}

// A noise whose register steps more often than once an output sample
// changes faster than the output can resolve; it runs in its own loop
// between the other channels' events (RunNoiseAlone). The long mode's hiss
// is then broadband far beyond the output's band, so its level is averaged
// over each sample. The short mode's loop is a tone whose partials
// averaging would fold back as false ones a quarter of its power strong: it
// keeps band-limited steps, at the nearest sub-sample position.
bool NoiseUnresolvable(const ConsoleVoice& v) {
  return kNoisePeriodTable[v.Noise.PeriodIndex] * v.Steps.SamplesPerCycle < 1.0;
}

// Runs the noise's clocks up to `until` while nothing else happens: the
// other channels hold still, so the mixer has only two levels to give, and
// a register step is a shift and a change (the hiss's averaged change is
// added even when zero, sparing a branch that random bits would
// mispredict). At the fastest period that is 7,400 clocks a frame, most of
// the voice's work when a game plays noise.
void RunNoiseAlone(ConsoleVoice& v, uint32_t until) {
  NoiseChannel& n = v.Noise;
  const uint32_t period = kNoisePeriodTable[n.PeriodIndex];
  const int tap = n.Short ? 6 : 1;
  const uint8_t heard = v.Levels[3];
  v.Levels[3] = EnvelopeVolume(n.Env);
  const float on = CurrentMix(v);
  v.Levels[3] = 0;
  const float off = CurrentMix(v);
  v.Levels[3] = heard;
  // The output falls silent while bit 0 is set.
  const float swing = off - on;
  uint16_t shift = n.Shift;
  uint32_t at = n.NextClock;
  if (swing == 0) {
    for (; at <= until; at += period)
      shift = static_cast<uint16_t>((shift >> 1) | (((shift ^ (shift >> tap)) & 1) << 14));
  } else if (n.Short) {
    float mix = v.Mixed;
    for (; at <= until; at += period) {
      const uint16_t next = static_cast<uint16_t>((shift >> 1) | (((shift ^ (shift >> tap)) & 1) << 14));
      if (((next ^ shift) & 1) != 0) {
        const float to = (next & 1) != 0 ? off : on;
        StepAddNearest(v.Steps, at, to - mix);
        mix = to;
      }
      shift = next;
    }
  } else {
    AveragedRun run{v.Steps};
    for (; at <= until; at += period) {
      const uint16_t next = static_cast<uint16_t>((shift >> 1) | (((shift ^ (shift >> tap)) & 1) << 14));
      run.Add(at, swing * static_cast<float>((next & 1) - (shift & 1)));
      shift = next;
    }
    run.Finish();
  }
  v.Now = at - period;
  n.Shift = shift;
  n.NextClock = at;
  v.Levels[3] = NoiseOutput(n);
  v.Mixed = CurrentMix(v);
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
  TriangleCatchUp(v.Triangle, v.Now);
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
  v.OutputRate = std::clamp<uint32_t>(outputRate, 8000, kVoiceMaxOutputRate);
  FrameStart(v.Frame, 0);
  v.Sample.NextClock = kSampleRateTable[0];
  // The triangle powers on at its top level: that is where the output rests.
  RefreshLevels(v);
  v.Mixed = CurrentMix(v);
  FiltersInit(v.Filters, v.OutputRate, v.Mixed);
  StepInit(v.Steps, SamplesPerCycle(v), v.Mixed);
}

void VoiceSetUnheard(ConsoleVoice& v) { v.Unheard = true; }

void VoiceSetRatio(ConsoleVoice& v, double ratio) {
  if (std::isfinite(ratio)) v.Ratio = std::clamp(ratio, 0.98, 1.02);
}

namespace {

// Filters finished samples into the ready ones.
void Deliver(ConsoleVoice& v, const double* levels, uint32_t count) {
  // Nobody took the last frames: keep the newest, as a listener would.
  if (v.ReadyCount + count > kStepRing) {
    uint32_t drop = std::min(v.ReadyCount + count - kStepRing, v.ReadyCount);
    std::memmove(v.Ready, v.Ready + drop, (v.ReadyCount - drop) * sizeof(int16_t));
    v.ReadyCount -= drop;
    v.Dropped += drop;
  }
  for (uint32_t i = 0; i < count; ++i) {
    const double y = VoiceSoftLimit(FiltersRun(v.Filters, levels[i]) * kVoiceOutputGain);
    // Rounded half away from zero without a library call per sample.
    v.Ready[v.ReadyCount++] = static_cast<int16_t>(y >= 0 ? y + 0.5 : y - 0.5);
  }
}

// Moves the chip from event to event up to `cycle`.
// An unheard chip steps only what the processor can see: the sequencer's
// clocks of the length counters and the sample reader, whose output unit
// decides when it asks for bytes.
void RunUnheard(ConsoleVoice& v, uint32_t cycle, const VoiceMemory& memory) {
  for (;;) {
    const uint32_t frame = FrameNextCycle(v.Frame);
    const uint32_t next = std::min(frame, v.Sample.NextClock);
    if (next > cycle) break;
    v.Now = next;
    if (v.Sample.NextClock == next) SampleClock(v.Sample, memory, next);
    if (frame == next) ClockFrameUnits(v, FrameAdvance(v.Frame, next));
  }
  v.Now = std::max(v.Now, cycle);
}

void RunEvents(ConsoleVoice& v, uint32_t cycle, const VoiceMemory& memory) {
  // Jump from event to event: timer expiries and sequencer steps are the
  // only moments anything changes.
  for (;;) {
    uint32_t frame = FrameNextCycle(v.Frame);
    // Nested rather than over a list, which the compiler would loop over.
    uint32_t others = std::min(std::min(std::min(frame, v.Sample.NextClock), v.Triangle.NextClock),
                               std::min(v.Pulse[0].NextClock, v.Pulse[1].NextClock));
    // A noise clock at the same cycle as another event is left to the loop
    // below, so that the cycle's changes are one step.
    if (v.Noise.NextClock < others && v.Noise.NextClock <= cycle && NoiseUnresolvable(v))
      RunNoiseAlone(v, std::min(others - 1, cycle));
    uint32_t next = std::min(others, v.Noise.NextClock);
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

}  // namespace

void VoiceRunTo(ConsoleVoice& v, uint32_t cycle, const VoiceMemory& memory) {
  // Far beyond any frame; it keeps every timer's next cycle in range.
  cycle = std::min(cycle, 1u << 30);
  if (v.Unheard) {
    RunUnheard(v, cycle, memory);
    return;
  }
  // A frame longer than the buffers are sized for (a debugger holding the
  // frame open, a test running the sequencer through several) is finished
  // in pieces as it goes.
  for (uint32_t fits = StepCyclesThatFit(v.Steps); cycle > fits; fits = StepCyclesThatFit(v.Steps)) {
    RunEvents(v, std::max(fits, v.Now), memory);
    double levels[kStepRing];
    Deliver(v, levels, StepFinishBefore(v.Steps, v.Now, levels));
  }
  RunEvents(v, cycle, memory);
}

namespace {

// The length counter a register's halt bit (register 0) or length load
// (register 3) reaches, if any.
LengthCounter* LengthOf(ConsoleVoice& v, uint16_t address) {
  switch (address & ~3) {
    case 0x4000: return &v.Pulse[0].Length;
    case 0x4004: return &v.Pulse[1].Length;
    case 0x4008: return &v.Triangle.Length;
    case 0x400C: return &v.Noise.Length;
    default: return nullptr;
  }
}

}  // namespace

void VoiceWrite(ConsoleVoice& v, uint32_t cycle, uint16_t address, uint8_t value, const VoiceMemory& memory) {
  VoiceRunTo(v, cycle, memory);
  // The chip clocks the length counters in the second half of its cycle: a
  // write one processor cycle before a clock lands on it.
  LengthCounter* length = nullptr;
  LengthCounter before;
  if ((address & 3) == 0 || (address & 3) == 3) {
    length = LengthOf(v, address);
    if (length != nullptr && FrameHalfClockAt(v.Frame, v.Now + 1))
      before = *length;
    else
      length = nullptr;
  }
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
  if (length != nullptr) {
    if (reg == 0) {
      length->HaltAfterClock = length->Halt ? 1 : 0;
      length->Halt = before.Halt;
    } else if (before.Count > 0) {
      length->Count = before.Count;
    } else {
      length->SpareNextClock = true;
    }
  }
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

uint32_t VoiceNextDue(const ConsoleVoice& v) {
  return std::min(FrameNextCycle(v.Frame), SampleNextRequest(v.Sample));
}

void VoiceSampleArrived(ConsoleVoice& v, uint32_t cycle, uint8_t value, const VoiceMemory& memory) {
  VoiceRunTo(v, cycle, memory);
  SampleArrived(v.Sample, value);
}

void VoiceReset(ConsoleVoice& v, uint32_t cycle, const VoiceMemory& memory) {
  VoiceRunTo(v, cycle, memory);
  WriteStatus(v, 0, memory);
  v.Frame.Irq = false;
  v.Frame.PendingFiveStep = v.Frame.FiveStep;
  v.Frame.ResetAt = v.Now;
  RefreshLevels(v);
  PlaceMix(v);
}

void VoiceEndFrame(ConsoleVoice& v, uint32_t frameCycles, const VoiceMemory& memory) {
  VoiceRunTo(v, frameCycles, memory);
  const uint32_t end = v.Now;
  if (!v.Unheard) {
    double levels[kStepRing];
    Deliver(v, levels, StepEndFrame(v.Steps, end, SamplesPerCycle(v), levels));
  }

  for (PulseChannel& p : v.Pulse) Rebase(p.NextClock, end);
  // The triangle's timer runs on unfollowed: brought to the frame's end so
  // it carries into the next frame from there.
  TriangleCatchUp(v.Triangle, end);
  Rebase(v.Triangle.NextClock, end);
  Rebase(v.Triangle.TimerDue, end);
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

namespace {

bool Finite(double x) { return std::isfinite(x) && std::abs(x) < 1e9; }

bool EnvelopeFits(const Envelope& e) { return e.Period <= 15 && e.Divider <= 15 && e.Decay <= 15; }

}  // namespace

void VoiceSetMuted(ConsoleVoice& v, uint8_t muted) {
  if (muted == v.Muted) return;
  v.Muted = muted;
  PlaceMix(v);
}

bool VoicePlausible(const ConsoleVoice& v) {
  for (const PulseChannel& p : v.Pulse) {
    if (p.Duty > 3 || p.Step > 7 || p.Period > 0x7FF || p.Stride < 1 || p.Stride > 8 ||
        (p.StepCycles != 0 && (p.StepCycles < 18 || p.StepCycles > 4096)) || !EnvelopeFits(p.Env) ||
        p.Sweep.Period > 7 || p.Sweep.Shift > 7 || p.Sweep.Divider > 7)
      return false;
  }
  const TriangleChannel& t = v.Triangle;
  if (t.Step > 31 || t.Period > 0x7FF || t.LinearPeriod > 127 || t.Linear > 127 || t.TimerDue < 1 ||
      t.TimerDue > kVoiceMaxFrameCycles + 0x800 || (t.NextClock != kNever && t.NextClock != t.TimerDue))
    return false;
  const NoiseChannel& n = v.Noise;
  if (n.PeriodIndex > 15 || n.Shift == 0 || n.Shift > 0x7FFF || !EnvelopeFits(n.Env)) return false;
  const SampleChannel& d = v.Sample;
  if (d.RateIndex > 15 || d.Level > 127 || d.BitsLeft < 1 || d.BitsLeft > 8 || d.Address < 0x8000 ||
      d.StartAddress < 0xC000)
    return false;
  const FrameSequencer& f = v.Frame;
  if (f.Step > (f.FiveStep ? 4 : 5)) return false;
  for (const FirstOrderFilter& stage : v.Filters.Stage)
    if (!Finite(stage.Coefficient) || !Finite(stage.PreviousIn) || !Finite(stage.PreviousOut)) return false;
  const BandLimitedBuffer& b = v.Steps;
  if (!Finite(b.Origin) || b.Origin < 0 || b.Origin > kStepRing || !Finite(b.Integral) || !Finite(b.Level) ||
      !(b.SamplesPerCycle > 0 && b.SamplesPerCycle < 0.05))
    return false;
  for (float x : b.Pending)
    if (!Finite(x)) return false;
  if (v.Now > kVoiceMaxFrameCycles || v.ReadyCount > kStepRing || v.OutputRate < 8000 ||
      v.OutputRate > kVoiceMaxOutputRate || !(v.Ratio >= 0.98 && v.Ratio <= 1.02) ||
      !(std::abs(v.PaceTrim) <= 0.02) || !Finite(v.Mixed))
    return false;
  for (int i = 0; i < 5; ++i)
    if (v.Levels[i] > (i == 4 ? 127 : i == 2 ? 30 : 15)) return false;  // the triangle counts half steps
  return true;
}
