// The program: the application with its title, Qt's texts in Portuguese, the
// sound devices, the main window, and the message loop. A first argument
// names a cartridge that starts when the window first becomes active; a
// second one, "/S0" or "/S1", chooses window or full screen for cartridge
// starts. --help and --version answer without opening anything.
#include <SDL.h>

#include <QApplication>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/Version.h"
#include "frontend/CommandLine.h"
#include "frontend/gui/NesForm.h"
#include "frontend/gui/QtTranslation.h"
#include "frontend/gui/StopSignals.h"
#include "frontend/gui/WindowDriver.h"
#ifdef VIREL_WITH_DEVICES
#include "sound/devices/FluidSynthMidiOut.h"
#include "sound/devices/SdlPcmOut.h"
#include "sound/devices/SdlWaveOut.h"
#endif

namespace {

std::vector<std::string> Words(const QStringList& list) {
  std::vector<std::string> words;
  for (const QString& w : list) words.push_back(w.toStdString());
  return words;
}

// Answers --help and --version, or refuses the command line. Returns the
// exit status when the program should stop here, or -1 to carry on.
int AnswerCommandLine(const VirelCommandLine& line) {
  switch (line.What) {
    case VirelCommandLine::Action::Help: std::fputs(VirelUsage().c_str(), stdout); return 0;
    case VirelCommandLine::Action::Version: std::puts(VirelVersionLine("virel").c_str()); return 0;
    case VirelCommandLine::Action::Refuse:
      std::fprintf(stderr, "virel: %s\nUse \"virel --help\" para ver as opções.\n", line.Message.c_str());
      return kVirelExitUsage;
    case VirelCommandLine::Action::Run: break;
  }
  return -1;
}

// The options every Qt program takes (-platform, -style...), with one dash or
// two and with or without "=value". Qt removes them from the command line
// once the application exists.
bool IsToolkitOption(std::string word) {
  static const char* const kNames[] = {"platform",      "platformpluginpath",
                                       "platformtheme", "plugin",
                                       "qmljsdebugger", "qwindowgeometry",
                                       "qwindowicon",   "qwindowtitle",
                                       "reverse",       "session",
                                       "display",       "geometry",
                                       "style",         "stylesheet",
                                       "widgetcount",   "fontengine",
                                       "dialogs",       "nograb",
                                       "dograb",        "sync",
                                       "name",          "title",
                                       "visual"};
  if (word.rfind("--", 0) == 0) word.erase(0, 1);
  if (word.empty() || word[0] != '-') return false;
  word = word.substr(1, word.find('=') == std::string::npos ? std::string::npos : word.find('=') - 1);
  for (const char* name : kNames) {
    if (word == name) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  // The command line is answered before Qt opens a display where it can be:
  // --help, --version and a mistyped option must work in a terminal with no
  // display at all. With one of Qt's own options present, the check waits
  // until Qt has taken those out.
  {
    const std::vector<std::string> words(argv + 1, argv + argc);
    const VirelCommandLine early = ParseVirelCommandLine(words);
    const bool toolkitOptions = std::any_of(words.begin(), words.end(), IsToolkitOption);
    if (early.What != VirelCommandLine::Action::Run &&
        (early.What != VirelCommandLine::Action::Refuse || !toolkitOptions))
      return AnswerCommandLine(early);
  }
  // SDL (joysticks, audio) would otherwise take over SIGINT and SIGTERM and
  // queue them as events nobody reads, leaving the program unstoppable.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Virel Emulador"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/virel/icon.png")));
  // The desktop matches the running window to its menu entry by this name.
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.virel.Virel"));
  InstallQtTranslation(app);
  QStringList qtFree = QApplication::arguments();
  qtFree.removeFirst();
  const VirelCommandLine line = ParseVirelCommandLine(Words(qtFree));
  if (const int status = AnswerCommandLine(line); status >= 0) return status;
  // From here on a stop signal waits in the pipe for the event loop instead
  // of ending the program before the window has even been built.
  StopSignals stopSignals;
  QStringList arguments;
  for (const std::string& w : line.Arguments) arguments << QString::fromStdString(w);
  SoundDeviceFactory devices;
#ifdef VIREL_WITH_DEVICES
  // Notes go to the General MIDI synthesiser; rates above 8192 stream 8-bit
  // PCM instead; the console voice plays 16-bit samples of its own. Each
  // opens quietly to nothing where there is no device.
  devices.midi = [] { return std::make_unique<FluidSynthMidiOut>(); };
  devices.wave = [] { return std::make_unique<SdlWaveOut>(); };
  devices.pcm = [] { return std::make_unique<SdlPcmOut>(); };
#endif
  TfrmNES form(arguments, nullptr, std::move(devices));
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
