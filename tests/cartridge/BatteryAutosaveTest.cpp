// The periodic battery write: only when the contents changed and the interval
// has passed since the last write, silent, handed to a worker that the unload
// waits for, and retried after a failure. Time is a clock the test moves.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "cartridge/BatteryAutosave.h"
#include "cartridge/Lifecycle.h"
#include "support/ScratchFolder.h"
#include "support/TestMachine.h"

namespace {

using namespace std::chrono_literals;

// A battery cartridge in `folder`, its autosave on a clock the test sets.
struct BatteryRig {
  ScratchFolder dir;
  TestMachine t;
  std::chrono::steady_clock::time_point now{};
  std::filesystem::path file = dir.path() / "jogo.sav";

  BatteryRig() {
    t.m.Autosave = std::make_shared<BatteryAutosave>([this] { return now; });
    t.m.RomFolder = dir.folder();
    t.m.RomFileName = "jogo.nes";
    t.m.CartFlags = kCartBattery;
    t.m.PrgCount = 2;
    t.m.ChrCount = 1;
    t.m.PrgRom.assign(2 * 0x4000 + 1, 0xEA);
    t.m.ChrRom.assign(0x2000 + 1, 0);
    EXPECT_TRUE(LoadBatteryAndMapper(t.m));
    t.host.log.clear();
  }
  // One frame boundary after `elapsed`; then waits for the worker.
  void FrameAfter(std::chrono::milliseconds elapsed) {
    now += elapsed;
    AutosaveBatteryRam(t.m);
    t.m.Autosave->Finish();
  }
};

// Whether byte `index` of the battery file holds `expected`. A missing or
// short file fails the test that asks, with the reason, rather than reading
// past the end of what was read.
::testing::AssertionResult SavedByteIs(const std::filesystem::path& file, size_t index, uint8_t expected) {
  if (!std::filesystem::exists(file)) return ::testing::AssertionFailure() << file << " was not written";
  const std::vector<uint8_t> bytes = ReadAll(file);
  if (bytes.size() <= index)
    return ::testing::AssertionFailure() << file << " holds " << bytes.size() << " bytes, no byte " << index;
  if (bytes[index] != expected)
    return ::testing::AssertionFailure()
           << "byte " << index << " is " << int{bytes[index]} << ", not " << int{expected};
  return ::testing::AssertionSuccess();
}

}  // namespace

TEST(BatteryAutosave, WritesChangedContentsOnceTheIntervalHasPassedAndSaysNothing) {
  BatteryRig r;
  r.t.m.BatteryRam[0] = 1;
  r.FrameAfter(4999ms);
  EXPECT_FALSE(std::filesystem::exists(r.file)) << "before the interval";
  r.FrameAfter(1ms);
  ASSERT_TRUE(std::filesystem::exists(r.file));
  EXPECT_EQ(ReadAll(r.file), std::vector<uint8_t>(r.t.m.BatteryRam.begin(), r.t.m.BatteryRam.end()));
  EXPECT_TRUE(r.t.host.log.empty());
  EXPECT_EQ(r.t.m.Autosave->Written(), 1);

  // The interval counts from that write, and unchanged contents are never
  // written again however long they stay so.
  r.t.m.BatteryRam[1] = 2;
  r.FrameAfter(4s);
  EXPECT_TRUE(SavedByteIs(r.file, 1, 0));
  r.FrameAfter(1s);
  EXPECT_TRUE(SavedByteIs(r.file, 1, 2));
  r.FrameAfter(60s);
  r.FrameAfter(60s);
  EXPECT_EQ(r.t.m.Autosave->Written(), 2);
}

TEST(BatteryAutosave, ContentsAsLoadedFromTheFileAreNotWrittenBack) {
  BatteryRig r;
  WriteAll(r.file, std::vector<uint8_t>(8192, 0x5A));
  ASSERT_TRUE(LoadBatteryAndMapper(r.t.m));  // the cartridge starts again from that file
  r.FrameAfter(10s);
  EXPECT_EQ(r.t.m.Autosave->Written(), 0);
}

TEST(BatteryAutosave, NoBatteryBitNoWriteAndTheUnloadWriteLandsLastWithItsLogLines) {
  BatteryRig r;
  r.t.m.CartFlags = 0;  // the MMC3 can switch the bit off at run time
  r.t.m.BatteryRam[0] = 7;
  r.FrameAfter(6s);
  EXPECT_FALSE(std::filesystem::exists(r.file));

  r.t.m.CartFlags = kCartBattery;
  r.FrameAfter(1ms);
  ASSERT_TRUE(SavedByteIs(r.file, 0, 7));
  // A change right after the periodic write reaches the file at the unload,
  // which keeps its own lines.
  r.t.m.BatteryRam[0] = 8;
  r.now += 1s;
  AutosaveBatteryRam(r.t.m);
  UnloadCartridge(r.t.m);
  EXPECT_TRUE(SavedByteIs(r.file, 0, 8));
  EXPECT_NE(std::find(r.t.host.log.begin(), r.t.host.log.end(), "Salvando arquivo de bateria \"jogo.sav\"."),
            r.t.host.log.end());
}

TEST(BatteryAutosave, AFailedWriteIsSilentKeepsTheOldFileAndIsTriedAgain) {
  BatteryRig r;
  r.t.m.BatteryRam[0] = 1;
  r.FrameAfter(5s);
  ASSERT_TRUE(SavedByteIs(r.file, 0, 1));

  // The temporary file's name taken by a folder: the write cannot happen.
  const std::filesystem::path blocker = r.dir.path() / "jogo.sav.tmp";
  std::filesystem::create_directory(blocker);
  r.t.m.BatteryRam[0] = 2;
  r.FrameAfter(5s);
  EXPECT_EQ(r.t.m.Autosave->Failed(), 1);
  EXPECT_TRUE(SavedByteIs(r.file, 0, 1));
  EXPECT_TRUE(r.t.host.log.empty());

  // Nothing changed since, yet the contents never reached the disk.
  std::filesystem::remove(blocker);
  r.FrameAfter(5s);
  EXPECT_TRUE(SavedByteIs(r.file, 0, 2));
  EXPECT_EQ(r.t.m.Autosave->Written(), 2);
}
