#include "core/gui/DialogArtwork.h"

#include <QStringList>
#include <QtGlobal>

// The resource's registration lives in an object file nothing else refers
// to, so a static library would drop it without this call. Once is enough.
void InitDialogArtwork() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(dialogs);
    return true;
  }();
  (void)registered;
}

QFont DialogFont() {
  QFont font;
  font.setFamilies(QStringList{QStringLiteral("MS Sans Serif"), QStringLiteral("Tahoma"),
                               QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                               QStringLiteral("DejaVu Sans Condensed")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  return font;
}
