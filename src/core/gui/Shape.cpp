#include "core/gui/Shape.h"

#include <QMouseEvent>
#include <QPainter>

TShape::TShape(Kind kind, QWidget* parent) : QWidget(parent), kind_(kind) {}

void TShape::setBrushColor(const QColor& color) {
  if (brush_ == color) return;
  brush_ = color;
  update();
}

void TShape::setOutlineOnly(bool on) {
  outlineOnly_ = on;
  update();
}

void TShape::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing, kind_ == stCircle);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(outlineOnly_ ? QBrush(Qt::NoBrush) : QBrush(brush_));
  // The pen is drawn inside the widget so the outline is never clipped.
  const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  if (kind_ == stCircle)
    p.drawEllipse(r);
  else
    p.drawRect(r);
}

void TShape::mouseReleaseEvent(QMouseEvent* event) {
  // A press dragged off the shape and released elsewhere is no click on it;
  // any mouse button counts.
  if (rect().contains(event->position().toPoint())) emit mouseUp();
  QWidget::mouseReleaseEvent(event);
}
