// The message line: one line of text drawn over the bottom of the picture,
// in the window and in full screen, where the player is looking. A message
// (a state saved, a load refused, the engine switched) stays a few seconds
// and fades; a newer one replaces it at once. A state that lasts (paused,
// rewinding, fast-forward) shows while it lasts, under any message. The
// player can switch the line off ("Vídeo > Mensagens na Tela"); the log and
// the status bar still say everything.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <QWidget>

class TMessageLine : public QWidget {
  Q_OBJECT
 public:
  // How long a message stands fully drawn, then how long it takes to fade.
  static constexpr int kShowMs = 3000;
  static constexpr int kFadeMs = 700;

  explicit TMessageLine(QWidget* parent);

  // A message replacing whatever message showed.
  void ShowMessage(const QString& text);
  // The state that lasts; empty when there is none.
  void SetLasting(const QString& text);
  void SetSwitchedOn(bool on);
  bool SwitchedOn() const { return switchedOn_; }
  // Lies over the bottom of `picture` (coordinates of the parent), its
  // height in proportion to the picture's so that it reads alike at every
  // size.
  void Place(const QRect& picture);

  // What the line draws now (empty when nothing), and how opaque (0-1).
  QString Text() const;
  double Opacity() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Refresh();
  bool MessageLive() const;

  QString message_;
  QString lasting_;
  QElapsedTimer shown_;
  QTimer fade_;
  bool switchedOn_ = true;
};
