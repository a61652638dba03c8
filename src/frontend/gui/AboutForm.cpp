#include "frontend/gui/AboutForm.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("Sobre..."));
  setFixedSize(239, 241);
  setStyleSheet(QStringLiteral("QDialog { background: black; } QLabel { color: white; }"));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(4);
  auto* picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("Image1"));
  picture->setPixmap(QPixmap(QStringLiteral(":/virel/about.jpg")));
  picture->setAlignment(Qt::AlignCenter);
  auto* author = new QLabel(QStringLiteral("Virel - os desenvolvedores do Virel"), this);
  author->setObjectName(QStringLiteral("lbAuthor"));
  author->setAlignment(Qt::AlignCenter);
  auto* version = new QLabel(QStringLiteral("Emulador de NES - Versão 1.3"), this);
  version->setObjectName(QStringLiteral("lbVersion"));
  version->setAlignment(Qt::AlignCenter);
  auto* ok = new QPushButton(QStringLiteral("&OK"), this);
  ok->setObjectName(QStringLiteral("btnOK"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  layout->addWidget(picture, 1);
  layout->addWidget(author);
  layout->addWidget(version);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
}
