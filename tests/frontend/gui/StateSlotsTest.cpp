// The "Estados" menu on the real window, with slot files in a temporary data
// folder: a slot saved and loaded by its keys (in full screen too) brings
// back the picture and the memory of the save, and the undo the state it
// replaced; cartridges never share a slot; a damaged slot changes nothing;
// the settings page "Tempo" sets the keys and choices, and Cancel keeps them.
#include <QComboBox>
#include <QFile>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>

#include "FormFixture.h"
#include "core/Crc32.h"
#include "frontend/gui/MessageLine.h"
#include "frontend/gui/SettingForm.h"
#include "frontend/gui/StatesMenu.h"
#include "frontend/gui/TimePage.h"

namespace {

const QString kScrollRom = QStringLiteral(VIREL_ROM_DIR "/video_scroll.nes");

class StateSlotsTest : public DataFolderTest {
 protected:
  // A shown, active window (its keys answer only then).
  TStatesMenu& OpenShown() {
    Open();
    form->show();
    QApplication::setActiveWindow(form.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
    return form->statesMenu();
  }
  // Starts `rom`, runs it `frames` frames and leaves it paused.
  void RunPaused(const QString& rom, int frames) {
    nextRomFile = rom;
    int n = 0;
    RunFrames([&] { Item("mnuLoadROM")->trigger(); }, [&] { return ++n >= frames; });
  }
  void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(KeyTarget(), key, modifiers);
  }
  QString SlotFile(int slot) {
    const QString crc = QStringLiteral("%1").arg(form->machine().ImageCrc, 8, 16, QLatin1Char('0')).toUpper();
    return data_.path() + QStringLiteral("/virel/slots/%1-%2.estado").arg(crc).arg(slot);
  }
};

TEST_F(StateSlotsTest, SavedLoadedAndUndoneByTheirKeysInFullScreen) {
  TStatesMenu& menu = OpenShown();
  Machine& m = form->machine();
  std::array<uint8_t, 2049> savedRam{}, movedRam{};
  std::array<uint8_t, kScreenWidth * kScreenHeight> savedPicture{}, movedPicture{};
  bool fullScreen = false, loadedAtOnce = false, undoneAtOnce = false;
  QString loadNotice;
  int frame = 0;
  nextRomFile = kScrollRom;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              ++frame;
              if (frame == 3) Press(Qt::Key_F4);
              if (frame == 6) {
                fullScreen = form->isFullScreen() && !form->menuBar()->isVisible();
                Press(Qt::Key_3, Qt::ShiftModifier);
                savedRam = m.Ram, savedPicture = m.FrameBuffer;
              }
              if (frame < 40) return false;
              movedRam = m.Ram, movedPicture = m.FrameBuffer;
              Press(Qt::Key_3);
              loadedAtOnce = m.Ram == savedRam && m.FrameBuffer == savedPicture;
              loadNotice = form->statusBar()->currentMessage();
              Press(Qt::Key_F9, Qt::ShiftModifier);
              undoneAtOnce = m.Ram == movedRam && m.FrameBuffer == movedPicture;
              Press(Qt::Key_F4);
              return true;
            });
  EXPECT_TRUE(fullScreen);
  // The game had moved on in both memory and picture, so the checks mean something.
  ASSERT_NE(savedRam, movedRam);
  ASSERT_NE(savedPicture, movedPicture);
  EXPECT_TRUE(loadedAtOnce);
  EXPECT_TRUE(undoneAtOnce);
  EXPECT_EQ(loadNotice, QStringLiteral("Estado carregado do espaço 3."));
  EXPECT_TRUE(Log().contains(QStringLiteral("Estado salvo no espaço 3.")));

  // Paused: a load shows the saved picture at once, and is undone.
  ASSERT_FALSE(m.Running);
  menu.CarregarEspaco[2]->trigger();
  EXPECT_EQ(m.FrameBuffer, savedPicture);
  EXPECT_EQ(m.Ram, savedRam);
  EXPECT_TRUE(menu.DesfazerCarregar1->isEnabled());
  menu.DesfazerCarregar1->trigger();
  EXPECT_EQ(m.Ram, movedRam);
  EXPECT_FALSE(menu.DesfazerCarregar1->isEnabled());

  // What the menu shows as it opens.
  emit menu.Estados1->aboutToShow();
  const QString today = QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy"));
  EXPECT_TRUE(menu.CarregarEspaco[2]->text().startsWith(QStringLiteral("Carregar do Espaço 3 — ") + today))
      << menu.CarregarEspaco[2]->text().toStdString();
  EXPECT_FALSE(menu.CarregarEspaco[2]->icon().isNull());
  EXPECT_TRUE(menu.CarregarEspaco[2]->isEnabled());
  EXPECT_EQ(menu.CarregarEspaco[3]->text(), QStringLiteral("Carregar do Espaço 4 (vazio)"));
  // Its key answers all the same: the player sees why nothing happened.
  menu.CarregarEspaco[3]->trigger();
  EXPECT_EQ(form->messageLine().Text(), QStringLiteral("O espaço 4 está vazio; nada foi alterado."));
  EXPECT_TRUE(QFile::exists(SlotFile(3)));
}

// A joystick button bound to a slot saves once per press while the game
// runs, and one bound to a load loads while it is paused.
TEST_F(StateSlotsTest, JoystickButtonsSaveRunningAndLoadPaused) {
  OpenShown();
  JoystickButtons pads{0, 0};
  form->ReadJoystickButtons = [&] { return pads; };
  form->settings().Time.Buttons[tcSaveSlot1 + 1] = {2, 6};
  form->settings().Time.Buttons[tcLoadSlot1 + 1] = {2, 7};
  form->ApplyKeyBindings();
  Machine& m = form->machine();
  std::array<uint8_t, 2049> savedRam{};
  bool savedAtOnce = false;
  int frame = 0;
  nextRomFile = kScrollRom;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              pads[1] = ++frame >= 5 && frame < 12 ? 1u << 5 : 0;  // held six frames: one save
              if (frame == 6) savedAtOnce = QFile::exists(SlotFile(2)), savedRam = m.Ram;
              return frame == 40;
            });
  EXPECT_TRUE(savedAtOnce);
  EXPECT_EQ(Log().count(QStringLiteral("Estado salvo no espaço 2.")), 1);
  ASSERT_NE(m.Ram, savedRam);
  pads[1] = 1u << 6;
  EXPECT_TRUE(QTest::qWaitFor([&] { return m.Ram == savedRam; }, 1000));
  EXPECT_FALSE(m.Running);
}

TEST_F(StateSlotsTest, CartridgesOfTheSameNameNeverShareASlotAndAChangeEndsTheUndo) {
  // Two different images under one file name.
  QTemporaryDir a, b;
  const QString first = a.path() + QStringLiteral("/jogo.nes"),
                second = b.path() + QStringLiteral("/jogo.nes");
  ASSERT_TRUE(QFile::copy(kScrollRom, first));
  ASSERT_TRUE(QFile::copy(kPadRom, second));
  TStatesMenu& menu = OpenShown();
  RunPaused(first, 5);
  menu.SalvarEspaco[0]->trigger();
  menu.CarregarEspaco[0]->trigger();
  ASSERT_TRUE(menu.DesfazerCarregar1->isEnabled());
  const QString firstFile = SlotFile(1);

  RunPaused(second, 5);
  EXPECT_FALSE(menu.DesfazerCarregar1->isEnabled());
  EXPECT_EQ(menu.CarregarEspaco[0]->text(), QStringLiteral("Carregar do Espaço 1 (vazio)"));
  menu.SalvarEspaco[0]->trigger();
  EXPECT_NE(SlotFile(1), firstFile);
  EXPECT_TRUE(QFile::exists(firstFile));

  // With no cartridge every item is disabled.
  Item("mnuFreeROM")->trigger();
  for (QAction* item : menu.Estados1->actions())
    EXPECT_TRUE(item->isSeparator() || !item->isEnabled()) << item->text().toStdString();
}

TEST_F(StateSlotsTest, ADamagedOrForeignSlotIsRefusedAndChangesNothing) {
  TStatesMenu& menu = OpenShown();
  RunPaused(kScrollRom, 5);
  Machine& m = form->machine();
  menu.SalvarEspaco[0]->trigger();
  QFile file(SlotFile(1));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray good = file.readAll();
  file.close();
  // A load to undo, so a refusal can be seen to leave it alone.
  menu.CarregarEspaco[0]->trigger();

  auto with = [&](int at, char value) {
    QByteArray bytes = good;
    bytes[at] = value;
    return bytes;
  };
  // Another cartridge's slot is a sound file under a name it never gets
  // by itself: the cartridge's CRC-32 changed and the header's check made anew.
  QByteArray foreign = with(12, char(good[12] ^ 1));
  const auto* raw = reinterpret_cast<const uint8_t*>(foreign.constData());
  const uint32_t check = Crc32(raw + 44, 128 * 120 * 3, Crc32(raw, 40));
  for (int i = 0; i < 4; ++i) foreign[40 + i] = char(check >> (8 * i));
  const struct {
    const char* name;
    QByteArray bytes;
    const char* caption;
    const char* reason;
  } cases[] = {
      {"cut short", good.left(good.size() - 100), "", "danificado"},
      {"a snapshot byte altered", with(int(good.size()) - 50, char(good[good.size() - 50] ^ 0x40)), "",
       "danificado"},
      {"the thumbnail altered", with(100, char(good[100] ^ 1)), " (danificado)", "danificado"},
      {"a newer version", with(8, 2), " (versão mais nova)", "versão mais nova"},
      {"another cartridge", foreign, " (de outro cartucho)", "outro cartucho"},
      {"not a slot at all", QByteArray("VIREL"), " (danificado)", "danificado"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(c.bytes);
    file.close();
    // The scroll has moved on since the save.
    m.Ram[0] ^= 0x55;
    const auto ram = m.Ram;
    const auto picture = m.FrameBuffer;
    menu.Refresh();
    if (*c.caption != '\0') {
      EXPECT_EQ(menu.CarregarEspaco[0]->text(),
                QStringLiteral("Carregar do Espaço 1") + QString::fromUtf8(c.caption));
    }
    menu.CarregarEspaco[0]->trigger();
    EXPECT_EQ(m.Ram, ram);
    EXPECT_EQ(m.FrameBuffer, picture);
    EXPECT_TRUE(Log().last().startsWith(QStringLiteral("Não foi possível carregar o espaço 1: ")));
    EXPECT_TRUE(Log().last().contains(QString::fromUtf8(c.reason))) << Log().last().toStdString();
    EXPECT_TRUE(menu.DesfazerCarregar1->isEnabled());
  }
}

TEST_F(StateSlotsTest, TheTimePageSetsKeysAndChoicesAndCancelKeepsThem) {
  TStatesMenu& menu = OpenShown();
  const TimeSettings before = form->settings().Time;
  for (bool ok : {false, true}) {
    QStringList warnings;
    QTimer::singleShot(0, [&] {
      auto* dlg = qobject_cast<TfrmSetting*>(QApplication::activeModalWidget());
      ASSERT_NE(dlg, nullptr);
      ASSERT_NE(dlg->tsTempo, nullptr);
      dlg->PageControl->setCurrentWidget(dlg->tsTempo);
      TTimePage& page = *dlg->tsTempo;
      auto setKey = [&](int command, Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QTest::mouseClick(page.KeyButtons[command], Qt::LeftButton);
        QTest::keyClick(page.KeyButtons[command], key, modifiers);
        warnings << page.lbAviso->text();
      };
      setKey(tcLoadSlot1 + 2, Qt::Key_K, Qt::ControlModifier);
      setKey(tcRewind, Qt::Key_Space, Qt::NoModifier);       // controller 1's A
      setKey(tcFrameAdvance, Qt::Key_1, Qt::ShiftModifier);  // "Salvar no Espaço 1"
      setKey(tcFastForward, Qt::Key_F8, Qt::NoModifier);     // "Salvar Status"
      page.cbSpeed->setCurrentIndex(page.cbSpeed->findText(QStringLiteral("Máxima")));
      page.seRewind->setValue(25);
      page.cbRunAhead->setCurrentIndex(page.cbRunAhead->findText(QStringLiteral("2 quadros")));
      (ok ? dlg->btnOK : dlg->btnCancel)->click();
    });
    Item("mnuSettings")->trigger();
    ASSERT_EQ(warnings.size(), 4);
    EXPECT_EQ(warnings[0], QString());
    EXPECT_EQ(
        warnings[1],
        QStringLiteral(
            "A tecla Espaço já é usada por Jogador 1 (A); escolha outra para \"Rebobinar (segurar)\"."));
    EXPECT_TRUE(warnings[2].contains(QStringLiteral("\"Salvar no Espaço 1\""))) << warnings[2].toStdString();
    EXPECT_TRUE(warnings[3].contains(QStringLiteral("\"Salvar Status\""))) << warnings[3].toStdString();
    const TimeSettings& t = form->settings().Time;
    if (!ok) {
      EXPECT_EQ(t.Keys, before.Keys);
      EXPECT_EQ(t.FastForwardSpeed, before.FastForwardSpeed);
      continue;
    }
    TimeSettings want = before;
    want.Keys[tcLoadSlot1 + 2] = kChordCtrl | 'K';
    EXPECT_EQ(t.Keys, want.Keys);
    EXPECT_EQ(t.FastForwardSpeed, 0);
    EXPECT_EQ(t.RewindMinutes, 25);
    EXPECT_EQ(t.RunAhead, 2);
    // The menu answers to the new key at once.
    EXPECT_EQ(menu.CarregarEspaco[2]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_K));
  }
  // Kept with the settings, and "Padrão" brings back the keys of old.
  Close();
  OpenShown();
  EXPECT_EQ(form->settings().Time.Keys[tcLoadSlot1 + 2], kChordCtrl | 'K');
  EXPECT_EQ(form->settings().Time.RewindMinutes, 25);
  QTimer::singleShot(0, [&] {
    auto* dlg = qobject_cast<TfrmSetting*>(QApplication::activeModalWidget());
    ASSERT_NE(dlg, nullptr);
    dlg->tsTempo->btnPadrao->click();
    dlg->btnOK->click();
  });
  Item("mnuSettings")->trigger();
  EXPECT_EQ(form->settings().Time.Keys, TimeSettings::DefaultKeys());
}

}  // namespace
