// What the console voice costs a frame when a game keeps it busy: all five
// channels sounding (the pulses high enough to step often, the fastest noise,
// the sample channel at its fastest rate) and some fifty register writes
// spread over the frame, rendered to 48 kHz and taken as the audio thread
// would.
#include <benchmark/benchmark.h>

#include <vector>

#include "voice/ConsoleVoice.h"

namespace {

std::vector<ApuWrite> BusyFrame(int frame, int noisePeriod) {
  std::vector<ApuWrite> w;
  auto put = [&](uint32_t cycle, uint16_t address, int value) {
    w.push_back({cycle, address, static_cast<uint8_t>(value)});
  };
  put(0, 0x4015, 0x1F);
  put(0, 0x4010, 0x4F);
  put(0, 0x4013, 0xFF);
  put(0, 0x4008, 0xFF);
  put(0, 0x400C, 0x3C);
  put(0, 0x400E, (frame & 1 ? 0x80 : 0x00) | noisePeriod);
  put(0, 0x400F, 0x08);
  // Eleven note changes on each tone channel, as an arpeggio driver does.
  for (int i = 0; i < 11; ++i) {
    const uint32_t at = 100 + i * 2700;
    const int period = 40 + ((frame + i) % 7) * 20;
    put(at, 0x4000, 0xB0 | (15 - i));
    put(at + 4, 0x4002, period);
    put(at + 8, 0x4006, period + 3);
    put(at + 12, 0x400A, period / 2);
  }
  return w;
}

void BM_VoiceBusyFrame(benchmark::State& state) {
  static const uint8_t sample[256] = {0x55, 0xF0, 0x0F, 0xAA};
  VoiceMemory memory;
  memory.Read = [](const void*, uint16_t address) { return sample[address & 3]; };
  ConsoleVoice voice;
  VoiceInit(voice);
  std::vector<std::vector<ApuWrite>> frames;
  for (int f = 0; f < 8; ++f) frames.push_back(BusyFrame(f, static_cast<int>(state.range(0))));
  int16_t out[kStepRing];
  size_t frame = 0, samples = 0;
  for (auto _ : state) {
    VoiceRunFrame(voice, frames[frame++ & 7], 29781, memory);
    samples += VoiceTakeSamples(voice, out, kStepRing);
    benchmark::DoNotOptimize(out);
  }
  state.counters["writes"] = static_cast<double>(frames[0].size());
  state.counters["samples/frame"] = static_cast<double>(samples) / static_cast<double>(frame);
  // What every snapshot carries for the voice.
  state.counters["state bytes"] = static_cast<double>(sizeof(ConsoleVoice));
}
// The noise's period index: 0 steps its register 7,400 times a frame (long
// and short mode in turn), the voice's worst case; 4 is a typical drum.
BENCHMARK(BM_VoiceBusyFrame)->Arg(0)->Arg(4)->Unit(benchmark::kMicrosecond);

}  // namespace
