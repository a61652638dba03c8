#include "video/gui/DXDraw.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cstring>
#include <limits>
#include <thread>

namespace {

// One NTSC frame: 1 / 60.0988 s.
constexpr std::chrono::nanoseconds kFramePeriod{16'639'268};

QFont DisplayFont(int pointSize) {
  QFont font(QStringLiteral("MS Sans Serif"), pointSize);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

// Pixels [left, left + width) of a surface row drawn `multiple` times across,
// opaque, through the colour table.
void ConvertRow(const uint8_t* in, const QRgb* table, int left, int width, int multiple, QRgb* out) {
  if (multiple == 2 && left % 2 == 0 && width % 2 == 0) {
    // The default size: both copies of a pixel in one store.
    in += left / 2;
    for (int x = 0; x < width / 2; ++x, out += 2) {
      const uint64_t colour = table[in[x]] | 0xFF000000u;
      const uint64_t pair = colour | colour << 32;
      std::memcpy(out, &pair, sizeof pair);
    }
    return;
  }
  // A part may start or end inside a pixel's block.
  int source = left / multiple, copies = multiple - left % multiple;
  while (width > 0) {
    const QRgb colour = table[in[source++]] | 0xFF000000u;
    const int n = std::min(copies, width);
    for (int k = 0; k < n; ++k) *out++ = colour;
    width -= n;
    copies = multiple;
  }
}

}  // namespace

TDXDraw::TDXDraw(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
  SetSurfaceSize(256, 240);
  // A user who wants to know whether frames arrive evenly names a file here;
  // each presentation appends its time, so the intervals can be studied.
  const QByteArray logPath = qgetenv("VIREL_FRAME_LOG");
  if (!logPath.isEmpty()) {
    frameLog_ = std::fopen(logPath.constData(), "w");
    // Line by line, so a program that is killed still leaves every frame.
    if (frameLog_ != nullptr) std::setvbuf(frameLog_, nullptr, _IOLBF, 64);
  }
}

TDXDraw::~TDXDraw() {
  if (frameLog_ != nullptr) std::fclose(frameLog_);
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
  MarkAllStale();
  update();
}

void TDXDraw::SetScale(int multiple) {
  scale_ = std::clamp(multiple, 1, 4);
  update();
}

int TDXDraw::FittingMultiple(QSize area, QSize picture, int largest) {
  if (picture.isEmpty()) return 1;
  return std::clamp(std::min(area.width() / picture.width(), area.height() / picture.height()), 1,
                    std::max(largest, 1));
}

QRect TDXDraw::PictureRect() const {
  if (options_.Stretch) return rect();
  // Whole multiples only, so every surface pixel becomes a square block of
  // the same size. A window keeps the size the player chose (or what fits of
  // it); a full screen is the player's whole view, and a picture at the
  // window's multiple would sit small in the middle of it.
  const int largest = options_.FullScreen ? std::numeric_limits<int>::max() : scale_;
  const int multiple = FittingMultiple(size(), surface_.size(), largest);
  QRect target(QPoint(0, 0), surface_.size() * multiple);
  if (options_.Center) target.moveCenter(rect().center());
  return target;
}

void TDXDraw::SetFullScreenOption(bool on) {
  options_.FullScreen = on;
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
  MarkAllStale();
}

void TDXDraw::SetColorTable(const QList<QRgb>& colors, bool asDefault) {
  QList<QRgb> table = colors;
  table.resize(256, qRgb(0, 0, 0));
  if (asDefault) defaultColors_ = table;
  // The hook refreshes the table at every frame start; it seldom changes,
  // and an unchanged table costs neither a copy nor a new conversion.
  if (table == colors_) return;
  colors_ = std::move(table);
  surface_.setColorTable(colors_);
  MarkAllStale();
}

void TDXDraw::CopyPixels(const uint8_t* pixels) {
  const int width = surface_.width(), height = surface_.height();
  // Rows the new picture shares with the last one need neither converting
  // nor showing again: a still title or status bar costs nothing per frame.
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = pixels + y * width;
    if (std::memcmp(surface_.constScanLine(y), row, size_t(width)) == 0) continue;
    std::memcpy(surface_.scanLine(y), row, size_t(width));
    MarkStale(y, y);
  }
  textItems_.clear();
  texts_.clear();
}

void TDXDraw::MarkStale(int first, int last) {
  if (staleFirst_ > staleLast_) {
    staleFirst_ = first;
    staleLast_ = last;
  } else {
    staleFirst_ = std::min(staleFirst_, first);
    staleLast_ = std::max(staleLast_, last);
  }
}

QRegion TDXDraw::ChangedRegion() const {
  const QRect target = PictureRect();
  const int multiple = target.width() / surface_.width();
  // Text moves with the picture and may reach past it, and a stretched
  // picture does not map rows to whole lines: those repaint everything.
  if (hadText_ || !textItems_.isEmpty() || multiple == 0 || target.size() != surface_.size() * multiple)
    return QRegion(rect());
  if (staleFirst_ > staleLast_) return {};
  return QRegion(target.x(), target.y() + staleFirst_ * multiple, target.width(),
                 (staleLast_ - staleFirst_ + 1) * multiple);
}

void TDXDraw::ConvertSurface(int multiple) {
  const int width = surface_.width(), height = surface_.height();
  const QSize size(width * multiple, height * multiple);
  if (frame_.size() != size) {
    frame_ = QImage(size, QImage::Format_RGB32);
    MarkAllStale();
  }
  if (staleFirst_ > staleLast_) return;
  const int first = std::max(staleFirst_, 0), last = std::min(staleLast_, height - 1);
  staleFirst_ = 1;
  staleLast_ = 0;
  // One table lookup per pixel, each written `multiple` times across, and the
  // finished line copied down for the rest of its block: the painter is left
  // a plain copy, with no conversion or scaling of its own on every paint.
  const QRgb* table = colors_.constData();
  const qsizetype stride = frame_.bytesPerLine();
  uchar* bits = frame_.bits();
  for (int y = first; y <= last; ++y) {
    uchar* line = bits + stride * y * multiple;
    ConvertRow(surface_.constScanLine(y), table, 0, size.width(), multiple, reinterpret_cast<QRgb*>(line));
    for (int k = 1; k < multiple; ++k) std::memcpy(line + stride * k, line, size_t(size.width()) * 4);
  }
}

bool TDXDraw::PaintStraightToStore(QPainter& painter, const QRegion& region, const QRect& target,
                                   int multiple) {
  QPaintDevice* device = painter.paintEngine() ? painter.paintEngine()->paintDevice() : nullptr;
  if (device == nullptr || device->devType() != QInternal::Image) return false;
  auto* store = static_cast<QImage*>(device);
  const QImage::Format format = store->format();
  if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
      format != QImage::Format_ARGB32_Premultiplied)
    return false;
  // Widget to store coordinates must be a whole-pixel shift.
  const QTransform& toStore = painter.deviceTransform();
  if (store->devicePixelRatio() != 1.0 || toStore.type() > QTransform::TxTranslate) return false;
  const QPoint shift(qRound(toStore.dx()), qRound(toStore.dy()));
  if (QPointF(shift) != QPointF(toStore.dx(), toStore.dy())) return false;
  const QRegion parts = region.intersected(target);
  for (const QRect& part : parts)
    if (!store->rect().contains(part.translated(shift))) return false;

  const QRgb* table = colors_.constData();
  const qsizetype stride = store->bytesPerLine();
  uchar* bits = store->bits();
  for (const QRect& part : parts) {
    const int left = part.left() - target.left();  // from the picture's left edge
    const int width = part.width();
    for (int y = part.top(); y <= part.bottom(); ++y) {
      const int row = (y - target.top()) / multiple;
      auto* out = reinterpret_cast<QRgb*>(bits + stride * (y + shift.y())) + part.left() + shift.x();
      // The device rows of one surface row are alike: the first one of them
      // in this part is converted, the rest copied from it.
      if (y > part.top() && (y - target.top()) % multiple != 0) {
        std::memcpy(out, reinterpret_cast<const uchar*>(out) - stride, size_t(width) * 4);
        continue;
      }
      ConvertRow(surface_.constScanLine(row), table, left, width, multiple, out);
    }
  }
  return true;
}

void TDXDraw::DrawPicture(const QImage& picture) {
  // The picture brings its own colours: converting it to 8 bits gives the
  // table the surface then shows it with.
  QImage indexed = picture.scaled(surface_.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::PreferDither);
  surface_ = indexed;
  MarkAllStale();
  colors_.clear();  // the new table always applies
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
  // Only what changed is painted and sent to the screen; a picture that did
  // not change at all is already showing.
  flipped_ = ChangedRegion();
  if (!flipped_.isEmpty() && CoveredWithin(flipped_)) {
    // A widget lying over the picture (the message line) would be painted
    // over by the changed rows: the parent paints both, in their order.
    parentWidget()->repaint(flipped_.translated(pos()));
  } else if (flipped_ == QRegion(rect())) {
    repaint();
  } else if (!flipped_.isEmpty()) {
    repaint(flipped_);
  }
  hadText_ = !textItems_.isEmpty();
  if (frameLog_ != nullptr) LogPresentation();
  if (options_.WaitVBlank) WaitForFrameDeadline();
}

bool TDXDraw::CoveredWithin(const QRegion& region) const {
  const QWidget* parent = parentWidget();
  if (parent == nullptr) return false;
  const QRegion inParent = region.translated(pos());
  // Siblings come in their stacking order: those after this one lie above.
  bool above = false;
  for (const QObject* child : parent->children()) {
    if (child == this) {
      above = true;
      continue;
    }
    const auto* widget = qobject_cast<const QWidget*>(child);
    if (above && widget != nullptr && widget->isVisible() && inParent.intersects(widget->geometry()))
      return true;
  }
  return false;
}

void TDXDraw::LogPresentation() {
  // Nanoseconds of the monotonic clock, the one the frame deadlines use.
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  std::fprintf(frameLog_, "%lld\n", static_cast<long long>(std::chrono::nanoseconds(now).count()));
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

void TDXDraw::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect target = PictureRect();
  // Only the margins are filled: the picture covers the rest, and filling
  // the whole widget first would write every pixel twice per frame.
  const QRegion margins = event->region().subtracted(QRegion(target));
  for (const QRect& band : margins) painter.fillRect(band, Qt::black);
  const int multiple = target.width() / surface_.width();
  const bool whole = multiple > 0 && target.size() == surface_.size() * multiple;
  // At a whole multiple the picture goes straight into the window's backing
  // store: no 32-bit copy to keep, nothing for the painter to copy again.
  if (whole && PaintStraightToStore(painter, event->region(), target, multiple)) {
    // Rows that changed are on screen once the paint covered all of them
    // (a Flip asks for exactly those; a partial expose may not).
    if (ChangedRegion().subtracted(event->region()).isEmpty()) {
      staleFirst_ = 1;
      staleLast_ = 0;
    }
    // The copy is left behind by this paint; it is made again, whole, if a
    // later paint needs it.
    frame_ = QImage();
  } else {
    // Otherwise from the 32-bit copy: at a whole multiple it is already the
    // target's size; stretched, the painter scales it, nearest neighbour
    // since it only smooths when asked to.
    ConvertSurface(whole ? multiple : 1);
    if (target.size() == frame_.size()) {
      // Just the parts asked for, straight from the copy.
      for (const QRect& part : event->region().intersected(target))
        painter.drawImage(part.topLeft(), frame_, part.translated(-target.topLeft()));
    } else {
      painter.drawImage(target, frame_);
    }
  }
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
