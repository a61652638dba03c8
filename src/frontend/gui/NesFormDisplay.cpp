// TfrmNES as the core's host: the picture on the display component (or on the
// window itself when the display is unavailable), the idle screen, full
// screen and back, the controller poll, the message processing at each frame
// start, the log and the status bar.
#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <limits>
#include <stdexcept>

#include "core/Engine.h"
#include "frontend/gui/MessageLine.h"
#include "frontend/gui/MidiMenu.h"
#include "frontend/gui/NesForm.h"
#include "frontend/gui/NesFormParts.h"
#include "video/Palette.h"
#include "video/gui/DXDraw.h"

namespace {

constexpr int kFpsPointSize = 6;
const QColor kFpsColor(0, 255, 0);

// The millisecond tick count of the frame-rate figure.
uint32_t TickCount() {
  static QElapsedTimer clock = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  // Offset by one so that the first tick is never the "no tick yet" value.
  return uint32_t(clock.elapsed()) + 1;
}

QList<QRgb> ColorTableOf(const Machine& m) {
  QList<QRgb> colors(256);
  for (int i = 0; i < 256; ++i) colors[i] = qRgb(m.FrameColors[i].R, m.FrameColors[i].G, m.FrameColors[i].B);
  return colors;
}

// "%dx%dx%d" split at its two "x": each part must be a number, as a display
// mode of the settings dialog always is; a hand-edited value that is not
// fails the switch with the usual conversion message.
TDXDraw::DisplayMode ParseDisplayMode(const QString& text) {
  const QStringList parts = text.split(QLatin1Char('x'));
  int values[3] = {0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    const QString part = parts.value(i);
    bool ok = false;
    values[i] = part.toInt(&ok);
    if (!ok) throw std::invalid_argument("'" + part.toStdString() + "' não é um número inteiro válido");
  }
  return {values[0], values[1], values[2]};
}

}  // namespace

// --- The client area and the status panel -----------------------------------------

TClientArea::TClientArea(TfrmNES& form) : QWidget(&form), form_(form) {
  setObjectName(QStringLiteral("ClientArea"));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TClientArea::resizeEvent(QResizeEvent*) {
  // The display and the log both fill the area; one of them is visible. The
  // message line lies over the picture, wherever that lands.
  for (QObject* child : children()) {
    if (child->isWidgetType() && child != &form_.messageLine())
      static_cast<QWidget*>(child)->setGeometry(rect());
  }
  form_.PlaceMessageLine();
}

void TClientArea::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  const QImage& picture = form_.WindowPicture();
  if (picture.isNull()) return;
  // The window path: the picture centred at the window's size multiple (or
  // the largest that fits; in full screen the largest that fits at all), the
  // figure under it.
  const int largest =
      form_.DXDraw->options().FullScreen ? std::numeric_limits<int>::max() : form_.WindowSize();
  const int scale = TDXDraw::FittingMultiple(size(), picture.size(), largest);
  const int x = (width() - picture.width() * scale) / 2;
  const int y = (height() - picture.height() * scale) / 2;
  painter.drawImage(QRect(x, y, picture.width() * scale, picture.height() * scale), picture);
  if (form_.windowFpsText_.isEmpty()) return;
  QFont font(QStringLiteral("MS Sans Serif"), kFpsPointSize);
  font.setStyleHint(QFont::SansSerif);
  painter.setFont(font);
  painter.setPen(kFpsColor);
  const int h = TDXDraw::TextHeight(QStringLiteral("F"), kFpsPointSize);
  painter.drawText(x, y + 240 * scale - h + 1 + painter.fontMetrics().ascent(), form_.windowFpsText_);
}

TStatusIcons::TStatusIcons(TfrmNES& form) : QWidget(&form), form_(form) {}

QStringList TStatusIcons::IconNames() const {
  if (!form_.machine().Running) return {};
  return {form_.UseDirectDraw ? QStringLiteral("DirectX") : QStringLiteral("NoDirectX"),
          form_.machine().SoundOn ? QStringLiteral("Audio") : QStringLiteral("NoAudio")};
}

void TStatusIcons::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QStringList names = IconNames();
  const int top = (height() - 16) / 2;
  for (int i = 0; i < names.size(); ++i) {
    painter.drawPixmap(i * 18, top, QPixmap(QStringLiteral(":/virel/status/%1.png").arg(names[i])));
  }
}

// --- Display ---------------------------------------------------------------------------

void TfrmNES::ShowIdleScreen() {
  if (!DXDraw->Initialize()) throw std::runtime_error("Não foi possível iniciar a tela.");
  // The logo brings its own colours, which become both colour tables.
  DXDraw->DrawPicture(QImage(QStringLiteral(":/virel/logo.jpg")));
  DXDraw->Flip();
  StatusPanel0->setText(QStringLiteral("Pressione F2 Para Carregar uma ROM"));
}

void TfrmNES::RestoreDisplay() { DXDraw->Restore(); }

void TfrmNES::PrepareDisplay() {
  DXDraw->SetSurfaceSize(kScreenWidth, kScreenHeight);
  UseDirectDraw = DXDraw->Initialize();
  DXDraw->SetSurfaceSize(kScreenWidth, kScreenHeight);
  DXDraw->SetColorTable(ColorTableOf(*machine_));
  windowPicture_ = QImage();
  if (settings_.StartFullScreen == 1 && UseDirectDraw) ToggleFullScreen();
  Terminal->hide();
  DXDraw->setVisible(UseDirectDraw);
  // The game's keys go to the picture from the start.
  client_->setFocus(Qt::OtherFocusReason);
}

void TfrmNES::ToggleFullScreen() {
  if (DXDraw->options().FullScreen) {
    DXDraw->Finalize();
    ShowWindowed();
    if (!DXDraw->Initialize()) throw std::runtime_error("Não foi possível iniciar a tela.");
    return;
  }
  // A switch that fails (a stored mode that is not one, a display that cannot
  // start) must not strand the window without its menu, toolbar and status
  // bar and with the picture frozen: it goes back to window mode as it was,
  // and the error still reaches the user. The stored mode stays as it is.
  const QCursor cursor = DXDraw->cursor();
  const bool visible = isVisible();
  DXDraw->Finalize();
  try {
    ShowFullScreen();
    if (!DXDraw->Initialize()) throw std::runtime_error("Não foi possível iniciar a tela.");
  } catch (...) {
    // Once the switch got under way it is undone (the placement it stored
    // comes back); a mode that is not one has changed nothing yet.
    if (DXDraw->options().FullScreen) ShowWindowed();
    DXDraw->setCursor(cursor);
    if (!visible) hide();
    DXDraw->Initialize();
    throw;
  }
}

void TfrmNES::ShowWindowed() {
  DXDraw->SetFullScreenOption(false);
  menuBar()->show();
  Bar->show();
  statusBar()->show();
  DXDraw->setContextMenuPolicy(Qt::CustomContextMenu);
  DXDraw->setCursor(Qt::ArrowCursor);
  showNormal();
  setFixedSize(normalSize_);
  if (placementStored_) {
    // A stored placement is restored at most once.
    move(storedPlacement_.topLeft());
    placementStored_ = false;
  }
}

void TfrmNES::ShowFullScreen() {
  // The mode is read before anything changes, so a mode that is not one
  // fails with the window untouched.
  const bool modeGiven = !settings_.FullScreenMode.empty();
  const TDXDraw::DisplayMode mode =
      modeGiven ? ParseDisplayMode(QString::fromStdString(settings_.FullScreenMode)) : DXDraw->displayMode();
  storedPlacement_ = geometry();
  placementStored_ = true;
  menuBar()->hide();
  DXDraw->setContextMenuPolicy(Qt::NoContextMenu);
  statusBar()->hide();
  Bar->hide();
  DXDraw->setCursor(Qt::BlankCursor);
  if (modeGiven) DXDraw->SetDisplayMode(mode);
  DXDraw->SetFullScreenOption(true);
  setMinimumSize(0, 0);
  setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  // A window manager makes a full-screen window cover its screen; a bare X
  // session (a cabinet, a kiosk) has none, and the window would stay as it
  // was without its menus. Asking for the screen's area first covers both.
  if (QScreen* where = screen()) setGeometry(where->geometry());
  showFullScreen();
}

void TfrmNES::LeaveDisplay() {
  // The cartridge is unloaded: its music recording ends here.
  midiMenu_->StopRecording();
  DXDraw->Finalize();
  Terminal->show();
  DXDraw->hide();
  windowPicture_ = QImage();
  const bool wasFullScreen = DXDraw->options().FullScreen;
  menuBar()->show();
  Bar->show();
  statusBar()->show();
  DXDraw->setContextMenuPolicy(Qt::CustomContextMenu);
  DXDraw->setCursor(Qt::ArrowCursor);
  DXDraw->SetFullScreenOption(false);
  if (wasFullScreen) {
    showNormal();
    setFixedSize(normalSize_);
  }
  if (settings_.StartFullScreen == 1 && placementStored_) {
    move(storedPlacement_.topLeft());
    placementStored_ = false;
  }
}

// --- Host ----------------------------------------------------------------------------------

void TfrmNES::RefreshColorTable() { DXDraw->SetColorTable(ColorTableOf(*machine_)); }

void TfrmNES::DrawFpsText(int x, int y, const QString& format) {
  const double fps = MeasureFrameRate(fpsMeter_, TickCount());
  const QString figure = QLocale().toString(fps, 'f', 2);
  const QString text = format.arg(figure);
  if (UseDirectDraw) {
    DXDraw->DrawText(x, y, text, kFpsColor, kFpsPointSize);
  } else {
    windowFpsText_ = text;
  }
}

void TfrmNES::PresentFrame() {
  Machine& m = *machine_;
  if (!time_->ShowsFrame()) {
    // Unseen (run ahead, or between fast-forward's shown frames): the
    // colour table still follows the palette, as the machine's own state.
    UpdateFrameColors(m);
    return;
  }
  lastShown_ = std::chrono::steady_clock::now();
  if (UseDirectDraw) {
    if (!DXDraw->CanDraw()) return;  // the frame is dropped
    if (UpdateFrameColors(m)) DXDraw->SetColorTable(ColorTableOf(m));
    DXDraw->CopyPixels(m.engine->Picture().Pixels.data());
    if (ShowFps) {
      const int h = TDXDraw::TextHeight(QStringLiteral("F"), kFpsPointSize);
      DrawFpsText(0, 241 - h, QStringLiteral("FPS: %1"));
    }
    // "As fast as possible" shows frames without waiting for their deadline.
    const bool paced = DXDraw->options().WaitVBlank;
    if (!time_->PacesFrame()) DXDraw->SetWaitVBlank(false);
    DXDraw->Flip();
    DXDraw->SetWaitVBlank(paced);
    return;
  }
  // The window path: no display, so the picture is drawn on the window
  // itself and nothing waits for the next frame.
  UpdateFrameColors(m);
  QImage picture(m.engine->Picture().Pixels.data(), kScreenWidth, kScreenHeight, kScreenWidth,
                 QImage::Format_Indexed8);
  // Entries 0-63 carry the colours, and the further groups of 64 the same
  // through each colour emphasis the picture uses.
  picture.setColorTable(ColorTableOf(m));
  windowPicture_ = picture.convertToFormat(QImage::Format_RGB32);
  windowFpsText_.clear();
  if (ShowFps) DrawFpsText(0, 0, QStringLiteral("%1 FPS"));
  client_->repaint();
}

void TfrmNES::PollControllers() {
  // Rehearsed frames go on with what their real frame read.
  if (!time_->ReadsControllers()) return;
  for (int pad = 0; pad < 2; ++pad) {
    inputs_[pad]->Update();
    machine_->PadState[pad] = PadByteFromStates(inputs_[pad]->States());
  }
}

void TfrmNES::ProcessMessages() {
  // The recording's clock counts the game's frames, not rehearsed ones.
  const FrameKind ended = time_->Kind();
  if (ended != FrameKind::Ahead && ended != FrameKind::AheadShown) ++framesRun_;
  ReadHeldTimeKeys();
  if (!time_->AtFrameStart()) return;
  // Bound joystick buttons run their commands where the keys' items run:
  // here, between two frames, with the machine in its real state.
  RunPressedTimeButtons();
  ShowTimeStatus();
  // The icons follow commands that ran since the last frame; repainting the
  // panel only when they changed spares the window a repaint every frame.
  if (const QStringList names = StatusPanel1->IconNames(); names != shownIcons_) {
    shownIcons_ = names;
    StatusPanel1->update();
  }
  ShowRunState();
  QApplication::processEvents(QEventLoop::AllEvents);
  // A dialog opened in there held the notes; the game runs on now.
  ContinueHeldSound();
}

void TfrmNES::AppendLog(std::string_view line) {
  Terminal->appendPlainText(QString::fromUtf8(line.data(), qsizetype(line.size())));
}

void TfrmNES::SetStatusText(std::string_view text) {
  StatusPanel0->setText(QString::fromUtf8(text.data(), qsizetype(text.size())));
  statusBar()->repaint();
}

bool TfrmNES::SoundEnabled() const { return abltsom->isChecked(); }
