#include "video/gui/DXDraw.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <thread>

namespace {

// One NTSC frame: 1 / 60.0988 s.
constexpr std::chrono::nanoseconds kFramePeriod{16'639'268};

QFont DisplayFont(int pointSize) {
  QFont font(QStringLiteral("MS Sans Serif"), pointSize);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

}  // namespace

TDXDraw::TDXDraw(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
  SetSurfaceSize(256, 240);
}

bool TDXDraw::Initialize() {
  // Without a screen there is nothing to show a surface on; the caller then
  // draws on the window itself.
  if (QGuiApplication::primaryScreen() == nullptr) return false;
  initialized_ = true;
  lost_ = false;
  return true;
}

void TDXDraw::Finalize() { initialized_ = false; }

void TDXDraw::Restore() {
  if (!initialized_ || !lost_) return;
  lost_ = false;
  surface_.setColorTable(colors_);
  update();
}

void TDXDraw::SetStretch(bool on) {
  options_.Stretch = on;
  update();
}

QStringList TDXDraw::DisplayModes() const {
  QStringList modes;
  for (QScreen* screen : QGuiApplication::screens()) {
    const QSize size = screen->size();
    modes << QString::asprintf("%dx%dx%d", size.width(), size.height(), screen->depth());
  }
  modes << QStringLiteral("320x240x16");
  modes.removeDuplicates();
  return modes;
}

void TDXDraw::SetSurfaceSize(int width, int height) {
  if (surface_.width() == width && surface_.height() == height) return;
  surface_ = QImage(width, height, QImage::Format_Indexed8);
  surface_.fill(0);
  if (colors_.size() != 256) colors_ = QList<QRgb>(256, qRgb(0, 0, 0));
  surface_.setColorTable(colors_);
}

void TDXDraw::SetColorTable(const QList<QRgb>& colors, bool asDefault) {
  colors_ = colors;
  colors_.resize(256, qRgb(0, 0, 0));
  if (asDefault) defaultColors_ = colors_;
  surface_.setColorTable(colors_);
}

void TDXDraw::CopyPixels(const uint8_t* pixels) {
  const int width = surface_.width();
  for (int y = 0; y < surface_.height(); ++y) memcpy(surface_.scanLine(y), pixels + y * width, size_t(width));
  textItems_.clear();
  texts_.clear();
}

void TDXDraw::DrawPicture(const QImage& picture) {
  // The picture brings its own colours: converting it to 8 bits gives the
  // table the surface then shows it with.
  QImage indexed = picture.scaled(surface_.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::PreferDither);
  surface_ = indexed;
  SetColorTable(indexed.colorTable(), true);
  textItems_.clear();
  texts_.clear();
}

void TDXDraw::DrawText(int x, int y, const QString& text, QColor color, int pointSize) {
  textItems_.append({QPoint(x, y), text, color, pointSize});
  texts_.append(text);
}

int TDXDraw::TextHeight(const QString& text, int pointSize) {
  return QFontMetrics(DisplayFont(pointSize)).boundingRect(text).height();
}

void TDXDraw::Flip() {
  ++flips_;
  repaint();
  if (options_.WaitVBlank) WaitForFrameDeadline();
}

void TDXDraw::WaitForFrameDeadline() {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point now = Clock::now();
  // After a stall of more than a frame the deadlines start afresh from now:
  // running several frames back to back to make up for it would show as a
  // burst of speed.
  if (!paced_ || now - deadline_ > kFramePeriod) deadline_ = now;
  paced_ = true;
  deadline_ += kFramePeriod;
  std::this_thread::sleep_until(deadline_);
}

void TDXDraw::showEvent(QShowEvent*) {
  // The surface counts as lost when the screen under the window changes its
  // mode or the window moves to another screen, as a mode switch by another
  // program would do; Restore brings it back.
  QWindow* handle = window()->windowHandle();
  if (handle == nullptr || handle == watchedWindow_) return;
  watchedWindow_ = handle;
  connect(handle, &QWindow::screenChanged, this, [this](QScreen* screen) {
    lost_ = true;
    WatchScreen(screen);
  });
  WatchScreen(handle->screen());
}

void TDXDraw::WatchScreen(QScreen* screen) {
  if (screen == nullptr) return;
  connect(screen, &QScreen::geometryChanged, this, &TDXDraw::MarkLost, Qt::UniqueConnection);
}

void TDXDraw::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  QRect target(QPoint(0, 0), surface_.size());
  if (options_.Stretch) {
    target = rect();
  } else if (options_.Center) {
    target.moveCenter(rect().center());
  }
  painter.drawImage(target, surface_);
  // Text sits on the surface, so it scales with it.
  painter.translate(target.topLeft());
  painter.scale(double(target.width()) / surface_.width(), double(target.height()) / surface_.height());
  for (const TextItem& item : textItems_) {
    painter.setFont(DisplayFont(item.PointSize));
    painter.setPen(item.Color);
    const QFontMetrics metrics(painter.font());
    painter.drawText(item.At + QPoint(0, metrics.ascent()), item.Text);
  }
}
