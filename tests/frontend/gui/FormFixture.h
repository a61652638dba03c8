// Test support for the main window: a temporary settings folder per test, a
// window with its file dialogs and error display replaced, and a way to run a
// cartridge for a few frames while checking the window from inside the loop.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <functional>
#include <memory>

#include "frontend/gui/NesForm.h"
#include "video/gui/DXDraw.h"

inline const QString kPadRom = QStringLiteral(VIREL_ROM_DIR "/frontend_pad.nes");

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(settingsDir_.isValid());
    // QSettings("QMT", "VIREL") then lives in the temporary folder, never in
    // the user's own configuration.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path());
  }
  void TearDown() override { form.reset(); }

  // A new window, as at program start, with `arguments` as its command line.
  TfrmNES& Open(const QStringList& arguments = {}) {
    form.reset();
    form = std::make_unique<TfrmNES>(arguments, nullptr, devices);
    form->ChooseRomFile = [this] { return nextRomFile; };
    form->ChooseBitmapFile = [this] { return nextBitmapFile; };
    form->ShowError = [this](const QString& text) { errors << text; };
    form->Confirm = [this](const QString& text) {
      questions << text;
      return confirmAnswer;
    };
    // Mouse buttons are controller 1's A, B and Start: a button that an
    // earlier test left pressed must not reach this one's pad.
    for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
      if (QGuiApplication::mouseButtons() & b) QTest::mouseRelease(form.get(), b);
    }
    return *form;
  }
  // Destroys the window, which saves the settings.
  void Close() { form.reset(); }

  // The stored value of the general key or a controller group.
  QVariant Stored(const QString& name) {
    QSettings settings(QStringLiteral("QMT"), QStringLiteral("VIREL"));
    return settings.value(name);
  }
  void Store(const QString& name, const QVariant& value) {
    QSettings settings(QStringLiteral("QMT"), QStringLiteral("VIREL"));
    settings.setValue(name, value);
  }

  // The recent list's paths, first first, without its empty entries.
  QStringList Recent() const {
    QStringList list;
    for (const std::string& s : form->settings().RecentList)
      if (!s.empty()) list << QString::fromStdString(s);
    return list;
  }

  QStringList Log() const { return form->Terminal->toPlainText().split(QLatin1Char('\n')); }

  // Runs `start` (a command that enters the run loop) and calls `step` at each
  // frame start until it returns true; then stops emulation if it still runs.
  // A run that never finishes is cut after 600 frames.
  void RunFrames(const std::function<void()>& start, const std::function<bool()>& step) {
    QTimer timer;
    timer.setInterval(0);
    int frames = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
      if (++frames > 600 || step()) {
        timer.stop();
        form->machine().Running = false;
      }
    });
    timer.start();
    start();
    timer.stop();
  }

  // What a file manager sends: the drag enters over the picture, then drops.
  // Returns whether the window took the drag. The file starts (or is
  // refused) from the event loop a little later.
  bool Drop(const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = form->DXDraw->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form->DXDraw, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form->DXDraw, &drop);
    return drop.isAccepted();
  }

  QAction* Item(const char* name) { return form->findChild<QAction*>(QString::fromLatin1(name)); }

  // Where the keyboard sends a key now, as for a key the player types: an
  // open menu, else the widget with the keyboard, else the window.
  QWidget* KeyTarget() const {
    if (QWidget* popup = QApplication::activePopupWidget())
      return popup->focusWidget() != nullptr ? popup->focusWidget() : popup;
    if (QWidget* focus = QApplication::focusWidget()) return focus;
    return form.get();
  }

  std::unique_ptr<TfrmNES> form;
  // The sound devices the next Open gives the window (none by default).
  SoundDeviceFactory devices;
  QString nextRomFile, nextBitmapFile;
  QStringList errors;
  // The questions asked, and the answer the next ones get.
  QStringList questions;
  bool confirmAnswer = true;

 private:
  QTemporaryDir settingsDir_;
};

// A window test whose per-user data (the state slots) lives in a temporary
// folder of its own.
class DataFolderTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    ASSERT_TRUE(data_.isValid());
    oldData_ = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data_.path().toUtf8());
  }
  void TearDown() override {
    FormTest::TearDown();
    if (oldData_.isEmpty())
      qunsetenv("XDG_DATA_HOME");
    else
      qputenv("XDG_DATA_HOME", oldData_);
  }

  QTemporaryDir data_;

 private:
  QByteArray oldData_;
};
