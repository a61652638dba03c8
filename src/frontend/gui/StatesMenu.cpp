#include "frontend/gui/StatesMenu.h"

#include <QAction>
#include <QDateTime>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QProxyStyle>
#include <QStatusBar>
#include <exception>

#include "cartridge/Lifecycle.h"
#include "engine/EngineChoice.h"
#include "frontend/TimeSettings.h"
#include "frontend/gui/KeyChords.h"
#include "frontend/gui/NesForm.h"

namespace {

// The pictures in the menu: large enough to tell two places of a game apart,
// small enough that the nine fit on a laptop's screen.
constexpr int kMenuPictureSize = 48;
// How long the status bar keeps what a command did.
constexpr int kNoticeMs = 5000;

// The menu's style, with larger item pictures than the usual 16 pixels.
class TPictureMenuStyle final : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    if (metric == PM_SmallIconSize) return kMenuPictureSize;
    return QProxyStyle::pixelMetric(metric, option, widget);
  }
};

QIcon ThumbnailIcon(const std::vector<uint8_t>& thumb) {
  const QImage image(thumb.data(), kSlotThumbWidth, kSlotThumbHeight, kSlotThumbWidth * 3,
                     QImage::Format_RGB888);
  return QIcon(QPixmap::fromImage(image.copy()));
}

}  // namespace

TStatesMenu::TStatesMenu(TfrmNES& form, QMenu* beside)
    : QObject(&form), form_(form), slots_(std::make_unique<StateSlots>(form.machine())) {
  Estados1 = new QMenu(QStringLiteral("Estados"), &form);
  Estados1->setObjectName(QStringLiteral("Estados1"));
  Estados1->menuAction()->setObjectName(QStringLiteral("Estados1"));
  auto* style = new TPictureMenuStyle;
  style->setParent(Estados1);
  Estados1->setStyle(style);
  auto item = [&](const QString& name, const QString& caption) {
    auto* action = new QAction(caption, &form);
    action->setObjectName(name);
    action->setEnabled(false);
    Estados1->addAction(action);
    // Also the window's own: its keys then work in full screen, where the
    // menu bar is hidden and would take its menus' keys with it.
    form.addAction(action);
    return action;
  };
  for (int n = 0; n < kStateSlots; ++n) {
    SalvarEspaco[n] =
        item(QStringLiteral("SalvarEspaco%1").arg(n + 1), QStringLiteral("Salvar no Espaço %1").arg(n + 1));
    connect(SalvarEspaco[n], &QAction::triggered, this, [this, n] { Save(n + 1); });
  }
  Estados1->addSeparator();
  for (int n = 0; n < kStateSlots; ++n) {
    CarregarEspaco[n] = item(QStringLiteral("CarregarEspaco%1").arg(n + 1),
                             QStringLiteral("Carregar do Espaço %1").arg(n + 1));
    connect(CarregarEspaco[n], &QAction::triggered, this, [this, n] { Load(n + 1); });
  }
  Estados1->addSeparator();
  DesfazerCarregar1 = item(QStringLiteral("DesfazerCarregar1"), QStringLiteral("Desfazer Carregar Estado"));
  connect(DesfazerCarregar1, &QAction::triggered, this, [this] { Undo(); });
  connect(Estados1, &QMenu::aboutToShow, this, &TStatesMenu::Refresh);

  // Beside the menu that holds "Salvar Status" and "Carregar Status".
  QMenuBar* bar = form.menuBar();
  const QList<QAction*> menus = bar->actions();
  const qsizetype at = menus.indexOf(beside->menuAction());
  if (at >= 0 && at + 1 < menus.size())
    bar->insertMenu(menus[at + 1], Estados1);
  else
    bar->addMenu(Estados1);
}

TStatesMenu::~TStatesMenu() = default;

void TStatesMenu::ApplyKeys() {
  const auto& keys = form_.settings().Time.Keys;
  for (int n = 0; n < kStateSlots; ++n) {
    SalvarEspaco[n]->setShortcut(ChordSequence(keys[tcSaveSlot1 + n]));
    CarregarEspaco[n]->setShortcut(ChordSequence(keys[tcLoadSlot1 + n]));
  }
  DesfazerCarregar1->setShortcut(ChordSequence(keys[tcUndoLoad]));
}

void TStatesMenu::SetCartridgeLoaded(bool loaded) {
  loaded_ = loaded;
  slots_->ForgetUndo();
  Refresh();
}

void TStatesMenu::Refresh() {
  for (int n = 0; n < kStateSlots; ++n) {
    SalvarEspaco[n]->setEnabled(loaded_);
    QAction* load = CarregarEspaco[n];
    const QString caption = QStringLiteral("Carregar do Espaço %1").arg(n + 1);
    if (!loaded_) {
      load->setText(caption);
      load->setIcon(QIcon());
      load->setEnabled(false);
      continue;
    }
    const SlotInfo info = slots_->Info(n + 1);
    load->setIcon(info.Status == SlotStatus::Ready ? ThumbnailIcon(info.Thumbnail) : QIcon());
    // A slot that cannot be loaded stays enabled, an empty one too: its key
    // then says on the picture why nothing happened, as a click does.
    load->setEnabled(true);
    switch (info.Status) {
      case SlotStatus::Empty: load->setText(caption + QStringLiteral(" (vazio)")); break;
      case SlotStatus::Ready:
        // Each slot names the engine that saved it: the other engine's
        // loads through a switch of engine.
        load->setText(
            caption + QStringLiteral(" — ") +
            QDateTime::fromSecsSinceEpoch(info.SavedAt).toString(QStringLiteral("dd/MM/yyyy HH:mm")) +
            (info.Engine.empty()
                 ? QString()
                 : QStringLiteral(" · ") + QString::fromUtf8(EngineCaption(info.Engine).data())));
        break;
      case SlotStatus::Damaged: load->setText(caption + QStringLiteral(" (danificado)")); break;
      case SlotStatus::NewerFormat: load->setText(caption + QStringLiteral(" (versão mais nova)")); break;
      case SlotStatus::OtherCartridge: load->setText(caption + QStringLiteral(" (de outro cartucho)")); break;
    }
  }
  DesfazerCarregar1->setEnabled(loaded_ && slots_->CanUndo());
}

void TStatesMenu::Save(int slot) {
  if (!loaded_) return;
  try {
    Report(slots_->Save(slot));
  } catch (const std::exception& e) {
    // Nothing was saved; the old file, if any, is as it was.
    form_.ShowError(QString::fromUtf8(e.what()));
  }
  Refresh();
}

void TStatesMenu::Load(int slot) {
  if (!loaded_) return;
  const SlotOutcome outcome = slots_->Load(slot);
  if (!outcome.OtherEngine.empty()) {
    // The other engine's slot loads once the cartridge runs in that engine.
    form_.LoadInOtherEngine(outcome.OtherEngine, [this, slot] {
      const SlotOutcome again = slots_->Load(slot);
      Refresh();
      return again.Done ? again.Message : std::string();
    });
    return;
  }
  Report(outcome);
  if (outcome.Done) ShowWhilePaused();
  Refresh();
}

void TStatesMenu::Undo() {
  if (!loaded_) return;
  const SlotOutcome outcome = slots_->Undo();
  Report(outcome);
  if (outcome.Done) ShowWhilePaused();
  Refresh();
}

void TStatesMenu::ShowWhilePaused() {
  // The run loop shows the restored game with its next frame; a paused game
  // shows its picture now, in the colours it was saved with (as a frame
  // start does it).
  if (RunLoopActive(form_.machine())) return;
  form_.RefreshColorTable();
  form_.PresentFrame();
}

void TStatesMenu::Report(const SlotOutcome& outcome) {
  form_.statusBar()->showMessage(QString::fromStdString(outcome.Message), kNoticeMs);
  form_.ShowMessage(outcome.Message);
}
