#include "RunnerHost.h"

#include <algorithm>
#include <csignal>
#include <thread>

#include "cartridge/Lifecycle.h"
#include "core/Engine.h"
#include "video/Palette.h"

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int signal) {
  stopSignal = signal;
  // A second signal ends the runner at once.
  std::signal(signal, SIG_DFL);
}

}  // namespace

void InstallStopSignals() {
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) std::signal(signal, OnStopSignal);
}

int StopSignalReceived() { return stopSignal; }

RunnerHost::RunnerHost(Machine& m, std::ostream& log, long frameBudget, std::vector<InputStep> input)
    : m_(m), log_(log), budget_(frameBudget), input_(std::move(input)), time_(m) {
  time_.SetRecording(false);
}

void RunnerHost::AppendLog(std::string_view line) {
  log_ << line << '\n';
  lastLine_ = line;
}

void RunnerHost::PresentFrame() {
  // Nothing is shown, but the colour table is kept as the display keeps it,
  // so screenshots and picture hashes carry the right colours.
  UpdateFrameColors(m_);
  // Numbered as the frame start it is shown at: with run-ahead, the picture
  // of frame k + N shows where frame k's would.
  if (frameHashes_ && time_.ShowsFrame())
    *frameHashes_ << frames_ + 1 << ' ' << std::hex << PictureHash(m_) << std::dec << '\n';
}

void RunnerHost::PollControllers() {
  if (!time_.ReadsControllers()) return;
  // The poll of the frame about to be counted: frames are numbered from 1.
  const long frame = frames_ + 1;
  while (nextInput_ < input_.size() && input_[nextInput_].Frame <= frame)
    m_.PadState[0] = input_[nextInput_++].Buttons;
}

void RunnerHost::ProcessMessages() {
  // Every real frame passes here, shown or skipped; rehearsed ones do not.
  if (!time_.AtFrameStart()) return;
  Pace();
  // The hook stops at this same scanline 0 once Running is clear.
  if (++frames_ >= budget_ || stopSignal != 0) {
    m_.Running = false;
    return;
  }
  // The reset button, as the window's "Reiniciar" presses it: the loop goes
  // on with the reset machine from here.
  if (std::find(resets_.begin(), resets_.end(), frames_ + 1) != resets_.end()) {
    ResetMachine(m_);
    RunOrContinue(m_);
  }
}

uint64_t PictureHash(const Machine& m) {
  uint64_t hash = 14695981039346656037ull;
  auto mix = [&hash](uint8_t byte) {
    hash ^= byte;
    hash *= 1099511628211ull;
  };
  const PictureView picture = m.engine->Picture();
  for (uint8_t pixel : picture.Pixels) mix(pixel);
  for (const Rgb& c : picture.Colors) {
    mix(c.R);
    mix(c.G);
    mix(c.B);
  }
  return hash;
}

void RunnerHost::Pace() {
  if (!paced_) return;
  // The frame deadlines of the console's rate; after a stall the pace starts
  // afresh instead of catching up in a burst.
  using namespace std::chrono;
  constexpr auto kFrame = duration_cast<steady_clock::duration>(duration<double>(1.0 / 60.0988));
  const auto now = steady_clock::now();
  if (nextFrame_ == steady_clock::time_point{} || now > nextFrame_ + kFrame) nextFrame_ = now;
  std::this_thread::sleep_until(nextFrame_);
  nextFrame_ += kFrame;
}
