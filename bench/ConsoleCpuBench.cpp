// Instructions per second of the console engine's processor alone on a tight
// program (indexed load, arithmetic, indexed store, a read-modify-write
// counter and a branch), every cycle a call through its bus to 64 KB of
// plain memory, so the figure is the processor's own cost per access.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>

#include "engine/console/cpu/Cpu.h"

namespace {

struct FlatBus {
  std::array<uint8_t, 0x10000> memory{};
  static uint8_t Read(void* context, uint16_t address) {
    return static_cast<FlatBus*>(context)->memory[address];
  }
  static void Write(void* context, uint16_t address, uint8_t value) {
    static_cast<FlatBus*>(context)->memory[address] = value;
  }
};

// loop: LDA $10,X / ADC #3 / STA $0200,X / INX / INC $00 / BNE loop / INC $01 / JMP loop
constexpr uint8_t kProgram[] = {0xB5, 0x10, 0x69, 0x03, 0x9D, 0x00, 0x02, 0xE8, 0xE6,
                                0x00, 0xD0, 0xF4, 0xE6, 0x01, 0x4C, 0x00, 0x80};

void BM_ConsoleCpuTightLoop(benchmark::State& state) {
  FlatBus bus;
  for (size_t i = 0; i < sizeof kProgram; ++i) bus.memory[0x8000 + i] = kProgram[i];
  bus.memory[0xFFFC] = 0x00, bus.memory[0xFFFD] = 0x80;
  Cpu cpu;
  cpu.Bus = {&bus, &FlatBus::Read, &FlatBus::Write};
  CpuPowerOn(cpu);
  CpuStep(cpu);

  constexpr int kInstructionsPerRound = 100000;
  const uint64_t firstCycle = cpu.Cycles;
  for (auto _ : state) {
    for (int i = 0; i < kInstructionsPerRound; ++i) CpuStep(cpu);
    benchmark::DoNotOptimize(cpu.A);
  }
  state.SetItemsProcessed(state.iterations() * kInstructionsPerRound);
  state.counters["cycles_per_second"] =
      benchmark::Counter(static_cast<double>(cpu.Cycles - firstCycle), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ConsoleCpuTightLoop)->Unit(benchmark::kMillisecond);

}  // namespace
