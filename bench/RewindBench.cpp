// What rewind costs while the game plays: at every frame start one snapshot
// of the whole console pushed into the history (timed alone in processor
// time, the frame's emulation left out), on the demo, the scrolling cartridge and the MMC3
// split; and the memory ten minutes of play take, the demo flown by a
// scripted pad so that the frames differ as in a real game.
#include <benchmark/benchmark.h>

#include <ctime>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "cartridge/Lifecycle.h"
#include "core/ByteRuns.h"
#include "core/Snapshot.h"
#include "core/Engine.h"
#include "engine/EngineChoice.h"
#include "support/FrameBudgetHost.h"
#include "timeline/RewindHistory.h"

namespace {

// A new set of buttons every eight frames, Start and Select left out so the
// games keep playing.
uint8_t ScriptedPad(long frame) {
  return static_cast<uint8_t>((static_cast<uint32_t>(frame / 8) * 2654435761u >> 24) & 0xF3);
}

// The processor time of this thread: the target is a share of a core, and on
// a shared machine the wall clock also counts the time other programs run.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

bool Start(benchmark::State& state, BudgetMachine& b, const std::string& cartridge) {
  if (StartCartridge(b.m, cartridge)) return true;
  state.SkipWithError((cartridge + " could not be started").c_str());
  return false;
}

void BM_RewindRecord(benchmark::State& state, const std::string& cartridge) {
  BudgetMachine b;
  if (!Start(state, b, cartridge)) return;
  RewindHistory history;
  std::vector<uint8_t> snapshot;
  long frame = 0;
  for (auto _ : state) {
    b.m.PadState[0] = ScriptedPad(++frame);
    RunFrames(b, 1);
    const double start = ThreadSeconds();
    b.m.engine->Snapshot(snapshot);
    history.Push(snapshot);
    state.SetIterationTime(ThreadSeconds() - start);
  }
  // What the history holds per frame, at the length this run reached.
  state.SetLabel("held per frame");
  state.counters["bytes"] = static_cast<double>(history.Bytes()) / static_cast<double>(history.Frames());
}
BENCHMARK_CAPTURE(BM_RewindRecord, demo, std::string(VIREL_DEMO_ROM))
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_RewindRecord, video_scroll, std::string(VIREL_ROM_DIR) + "/video_scroll.nes")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_RewindRecord, mmc3_split, std::string(VIREL_ROM_DIR) + "/mmc3_split.nes")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// Ten minutes at 60 frames a second with no memory limit, so the figure is
// what the frames really take; "MB" is in units of 2^20 bytes, as the
// history's 64 MB default is.
void RewindTenMinutes(benchmark::State& state, std::string_view engine) {
  constexpr long kFrames = 36000;
  double megabytes = 0, kept = 0;
  for (auto _ : state) {
    BudgetMachine b;
    ChooseEngine(b.m, engine);
    if (!Start(state, b, VIREL_DEMO_ROM)) return;
    RewindHistory history;
    history.SetLimits(kFrames, std::numeric_limits<size_t>::max());
    std::vector<uint8_t> snapshot;
    for (long frame = 1; frame <= kFrames; ++frame) {
      b.m.PadState[0] = ScriptedPad(frame);
      RunFrames(b, 1);
      b.m.engine->Snapshot(snapshot);
      history.Push(snapshot);
    }
    megabytes = static_cast<double>(history.Bytes()) / (1 << 20);
    kept = static_cast<double>(history.Frames());
  }
  state.counters["MB"] = megabytes;
  state.counters["frames"] = kept;
}
void BM_RewindTenMinutes(benchmark::State& state) { RewindTenMinutes(state, kClassicEngineId); }
BENCHMARK(BM_RewindTenMinutes)->Iterations(1)->Unit(benchmark::kMillisecond);
// The same in the console engine, whose snapshots carry its chips too.
void BM_ConsoleRewindTenMinutes(benchmark::State& state) { RewindTenMinutes(state, kConsoleEngineId); }
BENCHMARK(BM_ConsoleRewindTenMinutes)->Iterations(1)->Unit(benchmark::kMillisecond);

// The two ways of keeping an older frame against its successor, on the same
// run of demo frames: the history's own patches, and the difference (XOR)
// packed by runs as a mid-frame picture is. Per frame: the time to make one,
// and its size.
void BM_RewindPatchEncoding(benchmark::State& state) {
  const bool xorRuns = state.range(0) == 1;
  BudgetMachine b;
  if (!Start(state, b, VIREL_DEMO_ROM)) return;
  std::vector<std::vector<uint8_t>> frames(600);
  for (size_t i = 0; i < frames.size(); ++i) {
    b.m.PadState[0] = ScriptedPad(static_cast<long>(i));
    RunFrames(b, 1);
    b.m.engine->Snapshot(frames[i]);
  }
  std::vector<uint8_t> out, difference;
  size_t made = 0, bytes = 0;
  for (auto _ : state) {
    const size_t i = made++ % (frames.size() - 1);
    const std::vector<uint8_t>& older = frames[i];
    const std::vector<uint8_t>& newer = frames[i + 1];
    out.clear();
    if (xorRuns) {
      difference.assign(older.begin(), older.end());
      for (size_t j = 0; j < std::min(older.size(), newer.size()); ++j) difference[j] ^= newer[j];
      PackRuns(difference, out);
    } else {
      AppendSnapshotPatch(older, newer, out);
    }
    bytes += out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetLabel(xorRuns ? "XOR packed by runs" : "patches");
  state.counters["bytes"] = static_cast<double>(bytes) / static_cast<double>(made);
}
BENCHMARK(BM_RewindPatchEncoding)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
