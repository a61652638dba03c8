// Qt's own texts (file dialog labels, standard buttons, context menus of
// text fields) in Brazilian Portuguese, whatever the system language: the
// rest of the interface is Portuguese and a dialog in another language beside
// it reads as a fault.
#pragma once

#include <QString>

class QCoreApplication;
class QTranslator;

// Installs qtbase_pt_BR from the folder Qt reports for its translations
// (`folder` overrides it, for tests) and returns the translator, owned by
// `app`. Returns nullptr, and writes one line to standard error, when the
// file is missing or unreadable: the program runs on with Qt's own English.
QTranslator* InstallQtTranslation(QCoreApplication& app, const QString& folder = {});
