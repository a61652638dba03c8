// The open dialog of "Carregar ROM": the filters it offers, cartridges first,
// and the window it is shown in, sized so that its detail view shows every
// column whole.
#pragma once

#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;

// In the order offered. The first takes .nes images and .zip archives
// together, in any letter case; the rest are the long-standing ones.
QStringList RomFileFilters();
// Title, folder, filters, size and columns of the dialog, before it is shown.
void SetUpRomDialog(QFileDialog& dialog, const QString& folder);
// Shows the dialog modally, starting in `folder`; the chosen path, or empty
// for a cancel.
QString ChooseRomWithDialog(QWidget* parent, const QString& folder);
