// The main window's items: captions, shortcuts and enabled states as the
// window starts, after a load and after an unload; the toolbar buttons tied
// to them; the menu refreshes of the recent list, the favourites and the CPU
// menu.
#include <QFile>
#include <QMenu>
#include <QToolButton>

#include "FormFixture.h"

namespace {

struct ItemRow {
  const char* name;
  const char* caption;
  QKeySequence shortcut;
  bool enabled;
};

const ItemRow kItems[] = {
    {"mnuLoadROM", "&Carregar ROM ...", QKeySequence(Qt::Key_F2), true},
    {"mnuFreeROM", "&Liberar ROM ...", QKeySequence(Qt::Key_F3), false},
    {"mnuSavesnapshot", "Salvar Figura", QKeySequence(Qt::Key_F5), false},
    {"LocalizarRoms1", "Localizar Roms", QKeySequence(), false},
    {"mnuRom", "&Informações da ROM", QKeySequence(Qt::Key_F1), false},
    {"mnuExit", "&Sair", QKeySequence(Qt::CTRL | Qt::Key_F4), true},
    {"Vieo1", "Video", QKeySequence(), true},
    {"Sistema1", "Sistema", QKeySequence(), true},
    {"VerFps1", "Exibir Fps", QKeySequence(), true},
    {"est", "Esticar Totalmente", QKeySequence(), true},
    {"N01", "0", QKeySequence(), true},
    {"n11", "1", QKeySequence(), true},
    {"n21", "3", QKeySequence(), true},
    {"N51", "5", QKeySequence(), true},
    {"ExibirLog1", "Exibir Log", QKeySequence(), true},
    {"elaCheia1", "Tela Cheia", QKeySequence(Qt::Key_F4), true},
    {"abltsom", "Habilita Som", QKeySequence(), true},
    {"N11mhz1", "11 Khz", QKeySequence(), true},
    {"N22mhz1", "22 Khz", QKeySequence(), true},
    {"N44Khz1", "44 Khz", QKeySequence(), true},
    {"Estreo1", "Estéreo", QKeySequence(), true},
    {"Mono1", "Mono", QKeySequence(), true},
    {"mnuReset", "&Reiniciar", QKeySequence(Qt::SHIFT | Qt::Key_F2), true},
    {"mnuPause", "&Pausa", QKeySequence(Qt::CTRL | Qt::Key_F2), true},
    {"mnuDebug", "&Debug", QKeySequence(Qt::Key_F6), false},
    {"Reiniciar1", "Reiniciar", QKeySequence(), false},
    {"JoyStick21", "JoyStick 2", QKeySequence(), false},
    {"mnusvecpd", "Salvar Status", QKeySequence(Qt::Key_F8), false},
    {"mnuldacpd", "Carregar Status", QKeySequence(Qt::Key_F9), false},
    {"mnuAbout", "Sobre...", QKeySequence(), true},
    {"AdicionaraoFavorito1", "Adicionar ao Favorito", QKeySequence(), true},
};

// The six items a cartridge enables.
const char* const kCartridgeItems[] = {
    "mnuFreeROM", "mnuSavesnapshot", "mnusvecpd", "mnuldacpd", "mnuDebug", "mnuRom",
};

TEST_F(FormTest, ItemsStartWithTheirCaptionsShortcutsAndStates) {
  Open();
  for (const ItemRow& row : kItems) {
    QAction* item = Item(row.name);
    ASSERT_NE(item, nullptr) << row.name;
    EXPECT_EQ(item->text(), QString::fromUtf8(row.caption)) << row.name;
    EXPECT_EQ(item->shortcut(), row.shortcut) << row.name;
    EXPECT_EQ(item->isEnabled(), row.enabled) << row.name;
  }
  const std::pair<const char*, const char*> menus[] = {
      {"mnuFile", "&Arquivo"},       {"Vdeo1", "Vídeo"},           {"Memoria1", "Alocação de Memória"},
      {"Efeitos1", "Efeitos"},       {"Nosise1", "Spray"},         {"Som1", "Som"},
      {"Frequencia1", "Frequencia"}, {"Canais1", "Canais"},        {"mnuCPU", "&CPU"},
      {"Joystick1", "Joystick"},     {"Joystick11", "Joystick 1"}, {"Help1", "&Ajuda"},
      {"Favoritos1", "Favoritos"}};
  for (auto [name, caption] : menus) {
    auto* menu = form->findChild<QMenu*>(QString::fromLatin1(name));
    ASSERT_NE(menu, nullptr) << name;
    EXPECT_EQ(menu->title(), QString::fromUtf8(caption)) << name;
  }
  // Radio and check marks as designed: "Sistema", Spray "0", "22 Khz", "Estéreo".
  for (const char* checked : {"Sistema1", "N01", "N22mhz1", "Estreo1"})
    EXPECT_TRUE(Item(checked)->isChecked());
  for (const char* unchecked : {"Vieo1", "n11", "N44Khz1", "Mono1", "VerFps1", "est", "ExibirLog1"}) {
    EXPECT_FALSE(Item(unchecked)->isChecked()) << unchecked;
  }
  // The popup menu: five items with separators after the second and third.
  QStringList popup;
  for (QAction* a : form->PopupMenu->actions())
    popup << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
  EXPECT_EQ(popup, (QStringList{"pmuLoadRom", "pmuFreeROM", "-", "AdicionaraoFavorito1", "-", "pmuReset",
                                "pmuPause"}));
}

TEST_F(FormTest, ToolButtonsFollowTheirItems) {
  Open();
  const std::pair<const char*, const char*> buttons[] = {
      {"Opd", "mnuLoadROM"},         {"ToolButton1", "mnuReset"},
      {"ToolButton7", "mnuFreeROM"}, {"ToolButton2", "LocalizarRoms1"},
      {"ToolButton3", "abltsom"},    {"ToolButton8", "mnuAbout"}};
  QStringList order;
  for (QObject* child : form->Bar->children()) {
    if (auto* b = qobject_cast<QToolButton*>(child); b && !b->objectName().startsWith("qt_"))
      order << b->objectName();
  }
  EXPECT_EQ(order, (QStringList{"Opd", "ToolButton1", "ToolButton7", "ToolButton2", "ToolButton3",
                                "ToolButton4", "ToolButton6", "ToolButton8"}));
  for (auto [button, item] : buttons) {
    auto* b = form->Bar->findChild<QToolButton*>(QString::fromLatin1(button));
    ASSERT_NE(b, nullptr) << button;
    EXPECT_EQ(b->defaultAction(), Item(item)) << button;
    EXPECT_EQ(b->isEnabled(), Item(item)->isEnabled()) << button;
  }
  // "Habilita Som" and its button share one pressed state.
  auto* sound = form->Bar->findChild<QToolButton*>(QStringLiteral("ToolButton3"));
  sound->click();
  EXPECT_FALSE(Item("abltsom")->isChecked());
  EXPECT_FALSE(sound->isChecked());
  EXPECT_FALSE(form->machine().SoundOn);
  sound->click();
  EXPECT_TRUE(Item("abltsom")->isChecked());
  EXPECT_TRUE(sound->isChecked());
  EXPECT_TRUE(form->machine().SoundOn);
}

TEST_F(FormTest, CartridgeItemsFollowLoadAndUnload) {
  Open();
  nextRomFile = kPadRom;
  std::map<std::string, bool> during;
  QString status;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              for (const char* name : kCartridgeItems) during[name] = Item(name)->isEnabled();
              status = form->StatusPanel0->text();
              Item("mnuFreeROM")->trigger();
              return true;
            });
  for (const char* name : kCartridgeItems) EXPECT_TRUE(during[name]) << name;
  EXPECT_EQ(status, QStringLiteral("FRONTEND_PAD.NES"));
  for (const char* name : kCartridgeItems) EXPECT_FALSE(Item(name)->isEnabled()) << name;
  EXPECT_EQ(form->StatusPanel0->text(), QStringLiteral("Pressione F2 Para Carregar uma ROM"));
  EXPECT_FALSE(form->machine().CartridgeLoaded());
  EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

TEST_F(FormTest, RecentListKeepsFivePathsWithoutDuplicates) {
  Open();
  // A path joins the list once its cartridge has started: six that start.
  QTemporaryDir dir;
  QStringList paths;
  for (const char* name : {"a.nes", "b.nes", "c.nes", "d.nes", "e.nes", "f.nes"}) {
    paths << dir.filePath(QString::fromLatin1(name));
    ASSERT_TRUE(QFile::copy(kPadRom, paths.back()));
  }
  // Chosen one a frame: a to e, c again (it keeps its place), f (the oldest
  // goes), then a cancelled dialog (nothing changes).
  const QStringList chosen = {paths[0], paths[1], paths[2], paths[3],
                              paths[4], paths[2], paths[5], QString()};
  QList<QStringList> after;
  RunFrames(
      [&] {
        nextRomFile = chosen[0];
        Item("mnuLoadROM")->trigger();
      },
      [&] {
        after << Recent();
        if (after.size() == chosen.size()) return true;
        nextRomFile = chosen[after.size()];
        Item("mnuLoadROM")->trigger();
        return false;
      });
  ASSERT_EQ(after.size(), chosen.size());
  EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
  const QStringList fiveFirst = {paths[4], paths[3], paths[2], paths[1], paths[0]};
  EXPECT_EQ(after[4], fiveFirst);
  EXPECT_EQ(after[5], fiveFirst);
  const QStringList sixth = {paths[5], paths[4], paths[3], paths[2], paths[1]};
  EXPECT_EQ(after[6], sixth);
  EXPECT_EQ(after[7], sixth);

  emit form->mnuFile->aboutToShow();
  EXPECT_TRUE(form->MRUSeparator->isVisible());
  for (int i = 0; i < 5; ++i) {
    EXPECT_TRUE(form->MRU[i]->isVisible());
    EXPECT_EQ(form->MRU[i]->text(), Recent()[i]);
  }
}

TEST_F(FormTest, EmptyRecentListHidesItsItems) {
  Open();
  emit form->mnuFile->aboutToShow();
  EXPECT_FALSE(form->MRUSeparator->isVisible());
  for (QAction* item : form->MRU) EXPECT_FALSE(item->isVisible());
  emit form->Favoritos1->aboutToShow();
  for (QAction* item : form->FAV) EXPECT_FALSE(item->isVisible());
  EXPECT_FALSE(form->N6->isVisible());
}

TEST_F(FormTest, FavouritesTakeTheLoadedCartridge) {
  Open();
  form->settings().FavoriteList = {"/f/1.nes", "/f/2.nes", "/f/3.nes", "/f/4.nes", "/f/5.nes"};
  // Nothing loaded: nothing changes, even with every entry taken.
  Item("AdicionaraoFavorito1")->trigger();
  EXPECT_EQ(form->settings().FavoriteList[0], "/f/1.nes");
  EXPECT_EQ(form->settings().FavoriteList[4], "/f/5.nes");

  nextRomFile = kPadRom;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              Item("AdicionaraoFavorito1")->trigger();
              Item("AdicionaraoFavorito1")->trigger();  // already there: unchanged
              return true;
            });
  const auto& favourites = form->settings().FavoriteList;
  EXPECT_EQ(QString::fromStdString(favourites[0]), QFileInfo(kPadRom).absoluteFilePath());
  EXPECT_EQ(favourites[1], "/f/1.nes");
  EXPECT_EQ(favourites[4], "/f/4.nes");

  emit form->Favoritos1->aboutToShow();
  EXPECT_TRUE(form->N6->isVisible());
  EXPECT_EQ(form->FAV[0]->text(), QString::fromStdString(favourites[0]));
  // The favourite item starts its cartridge directly.
  form->machine().Running = false;
  Item("mnuFreeROM")->trigger();
  bool started = false;
  RunFrames([&] { form->FAV[0]->trigger(); },
            [&] {
              started = form->machine().CartridgeLoaded();
              return true;
            });
  EXPECT_TRUE(started);
}

TEST_F(FormTest, FavouritesStayReachableWhenTheirSubmenuCannotOpen) {
  Open();
  // Every entry empty: the submenu's refresh hides all five items, and a
  // submenu without a visible item never opens again by itself.
  emit form->Favoritos1->aboutToShow();
  for (QAction* item : form->FAV) EXPECT_FALSE(item->isVisible());

  nextRomFile = kPadRom;
  bool shownAtOnce = false;
  QString caption;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              Item("AdicionaraoFavorito1")->trigger();
              shownAtOnce = form->FAV[0]->isVisible() && form->N6->isVisible();
              caption = form->FAV[0]->text();
              return true;
            });
  EXPECT_TRUE(shownAtOnce);
  EXPECT_EQ(caption, QFileInfo(kPadRom).absoluteFilePath());

  // A favourite that reaches the list otherwise (stored, or by another
  // window) shows as soon as "Arquivo" opens.
  form->settings().FavoriteList[1] = "/jogos/segundo.nes";
  form->mnuFile->popup(QPoint(0, 0));
  EXPECT_TRUE(form->FAV[1]->isVisible());
  EXPECT_EQ(form->FAV[1]->text(), QStringLiteral("/jogos/segundo.nes"));
  EXPECT_FALSE(form->FAV[2]->isVisible());
  form->mnuFile->close();
}

// Icons as pictures, so that two states can be told apart.
QImage Picture(const QIcon& icon) { return icon.pixmap(QSize(20, 20)).toImage(); }

TEST_F(FormTest, SoundAndRunItemsShowTheirState) {
  Open();
  QAction* sound = Item("abltsom");
  auto* button = form->Bar->findChild<QToolButton*>(QStringLiteral("ToolButton3"));
  ASSERT_NE(button, nullptr);
  if (!sound->isChecked()) sound->trigger();
  const QImage on = Picture(sound->icon());
  EXPECT_TRUE(button->isChecked());
  button->click();
  EXPECT_FALSE(sound->isChecked());
  EXPECT_FALSE(button->isChecked());
  const QImage off = Picture(sound->icon());
  EXPECT_NE(on, off);
  EXPECT_EQ(Picture(button->icon()), off);
  sound->trigger();
  EXPECT_EQ(Picture(sound->icon()), on);

  // "Pausa" while running, "Rodar" once stopped, without the CPU menu having
  // to open first; the picture changes with the command.
  QAction* pause = Item("mnuPause");
  nextRomFile = kPadRom;
  QString runningCaption, popupCaption;
  QImage runningPicture;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              runningCaption = pause->text();
              runningPicture = Picture(pause->icon());
              popupCaption = Item("pmuPause")->text();
              pause->trigger();
              return true;
            });
  EXPECT_EQ(runningCaption, QStringLiteral("&Pausa"));
  EXPECT_TRUE(popupCaption.startsWith(QStringLiteral("&Pause")));
  EXPECT_EQ(pause->text(), QStringLiteral("&Rodar"));
  EXPECT_TRUE(Item("pmuPause")->text().startsWith(QStringLiteral("&Rodar")));
  EXPECT_NE(Picture(pause->icon()), runningPicture);
}

TEST_F(FormTest, CpuMenuRefreshFollowsTheCartridge) {
  Open();
  emit form->mnuCPU->aboutToShow();
  EXPECT_FALSE(Item("mnuReset")->isEnabled());
  EXPECT_FALSE(Item("mnuPause")->isEnabled());
  EXPECT_EQ(Item("mnuPause")->text(), QStringLiteral("&Rodar"));
  nextRomFile = kPadRom;
  QString caption;
  bool resetEnabled = false;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              emit form->mnuCPU->aboutToShow();
              caption = Item("mnuPause")->text();
              resetEnabled = Item("mnuReset")->isEnabled();
              return true;
            });
  EXPECT_EQ(caption, QStringLiteral("&Pausa"));
  EXPECT_TRUE(resetEnabled);
}

}  // namespace
