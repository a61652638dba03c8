// The headless runner's host: the log goes to a stream, nothing is shown,
// pad 1 follows the input script, and the run stops once the frame budget
// (frames counted at scanline 0) is spent. Run-ahead works as in the window:
// frames are counted, controllers read and the run stopped at the real
// machine's frame starts only.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "RunOptions.h"
#include "core/Host.h"
#include "core/Machine.h"
#include "timeline/TimeControl.h"

class RunnerHost final : public Host {
 public:
  RunnerHost(Machine& m, std::ostream& log, long frameBudget, std::vector<InputStep> input);

  void AppendLog(std::string_view line) override;
  void PresentFrame() override;
  void PollControllers() override;
  void ProcessMessages() override;
  // Whether the run starts sound output, as "Habilita Som" does.
  bool SoundEnabled() const override { return sound_; }
  void EnableSound() { sound_ = true; }
  // Each frame then lasts 1 / 60.0988 s, as on the console, instead of
  // running as fast as it can.
  void PaceFrames() { paced_ = true; }

  // Run-ahead of 0-3 frames, as the window's setting.
  void SetRunAhead(int frames) { time_.SetRunAhead(frames); }
  // The reset button, pressed at the start of each of these frames.
  void ResetAt(std::vector<long> frames) { resets_ = std::move(frames); }
  // Every shown picture's frame number and hash, one line each.
  void LogFrameHashes(std::ostream* out) { frameHashes_ = out; }

  long Frames() const { return frames_; }
  const std::string& LastLogLine() const { return lastLine_; }

 private:
  void Pace();

  Machine& m_;
  std::ostream& log_;
  long budget_;
  std::vector<InputStep> input_;
  size_t nextInput_ = 0;
  long frames_ = 0;
  std::string lastLine_;
  bool sound_ = false;
  bool paced_ = false;
  TimeControl time_;
  std::ostream* frameHashes_ = nullptr;
  std::vector<long> resets_;
  std::chrono::steady_clock::time_point nextFrame_{};
};

// SIGTERM, SIGINT and SIGHUP end the run at the next frame boundary (the
// handler only records the signal), so what was asked for is still written.
void InstallStopSignals();
// The stop signal received, 0 when none.
int StopSignalReceived();

// 64-bit FNV-1a of FrameBuffer followed by the red, green and blue of each of
// the 256 colour-table entries: two pictures hash alike only if they look alike.
uint64_t PictureHash(const Machine& m);
