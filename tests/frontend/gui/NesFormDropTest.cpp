// Files dropped on the window from a file manager: a cartridge starts as
// through "Carregar ROM"; anything else is refused by the loader in its usual
// words and leaves the window as a failed load from the menu does.
#include <QFile>

#include "FormFixture.h"

namespace {

class DropTest : public FormTest {
 protected:
  QString TextFile() {
    const QString path = scratch_.filePath(QStringLiteral("leia-me.txt"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Isto nao e um cartucho.\n");
    return path;
  }
  // The window's state as a user sees it after a command.
  QStringList State() {
    QStringList state{form->StatusPanel0->text(), Log().last(),
                      form->machine().CartridgeLoaded() ? "carregado" : "vazio"};
    for (const char* name : {"mnuFreeROM", "mnuSavesnapshot", "mnusvecpd", "mnuldacpd"})
      state << (Item(name)->isEnabled() ? "on" : "off");
    return state;
  }
  QTemporaryDir scratch_;
};

TEST_F(DropTest, DroppedCartridgeRunsAsTheLoadCommandStartsIt) {
  Open();
  form->show();
  QString status;
  bool accepted = false;
  RunFrames(
      [&] {
        accepted = Drop({QUrl::fromLocalFile(kPadRom)});
        QTest::qWait(100);  // the start waits for the drop to be answered
      },
      [&] {
        if (!form->machine().Running) return false;
        status = form->StatusPanel0->text();
        return true;
      });
  EXPECT_TRUE(accepted);
  EXPECT_EQ(status, QStringLiteral("FRONTEND_PAD.NES"));
  EXPECT_EQ(Log().count(QStringLiteral("6502 iniciado.")), 1);
  EXPECT_EQ(Recent().value(0), kPadRom);
  EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

TEST_F(DropTest, SeveralFilesStartTheFirstAndOnlyLocalFilesAreTaken) {
  Open();
  form->show();
  // A web link alone is not a file we can open: the drag is refused.
  EXPECT_FALSE(Drop({QUrl(QStringLiteral("https://example.org/jogo.nes"))}));
  int frames = 0;
  RunFrames(
      [&] {
        Drop({QUrl(QStringLiteral("https://example.org/jogo.nes")), QUrl::fromLocalFile(kPadRom),
              QUrl::fromLocalFile(TextFile())});
        QTest::qWait(100);
      },
      [&] { return form->machine().Running && ++frames >= 3; });
  EXPECT_EQ(frames, 3);
  EXPECT_EQ(Recent(), QStringList{kPadRom});
}

TEST_F(DropTest, DroppedTextFileFailsLikeTheSameChoiceInTheLoadDialog) {
  const QString text = TextFile();
  // A cartridge runs, then the text file comes: by a drop, and for
  // reference in a fresh window through the Load command's dialog.
  const auto runThenFail = [&](const std::function<void()>& fail) {
    Open();
    form->show();
    RunFrames([&] { Drop({QUrl::fromLocalFile(kPadRom)}), QTest::qWait(100); },
              [&] { return form->machine().Running; });
    EXPECT_TRUE(form->machine().CartridgeLoaded());
    fail();
    QTest::qWait(100);
    return State() << errors;
  };
  const QStringList viaDrop = runThenFail([&] { EXPECT_TRUE(Drop({QUrl::fromLocalFile(text)})); });
  // Refused, so not offered again among the recent cartridges.
  EXPECT_EQ(Recent(), QStringList{kPadRom});
  Close();
  Store(QStringLiteral("MRU1"), QString());
  const QStringList viaMenu = runThenFail([&] {
    nextRomFile = text;
    Item("mnuLoadROM")->trigger();
  });
  EXPECT_EQ(viaDrop, viaMenu);
  EXPECT_EQ(viaDrop.value(1), QStringLiteral("Arquivo não suportado: Ist"));
}

}  // namespace
