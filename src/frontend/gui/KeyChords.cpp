#include "frontend/gui/KeyChords.h"

#include <QKeyEvent>

#include "frontend/TimeSettings.h"
#include "frontend/gui/VirtualKeys.h"

namespace {

// The Qt key of a virtual-key code: the unshifted key of a US layout, the
// same one VirtualKeyFromQt maps to the code.
QKeyCombination QtKeyFromVirtual(int code) {
  if (code >= 'A' && code <= 'Z') return Qt::Key(Qt::Key_A + (code - 'A'));
  if (code >= '0' && code <= '9') return Qt::Key(Qt::Key_0 + (code - '0'));
  if (code >= 112 && code <= 135) return Qt::Key(Qt::Key_F1 + (code - 112));
  if (code >= 96 && code <= 105) return QKeyCombination(Qt::KeypadModifier, Qt::Key(Qt::Key_0 + (code - 96)));
  static constexpr struct {
    int Vk;
    Qt::Key Key;
  } kKeys[] = {
      {8, Qt::Key_Backspace},    {9, Qt::Key_Tab},
      {12, Qt::Key_Clear},       {13, Qt::Key_Return},
      {19, Qt::Key_Pause},       {27, Qt::Key_Escape},
      {32, Qt::Key_Space},       {33, Qt::Key_PageUp},
      {34, Qt::Key_PageDown},    {35, Qt::Key_End},
      {36, Qt::Key_Home},        {37, Qt::Key_Left},
      {38, Qt::Key_Up},          {39, Qt::Key_Right},
      {40, Qt::Key_Down},        {44, Qt::Key_Print},
      {45, Qt::Key_Insert},      {46, Qt::Key_Delete},
      {186, Qt::Key_Semicolon},  {187, Qt::Key_Equal},
      {188, Qt::Key_Comma},      {189, Qt::Key_Minus},
      {190, Qt::Key_Period},     {191, Qt::Key_Slash},
      {192, Qt::Key_QuoteLeft},  {219, Qt::Key_BracketLeft},
      {220, Qt::Key_Backslash},  {221, Qt::Key_BracketRight},
      {222, Qt::Key_Apostrophe},
  };
  for (const auto& k : kKeys)
    if (k.Vk == code) return k.Key;
  switch (code) {
    case 106: return QKeyCombination(Qt::KeypadModifier, Qt::Key_Asterisk);
    case 107: return QKeyCombination(Qt::KeypadModifier, Qt::Key_Plus);
    case 109: return QKeyCombination(Qt::KeypadModifier, Qt::Key_Minus);
    case 110: return QKeyCombination(Qt::KeypadModifier, Qt::Key_Period);
    case 111: return QKeyCombination(Qt::KeypadModifier, Qt::Key_Slash);
    default: return Qt::Key_unknown;
  }
}

}  // namespace

QKeySequence ChordSequence(int32_t chord) {
  const QKeyCombination key = QtKeyFromVirtual(chord & kChordKeyMask);
  if (chord == 0 || key.key() == Qt::Key_unknown) return {};
  Qt::KeyboardModifiers modifiers = key.keyboardModifiers();
  if (chord & kChordShift) modifiers |= Qt::ShiftModifier;
  if (chord & kChordCtrl) modifiers |= Qt::ControlModifier;
  if (chord & kChordAlt) modifiers |= Qt::AltModifier;
  return QKeySequence(QKeyCombination(modifiers, key.key()));
}

int32_t ChordFromKeyEvent(const QKeyEvent& key) {
  const int code = VirtualKeyFromQt(key.key(), key.modifiers());
  // Shift, Ctrl and Alt only make a chord with another key.
  if (code <= 0 || code > kChordKeyMask || code == 16 || code == 17 || code == 18) return 0;
  int32_t chord = code;
  // Shift+Tab arrives as its own key, with Shift already in it.
  if ((key.modifiers() & Qt::ShiftModifier) || key.key() == Qt::Key_Backtab) chord |= kChordShift;
  if (key.modifiers() & Qt::ControlModifier) chord |= kChordCtrl;
  if (key.modifiers() & Qt::AltModifier) chord |= kChordAlt;
  return chord;
}

QString ChordName(int32_t chord) {
  if (chord == 0) return QStringLiteral("(nenhuma)");
  QString name;
  if (chord & kChordCtrl) name += QStringLiteral("Ctrl+");
  if (chord & kChordAlt) name += QStringLiteral("Alt+");
  if (chord & kChordShift) name += QStringLiteral("Shift+");
  return name + VirtualKeyName(chord & kChordKeyMask);
}

bool ChordHeld(int32_t chord, const KeyboardState& keys) {
  const int code = chord & kChordKeyMask;
  if (code == 0 || !keys[size_t(code)]) return false;
  return (!(chord & kChordShift) || keys[16]) && (!(chord & kChordCtrl) || keys[17]) &&
         (!(chord & kChordAlt) || keys[18]);
}
