// Cost of the picture: one background frame of 240 lines, the sprite pass
// over 64 visible sprites, and a whole frame of hook calls without the processor.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "cartridge/Lifecycle.h"
#include "engine/classic/ClassicEngine.h"
#include "engine/classic/cpu/MF6502.h"
#include "engine/classic/video/Renderer.h"
#include "engine/classic/video/ScanlineHook.h"
#include "support/TestMachine.h"

namespace {

// A busy picture: random patterns, name tables and attributes, scrolled so
// every line takes the column wrap, and 64 sprites spread over the screen
// with every flip and the behind-background bit mixed in.
struct BusyPicture {
  TestMachine t;
  explicit BusyPicture(bool tall) {
    InstallCartridge(t.m, 2, 0);
    std::mt19937 random(7);
    for (int a = 0; a < 0x3000; ++a) t.m.Vram[a] = static_cast<uint8_t>(random());
    for (int s = 0; s < 64; ++s) {
      t.m.Oam[4 * s] = static_cast<uint8_t>(random() % 232);
      t.m.Oam[4 * s + 1] = static_cast<uint8_t>(random());
      t.m.Oam[4 * s + 2] = static_cast<uint8_t>(random());
      t.m.Oam[4 * s + 3] = static_cast<uint8_t>(random());
    }
    Classic(t.m).PpuMask = 0x18;
    Classic(t.m).PpuCtrl = tall ? 0x31 : 0x19;
    Classic(t.m).ScrollX = 0x53;
    Classic(t.m).ScrollY = 0x2D;
    t.m.Running = true;
  }
};

void BM_RenderLineFrame(benchmark::State& state) {
  BusyPicture p(false);
  for (auto _ : state) {
    for (int line = 0; line < kScreenHeight; ++line) RenderLine(p.t.m, line);
    benchmark::DoNotOptimize(p.t.m.FrameBuffer.data());
  }
  state.SetItemsProcessed(state.iterations() * kScreenHeight);
  state.SetLabel("items = lines");
}
BENCHMARK(BM_RenderLineFrame);

void BM_RenderSprites(benchmark::State& state) {
  BusyPicture p(state.range(0) != 0);
  for (auto _ : state) {
    RenderSprites(p.t.m);
    benchmark::DoNotOptimize(p.t.m.FrameBuffer.data());
  }
  state.SetItemsProcessed(state.iterations() * 64);
  state.SetLabel(state.range(0) ? "8x16, items = sprites" : "8x8, items = sprites");
}
BENCHMARK(BM_RenderSprites)->Arg(0)->Arg(1);

// 244 hook calls: every line drawn, the sprite pass, the front end's turn.
void BM_ScanlineHookFrame(benchmark::State& state) {
  BusyPicture p(false);
  for (auto _ : state) {
    for (int line = 0; line < 244; ++line) benchmark::DoNotOptimize(ScanlineHook(p.t.m));
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("items = frames");
}
BENCHMARK(BM_ScanlineHookFrame);

// Whole frames of the split-screen test cartridge: processor, hook, every
// line and the sprite pass, the way a headless run spends its time.
class FrameBudgetHost : public Host {
 public:
  Machine* machine = nullptr;
  long budget = 0;
  void AppendLog(std::string_view) override {}
  void ProcessMessages() override {
    if (--budget <= 0) machine->Running = false;
  }
};

void BM_SplitScreenCartridgeFrames(benchmark::State& state) {
  FrameBudgetHost host;
  Machine m;
  host.machine = &m;
  m.host = &host;
  if (!StartCartridge(m, std::string(VIREL_ROM_DIR) + "/video_scroll.nes")) {
    state.SkipWithError("video_scroll.nes could not be started");
    return;
  }
  constexpr int kFrames = 100;
  for (auto _ : state) {
    host.budget = kFrames;
    m.Running = true;
    CpuRun(m);
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
  state.SetLabel("items = frames");
}
BENCHMARK(BM_SplitScreenCartridgeFrames);

}  // namespace
