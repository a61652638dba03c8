#include "frontend/gui/VirtualKeys.h"

#include <QApplication>
#include <QKeyEvent>

namespace {

struct KeyCode {
  int Qt;
  int Vk;
};

// Keys with a fixed code. Shifted symbols of a US layout map to the code of
// their key, so a key pressed without Shift and released with it (or the
// other way round) is released under the code it was pressed with.
constexpr KeyCode kKeyCodes[] = {
    {Qt::Key_Backspace, 8},    {Qt::Key_Tab, 9},           {Qt::Key_Backtab, 9},
    {Qt::Key_Clear, 12},       {Qt::Key_Return, 13},       {Qt::Key_Enter, 13},
    {Qt::Key_Shift, 16},       {Qt::Key_Control, 17},      {Qt::Key_Alt, 18},
    {Qt::Key_AltGr, 18},       {Qt::Key_Pause, 19},        {Qt::Key_CapsLock, 20},
    {Qt::Key_Escape, 27},      {Qt::Key_Space, 32},        {Qt::Key_PageUp, 33},
    {Qt::Key_PageDown, 34},    {Qt::Key_End, 35},          {Qt::Key_Home, 36},
    {Qt::Key_Left, 37},        {Qt::Key_Up, 38},           {Qt::Key_Right, 39},
    {Qt::Key_Down, 40},        {Qt::Key_Print, 44},        {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46},      {Qt::Key_Meta, 91},         {Qt::Key_Menu, 93},
    {Qt::Key_NumLock, 144},    {Qt::Key_ScrollLock, 145},  {Qt::Key_Semicolon, 186},
    {Qt::Key_Colon, 186},      {Qt::Key_Equal, 187},       {Qt::Key_Plus, 187},
    {Qt::Key_Comma, 188},      {Qt::Key_Less, 188},        {Qt::Key_Minus, 189},
    {Qt::Key_Underscore, 189}, {Qt::Key_Period, 190},      {Qt::Key_Greater, 190},
    {Qt::Key_Slash, 191},      {Qt::Key_Question, 191},    {Qt::Key_QuoteLeft, 192},
    {Qt::Key_AsciiTilde, 192}, {Qt::Key_BracketLeft, 219}, {Qt::Key_BraceLeft, 219},
    {Qt::Key_Backslash, 220},  {Qt::Key_Bar, 220},         {Qt::Key_BracketRight, 221},
    {Qt::Key_BraceRight, 221}, {Qt::Key_Apostrophe, 222},  {Qt::Key_QuoteDbl, 222},
    {Qt::Key_Exclam, 49},      {Qt::Key_At, 50},           {Qt::Key_NumberSign, 51},
    {Qt::Key_Dollar, 52},      {Qt::Key_Percent, 53},      {Qt::Key_AsciiCircum, 54},
    {Qt::Key_Ampersand, 55},   {Qt::Key_Asterisk, 56},     {Qt::Key_ParenLeft, 57},
    {Qt::Key_ParenRight, 48},
};

// Keypad keys: digits 96-105, then * + (separator) - . /
int KeypadCode(int qtKey) {
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return 96 + (qtKey - Qt::Key_0);
  switch (qtKey) {
    case Qt::Key_Asterisk: return 106;
    case Qt::Key_Plus: return 107;
    case Qt::Key_Minus: return 109;
    case Qt::Key_Period:
    case Qt::Key_Comma:
    case Qt::Key_Delete: return 110;
    case Qt::Key_Slash: return 111;
    case Qt::Key_Enter: return 13;
    default: return 0;
  }
}

}  // namespace

int VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers) {
  if (modifiers & Qt::KeypadModifier) {
    if (int code = KeypadCode(qtKey)) return code;
  }
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return 65 + (qtKey - Qt::Key_A);
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return 48 + (qtKey - Qt::Key_0);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return 112 + (qtKey - Qt::Key_F1);
  for (const KeyCode& k : kKeyCodes) {
    if (k.Qt == qtKey) return k.Vk;
  }
  return 0;
}

QString VirtualKeyName(int code) {
  if ((code >= 65 && code <= 90) || (code >= 48 && code <= 57)) return QString(QChar(code));
  if (code >= 112 && code <= 135) return QStringLiteral("F%1").arg(code - 111);
  if (code >= 96 && code <= 105) return QStringLiteral("Num %1").arg(code - 96);
  switch (code) {
    case 8: return QStringLiteral("Backspace");
    case 9: return QStringLiteral("Tab");
    case 13: return QStringLiteral("Enter");
    case 16: return QStringLiteral("Shift");
    case 17: return QStringLiteral("Ctrl");
    case 18: return QStringLiteral("Alt");
    case 27: return QStringLiteral("Esc");
    case 32: return QStringLiteral("Espaço");
    case 37: return QStringLiteral("Esquerda");
    case 38: return QStringLiteral("Cima");
    case 39: return QStringLiteral("Direita");
    case 40: return QStringLiteral("Baixo");
    default: return QStringLiteral("#%1").arg(code);
  }
}

KeyboardTracker::KeyboardTracker() {
  qApp->installEventFilter(this);
  // Keys released while another program has the keyboard never reach us;
  // forgetting everything on deactivation keeps them from sticking.
  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
    if (state != Qt::ApplicationActive) Clear();
  });
}

KeyboardTracker& KeyboardTracker::Instance() {
  static KeyboardTracker* tracker = new KeyboardTracker;  // lives as long as the application
  return *tracker;
}

bool KeyboardTracker::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  // A key event reaches the filter once per widget it propagates through;
  // only the first delivery (to a widget's window) needs to count, and
  // setting a bit twice is harmless.
  if (type == QEvent::KeyPress || type == QEvent::KeyRelease) Track(*static_cast<QKeyEvent*>(event));
  return QObject::eventFilter(watched, event);
}

void KeyboardTracker::Track(const QKeyEvent& key) {
  if (key.isAutoRepeat()) return;
  const int code = VirtualKeyFromQt(key.key(), key.modifiers());
  if (code > 0 && code < 256) keys_.set(size_t(code), key.type() == QEvent::KeyPress);
}
