#include "frontend/gui/RomDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QScreen>
#include <QTreeView>

namespace {

// "*.[nN][eE][sS]": name filters match letter for letter where the file
// system does, and a cartridge copied from a memory card is as often JOGO.NES
// as jogo.nes. Windows matches names without regard to case, and its own
// dialog knows no bracket patterns.
QString AnyCase(const QString& extension) {
#ifdef _WIN32
  return QStringLiteral("*.") + extension;
#else
  QString pattern = QStringLiteral("*.");
  for (const QChar c : extension) pattern += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
  return pattern;
#endif
}

// Wide enough for the detail view's four columns with names of a usual
// length, and the folder list beside them.
constexpr QSize kRomDialogSize(820, 500);

}  // namespace

QStringList RomFileFilters() {
  // The caption names what is offered; the patterns stay out of sight
  // (HideNameFilterDetails), as bracket patterns would only puzzle a player.
  return {QStringLiteral("Cartuchos NES (.nes, .zip) (%1 %2)").arg(AnyCase("nes"), AnyCase("zip")),
          QStringLiteral("NES Roms (*.NES *.nes)"), QStringLiteral("ASM 6502 imagens (*.EXE *.exe)"),
          QStringLiteral("Arquivo Compactado Zip (*.Zip *.zip *.ZIP)"),
          QStringLiteral("Todos os Arquivos (*)")};
}

void SetUpRomDialog(QFileDialog& dialog, const QString& folder) {
  dialog.setWindowTitle(QStringLiteral("Carregar Rom ..."));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::ReadOnly);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  // Without a cartridge opened yet, the working folder (the dialog would
  // otherwise go wherever an earlier dialog of the program was left).
  dialog.setDirectory(folder.isEmpty() ? QDir::currentPath() : folder);
  dialog.setNameFilters(RomFileFilters());

  QSize size = kRomDialogSize.expandedTo(dialog.sizeHint());
  if (const QScreen* screen = dialog.parentWidget() ? dialog.parentWidget()->screen() : dialog.screen())
    size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
  dialog.resize(size);

  // Qt's own dialog sizes its columns for short English dates and types; in
  // Portuguese both are longer and would be cut. The name takes what is left
  // over, the others what their contents need. A system dialog has no such
  // view and sizes its own.
  if (auto* view = dialog.findChild<QTreeView*>()) {
    QHeaderView* header = view->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
  }
}

QString ChooseRomWithDialog(QWidget* parent, const QString& folder) {
  QFileDialog dialog(parent);
  SetUpRomDialog(dialog, folder);
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}
