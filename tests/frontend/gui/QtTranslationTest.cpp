// Qt's own windows in Portuguese: the file dialog the Load command opens and
// the standard buttons of a message box, with the translation the program
// installs at start. Without it they would read "Look in", "Open", "Cancel".
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>

#include "FormFixture.h"
#include "frontend/gui/QtTranslation.h"

namespace {

// Installs the translation for one test and takes it away after, so the
// other tests in this process see Qt as they always did.
class PortugueseQt : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    translator_ = InstallQtTranslation(*qApp);
    ASSERT_NE(translator_, nullptr) << "qtbase_pt_BR is missing: scripts/setup installs it";
  }
  void TearDown() override {
    FormTest::TearDown();
    QCoreApplication::removeTranslator(translator_);
    delete translator_;
  }

 private:
  QTranslator* translator_ = nullptr;
};

QStringList Texts(QWidget* root) {
  QStringList texts;
  for (auto* label : root->findChildren<QLabel*>()) texts << label->text();
  for (auto* button : root->findChildren<QAbstractButton*>()) texts << button->text();
  return texts;
}

TEST_F(PortugueseQt, LoadDialogSpeaksPortuguese) {
  // The window's own open dialog, not a test double: the Load command with
  // the dialog Qt draws itself (there is no native one offscreen).
  form = std::make_unique<TfrmNES>();
  form->show();
  QStringList texts;
  QString title;
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    seen = true;
    title = dialog->windowTitle();
    texts = Texts(dialog);
    dialog->reject();  // a cancel: the command ends without loading
  });
  form->mnuLoadROM->trigger();
  ASSERT_TRUE(seen) << "the Load command opened no file dialog";
  EXPECT_EQ(title, QStringLiteral("Carregar Rom ..."));
  for (const char* portuguese :
       {"Procurar em:", "&Nome do arquivo:", "Arquivos do tipo:", "&Abrir", "Cancelar"})
    EXPECT_TRUE(texts.contains(QString::fromUtf8(portuguese)))
        << portuguese << " not in: " << texts.join(" | ").toStdString();
  for (const char* english : {"Look in:", "File &name:", "Files of type:", "&Open", "Cancel"})
    EXPECT_FALSE(texts.contains(QString::fromUtf8(english))) << english;
  EXPECT_FALSE(form->machine().CartridgeLoaded());
}

TEST_F(PortugueseQt, MessageBoxStandardButtons) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Virel Emulador"), QStringLiteral("?"),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::Close);
  box.show();
  EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Sim"));
  EXPECT_EQ(box.button(QMessageBox::No)->text(), QStringLiteral("&Não"));
  EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Cancelar"));
  EXPECT_EQ(box.button(QMessageBox::Close)->text(), QStringLiteral("Fechar"));
}

TEST(QtTranslation, MissingFileLeavesQtInEnglishAndSaysSoOnce) {
  testing::internal::CaptureStderr();
  QTranslator* translator = InstallQtTranslation(*qApp, QStringLiteral("/nonexistent/translations"));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(translator, nullptr);
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_NE(said.find("qtbase_pt_BR"), std::string::npos) << said;
  QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Cancel);
  EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Cancel"));
}

}  // namespace
