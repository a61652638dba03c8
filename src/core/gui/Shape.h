// TShape: a plain painted rectangle or circle, filled with a brush colour or
// drawn as an outline only. The settings dialog lays them over its
// controller drawing as clickable buttons that change colour; the ROM
// information dialog frames its picture with one.
#pragma once

#include <QColor>
#include <QWidget>

class TShape : public QWidget {
  Q_OBJECT
 public:
  enum Kind { stRectangle, stCircle };

  TShape(Kind kind, QWidget* parent = nullptr);

  Kind kind() const { return kind_; }
  QColor brushColor() const { return brush_; }
  void setBrushColor(const QColor& color);
  // Outline only: the inside stays transparent.
  void setOutlineOnly(bool on);

 signals:
  // The mouse button was released over the shape.
  void mouseUp();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  Kind kind_;
  QColor brush_{Qt::white};
  bool outlineOnly_ = false;
};
