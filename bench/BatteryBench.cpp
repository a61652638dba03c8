// Cost to the frame of the periodic battery write: the frame boundary of a
// battery cartridge when no write is due (every frame but one in 300), and
// the frame that hands changed contents to the writer (compare, 8 KB copy,
// wake the worker). The disk write itself happens on the worker.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>

#include "cartridge/BatteryAutosave.h"
#include "cartridge/Lifecycle.h"
#include "support/TestMachine.h"

namespace {

struct BatteryCartridge {
  TestMachine t;
  std::chrono::steady_clock::time_point now{};
  std::filesystem::path folder = std::filesystem::temp_directory_path() / "virel-battery-bench";

  BatteryCartridge() {
    std::filesystem::create_directories(folder);
    t.m.Autosave = std::make_shared<BatteryAutosave>([this] { return now; });
    InstallCartridge(t.m, 2, 1);
    t.m.RomFolder = (folder / "").string();
    t.m.RomFileName = "bench.nes";
    t.m.CartFlags |= kCartBattery;
    t.m.Autosave->Start(t.m.BatteryRam);
  }
  ~BatteryCartridge() {
    t.m.Autosave->Finish();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
};

void BM_BatteryFrameNothingDue(benchmark::State& state) {
  BatteryCartridge c;
  for (auto _ : state) {
    c.now += std::chrono::milliseconds(16);
    if (c.now - std::chrono::steady_clock::time_point{} >= kBatteryWriteInterval) c.now = {};
    AutosaveBatteryRam(c.t.m);
  }
}
BENCHMARK(BM_BatteryFrameNothingDue);

void BM_BatteryFrameThatQueuesAWrite(benchmark::State& state) {
  BatteryCartridge c;
  for (auto _ : state) {
    state.PauseTiming();
    c.t.m.Autosave->Finish();  // the previous write is on disk
    ++c.t.m.BatteryRam[0];
    c.now += kBatteryWriteInterval;
    state.ResumeTiming();
    AutosaveBatteryRam(c.t.m);
  }
  state.counters["written"] = c.t.m.Autosave->Written();
}
BENCHMARK(BM_BatteryFrameThatQueuesAWrite)->Unit(benchmark::kMicrosecond)->Iterations(200);

}  // namespace
