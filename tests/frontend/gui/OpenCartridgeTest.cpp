// Opening a file while a game runs, through the Load command's dialog or by a
// drop: only a file that starts replaces the game (the old one unloaded as
// ever, its battery RAM written); a refused file or a cancelled dialog
// changes nothing and the game goes on. The folder of the last cartridge
// started is where the open dialog begins, also after a restart.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QMenuBar>
#include <QTreeView>
#include <vector>

#include "FormFixture.h"
#include "core/Engine.h"
#include "frontend/gui/RomDialog.h"

namespace {

enum class Route { Dialog, Drop };

class OpenTest : public FormTest {
 protected:
  // `rom` (a test cartridge) copied into `folder` as `name`.
  QString Copy(const char* rom, const QString& folder, const char* name) {
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(QString::fromLatin1(name));
    EXPECT_TRUE(QFile::copy(QStringLiteral(VIREL_ROM_DIR "/") + QString::fromLatin1(rom), path));
    return path;
  }
  QString Folder(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
  // Each case of a table starts as a first start would: no window, no stored
  // settings, no files, no errors.
  void Fresh() {
    Close();
    QSettings(QStringLiteral("QMT"), QStringLiteral("VIREL")).clear();
    for (const QString& name : QDir(dir_.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
      QDir(dir_.filePath(name)).removeRecursively();
    errors.clear();
  }
  // Chooses `path` as the player would by `route`; an empty path is a
  // cancelled dialog. Given from inside the run loop.
  void OpenBy(Route route, const QString& path) {
    if (route == Route::Dialog) {
      nextRomFile = path;
      Item("mnuLoadROM")->trigger();
    } else {
      EXPECT_TRUE(Drop({QUrl::fromLocalFile(path)}));
    }
  }
  uint8_t Ram(uint16_t address) { return form->machine().engine->Peek(address); }
  std::vector<uint8_t> Picture() {
    const auto pixels = form->machine().engine->Picture().Pixels;
    return {pixels.begin(), pixels.end()};
  }
  QTemporaryDir dir_;
};

struct Refusal {
  const char* what;
  Route route;
  bool fullScreen;  // the game runs in full screen when the file comes
  // Writes the refused file into the folder; empty for a cancelled dialog.
  QString (*make)(const QString& folder);
  const char* logged;  // the refusal's log line, if it has one
  const char* error;   // words of the error shown, if one is
};

QString Put(const QString& folder, const char* name, const QByteArray& bytes) {
  QDir().mkpath(folder);
  QFile file(QDir(folder).filePath(QString::fromLatin1(name)));
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
  return file.fileName();
}

QString TextFile(const QString& folder) { return Put(folder, "leia-me.txt", "Isto nao e um cartucho.\n"); }

// A header announcing two program banks and a pattern bank, and 1000 bytes.
QString CutImage(const QString& folder) {
  QByteArray image("NES\x1A\x02\x01", 6);
  image.resize(1000, '\0');
  return Put(folder, "cortado.nes", image);
}

QString Nothing(const QString&) { return {}; }

const Refusal kRefusals[] = {
    {"text file dropped", Route::Drop, false, TextFile, "Arquivo não suportado: Ist", nullptr},
    {"text file chosen", Route::Dialog, false, TextFile, "Arquivo não suportado: Ist", nullptr},
    {"cut image dropped in full screen", Route::Drop, true, CutImage, nullptr,
     "menor do que o seu cabeçalho anuncia"},
    {"cut image chosen in full screen", Route::Dialog, true, CutImage, nullptr,
     "menor do que o seu cabeçalho anuncia"},
    {"dialog cancelled in full screen", Route::Dialog, true, Nothing, nullptr, nullptr},
};

TEST_F(OpenTest, ARefusedFileOrACancelLeavesTheGameRunning) {
  for (const Refusal& r : kRefusals) {
    SCOPED_TRACE(r.what);
    Fresh();
    Open();
    form->show();
    const QString game = Copy("video_scroll.nes", Folder("jogos"), "rolagem.nes");
    const QString refused = r.make(Folder("outros"));
    bool fullWhenOpened = false;
    qsizetype logBefore = 0;
    size_t historyBefore = 0, historyAtAnswer = 0;
    int frame = 0, answeredAt = 0;
    uint8_t ramAtAnswer = 0, ramLater = 0;
    std::vector<uint8_t> pictureAtAnswer, pictureLater;
    bool runningLater = false;
    nextRomFile = game;
    RunFrames([&] { Item("mnuLoadROM")->trigger(); },
              [&] {
                ++frame;
                if (frame == 2 && r.fullScreen) Item("elaCheia1")->trigger();
                if (frame == 5) {
                  fullWhenOpened = form->DXDraw->options().FullScreen;
                  logBefore = Log().size();
                  historyBefore = form->timeControl().History().Frames();
                  OpenBy(r.route, refused);
                }
                // A drop is answered from the event loop, a little later.
                const bool answered =
                    r.route == Route::Dialog || !errors.isEmpty() || Log().size() > logBefore;
                if (frame >= 5 && answeredAt == 0 && answered) {
                  answeredAt = frame;
                  historyAtAnswer = form->timeControl().History().Frames();
                  ramAtAnswer = Ram(0x00);  // the frame counter
                  pictureAtAnswer = Picture();
                }
                if (answeredAt == 0 || frame < answeredAt + 10) return false;
                runningLater = form->machine().Running;
                ramLater = Ram(0x00);
                pictureLater = Picture();
                return true;
              });
    ASSERT_NE(answeredAt, 0);
    EXPECT_EQ(fullWhenOpened, r.fullScreen);
    // Back in the window, the game still in it and still moving.
    EXPECT_FALSE(form->DXDraw->options().FullScreen);
    EXPECT_TRUE(form->menuBar()->isVisible());
    EXPECT_TRUE(runningLater);
    EXPECT_NE(ramLater, ramAtAnswer);
    EXPECT_NE(pictureLater, pictureAtAnswer);
    EXPECT_GT(historyBefore, 0u);
    EXPECT_GE(historyAtAnswer, historyBefore);  // the rewind history was kept
    EXPECT_EQ(form->machine().RomFileName, "rolagem.nes");
    EXPECT_EQ(form->StatusPanel0->text(), QStringLiteral("ROLAGEM.NES"));
    const QStringList log = Log();
    EXPECT_FALSE(log.contains(QStringLiteral("6502 terminado.")));
    EXPECT_FALSE(log.contains(QStringLiteral("Cartucho Descarregado.")));
    if (r.logged) {
      EXPECT_TRUE(log.contains(QString::fromUtf8(r.logged)));
    }
    if (!refused.isEmpty()) {
      EXPECT_TRUE(log.contains("Carregando Arquivo: \"" + QFileInfo(refused).fileName() + "\"..."));
    }
    EXPECT_EQ(errors.size(), r.error ? 1 : 0) << errors.join("\n").toStdString();
    if (r.error) {
      EXPECT_TRUE(errors.value(0).contains(QString::fromUtf8(r.error)));
    }
    // Not offered again, nor the dialog's folder.
    EXPECT_EQ(Recent(), QStringList{game});
    EXPECT_EQ(QString::fromStdString(form->settings().Path), QDir::toNativeSeparators(Folder("jogos")));
  }
}

TEST_F(OpenTest, AFileThatStartsReplacesTheGameAndItsFolderOpensTheNextDialog) {
  for (Route route : {Route::Dialog, Route::Drop}) {
    SCOPED_TRACE(route == Route::Dialog ? "chosen" : "dropped");
    Fresh();
    Open();
    form->show();
    // The game keeps a frame count in its battery RAM.
    const QString game = Copy("battery_counter.nes", Folder("jogos"), "um.nes");
    const QString next = Copy("frontend_pad.nes", Folder("novos"), "dois.nes");
    int frame = 0, startedAt = 0;
    nextRomFile = game;
    RunFrames([&] { Item("mnuLoadROM")->trigger(); },
              [&] {
                if (++frame == 5) OpenBy(route, next);
                if (startedAt == 0 && form->machine().RomFileName == "dois.nes") startedAt = frame;
                return startedAt != 0 && frame >= startedAt + 3;
              });
    ASSERT_NE(startedAt, 0);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(form->StatusPanel0->text(), QStringLiteral("DOIS.NES"));

    // The first game's battery RAM went to its file, with the frames it had
    // run, as the unload wrote it before the new file's loading lines.
    QFile battery(QDir(Folder("jogos")).filePath(QStringLiteral("um.sav")));
    ASSERT_TRUE(battery.open(QIODevice::ReadOnly));
    ASSERT_EQ(battery.size(), 8192);
    EXPECT_GT(static_cast<uint8_t>(battery.read(1).at(0)), 0);
    EXPECT_LT(Log().indexOf(QStringLiteral("Cartucho Descarregado.")),
              Log().indexOf(QStringLiteral("Carregando Arquivo: \"dois.nes\"...")));
    EXPECT_EQ(Recent(), (QStringList{next, game}));
    const QString folder = QDir::toNativeSeparators(Folder("novos"));
    EXPECT_EQ(QString::fromStdString(form->settings().Path), folder);
    // Kept across a restart: the next window's dialog opens there.
    Close();
    EXPECT_EQ(Stored(QStringLiteral("Path")).toString(), folder);
    Open();
    EXPECT_EQ(form->RomDialogFolder(), folder);
    QFileDialog dialog(form.get());
    SetUpRomDialog(dialog, form->RomDialogFolder());
    EXPECT_EQ(QDir::toNativeSeparators(dialog.directory().absolutePath()), folder);
  }
}

TEST_F(OpenTest, TheDialogOffersCartridgesInAnyCaseFirstWithWholeColumns) {
  const QString folder = Folder("jogos");
  for (const char* name : {"JOGO.NES", "b.nes", "pacote.Zip", "leia-me.txt", "prog.exe"})
    Put(folder, name, "x");
  QFileDialog dialog;
  SetUpRomDialog(dialog, folder);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

  auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
  ASSERT_NE(types, nullptr);
  QStringList captions;
  for (int i = 0; i < types->count(); ++i) captions << types->itemText(i);
  EXPECT_EQ(captions, (QStringList{"Cartuchos NES (.nes, .zip)", "NES Roms", "ASM 6502 imagens",
                                   "Arquivo Compactado Zip", "Todos os Arquivos"}));

  QAbstractItemView* view = dialog.findChild<QTreeView*>();
  ASSERT_NE(view, nullptr);
  const auto listed = [&] {
    QStringList names;
    for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
      names << view->model()->index(row, 0, view->rootIndex()).data().toString();
    names.sort();
    return names;
  };
  // The folder is read in the background.
  const QStringList cartridges = {"JOGO.NES", "b.nes", "pacote.Zip"};
  EXPECT_TRUE(QTest::qWaitFor([&] { return listed() == cartridges; }, 5000))
      << listed().join(' ').toStdString();

  // Every column shows its widest entry and its title whole, and all fit.
  QHeaderView* header = static_cast<QTreeView*>(view)->header();
  QCoreApplication::processEvents();
  for (int column = 0; column < header->count(); ++column) {
    SCOPED_TRACE(column);
    EXPECT_GE(header->sectionSize(column), view->sizeHintForColumn(column));
    EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column));
  }
  EXPECT_LE(header->length(), view->viewport()->width());
}

}  // namespace
