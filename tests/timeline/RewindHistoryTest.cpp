// The rewind history on real snapshots of the project's cartridges: every
// snapshot pushed comes back byte for byte, newest first, whatever its size
// and after any mix of going back and playing on; the limits forget the
// oldest frames first; Clear forgets them all.
#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "cartridge/Lifecycle.h"
#include "core/Snapshot.h"
#include "core/Engine.h"
#include "engine/classic/cpu/MF6502.h"
#include "support/FrameBudgetHost.h"
#include "timeline/RewindHistory.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A cartridge played with a new set of buttons every eight frames (Start and
// Select left out), one snapshot at each frame start. Every `midFrameEvery`
// frames the snapshot is taken some instructions into the frame instead, so
// the picture (and any sound writes so far) join it and its size changes.
class Player {
 public:
  explicit Player(const std::string& cartridge) {
    started_ = StartCartridge(b_.m, std::string(VIREL_ROM_DIR) + "/../" + cartridge);
  }
  bool Started() const { return started_; }

  Bytes Frame(int midFrameEvery, uint32_t inputSeed) {
    ++frame_;
    b_.m.PadState[0] = static_cast<uint8_t>(((frame_ / 8 + inputSeed) * 2654435761u >> 24) & 0xF3);
    RunFrames(b_, 1);
    if (midFrameEvery > 0 && frame_ % midFrameEvery == 0)
      for (uint32_t i = 0; i < 700 + frame_ % 300; ++i) DebugStep(b_.m);
    Bytes snapshot;
    b_.m.engine->Snapshot(snapshot);
    return snapshot;
  }
  bool Restore(const Bytes& snapshot) { return b_.m.engine->Restore(snapshot) == RestoreResult::Restored; }

 private:
  BudgetMachine b_;
  bool started_ = false;
  uint32_t frame_ = 0;
};

// Pops the history down to empty, checking each newest against what was
// pushed (last first).
void ExpectReturnsNewestFirst(RewindHistory& history, const std::vector<Bytes>& pushed,
                              const std::string& what) {
  ASSERT_EQ(history.Frames(), pushed.size()) << what;
  for (size_t i = pushed.size(); i-- > 0;) {
    const auto newest = history.Newest();
    ASSERT_TRUE(Bytes(newest.begin(), newest.end()) == pushed[i])
        << what << ": snapshot " << i << " of " << pushed.size() << " differs";
    history.DropNewest();
  }
  EXPECT_TRUE(history.Empty()) << what;
  EXPECT_EQ(history.Frames(), 0u) << what;
}

struct RoundTrip {
  const char* cartridge;  // under the build folder
  int frames;
  int midFrameEvery;  // 0: every snapshot at a frame start
};

void PrintTo(const RoundTrip& c, std::ostream* out) {
  *out << c.cartridge << ", " << c.frames << " frames, mid-frame every " << c.midFrameEvery;
}

class RewindRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

// Played, rewound half way, played on from the snapshot rewound to with
// other buttons, then rewound to the start: what comes back is what went in.
TEST_P(RewindRoundTrip, EverySnapshotComesBackByteForByte) {
  const RoundTrip& c = GetParam();
  Player player(c.cartridge);
  ASSERT_TRUE(player.Started()) << c.cartridge;
  RewindHistory history;
  std::vector<Bytes> pushed;
  std::set<size_t> sizes;
  for (int i = 0; i < c.frames; ++i) {
    pushed.push_back(player.Frame(c.midFrameEvery, 0));
    sizes.insert(pushed.back().size());
    history.Push(pushed.back());
  }
  if (c.midFrameEvery > 0) {
    EXPECT_GE(sizes.size(), 2u) << "the snapshots should differ in size";
  }

  for (int i = 0; i < c.frames / 2; ++i) {
    const auto newest = history.Newest();
    ASSERT_TRUE(Bytes(newest.begin(), newest.end()) == pushed.back()) << "going back, frame " << i;
    pushed.pop_back();
    history.DropNewest();
  }
  ASSERT_TRUE(player.Restore(pushed.back()));
  for (int i = 0; i < c.frames; ++i) {
    pushed.push_back(player.Frame(c.midFrameEvery, 7));
    history.Push(pushed.back());
  }
  ExpectReturnsNewestFirst(history, pushed, c.cartridge);
}

INSTANTIATE_TEST_SUITE_P(Cartridges, RewindRoundTrip,
                         ::testing::Values(RoundTrip{"demo.nes", 600, 0}, RoundTrip{"demo.nes", 400, 5},
                                           RoundTrip{"roms/video_scroll.nes", 300, 3},
                                           RoundTrip{"roms/mmc3_split.nes", 300, 4},
                                           RoundTrip{"roms/five_channels.nes", 200, 2}),
                         [](const auto& info) {
                           std::string name = info.param.cartridge;
                           name = name.substr(name.rfind('/') + 1);
                           name = name.substr(0, name.find('.'));
                           return name + (info.param.midFrameEvery ? "MidFrame" : "FrameStart");
                         });

// Snapshots of unrelated sizes and contents, the empty one included: a patch
// that grows or shrinks the snapshot still restores it exactly.
TEST(RewindHistory, SnapshotsOfAnySizeComeBack) {
  Player player("demo.nes");
  ASSERT_TRUE(player.Started());
  const Bytes real = player.Frame(1, 0);
  std::vector<Bytes> pushed = {real,       Bytes(real.begin(), real.begin() + 101),
                               {},         Bytes(3000, 0xA5),
                               real,       Bytes(real.size() + 9, 0),
                               Bytes(1, 0)};
  RewindHistory history;
  for (const Bytes& s : pushed) history.Push(s);
  ExpectReturnsNewestFirst(history, pushed, "mixed sizes");
}

struct Limit {
  size_t frames;
  size_t bytes;
  size_t keptAtLeast, keptAtMost;  // frames left after 500 pushes
};

// 500 frames of the demo, some mid-frame, under each limit: no more than
// allowed is kept or held, and what is kept is the newest run of frames.
TEST(RewindHistory, LimitsForgetTheOldestFirst) {
  Player player("demo.nes");
  ASSERT_TRUE(player.Started());
  std::vector<Bytes> played;
  for (int i = 0; i < 500; ++i) played.push_back(player.Frame(9, 0));

  for (const Limit& limit : {Limit{50, RewindHistory::kDefaultBytes, 50, 50}, Limit{1, 1 << 20, 1, 1},
                             Limit{100000, 256 * 1024, 60, 450}, Limit{300, 512 * 1024, 120, 300}}) {
    const std::string what =
        std::to_string(limit.frames) + " frames, " + std::to_string(limit.bytes) + " bytes";
    RewindHistory history;
    history.SetLimits(limit.frames, limit.bytes);
    for (const Bytes& s : played) {
      history.Push(s);
      ASSERT_LE(history.Frames(), limit.frames) << what;
      ASSERT_LE(history.Bytes(), limit.bytes) << what;
    }
    EXPECT_GE(history.Frames(), limit.keptAtLeast) << what;
    EXPECT_LE(history.Frames(), limit.keptAtMost) << what;
    ExpectReturnsNewestFirst(history, {played.end() - static_cast<long>(history.Frames()), played.end()},
                             what);
  }

  // Limits lowered on a full history take effect at once.
  RewindHistory history;
  for (const Bytes& s : played) history.Push(s);
  history.SetLimits(40, RewindHistory::kDefaultBytes);
  ExpectReturnsNewestFirst(history, {played.end() - 40, played.end()}, "lowered to 40 frames");
}

TEST(RewindHistory, ClearForgetsEverythingAndTheHistoryGoesOn) {
  Player player("roms/video_scroll.nes");
  ASSERT_TRUE(player.Started());
  RewindHistory history;
  for (int i = 0; i < 200; ++i) history.Push(player.Frame(4, 0));
  const size_t full = history.Bytes();
  history.Clear();
  EXPECT_TRUE(history.Empty());
  EXPECT_EQ(history.Frames(), 0u);
  EXPECT_TRUE(history.Newest().empty());
  EXPECT_LE(history.Bytes(), full);
  history.DropNewest();  // nothing to drop: no effect
  EXPECT_TRUE(history.Empty());

  std::vector<Bytes> after = {player.Frame(0, 1), player.Frame(3, 1), player.Frame(0, 1)};
  for (const Bytes& s : after) history.Push(s);
  ExpectReturnsNewestFirst(history, after, "after Clear");
}

}  // namespace
