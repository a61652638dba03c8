// What the console voice saves, as field lists (core/StateFields.h). The
// chip's list holds everything that decides what it sounds next; the output
// list adds what the heard voice carries from one frame to the next: the
// filters' memory, the band-limited steps not yet finished and the samples
// not yet taken. The console engine's own chip is never heard, so its
// snapshot needs only the first.
#pragma once

#include "core/StateFields.h"

template <class Io, class E>
void EnvelopeFields(Io& io, E& e) {
  io(e.Start, e.Loop, e.Constant, e.Period, e.Divider, e.Decay);
}
template <class Io, class L>
void LengthFields(Io& io, L& l) {
  io(l.Enabled, l.Halt, l.Count, l.SpareNextClock, l.HaltAfterClock);
}
template <class Io, class P>
void PulseFields(Io& io, P& p) {
  io(p.Second, p.Duty, p.Step, p.Period, p.Stride, p.StepCycles, p.NextClock);
  EnvelopeFields(io, p.Env);
  LengthFields(io, p.Length);
  io(p.Sweep.Enabled, p.Sweep.Negate, p.Sweep.Reload, p.Sweep.Period, p.Sweep.Shift, p.Sweep.Divider);
}
template <class Io, class T>
void TriangleFields(Io& io, T& t) {
  io(t.Control, t.LinearReload, t.LinearPeriod, t.Linear, t.Step, t.Period, t.NextClock, t.TimerDue);
  LengthFields(io, t.Length);
}
template <class Io, class N>
void NoiseFields(Io& io, N& n) {
  io(n.Short, n.PeriodIndex, n.Shift, n.NextClock);
  EnvelopeFields(io, n.Env);
  LengthFields(io, n.Length);
}
template <class Io, class S>
void SampleFields(Io& io, S& s) {
  io(s.IrqEnabled, s.Loop, s.Irq, s.RateIndex, s.Level, s.StartAddress, s.StartLength, s.Address, s.Remaining,
     s.BufferFull, s.Buffer, s.Bits, s.BitsLeft, s.Silent, s.Requested, s.NextClock);
}
template <class Io, class F>
void FrameSequencerFields(Io& io, F& f) {
  io(f.FiveStep, f.IrqInhibit, f.Irq, f.Step, f.NextEvent, f.ResetAt, f.PendingFiveStep);
}

// The chip: channels, frame sequencer, its clock and the levels mixed last.
template <class Io, class V>
void VoiceChipFields(Io& io, V& v) {
  for (auto& pulse : v.Pulse) PulseFields(io, pulse);
  TriangleFields(io, v.Triangle);
  NoiseFields(io, v.Noise);
  SampleFields(io, v.Sample);
  FrameSequencerFields(io, v.Frame);
  io(v.Now, v.CyclesBefore, v.Levels, v.Muted, v.Unheard);
}

// The heard voice: the chip and its output stage.
template <class Io, class V>
void VoiceFields(Io& io, V& v) {
  VoiceChipFields(io, v);
  for (auto& stage : v.Filters.Stage) io(stage.Coefficient, stage.PreviousIn, stage.PreviousOut);
  io(v.Steps.Pending, v.Steps.Origin, v.Steps.SamplesPerCycle, v.Steps.Integral, v.Steps.Level);
  io(v.Mixed, v.OutputRate, v.Ratio, v.PaceTrim, v.Ready, v.ReadyCount, v.Dropped);
}
