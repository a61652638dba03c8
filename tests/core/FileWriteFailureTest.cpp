// The files Virel writes keep their old contents when a write fails part-way
// (the disk fills up): battery RAM at unload, the save state, the screenshot
// and the raw atomic writer beneath them. The failure is real: the process may
// not grow any file past a few hundred bytes while the write runs.
#if !defined(_WIN32)

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

#include "cartridge/Lifecycle.h"
#include "cartridge/SaveState.h"
#include "core/AtomicFile.h"
#include "support/FileSizeLimit.h"
#include "support/ScratchFolder.h"
#include "support/TestMachine.h"
#include "video/Screenshot.h"

namespace {

// Room for the start of any of these files, never for the whole.
constexpr size_t kRoom = 512;

struct WriteCase {
  const char* what;
  const char* fileName;
  // Makes the machine's memories differ from what the file holds, then writes.
  std::function<void(TestMachine&, const ScratchFolder&)> write;
};

void Scribble(Machine& m, uint8_t seed) {
  m.Ram.fill(seed);
  m.BatteryRam.fill(seed);
  m.Vram.fill(seed);
  m.FrameBuffer.fill(seed);
}

const WriteCase kCases[] = {
    {"battery RAM at unload", "jogo.sav",
     [](TestMachine& t, const ScratchFolder& dir) {
       t.m.RomFolder = dir.folder();
       UnloadCartridge(t.m);
     }},
    {"save state", "jogo.wb", [](TestMachine& t, const ScratchFolder&) { SaveState(t.m); }},
    {"screenshot", "foto.bmp",
     [](TestMachine& t, const ScratchFolder& dir) { SaveScreenshot(t.m, dir.file("foto.bmp")); }},
    {"atomic write", "dados.bin",
     [](TestMachine&, const ScratchFolder& dir) {
       WriteFileAtomically(dir.file("dados.bin"), std::vector<uint8_t>(4096, 0x77));
     }},
};

TEST(FileWriteFailure, AWriteThatRunsOutOfRoomKeepsTheOldFileAndSaysWhy) {
  for (const WriteCase& c : kCases) {
    SCOPED_TRACE(c.what);
    ScratchFolder dir;
    WorkingDirectory cwd(dir.path());
    TestMachine t;
    ASSERT_TRUE(InstallCartridge(t.m, 2, 1, 0, 0x03));  // battery bit set
    t.m.RomFileName = "jogo.nes";
    t.m.RomFolder = dir.folder();

    // The old file: larger than the room, so the limit never touches it.
    std::vector<uint8_t> old(20000);
    for (size_t i = 0; i < old.size(); ++i) old[i] = static_cast<uint8_t>(i * 13);
    WriteAll(dir.path() / c.fileName, old);
    Scribble(t.m, 0x5A);

    std::string message;
    {
      FileSizeLimit limit(kRoom);
      ASSERT_TRUE(limit.active());
      try {
        c.write(t, dir);
      } catch (const std::runtime_error& e) {
        message = e.what();
      }
    }
    EXPECT_NE(message.find(c.fileName), std::string::npos) << message;
    EXPECT_NE(message.find("Não foi possível gravar o arquivo"), std::string::npos) << message;
    EXPECT_NE(message.find(": arquivo grande demais."), std::string::npos) << message;
    EXPECT_EQ(ReadAll(dir.path() / c.fileName), old);
    // Neither the file nor a half-written temporary stays behind.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
    EXPECT_EQ(entries, 1);
  }
}

TEST(FileWriteFailure, AFailedBatteryWriteKeepsTheCartridgeAndTheNextUnloadSucceeds) {
  ScratchFolder dir;
  TestMachine t;
  ASSERT_TRUE(InstallCartridge(t.m, 2, 1, 0, 0x03));
  t.m.RomFileName = "jogo.nes";
  t.m.RomFolder = dir.folder();
  t.m.BatteryRam.fill(0x99);
  {
    FileSizeLimit limit(kRoom);
    EXPECT_THROW(UnloadCartridge(t.m), std::runtime_error);
  }
  // Nothing was cleared, so once there is room again the RAM reaches the disk.
  EXPECT_TRUE(t.m.CartridgeLoaded());
  EXPECT_EQ(t.m.BatteryRam[100], 0x99);
  UnloadCartridge(t.m);
  EXPECT_EQ(ReadAll(dir.path() / "jogo.sav"), std::vector<uint8_t>(8192, 0x99));
  EXPECT_FALSE(t.m.CartridgeLoaded());
}

}  // namespace

#endif
