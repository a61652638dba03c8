// A state slot's file read back: the menu's thumbnail is the one saved, and
// the engine that saved it is named.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "cartridge/Lifecycle.h"
#include "engine/EngineChoice.h"
#include "support/FrameBudgetHost.h"
#include "support/ScratchFolder.h"
#include "timeline/StateSlots.h"
#include "video/Palette.h"

namespace {

TEST(StateSlotFile, TheThumbnailAndEngineReadBackAreThoseSaved) {
  ScratchFolder dir;
  const char* old = std::getenv("XDG_DATA_HOME");
  const std::string kept = old != nullptr ? old : "";
  setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
  std::filesystem::copy_file(VIREL_DEMO_ROM, dir.path() / "demo.nes");
  for (std::string_view engine : {kClassicEngineId, kConsoleEngineId}) {
    SCOPED_TRACE(engine);
    BudgetMachine b;
    ChooseEngine(b.m, engine);
    ASSERT_TRUE(StartCartridge(b.m, (dir.path() / "demo.nes").string()));
    RunFrames(b, 90);        // the title is on the picture
    UpdateFrameColors(b.m);  // as a window's presentation does
    SlotPicture shown;
    const PictureView view = b.m.engine->Picture();
    std::copy(view.Pixels.begin(), view.Pixels.end(), shown.Pixels.begin());
    std::copy(view.Colors.begin(), view.Colors.end(), shown.Colors.begin());
    StateSlots slots(b.m);
    ASSERT_TRUE(slots.Save(4).Done);
    const SlotInfo info = slots.Info(4);
    ASSERT_EQ(info.Status, SlotStatus::Ready);
    EXPECT_EQ(info.Thumbnail, SlotThumbnail(shown));
    EXPECT_GT(std::set<uint8_t>(info.Thumbnail.begin(), info.Thumbnail.end()).size(), 2u)
        << "a blank picture";
    EXPECT_EQ(info.Engine, engine);
    UnloadCartridge(b.m);
  }
  if (old != nullptr)
    setenv("XDG_DATA_HOME", kept.c_str(), 1);
  else
    unsetenv("XDG_DATA_HOME");
}

// Slots saved by the last release (at frame 90 of the split-screen cartridge,
// slot 1 by the designed engine, slot 2 by the console engine) load in this
// build and go on as the uninterrupted run does.
TEST(StateSlotFile, SlotsOfTheLastReleaseLoadAndGoOnAsTheRunDid) {
  ScratchFolder dir;
  const char* old = std::getenv("XDG_DATA_HOME");
  const std::string kept = old != nullptr ? old : "";
  setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
  std::filesystem::create_directories(dir.path() / "virel" / "slots");
  const std::filesystem::path rom = dir.path() / "mmc3_split.nes";
  std::filesystem::copy_file(std::filesystem::path(VIREL_ROM_DIR) / "mmc3_split.nes", rom);
  for (const auto& [engine, slot] : {std::pair{kClassicEngineId, 1}, std::pair{kConsoleEngineId, 2}}) {
    SCOPED_TRACE(engine);
    const std::string name = std::string(engine == kClassicEngineId ? "classic" : "console") +
                             "-mmc3_split-slot.estado";
    std::filesystem::copy_file(std::filesystem::path(VIREL_RELEASE_STATES) / name,
                               dir.path() / "virel" / "slots" / ("A93F927E-" + std::to_string(slot) + ".estado"),
                               std::filesystem::copy_options::overwrite_existing);
    BudgetMachine straight, loaded;
    for (BudgetMachine* b : {&straight, &loaded}) {
      ChooseEngine(b->m, engine);
      ASSERT_TRUE(StartCartridge(b->m, rom.string()));
    }
    RunFrames(straight, 150);
    StateSlots slots(loaded.m);
    ASSERT_EQ(slots.Info(slot).Engine, engine);
    ASSERT_TRUE(slots.Load(slot).Done);
    RunFrames(loaded, 60);
    EXPECT_EQ(loaded.m.Ram, straight.m.Ram);
    EXPECT_EQ(loaded.m.FrameBuffer, straight.m.FrameBuffer);
    for (BudgetMachine* b : {&straight, &loaded}) UnloadCartridge(b->m);
  }
  if (old != nullptr)
    setenv("XDG_DATA_HOME", kept.c_str(), 1);
  else
    unsetenv("XDG_DATA_HOME");
}

}  // namespace
