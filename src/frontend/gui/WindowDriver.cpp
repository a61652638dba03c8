#include "frontend/gui/WindowDriver.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QKeyEvent>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "frontend/gui/NesForm.h"

namespace {

// Resident set size in kB, from the kernel's own account.
long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string word;
  while (status >> word) {
    if (word == "VmRSS:") {
      long kb = 0;
      status >> kb;
      return kb;
    }
  }
  return -1;
}

void Say(const QString& line) {
  std::printf("%s\n", line.toUtf8().constData());
  std::fflush(stdout);
}

// Keys of controller 1's default bindings, as a player would press them.
constexpr Qt::Key kPadKeys[] = {Qt::Key_Up,    Qt::Key_Down,    Qt::Key_Left,  Qt::Key_Right,
                                Qt::Key_Space, Qt::Key_Control, Qt::Key_Return};

enum Action {
  kKey,
  kPause,
  kReset,
  kSaveState,
  kLoadState,
  kScreenshot,
  kUnloadLoad,
  kSettings,
  kDebugger,
  kActionCount
};

}  // namespace

WindowDriver* WindowDriver::FromEnvironment(TfrmNES& form) {
  const char* request = std::getenv("VIREL_DRIVER");
  if (!request) return nullptr;
  const QStringList parts = QString::fromLocal8Bit(request).split(QLatin1Char(':'));
  if (parts.value(0) == QLatin1String("settings")) return new WindowDriver(form, false, 0, 0, {});
  if (parts.value(0) != QLatin1String("soak") || parts.size() < 3) return nullptr;
  const QString folder = parts.size() > 3 ? parts.mid(3).join(QLatin1Char(':')) : QDir::tempPath();
  return new WindowDriver(form, true, parts[1].toUInt(), parts[2].toInt(), folder);
}

WindowDriver::WindowDriver(TfrmNES& form, bool soak, unsigned seed, int seconds, QString folder)
    : QObject(&form), form_(form), random_(seed), seconds_(seconds), folder_(std::move(folder)) {
  startMs_ = QDateTime::currentMSecsSinceEpoch();
  if (!soak) {
    QTimer::singleShot(100, this, [this] { OpenSettingsWhenRunning(); });
    return;
  }
  // Errors are part of a random session (a state loaded before any was
  // saved); a message box would only wait for a click nobody makes.
  form_.ShowError = [](const QString& text) { Say(QStringLiteral("error: ") + text); };
  form_.ChooseBitmapFile = [this] {
    return QDir(folder_).filePath(QStringLiteral("shot%1.bmp").arg(shots_++ % 4));
  };
  form_.ChooseRomFile = [this] { return cartridge_; };
  QTimer::singleShot(500, this, [this] { Step(); });
}

void WindowDriver::OpenSettingsWhenRunning() {
  if (!form_.machine().Running) {
    QTimer::singleShot(50, this, [this] { OpenSettingsWhenRunning(); });
    return;
  }
  QTimer::singleShot(300, this, [] {
    if (QApplication::activeModalWidget()) Say(QStringLiteral("settings-open"));
  });
  form_.mnuSettings->trigger();
}

void WindowDriver::Step() {
  if (finished_) return;
  const qint64 elapsed = QDateTime::currentMSecsSinceEpoch() - startMs_;
  if (!rssAt30Printed_ && elapsed >= 30000) {
    rssAt30Printed_ = true;
    Say(QStringLiteral("rss30=%1").arg(ResidentKb()));
  }
  if (elapsed >= qint64(seconds_) * 1000) {
    finished_ = true;
    Say(QStringLiteral("rssEnd=%1").arg(ResidentKb()));
    form_.RequestClose();
    return;
  }
  // The next step is armed first: an action may not return until the run
  // loop it resumed stops, and the steps go on inside that loop meanwhile.
  QTimer::singleShot(std::uniform_int_distribution<int>(40, 250)(random_), this, [this] { Step(); });
  // While a dialog is up the user deals with the dialog.
  if (QApplication::activeModalWidget()) return;
  // Keys most of the time, a command now and then.
  const int roll = std::uniform_int_distribution<int>(0, 99)(random_);
  Act(roll < 60 ? kKey : 1 + roll % (kActionCount - 1));
}

void WindowDriver::Act(int action) {
  switch (action) {
    case kKey: {
      const Qt::Key key = kPadKeys[std::uniform_int_distribution<int>(0, std::size(kPadKeys) - 1)(random_)];
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
      QApplication::sendEvent(&form_, &press);
      const int hold = std::uniform_int_distribution<int>(20, 200)(random_);
      QTimer::singleShot(hold, this, [this, key] {
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(&form_, &release);
      });
      break;
    }
    case kPause:
      form_.mnuCPUClick();
      Say(QStringLiteral("pause"));
      form_.mnuPause->trigger();
      break;
    case kReset:
      Say(QStringLiteral("reset"));
      form_.mnuReset->trigger();
      break;
    case kSaveState:
      Say(QStringLiteral("save-state"));
      form_.mnusvecpd->trigger();
      break;
    case kLoadState:
      Say(QStringLiteral("load-state"));
      form_.mnuldacpd->trigger();
      break;
    case kScreenshot:
      Say(QStringLiteral("screenshot"));
      form_.mnuSavesnapshot->trigger();
      break;
    case kUnloadLoad: {
      Machine& m = form_.machine();
      if (m.CartridgeLoaded()) {
        cartridge_ = QString::fromStdString(m.RomFolder + m.RomFileName);
        Say(QStringLiteral("unload"));
        form_.mnuFreeROM->trigger();
      } else if (!cartridge_.isEmpty()) {
        Say(QStringLiteral("load"));
        form_.mnuLoadROM->trigger();
      }
      break;
    }
    case kSettings:
      Say(QStringLiteral("settings"));
      DismissDialogSoon(false);
      form_.mnuSettings->trigger();
      break;
    case kDebugger:
      form_.mnuCPUClick();  // the refresh the CPU menu runs as it opens
      if (!form_.mnuDebug->isEnabled()) break;
      Say(QStringLiteral("debugger"));
      DismissDialogSoon(true);
      form_.mnuDebug->trigger();
      break;
  }
}

void WindowDriver::DismissDialogSoon(bool stepDebugger) {
  const int steps = stepDebugger ? std::uniform_int_distribution<int>(1, 20)(random_) : 0;
  QTimer::singleShot(std::uniform_int_distribution<int>(100, 600)(random_), this, [steps] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    if (QAction* step = dialog->findChild<QAction*>(QStringLiteral("mnuStepOver")))
      for (int i = 0; i < steps; ++i) step->trigger();
    dialog->reject();
  });
}
