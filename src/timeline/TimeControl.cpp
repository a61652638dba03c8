#include "timeline/TimeControl.h"

#include <algorithm>

#include "core/Engine.h"
#include "sound/Sound.h"
#include "timeline/TimeLimits.h"

namespace {

// The display's rate: a minute of history is this many frames.
constexpr double kFramesPerMinute = 60.0988 * 60;

bool Shown(FrameKind kind) {
  switch (kind) {
    case FrameKind::Plain:
    case FrameKind::AheadShown:
    case FrameKind::Rewound:
    case FrameKind::FastShown: return true;
    default: return false;
  }
}

}  // namespace

TimeControl::TimeControl(Machine& m) : m_(m) { SetHistoryLength(10, RewindHistory::kDefaultBytes); }

void TimeControl::SetRunAhead(int frames) { runAhead_ = std::clamp(frames, 0, kMaxRunAhead); }

void TimeControl::SetFastForwardSpeed(int speed) {
  const bool offered =
      std::find(kFastForwardSpeeds.begin(), kFastForwardSpeeds.end(), speed) != kFastForwardSpeeds.end();
  speed_ = offered ? speed : 4;
}

bool TimeControl::FastForwarding() const {
  return kind_ == FrameKind::FastHidden || kind_ == FrameKind::FastShown;
}

void TimeControl::SetHistoryLength(int minutes, size_t bytes) {
  history_.SetLimits(static_cast<size_t>(std::max(minutes, 1) * kFramesPerMinute), bytes);
}

void TimeControl::SetSuspended(bool suspended) {
  suspended_ = suspended;
  // Asked for in the host's turn, where the machine is in its real state:
  // what comes next is a plain frame.
  if (suspended && kind_ != FrameKind::Plain) {
    EndQuietFrames();
    kind_ = FrameKind::Plain;
  }
}

void TimeControl::AdvanceOneFrame() {
  EndQuietFrames();
  kind_ = FrameKind::Plain;
  advancing_ = true;
}

bool TimeControl::ShowsFrame() const { return Shown(kind_); }

bool TimeControl::PacesFrame() const { return !(kind_ == FrameKind::FastShown && speed_ == 0); }

void TimeControl::Forget() {
  history_.Clear();
  historyCrc_ = 0;
  EndQuietFrames();
  kind_ = FrameKind::Plain;
  aheadLeft_ = 0;
  fastCount_ = 0;
  advancing_ = false;
}

bool TimeControl::AtFrameStart() {
  if (!m_.CartridgeLoaded()) return true;
  if (kind_ == FrameKind::Ahead) {
    kind_ = --aheadLeft_ <= 0 ? FrameKind::AheadShown : FrameKind::Ahead;
    return false;
  }
  if (kind_ == FrameKind::AheadShown) {
    // The rehearsal has been shown: the real machine comes back and runs
    // its frame, heard but unseen.
    RestoreReal();
    kind_ = FrameKind::Behind;
    return true;
  }

  if (rewindHeld_ && !suspended_ && !advancing_ && StepBack()) return true;
  const bool fast = fastForward_ && !suspended_ && !advancing_;
  const bool ahead = !fast && !suspended_ && !advancing_ && runAhead_ > 0 && m_.FrameRate == 1;
  // Leaving rewind or fast-forward: the sound goes on from where the run is.
  if (!fast || kind_ == FrameKind::Rewound) EndQuietFrames();
  Record(ahead);

  if (advancing_) {
    // The advanced frame has been shown: the run stops here.
    advancing_ = false;
    m_.engine->Stop();
    kind_ = FrameKind::Plain;
    return true;
  }
  if (fast) {
    ++fastCount_;
    const bool shown = speed_ == 0 ? DisplayDue() : fastCount_ >= speed_;
    if (shown) {
      fastCount_ = 0;
      SoundRelease(*m_.Sound);
      kind_ = FrameKind::FastShown;
      return true;
    }
    SoundHold(*m_.Sound);
    kind_ = FrameKind::FastHidden;
    return false;
  }
  fastCount_ = 0;
  if (ahead) {
    StartRehearsal();
    return false;
  }
  kind_ = FrameKind::Plain;
  return true;
}

void TimeControl::Record(bool keepForRunAhead) {
  if (!recording_) {
    if (keepForRunAhead) m_.engine->Snapshot(real_);
    return;
  }
  if (m_.ImageCrc != historyCrc_) {
    history_.Clear();
    historyCrc_ = m_.ImageCrc;
  }
  m_.engine->Snapshot(snapshot_);
  history_.Push(snapshot_);
  // Run-ahead comes back to this very state: the snapshot is kept (its
  // storage and the spare one trade places, so neither is reallocated).
  if (keepForRunAhead) std::swap(real_, snapshot_);
}

void TimeControl::StartRehearsal() {
  // The real picture too: a frame-start snapshot leaves it out, and what the
  // host looks at between frames (screenshots, slots, the final picture of a
  // headless run) is the real machine's.
  realPicture_ = m_.FrameBuffer;
  m_.Rehearsing = true;
  SoundHold(*m_.Sound);
  aheadLeft_ = runAhead_ - 1;
  kind_ = aheadLeft_ == 0 ? FrameKind::AheadShown : FrameKind::Ahead;
}

bool TimeControl::RestoreReal() {
  const bool restored = m_.engine->Restore(real_) == RestoreResult::Restored;
  if (restored) m_.FrameBuffer = realPicture_;
  EndQuietFrames();
  return restored;
}

bool TimeControl::StepBack() {
  if (history_.Empty() || m_.ImageCrc != historyCrc_) return false;
  if (kind_ != FrameKind::Rewound) {
    // Whatever fast-forward kept is sent first, then everything falls silent.
    SoundRelease(*m_.Sound);
    SoundQuiet(*m_.Sound);
    m_.Rehearsing = true;
  }
  // The newest kept state is the one just before the frame that ended; the
  // one before it, run for a frame, shows the picture before that. At the
  // oldest, the same frame is shown again.
  if (history_.Frames() > 1) history_.DropNewest();
  if (m_.engine->Restore(history_.Newest()) != RestoreResult::Restored) {
    history_.Clear();
    EndQuietFrames();
    kind_ = FrameKind::Plain;
    return false;
  }
  kind_ = FrameKind::Rewound;
  return true;
}

void TimeControl::EndQuietFrames() {
  m_.Rehearsing = false;
  SoundRelease(*m_.Sound);
}
