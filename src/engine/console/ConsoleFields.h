// What the console engine saves of its chips, as field lists
// (core/StateFields.h): everything that decides what the console does next,
// and nothing the process owns (the Machine pointer, the processor's bus) or
// works out again on a restore (the cycle on which something is next due).
// The lists are templates over the struct, so they also read the first
// releases' bytes through the frozen copy of their layout (Release1Console.h).
#pragma once

#include "core/StateFields.h"
#include "engine/console/boards/A12Filter.h"
#include "voice/VoiceFields.h"

template <class Io, class C>
void CpuFields(Io& io, C& c) {
  io(c.PC, c.A, c.X, c.Y, c.S, c.P, c.Cycles, c.NmiLine, c.IrqSources, c.NmiLevel, c.NmiPending, c.PollNow,
     c.PollPrev, c.InterruptDue, c.ResetPending, c.Jammed);
}

template <class Io, class P>
void PpuFields(Io& io, P& p) {
  io(p.Dot, p.Line, p.SkipDot, p.Frame, p.FrameReady, p.Nmi);
  io(p.Ctrl, p.Mask, p.Status, p.OamAddr, p.V, p.T, p.FineX, p.Toggle, p.ReadBuffer, p.DataReadAt,
     p.BufferBefore, p.OpenBus, p.OpenBusDriven, p.VblankSuppressed, p.ResetHeld);
  io(p.EmphasisGroups, p.EmphasisGroupCount, p.PixelTag);
  io(p.NameLatch, p.AttrLatch, p.PatternLow, p.PatternHigh, p.ShiftLow, p.ShiftHigh, p.AttrLow, p.AttrHigh);
  io(p.Secondary, p.SecondaryIndex, p.OamLatch, p.EvalState, p.EvalCopied, p.SpriteCount, p.SpriteZeroNext,
     p.SpritesHere, p.LinePixels);
}

template <class Io, class D>
void DmaFields(Io& io, D& d) {
  io(d.OamPending, d.OamPage, d.SamplePending, d.SampleAddress, d.SampleHaltAt, d.Due);
}

// The console's own wiring: bus, ports, frame start and the catch-up counts.
template <class Io, class C>
void ConsoleWiringFields(Io& io, C& c) {
  io(c.OpenBus, c.Strobe, c.PadShift, c.FrameStartCycle, c.ApuDue, c.SampleLoading, c.OwedDots, c.DotsToEvent);
}

// The chips that every build of the engine has had, under these names; the
// board has a section of its own (boards/ConsoleBoard.h), and so A12's
// filter, which the first releases kept under other names, is listed apart.
template <class Io, class C>
void ConsoleChipFields(Io& io, C& c) {
  CpuFields(io, c.Processor);
  PpuFields(io, c.Video);
  VoiceChipFields(io, c.Apu);
  DmaFields(io, c.Dma);
  ConsoleWiringFields(io, c);
}

template <class Io, class C>
void ConsoleFields(Io& io, C& c) {
  ConsoleChipFields(io, c);
  A12FilterFields(io, c.Video.A12);
}
