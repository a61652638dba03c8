#include "frontend/gui/MessageLine.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace {

// The fade's steps: smooth enough to read as a fade, few enough to cost
// nothing beside the picture.
constexpr int kFadeStepMs = 50;
// A line a twelfth of the picture's height: 20 pixels at 1x, readable over
// any game and covering little of it.
constexpr int kLineDivisor = 12;
constexpr int kMinLineHeight = 18;
constexpr int kMinFontPixels = 10;

}  // namespace

TMessageLine::TMessageLine(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("MessageLine"));
  // The game's clicks and the picture's menu go through to the picture.
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  fade_.setInterval(kFadeStepMs);
  connect(&fade_, &QTimer::timeout, this, &TMessageLine::Refresh);
  hide();
}

void TMessageLine::ShowMessage(const QString& text) {
  message_ = text;
  shown_.start();
  fade_.start();
  Refresh();
}

void TMessageLine::SetLasting(const QString& text) {
  if (text == lasting_) return;
  lasting_ = text;
  Refresh();
}

void TMessageLine::SetSwitchedOn(bool on) {
  switchedOn_ = on;
  Refresh();
}

void TMessageLine::Place(const QRect& picture) {
  const int height = std::max(kMinLineHeight, picture.height() / kLineDivisor);
  const QRect area(picture.left(), picture.bottom() + 1 - height, picture.width(), height);
  if (area != geometry()) setGeometry(area);
}

bool TMessageLine::MessageLive() const {
  return !message_.isEmpty() && shown_.isValid() && shown_.elapsed() < kShowMs + kFadeMs;
}

QString TMessageLine::Text() const {
  if (!switchedOn_) return {};
  return MessageLive() ? message_ : lasting_;
}

double TMessageLine::Opacity() const {
  if (Text().isEmpty()) return 0.0;
  if (!MessageLive()) return 1.0;
  const qint64 fading = shown_.elapsed() - kShowMs;
  return fading <= 0 ? 1.0 : 1.0 - double(fading) / kFadeMs;
}

void TMessageLine::Refresh() {
  if (!MessageLive()) {
    fade_.stop();
    message_.clear();
  }
  const bool visible = !Text().isEmpty();
  if (visible) raise();
  setVisible(visible);
  update();
}

void TMessageLine::paintEvent(QPaintEvent*) {
  const QString text = Text();
  if (text.isEmpty()) return;
  QPainter painter(this);
  painter.setOpacity(Opacity());
  // A dark band under light text: legible over any colour a game uses.
  painter.fillRect(rect(), QColor(0, 0, 0, 170));
  const int margin = height() / 3;
  const QRect inside = rect().adjusted(margin, 0, -margin, 0);
  QFont font = painter.font();
  font.setBold(true);
  int size = std::max(kMinFontPixels, height() * 3 / 5);
  font.setPixelSize(size);
  painter.setFont(font);
  // A long message takes a smaller letter, down to a size still easily read,
  // before it is cut with an ellipsis; the log keeps it whole. Letter widths
  // do not scale exactly with the size: each step is measured again, by the
  // very test that would cut it.
  const auto fits = [&] {
    return painter.fontMetrics().elidedText(text, Qt::ElideRight, inside.width()) == text;
  };
  while (!fits() && size > kMinFontPixels) {
    const int wide = painter.fontMetrics().horizontalAdvance(text);
    size = std::max(kMinFontPixels, std::min(size - 1, size * inside.width() / std::max(wide, 1)));
    font.setPixelSize(size);
    painter.setFont(font);
  }
  painter.setPen(QColor(255, 255, 255));
  const QString shown = painter.fontMetrics().elidedText(text, Qt::ElideRight, inside.width());
  painter.drawText(inside, Qt::AlignVCenter | Qt::AlignLeft, shown);
}
