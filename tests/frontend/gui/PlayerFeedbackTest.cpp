// What the player sees and hears around the game, on the real window: the
// message line over the picture (windowed and in full screen, switched off
// on request), the notes held while a dialog waits and struck again after
// it, a slot of the other engine loaded through a switch of engine, the
// mouse's own switch and the picture's menu, and the pause while another
// program has the focus.
#include <QCheckBox>
#include <QDir>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>

#include "FormFixture.h"
#include "core/Engine.h"
#include "frontend/gui/MessageLine.h"
#include "frontend/gui/SettingForm.h"
#include "frontend/gui/StatesMenu.h"
#include "sound/RecordingMidiOut.h"
#include "video/gui/DXDraw.h"

namespace {

class PlayerFeedbackTest : public DataFolderTest {
 protected:
  // A shown, active window: its keys and the mouse answer only then.
  void OpenShown() {
    Open();
    form->show();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }
  // The picture under the message line as the player sees it.
  QImage UnderTheLine() {
    TMessageLine& line = form->messageLine();
    QRect area = line.geometry();
    if (area.isEmpty()) {
      form->PlaceMessageLine();
      area = line.geometry();
    }
    return form->centralWidget()->grab(area).toImage();
  }
  // Gives a command while the game stands paused and says whether the line
  // over the picture changed its pixels and now reads `text`.
  void ExpectShownOverThePicture(const std::function<void()>& command, const QString& text) {
    form->messageLine().ShowMessage(QString());  // no earlier message on the line
    QApplication::processEvents();
    const QImage before = UnderTheLine();
    command();
    QApplication::processEvents();
    EXPECT_EQ(form->messageLine().Text(), text);
    EXPECT_TRUE(form->messageLine().isVisible());
    EXPECT_NE(UnderTheLine(), before) << text.toStdString();
  }

  // A command that starts the game again (an engine switch) runs it for a
  // few frames, then it stands paused again.
  void RunBriefly(QAction* command) {
    QTimer::singleShot(50, [this] { form->machine().Running = false; });
    command->trigger();
    ASSERT_FALSE(form->machine().Running);
  }
};

TEST_F(PlayerFeedbackTest, TheLineShowsSavesRefusalsAndSwitchesInTheWindowAndInFullScreen) {
  OpenShown();
  // "Carregar Status" looks in the working folder.
  const QString folder = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(data_.path()));
  nextRomFile = kPadRom;
  int frames = 0;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); }, [&] { return ++frames >= 10; });
  ASSERT_TRUE(form->machine().CartridgeLoaded());
  // A paused game says so while it lasts.
  EXPECT_EQ(form->messageLine().Text(), QStringLiteral("Pausado"));
  TStatesMenu& states = form->statesMenu();

  for (const bool fullScreen : {false, true}) {
    SCOPED_TRACE(fullScreen ? "full screen" : "window");
    if (fullScreen) {
      Item("elaCheia1")->trigger();
      ASSERT_TRUE(form->DXDraw->options().FullScreen);
      ASSERT_FALSE(form->statusBar()->isVisible());
    }
    ExpectShownOverThePicture([&] { states.SalvarEspaco[0]->trigger(); },
                              QStringLiteral("Estado salvo no espaço 1."));
    ExpectShownOverThePicture(
        [&] { Item("mnuldacpd")->trigger(); },
        QStringLiteral("Nenhum estado salvo em \"frontend_pad.wb\"; nada foi alterado."));
    ExpectShownOverThePicture(
        [&] { RunBriefly(Item("MotorConsole1")); },
        QStringLiteral("Motor trocado para Console (preciso); o cartucho foi reiniciado."));
    RunBriefly(Item("MotorClassico1"));
  }
  QDir::setCurrent(folder);

  // Switched off, the line draws nothing; the log still has every word.
  Item("MensagensNaTela1")->trigger();
  states.SalvarEspaco[1]->trigger();
  EXPECT_TRUE(form->messageLine().Text().isEmpty());
  EXPECT_FALSE(form->messageLine().isVisible());
  EXPECT_TRUE(Log().contains(QStringLiteral("Estado salvo no espaço 2.")));
  Close();
  EXPECT_EQ(Stored(QStringLiteral("MensagensNaTela")).toInt(), 0);
}

TEST_F(PlayerFeedbackTest, ASlotOfTheOtherEngineLoadsAfterTheSwitch) {
  OpenShown();
  Machine& m = form->machine();
  TStatesMenu& states = form->statesMenu();
  QString markInConsole, said;
  bool undoable = false;
  std::string engineAfterLoad;
  int frame = 0;
  nextRomFile = kPadRom;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              ++frame;
              if (frame == 20) states.SalvarEspaco[0]->trigger();  // in the designed engine
              if (frame == 21) Item("MotorConsole1")->trigger();
              if (frame == 40) {
                EXPECT_EQ(m.engine->Id(), "console");
                states.Refresh();
                markInConsole = states.CarregarEspaco[0]->text();
                states.CarregarEspaco[0]->trigger();
              }
              if (frame == 41) {
                engineAfterLoad = std::string(m.engine->Id());
                said = form->messageLine().Text();
                undoable = states.stateSlots().CanUndo();  // a load took place
              }
              return frame >= 41;
            });
  EXPECT_TRUE(markInConsole.endsWith(QStringLiteral("Clássico (rápido)"))) << markInConsole.toStdString();
  EXPECT_EQ(engineAfterLoad, "classic");
  EXPECT_TRUE(Item("MotorClassico1")->isChecked());
  EXPECT_TRUE(undoable);
  EXPECT_EQ(said, QStringLiteral("Motor trocado para Clássico (rápido); estado carregado do espaço 1."));
  EXPECT_TRUE(Log().contains(QStringLiteral("Estado carregado do espaço 1.")));
}

// Frame 60 of the demo's tune has notes sounding: a dialog opened there
// ends each of them on the synthesiser, nothing more is sent while it is
// open, and the game's next frame strikes the very same notes again.
TEST_F(PlayerFeedbackTest, ADialogSilencesTheNotesAndTheGameStrikesThemAgain) {
  auto recording = std::make_shared<MidiRecording>();
  devices = RecordingMidiFactory(recording);
  Open();
  nextRomFile = QStringLiteral(VIREL_DEMO_ROM);
  std::array<int, 16> sounding{};
  auto play = [&](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
      const MidiEvent& e = recording->events[i];
      if (e.kind == MidiEvent::Kind::Reset) sounding.fill(0);
      if (e.kind != MidiEvent::Kind::Message) continue;
      const int channel = e.message & 0x0F, note = (e.message >> 8) & 0x7F,
                velocity = (e.message >> 16) & 0x7F;
      if ((e.message & 0xF0) == 0x90) sounding[channel] = velocity ? note : 0;
      if ((e.message & 0xF0) == 0x80 && sounding[channel] == note) sounding[channel] = 0;
    }
  };
  std::array<int, 16> before{}, during{};
  std::vector<uint32_t> sentWhileOpen, sentAfter;
  size_t dialogClosedAt = 0;
  int frame = 0;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              ++frame;
              if (frame == 60) {
                play(0, recording->events.size());
                before = sounding;
                const size_t opened = recording->events.size();
                QTimer::singleShot(100, [&] {
                  play(opened, recording->events.size());
                  during = sounding;
                  sentWhileOpen = recording->MessagesFrom(opened);
                  QApplication::activeModalWidget()->close();
                });
                Item("mnuAbout")->trigger();
                dialogClosedAt = recording->events.size();
              }
              if (frame == 61) sentAfter = recording->MessagesFrom(dialogClosedAt);
              return frame >= 61;
            });
  int notes = 0;
  for (int n : before) notes += n != 0;
  ASSERT_GT(notes, 0) << "the tune sounds no note at frame 60";
  EXPECT_EQ(during, (std::array<int, 16>{}));
  for (uint32_t message : sentWhileOpen) EXPECT_EQ(message & 0xF0, 0x80u) << std::hex << message;
  // Each channel's first note message after the dialog strikes its note
  // again (the frame that follows may change it only after that).
  for (int channel = 0; channel < 16; ++channel) {
    if (before[channel] == 0) continue;
    const auto first = std::find_if(sentAfter.begin(), sentAfter.end(), [channel](uint32_t message) {
      return int(message & 0x0F) == channel && ((message & 0xF0) == 0x90 || (message & 0xF0) == 0x80);
    });
    ASSERT_NE(first, sentAfter.end()) << "channel " << channel;
    EXPECT_EQ(*first, uint32_t(0x90 + channel) | uint32_t(before[channel]) << 8 | 127u << 16) << channel;
  }
}

TEST_F(PlayerFeedbackTest, TheMouseSwitchAndThePicturesMenuKeepTheMouseFromThePad) {
  OpenShown();
  Machine& m = form->machine();
  TDXDraw* picture = form->DXDraw;
  const QPoint middle = picture->rect().center();
  auto padWithButton = [&](Qt::MouseButton button) {
    QTest::mousePress(picture, button, {}, middle);
    form->PollControllers();
    const uint8_t pad = m.PadState[0];
    QTest::mouseRelease(picture, button, {}, middle);
    if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    return pad;
  };
  EXPECT_EQ(padWithButton(Qt::LeftButton), 0x01);  // A, as designed
  // In the window a right click opens the picture's menu and presses no B.
  EXPECT_EQ(padWithButton(Qt::RightButton), 0x00);

  // "Mouse controla o Jogador 1" off on controller 1's page: nothing of the
  // mouse reaches the pad, and the choice is kept.
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<TfrmSetting*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->ckMouse1->isChecked());
    dialog->ckMouse1->setChecked(false);
    dialog->btnOK->click();
  });
  Item("mnuSettings")->trigger();
  QApplication::setActiveWindow(form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  EXPECT_EQ(padWithButton(Qt::LeftButton), 0x00);
  Close();
  EXPECT_EQ(Stored(QStringLiteral("JOY1/MOUSE")).toInt(), 0);
}

TEST_F(PlayerFeedbackTest, TheGameWaitsWhileAnotherProgramHasTheFocus) {
  OpenShown();
  Item("PausarSemFoco1")->trigger();
  QWidget elsewhere;  // another program's window, as far as the game knows
  elsewhere.resize(100, 100);
  int frame = 0;
  nextRomFile = kPadRom;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              if (++frame == 10) {
                elsewhere.show();
                elsewhere.activateWindow();
              }
              return false;  // the run ends only by the pause
            });
  // The loop returned as soon as the focus left: the game waits.
  EXPECT_FALSE(form->machine().Running);
  EXPECT_LT(frame, 15);
  EXPECT_TRUE(Log().contains(QStringLiteral("Jogo pausado: a janela perdeu o foco.")));
  const uint8_t countAway = form->machine().Ram[0x12];
  // Back to the game: it runs on by itself.
  int resumedFrames = 0;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (form->machine().Running && ++resumedFrames >= 5) form->machine().Running = false;
  });
  watch.start(5);
  form->activateWindow();
  EXPECT_TRUE(QTest::qWaitFor([&] { return resumedFrames >= 5 && !form->machine().Running; }, 5000));
  watch.stop();
  EXPECT_GE(resumedFrames, 5);
  EXPECT_NE(form->machine().Ram[0x12], countAway);
  Close();
  EXPECT_EQ(Stored(QStringLiteral("PausarSemFoco")).toInt(), 1);
}

// Rewinding says so while it lasts, and says when the oldest frame kept is
// reached rather than going on claiming to rewind.
TEST_F(PlayerFeedbackTest, RewindSaysWhenItReachesTheOldestFrameKept) {
  OpenShown();
  QStringList said;
  int frame = 0;
  nextRomFile = kPadRom;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              ++frame;
              if (frame == 20) QTest::keyPress(form.get(), Qt::Key_Backspace);
              const QString text = form->messageLine().Text();
              if (frame > 20 && (said.isEmpty() || said.last() != text)) said << text;
              if (frame == 60) QTest::keyRelease(form.get(), Qt::Key_Backspace);
              return frame >= 62;
            });
  EXPECT_EQ(said, (QStringList{QStringLiteral("Rebobinando"),
                               QStringLiteral("Início do histórico: nada mais para rebobinar"), QString()}));
}

}  // namespace
