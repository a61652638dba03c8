// The settings dialog's page "Tempo": the key of every time control (click
// its button, then press the key, with Shift, Ctrl or Alt if wanted), the
// fast-forward speed, the length of the rewind history and the run-ahead. It
// edits copies; the dialog takes Values() on OK.
#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>

#include "frontend/TimeSettings.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

class TTimePage : public QWidget {
  Q_OBJECT
 public:
  // `keyOwner` names what else answers to a chord (a controller's button, a
  // menu command), or returns an empty text when nothing does.
  TTimePage(const TimeSettings& time, std::function<QString(int32_t chord)> keyOwner,
            QWidget* parent = nullptr);

  TimeSettings Values() const;
  // The command whose key the next key press sets, or -1.
  int Capturing() const { return capturing_; }

  std::array<QPushButton*, kTimeCommandCount> KeyButtons{};
  QPushButton* btnPadrao = nullptr;
  QComboBox* cbSpeed = nullptr;
  QSpinBox* seRewind = nullptr;
  QComboBox* cbRunAhead = nullptr;
  // Why the last key pressed was refused; empty otherwise.
  QLabel* lbAviso = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void StartCapture(int command);
  void Take(int32_t chord);
  void ShowKeys();

  std::array<int32_t, kTimeCommandCount> keys_{};
  std::function<QString(int32_t)> keyOwner_;
  int capturing_ = -1;
};
