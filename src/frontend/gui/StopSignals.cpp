#include "frontend/gui/StopSignals.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace {

int pipeEnds[2] = {-1, -1};
constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

void OnStopSignal(int signal) {
  // write() is async-signal-safe; a full pipe already holds a request.
  const int saved = errno;
  const char byte = static_cast<char>(signal);
  [[maybe_unused]] const ssize_t n = ::write(pipeEnds[1], &byte, 1);
  errno = saved;
  // A second signal ends the program at once, should the orderly close
  // itself ever hang.
  std::signal(signal, SIG_DFL);
}

}  // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent) {
  if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &StopSignals::Drain);
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : kStopSignals) ::sigaction(signal, &action, nullptr);
}

StopSignals::~StopSignals() {
  delete notifier_;
  for (int signal : kStopSignals) std::signal(signal, SIG_DFL);
  if (pipeEnds[0] >= 0) {
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
  }
}

void StopSignals::Drain() {
  char bytes[16];
  ssize_t n;
  while ((n = ::read(pipeEnds[0], bytes, sizeof bytes)) > 0) {
    for (ssize_t i = 0; i < n; ++i) emit stopRequested(static_cast<unsigned char>(bytes[i]));
  }
}

#else

// Elsewhere the console's own close events reach the window as close events.
StopSignals::StopSignals(QObject* parent) : QObject(parent) {}
StopSignals::~StopSignals() = default;
void StopSignals::Drain() {}

#endif
