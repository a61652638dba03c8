#include "frontend/gui/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>

QTranslator* InstallQtTranslation(QCoreApplication& app, const QString& folder) {
  const QString where = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
  // Owned by the application, so it lives exactly as long as the texts it
  // translates may be asked for.
  auto* translator = new QTranslator(&app);
  if (!translator->load(QStringLiteral("qtbase_pt_BR"), where)) {
    delete translator;
    std::fprintf(stderr,
                 "virel: tradução do Qt não encontrada (qtbase_pt_BR em %s); diálogos do Qt em inglês\n",
                 qUtf8Printable(where));
    return nullptr;
  }
  QCoreApplication::installTranslator(translator);
  return translator;
}
