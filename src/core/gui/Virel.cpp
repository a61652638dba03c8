// The program: the application with its title, the main window, and the
// message loop. A first argument names a cartridge that starts when the
// window first becomes active; a second one, "/S0" or "/S1", chooses window or
// full screen for cartridge starts.
#include <QApplication>

#include "frontend/gui/NesForm.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Virel Emulador"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/virel/icon.png")));
  QStringList arguments = QApplication::arguments();
  arguments.removeFirst();
  TfrmNES form(arguments);
  form.show();
  form.activateWindow();
  return QApplication::exec();
}
