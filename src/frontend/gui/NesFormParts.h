// Two small widgets of the main window: the client area that holds the
// display and the log (and draws the picture itself when the display is
// unavailable), and the owner-drawn second panel of the status bar.
#pragma once

#include <QWidget>

class TfrmNES;

class TClientArea : public QWidget {
  Q_OBJECT
 public:
  explicit TClientArea(TfrmNES& form);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  TfrmNES& form_;
};

// Panel 1: while a cartridge runs, "DirectX" or "NoDirectX" and then "Audio"
// or "NoAudio", 16 x 16 each, the second 18 pixels right of the first.
class TStatusIcons : public QWidget {
  Q_OBJECT
 public:
  explicit TStatusIcons(TfrmNES& form);
  // Names of the icons drawn now (empty while no cartridge runs).
  QStringList IconNames() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TfrmNES& form_;
};
