// The stop requests that come from outside the window: SIGTERM (a logout, a
// shutdown, `kill`), SIGINT (Ctrl+C in the terminal) and SIGHUP (the terminal
// went away). The handler only writes the signal number into a pipe; the
// event loop reads it through a socket notifier and emits stopRequested, so
// the close runs as an ordinary event, never inside the handler.
#pragma once

#include <QObject>

class QSocketNotifier;

class StopSignals : public QObject {
  Q_OBJECT
 public:
  // Installs the handlers; one instance per program.
  explicit StopSignals(QObject* parent = nullptr);
  ~StopSignals() override;

 signals:
  void stopRequested(int signal);

 private:
  void Drain();
  QSocketNotifier* notifier_ = nullptr;
};
