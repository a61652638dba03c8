// The rewind history's real memory: every allocation of this test program is
// counted (the replaced global operator new below), so the history's own
// account of its bytes cannot drift from what it holds without this test
// seeing it.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "cartridge/Lifecycle.h"
#include "core/Snapshot.h"
#include "core/Engine.h"
#include "support/FrameBudgetHost.h"
#include "timeline/RewindHistory.h"

namespace {

// Live bytes on the heap, and the most there have been since the last reset.
std::atomic<size_t> gLive{0};
std::atomic<size_t> gPeak{0};
// Each block carries its size ahead of the bytes handed out, in a header
// that keeps them aligned for any type.
constexpr size_t kHeader = alignof(std::max_align_t);

void* Counted(size_t size) {
  auto* raw = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (raw == nullptr) throw std::bad_alloc();
  *reinterpret_cast<size_t*>(raw) = size;
  const size_t live = gLive.fetch_add(size) + size;
  for (size_t peak = gPeak.load(); live > peak && !gPeak.compare_exchange_weak(peak, live);) {
  }
  return raw + kHeader;
}

void Release(void* p) noexcept {
  if (p == nullptr) return;
  auto* raw = static_cast<unsigned char*>(p) - kHeader;
  gLive.fetch_sub(*reinterpret_cast<size_t*>(raw));
  std::free(raw);
}

}  // namespace

void* operator new(size_t size) { return Counted(size); }
void* operator new[](size_t size) { return Counted(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }

namespace {

// A game played for 900 frames, a snapshot at each frame start as rewind
// takes them (the designed engine leaves the picture out there), pushed under
// each byte limit: the heap never holds more for the history than the limit.
TEST(RewindMemory, TheHistoryNeverHoldsMoreThanItsByteLimit) {
  BudgetMachine b;
  ASSERT_TRUE(StartCartridge(b.m, VIREL_DEMO_ROM));
  std::vector<std::vector<uint8_t>> played;
  for (int i = 0; i < 900; ++i) {
    b.m.PadState[0] = static_cast<uint8_t>((i / 8 * 2654435761u >> 24) & 0xF3);
    RunFrames(b, 1);
    played.emplace_back();
    b.m.engine->Snapshot(played.back());
  }
  for (const size_t limit : {size_t{64} << 10, size_t{128} << 10, size_t{512} << 10}) {
    SCOPED_TRACE(limit);
    const size_t before = gLive.load();
    gPeak.store(before);
    {
      RewindHistory history;
      history.SetLimits(100000, limit);
      for (const auto& s : played) history.Push(s);
      EXPECT_GT(history.Frames(), 20u);
      EXPECT_LE(gLive.load() - before, limit);
      EXPECT_GE(gLive.load() - before, history.Bytes()) << "the history holds less than it counts";
    }
    EXPECT_LE(gPeak.load() - before, limit) << "the peak while pushing";
    EXPECT_EQ(gLive.load(), before) << "the history kept memory after it went";
  }
}

}  // namespace
