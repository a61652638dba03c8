// Keyboard state as Windows virtual-key codes: Qt's key events are mapped to
// the codes the stored bindings use (37-40 arrows, 32 Space, 13 Enter, 9 Tab,
// 16 Shift, 17 Ctrl, 65-90 letters, 112-123 F1-F12, ...), and one
// application-wide tracker keeps which of them are down.
#pragma once

#include <QKeyEvent>
#include <QObject>

#include "frontend/Controllers.h"

// The virtual-key code of a Qt key, or 0 when it has none. Keys of the
// numeric keypad (KeypadModifier) give the keypad codes 96-111.
int VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers);
// A printable name for a virtual-key code ("Espaço", "A", "F2", ...).
QString VirtualKeyName(int code);

class KeyboardTracker : public QObject {
  Q_OBJECT
 public:
  // The tracker of the application, installed on first use.
  static KeyboardTracker& Instance();
  const KeyboardState& Keys() const { return keys_; }
  // Releases every key, as when the application loses the keyboard.
  void Clear() { keys_.reset(); }
  // Counts a key event; for a filter that keeps the event from its target
  // and may see it before the tracker does.
  void Track(const QKeyEvent& key);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  KeyboardTracker();
  KeyboardState keys_;
};
