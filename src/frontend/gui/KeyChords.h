// Time-control keys between their stored form (a Windows virtual-key code
// with Shift, Ctrl and Alt bits, frontend/TimeSettings.h) and Qt: the key
// sequence a menu item answers to, the chord a key event gives and the name
// the settings page shows.
#pragma once

#include <QKeySequence>
#include <QString>
#include <cstdint>

#include "frontend/Controllers.h"

class QKeyEvent;

// The sequence of a chord; empty for 0 or a code Qt has no key for.
QKeySequence ChordSequence(int32_t chord);
// The chord of a key press, or 0 for a modifier pressed alone or a key with
// no virtual-key code.
int32_t ChordFromKeyEvent(const QKeyEvent& key);
// "Shift+1", "Ctrl+F11", "Backspace"; "(nenhuma)" for 0.
QString ChordName(int32_t chord);
// Whether a held chord (rewind, fast-forward) is down: its key, and each
// modifier it names (others may be down too: a player holds Shift as a
// controller button).
bool ChordHeld(int32_t chord, const KeyboardState& keys);
