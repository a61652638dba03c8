// Instructions per second of the run loop on a tight program: indexed loads,
// arithmetic, indexed stores, a read-modify-write counter and a branch, all in
// work RAM and program ROM, with a hook that only counts slices.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "cartridge/Mapper.h"
#include "engine/classic/ClassicEngine.h"
#include "engine/classic/cpu/MF6502.h"
#include "support/TestMachine.h"

namespace {

int gSlicesLeft = 0;

uint8_t CountingHook(Machine&) { return --gSlicesLeft > 0 ? intNone : intStop; }

// loop: LDA $10,X / ADC #3 / STA $0200,X / INX / INC $00 / BNE loop / INC $01 / JMP loop
// Six instructions per pass, two more each 256 passes; $00/$01 count the passes.
constexpr uint8_t kProgram[] = {0xB5, 0x10, 0x69, 0x03, 0x9D, 0x00, 0x02, 0xE8, 0xE6,
                                0x00, 0xD0, 0xF4, 0xE6, 0x01, 0x4C, 0x00, 0x80};

void BM_CpuRunTightLoop(benchmark::State& state) {
  TestMachine t;
  Machine& m = t.m;
  // A flat 64 KB image of which $8000-$FFFF is mapped, the program at $8000.
  m.PrgRom.assign(0x10001, 0xEA);
  m.PrgCount = 2;
  for (size_t i = 0; i < sizeof kProgram; ++i) m.PrgRom[0x8000 + i] = kProgram[i];
  MapRam(m);
  MapBatteryRam(m);
  for (int entry = 4; entry < 8; ++entry) m.CpuBankTable[entry] = {m.PrgRom.data(), 0xFFFF};
  Classic(m).Hook = &CountingHook;

  // Twenty frames of 244 slices per round: about 14,000 passes, within the
  // 16-bit pass counter.
  const int slicesPerRound = 20 * 244;
  int64_t instructions = 0;
  for (auto _ : state) {
    m.Ram[0] = m.Ram[1] = 0;
    Classic(m).Cpu.PC = 0x8000;
    Classic(m).Cpu.Cycles = Classic(m).Cpu.CyclesPerLine;
    gSlicesLeft = slicesPerRound;
    benchmark::DoNotOptimize(CpuRun(m));
    const int64_t passes = m.Ram[0] | m.Ram[1] << 8;
    instructions += passes * 6 + (passes >> 8) * 2;
  }
  state.SetItemsProcessed(instructions);
  state.counters["cycles_per_second"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * slicesPerRound * 122, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CpuRunTightLoop)->Unit(benchmark::kMillisecond);

}  // namespace
