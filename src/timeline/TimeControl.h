// The time controls at the frame starts: run-ahead, rewind, fast-forward and
// frame advance, over the whole-console snapshot. A host (the window, the
// headless runner) owns one per Machine and asks it at every frame start:
// whether the frame that just ended is shown (and paced), whether the
// controllers are read, and, first thing in its message processing, to take
// its snapshots, restore and choose what the next frame is. No toolkit here.
//
// Frames come in kinds. A plain frame is shown, heard and kept in the rewind
// history. With run-ahead N, each real frame runs unseen but heard, then the
// next N frames are rehearsed with the same controllers (neither shown nor
// heard), the last of them is shown, and the real state comes back: the
// player sees N frames into the future and hears the present. Rewind re-runs
// each frame from the history, one back per shown frame, silent.
// Fast-forward shows one frame in every `speed` and sends each sound
// channel's latest change at the shown ones.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/Machine.h"
#include "timeline/RewindHistory.h"

enum class FrameKind : uint8_t {
  Plain,       // shown, heard, recorded
  Behind,      // run-ahead's real frame: heard and recorded, not shown
  Ahead,       // rehearsed: neither shown nor heard
  AheadShown,  // the last rehearsed frame: shown; the real state comes back after it
  Rewound,     // re-run from the history: shown, silent
  FastHidden,  // fast-forward between shown frames: recorded, its sound kept
  FastShown,   // fast-forward's shown frame
};

class TimeControl {
 public:
  explicit TimeControl(Machine& m);

  // --- Settings and keys ----------------------------------------------------------
  // 0-3 frames.
  void SetRunAhead(int frames);
  int RunAhead() const { return runAhead_; }
  // 2, 4 or 8 frames per shown one, or 0: as fast as the machine goes (a
  // frame is shown whenever DisplayDue says the display wants one).
  void SetFastForwardSpeed(int speed);
  int FastForwardSpeed() const { return speed_; }
  // The held key, or the toggle: on while true.
  void SetFastForward(bool on) { fastForward_ = on; }
  bool FastForwarding() const;
  void SetRewinding(bool held) { rewindHeld_ = held; }
  bool Rewinding() const { return kind_ == FrameKind::Rewound; }
  // Rewinding, and at the oldest frame kept: the same frame shows again.
  bool RewoundToOldest() const { return Rewinding() && history_.Frames() <= 1; }
  // The history keeps `minutes` of play at 60 frames a second, in at most
  // `bytes` of memory.
  void SetHistoryLength(int minutes, size_t bytes);
  // Whether frames go into the rewind history at all (the headless runner
  // has no rewind key).
  void SetRecording(bool on) { recording_ = on; }
  // While the debugger is open: every frame is plain, nothing is rehearsed.
  void SetSuspended(bool suspended);
  // Frame advance: the next frame is run plainly, shown, and the run stops
  // at its end. The host starts the run.
  void AdvanceOneFrame();
  std::function<bool()> DisplayDue = [] { return true; };

  // --- The host's calls at each frame start --------------------------------------
  // PresentFrame: whether the frame that just ended is shown, and whether
  // the display waits for its deadline after it.
  bool ShowsFrame() const;
  bool PacesFrame() const;
  // PollControllers: whether the controllers are read for the frame to come.
  // Rehearsed frames go on with what their real frame read, and the last
  // one's frame start is followed by the real state, which has its own: so
  // with run-ahead the devices are still read once a shown frame.
  bool ReadsControllers() const { return kind_ != FrameKind::Ahead && kind_ != FrameKind::AheadShown; }
  // First thing in ProcessMessages. True when the host gets its turn now
  // (events, commands): once per shown frame, with the machine in its real
  // state.
  bool AtFrameStart();

  // A cartridge started, stopped or replaced: the history is void and no
  // rehearsal is under way.
  void Forget();
  const RewindHistory& History() const { return history_; }
  FrameKind Kind() const { return kind_; }

 private:
  void Record(bool keepForRunAhead);
  void StartRehearsal();
  bool StepBack();
  void EndQuietFrames();
  bool RestoreReal();

  Machine& m_;
  RewindHistory history_;
  uint32_t historyCrc_ = 0;
  std::vector<uint8_t> snapshot_;
  std::vector<uint8_t> real_;
  std::array<uint8_t, kScreenWidth * kScreenHeight> realPicture_{};
  FrameKind kind_ = FrameKind::Plain;
  int runAhead_ = 0;
  int aheadLeft_ = 0;
  int speed_ = 4;
  int fastCount_ = 0;
  bool fastForward_ = false;
  bool rewindHeld_ = false;
  bool suspended_ = false;
  bool advancing_ = false;
  bool recording_ = true;
};
