// TfrmNES: cartridges dropped on the window from a file manager. A drop
// starts the file as "Carregar ROM" would have with the same choice, so the
// recent list, the folder and the error texts are those of the Load command.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTimer>
#include <QUrl>

#include "frontend/gui/NesForm.h"

namespace {

// The first local file among the dragged URLs; several files dropped at once
// start the first, as a file manager lists them. Remote URLs are not ours to
// fetch.
QString FirstLocalFile(const QMimeData* data) {
  if (!data || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) return url.toLocalFile();
  }
  return {};
}

}  // namespace

void TfrmNES::AcceptFileDrops() {
  setAcceptDrops(true);
  // The log view would otherwise take the drag over itself (and refuse it,
  // being read-only) before it reached the window.
  Terminal->setAcceptDrops(false);
}

void TfrmNES::dragEnterEvent(QDragEnterEvent* event) {
  // Any local file is welcome: one that is not a cartridge is refused with
  // the loader's message, which says why, rather than a silent "no" cursor.
  if (!FirstLocalFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TfrmNES::dropEvent(QDropEvent* event) {
  const QString path = FirstLocalFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  // Started from the event loop, after the drop has been answered: the run
  // loop does not return until emulation stops, and the file manager would
  // wait on the drag all that time.
  QTimer::singleShot(0, this, [this, path] { Command([this, path] { OpenDroppedFile(path); }); });
}

void TfrmNES::OpenDroppedFile(const QString& path) {
  // Whatever its name: a file that is no cartridge is refused by the loader
  // in its own words, and only one that starts joins the recent list.
  PrepareToOpen();
  LoadChosenFile(path);
}
