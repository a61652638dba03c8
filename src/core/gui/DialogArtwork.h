// What the dialogs share in looks: their artwork (assets/dialogs.qrc: the
// controller drawing and the cartridge picture, compiled into the static GUI
// library) and their small form font.
#pragma once

#include <QFont>

// Call before loading a picture from ":/dialogs/".
void InitDialogArtwork();

// "MS Sans Serif" at 11 pixels where it exists; elsewhere the narrowest
// similar face, so captions fit the positions the forms give them.
QFont DialogFont();
