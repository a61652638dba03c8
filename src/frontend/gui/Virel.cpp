// The program: the application with its title, the sound devices, the main
// window, and the message loop. A first argument names a cartridge that
// starts when the window first becomes active; a second one, "/S0" or "/S1",
// chooses window or full screen for cartridge starts.
#include <SDL.h>

#include <QApplication>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "frontend/gui/NesForm.h"
#include "frontend/gui/StopSignals.h"
#include "frontend/gui/WindowDriver.h"
#ifdef VIREL_WITH_DEVICES
#include "sound/devices/FluidSynthMidiOut.h"
#include "sound/devices/SdlWaveOut.h"
#endif

int main(int argc, char* argv[]) {
  // SDL (joysticks, audio) would otherwise take over SIGINT and SIGTERM and
  // queue them as events nobody reads, leaving the program unstoppable.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Virel Emulador"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/virel/icon.png")));
#ifdef VIREL_WITH_DEVICES
  // Notes go to the General MIDI synthesiser; rates above 8192 stream 8-bit
  // PCM instead. Either opens quietly to nothing where there is no device.
  SetSoundDevices(
      {[] { return std::make_unique<FluidSynthMidiOut>(); }, [] { return std::make_unique<SdlWaveOut>(); }});
#endif
  // From here on a stop signal waits in the pipe for the event loop instead
  // of ending the program before the window has even been built.
  StopSignals stopSignals;
  QStringList arguments = QApplication::arguments();
  arguments.removeFirst();
  TfrmNES form(arguments);
  form.show();
  // Without a window manager (a bare X server) nothing else would give the
  // window the keyboard, and the command-line cartridge waits for that.
  form.activateWindow();
  // Stop signals and the desktop session's quit request end the program the
  // way "Sair" does, so the battery file and the settings are written.
  QObject::connect(&stopSignals, &StopSignals::stopRequested, &form, [&form] { form.RequestClose(); });
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &form, [&form] { form.RequestClose(); });
  // The scripted user of the window's end-to-end runs (VIREL_DRIVER).
  WindowDriver::FromEnvironment(form);
  QObject::connect(&app, &QCoreApplication::aboutToQuit, &form, [&form] { form.FinishBeforeQuit(); });
  // scripts/bench measures the start-up: with VIREL_STARTUP_PROBE set, the
  // program prints the wall-clock time at which the idle window is first on
  // screen and painted ("shown=<seconds since the epoch>"), then quits.
  if (std::getenv("VIREL_STARTUP_PROBE")) {
    auto* probe = new QTimer(&form);
    QObject::connect(probe, &QTimer::timeout, [&form, probe] {
      if (!form.windowHandle() || !form.windowHandle()->isExposed()) return;
      probe->stop();
      QApplication::processEvents();  // the first paint
      const auto now = std::chrono::system_clock::now().time_since_epoch();
      std::printf("shown=%.6f\n", std::chrono::duration<double>(now).count());
      std::fflush(stdout);
      QApplication::quit();
    });
    probe->start(1);
  }
  return QApplication::exec();
}
