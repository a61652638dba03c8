// What rewind will pay every few frames: one snapshot of the whole console
// and one restore of it, on the MMC3 cartridge (bank tables and interrupt
// counter in use) stopped at a frame start as the runner leaves it, and in
// the middle of a frame, where the picture is part of the snapshot.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "cartridge/Lifecycle.h"
#include "core/Snapshot.h"
#include "core/Engine.h"
#include "engine/classic/cpu/MF6502.h"
#include "support/FrameBudgetHost.h"

namespace {

void SnapshotAndRestore(benchmark::State& state, bool midFrame) {
  BudgetMachine b;
  if (!StartCartridge(b.m, std::string(VIREL_ROM_DIR) + "/mmc3_split.nes")) {
    state.SkipWithError("mmc3_split.nes could not be started");
    return;
  }
  RunFrames(b, 30);
  if (midFrame)
    for (int i = 0; i < 2000; ++i) DebugStep(b.m);
  std::vector<uint8_t> snapshot;
  for (auto _ : state) {
    b.m.engine->Snapshot(snapshot);
    if (b.m.engine->Restore(snapshot) != RestoreResult::Restored) {
      state.SkipWithError("the snapshot was refused");
      return;
    }
    benchmark::DoNotOptimize(snapshot.data());
  }
  state.counters["bytes"] = static_cast<double>(snapshot.size());
}

void BM_SnapshotAndRestore(benchmark::State& state) { SnapshotAndRestore(state, false); }
BENCHMARK(BM_SnapshotAndRestore)->Unit(benchmark::kMicrosecond);

void BM_SnapshotAndRestoreMidFrame(benchmark::State& state) { SnapshotAndRestore(state, true); }
BENCHMARK(BM_SnapshotAndRestoreMidFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
