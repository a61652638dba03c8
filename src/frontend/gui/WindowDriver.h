// A scripted user for the window's own end-to-end runs, switched on by the
// environment variable VIREL_DRIVER and otherwise never created:
//   VIREL_DRIVER=soak:<seed>:<seconds>[:<folder>]  a seeded random user sends
//       pad keys and commands (pause, resume, reset, save and load state,
//       screenshot, unload and load, settings opened and cancelled, debugger
//       opened, stepped and closed), then asks the window to close as a stop
//       signal does; screenshots go to <folder>. Resident memory is printed
//       at 30 seconds and at the end ("rss30=<kB>", "rssEnd=<kB>").
//   VIREL_DRIVER=settings  opens the settings dialog once the cartridge runs
//       and prints "settings-open" when it is on screen.
// Lines go to standard output, flushed at once, for the test to read.
#pragma once

#include <QObject>
#include <QString>
#include <random>

class TfrmNES;

class WindowDriver : public QObject {
 public:
  // Reads VIREL_DRIVER; returns null when it is unset or not understood.
  static WindowDriver* FromEnvironment(TfrmNES& form);

 private:
  WindowDriver(TfrmNES& form, bool soak, unsigned seed, int seconds, QString folder);
  void Step();
  void Act(int action);
  void DismissDialogSoon(bool stepDebugger);
  void OpenSettingsWhenRunning();

  TfrmNES& form_;
  std::mt19937 random_;
  int seconds_ = 0;
  QString folder_;
  qint64 startMs_ = 0;
  bool rssAt30Printed_ = false;
  bool finished_ = false;
  int shots_ = 0;
  QString cartridge_;
};
