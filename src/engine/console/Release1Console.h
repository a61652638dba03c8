// The console engine's section as the first releases wrote it: the whole
// Console struct copied byte for byte, as that build laid it out on x86-64
// (7,184 bytes). Those bytes are read through this frozen copy of the
// structs, never through today's, so that the engine's structs can change
// while every state and slot a player saved with those releases keeps
// loading. The member names are today's where the field still exists, so the
// field lists read both (ConsoleFields.h). Nothing here may change.
#pragma once

#include <cstddef>
#include <cstdint>

namespace release1 {

// The layout check those builds wrote ahead of the bytes.
inline constexpr uint32_t kLayout = 0x47e25e4fu ^ 7184u;

struct Cpu {
  uint16_t PC;
  uint8_t A, X, Y, S;
  uint8_t P;
  uint64_t Cycles;
  bool NmiLine;
  uint8_t IrqSources;
  bool NmiLevel, NmiPending, PollNow, PollPrev, InterruptDue;
  bool ResetPending;
  bool Jammed;
  uint64_t BusPointers[3];  // the process's bus: never read
};

struct Ppu {
  uint16_t Dot;
  uint16_t Line;
  bool SkipDot;
  uint64_t Frame;
  bool FrameReady;
  bool Nmi;
  uint8_t Ctrl, Mask, Status, OamAddr;
  uint16_t V, T;
  uint8_t FineX;
  bool Toggle;
  uint8_t ReadBuffer;
  uint64_t DataReadAt;
  uint8_t BufferBefore;
  uint8_t OpenBus;
  uint32_t OpenBusDriven[8];
  bool VblankSuppressed;
  bool ResetHeld;
  uint8_t EmphasisGroups[4];
  uint8_t EmphasisGroupCount;
  uint8_t PixelTag;
  uint8_t NameLatch, AttrLatch, PatternLow, PatternHigh;
  uint16_t ShiftLow, ShiftHigh;
  uint16_t AttrLow, AttrHigh;
  uint8_t Secondary[32];
  uint8_t SecondaryIndex;
  uint8_t OamLatch;
  uint8_t EvalState;
  uint8_t EvalCopied;
  uint8_t SpriteCount;
  bool SpriteZeroNext;
  bool SpritesHere;
  uint8_t LinePixels[256];
  bool WatchA12;
  bool A12High;
  uint8_t A12Rises;
  uint64_t A12LowSince;
};

struct Envelope {
  bool Start, Loop, Constant;
  uint8_t Period, Divider, Decay;
};
struct LengthCounter {
  bool Enabled, Halt;
  uint8_t Count;
  bool SpareNextClock;
  int8_t HaltAfterClock;
};
struct PulseSweep {
  bool Enabled, Negate, Reload;
  uint8_t Period, Shift, Divider;
};
struct PulseChannel {
  bool Second;
  uint8_t Duty, Step;
  uint16_t Period;
  uint8_t Stride;
  uint16_t StepCycles;
  uint32_t NextClock;
  Envelope Env;
  LengthCounter Length;
  PulseSweep Sweep;
};
struct TriangleChannel {
  bool Control, LinearReload;
  uint8_t LinearPeriod, Linear, Step;
  uint16_t Period;
  uint32_t NextClock, TimerDue;
  LengthCounter Length;
};
struct NoiseChannel {
  bool Short;
  uint8_t PeriodIndex;
  uint16_t Shift;
  uint32_t NextClock;
  Envelope Env;
  LengthCounter Length;
};
struct SampleChannel {
  bool IrqEnabled, Loop, Irq;
  uint8_t RateIndex, Level;
  uint16_t StartAddress, StartLength, Address, Remaining;
  bool BufferFull;
  uint8_t Buffer, Bits, BitsLeft;
  bool Silent, Requested;
  uint32_t NextClock;
};
struct FrameSequencer {
  bool FiveStep, IrqInhibit, Irq;
  uint8_t Step;
  uint32_t NextEvent, ResetAt;
  bool PendingFiveStep;
};
struct FirstOrderFilter {
  double Coefficient, PreviousIn, PreviousOut;
};
struct OutputFilters {
  FirstOrderFilter Stage[3];
};
struct BandLimitedBuffer {
  alignas(16) float Pending[1024 + 24];
  double Origin, SamplesPerCycle, Integral, Level;
};
struct ConsoleVoice {
  PulseChannel Pulse[2];
  TriangleChannel Triangle;
  NoiseChannel Noise;
  SampleChannel Sample;
  FrameSequencer Frame;
  OutputFilters Filters;
  BandLimitedBuffer Steps;
  uint32_t Now;
  uint64_t CyclesBefore;
  uint8_t Levels[5];
  uint8_t Muted;
  float Mixed;
  uint32_t OutputRate;
  double Ratio, PaceTrim;
  int16_t Ready[1024];
  uint32_t ReadyCount;
  uint64_t Dropped;
  bool Unheard;
};

struct ConsoleDma {
  bool OamPending;
  uint8_t OamPage;
  bool SamplePending;
  uint16_t SampleAddress;
  uint64_t SampleHaltAt;
  uint64_t Due;
};

// The boards' interrupt units; Kind in the order None, MMC3, Bandai's cycle
// counter, the VRC4's, the FFE copier's.
struct BoardIrq {
  uint8_t Kind;
  bool Line, Enabled;
  uint8_t Counter, Latch;
  bool Reload;
  uint8_t Control;
  uint16_t Prescaler;
  uint16_t CycleLatch;
  uint64_t SyncedAt, FiresAt;
};

struct Console {
  uint64_t MachinePointer;  // the process's Machine: never read
  Cpu Processor;
  Ppu Video;
  ConsoleVoice Apu;
  ConsoleDma Dma;
  BoardIrq Board;
  uint8_t OpenBus;
  bool Strobe;
  uint8_t PadShift[2];
  uint64_t FrameStartCycle;
  uint64_t ApuDue;
  bool SampleLoading;
  uint32_t OwedDots, DotsToEvent;
  uint64_t NextDue;
};

static_assert(sizeof(Cpu) == 56 && sizeof(Ppu) == 408 && sizeof(ConsoleVoice) == 6592);
static_assert(sizeof(ConsoleDma) == 24 && sizeof(BoardIrq) == 32 && sizeof(Console) == 7184);
static_assert(offsetof(Console, Video) == 64 && offsetof(Console, Apu) == 480 && offsetof(Console, Dma) == 7072 &&
              offsetof(Console, Board) == 7096 && offsetof(Console, OpenBus) == 7128 &&
              offsetof(Console, NextDue) == 7168);

}  // namespace release1
