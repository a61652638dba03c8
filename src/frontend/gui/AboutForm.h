// The About box: the program's picture, its author and its version.
#pragma once

#include <QDialog>

class TfrmAbout : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmAbout(QWidget* parent = nullptr);
};
