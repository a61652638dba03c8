#include "core/AtomicFile.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/ScratchFolder.h"

TEST(AtomicFile, ReplacesTheWholeFileAndLeavesNoTemporaryBehind) {
  ScratchFolder dir;
  const std::string path = dir.file("slot.sav");
  WriteAll(path, std::vector<uint8_t>(100, 0xEE));
  const std::vector<uint8_t> fresh = {1, 2, 3};
  WriteFileAtomically(path, fresh);
  EXPECT_EQ(ReadAll(path), fresh);
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(AtomicFile, AFailedWriteKeepsTheOldContents) {
  ScratchFolder dir;
  const std::string path = dir.file("slot.sav");
  const std::vector<uint8_t> old(64, 0x42);
  WriteAll(path, old);
  // A folder that refuses new files makes the temporary file fail to open.
  std::filesystem::permissions(dir.path(),
                               std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  if (std::ofstream(dir.file("probe"))) {
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
    GTEST_SKIP() << "folder permissions do not bind this user";
  }
  EXPECT_THROW(WriteFileAtomically(path, std::vector<uint8_t>(8, 0)), std::runtime_error);
  std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
  EXPECT_EQ(ReadAll(path), old);
}

TEST(AtomicFile, MissingFolderAndMissingFileThrowWithThePath) {
  ScratchFolder dir;
  try {
    WriteFileAtomically(dir.file("nowhere/x.sav"), std::vector<uint8_t>(1, 0));
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("x.sav"), std::string::npos);
  }
  EXPECT_THROW(ReadFilePrefix(dir.file("absent.sav"), 10), std::runtime_error);
}

TEST(AtomicFile, ReadFilePrefixStopsAtTheLimitOrTheEnd) {
  ScratchFolder dir;
  std::vector<uint8_t> bytes(300);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
  WriteAll(dir.file("f"), bytes);
  EXPECT_EQ(ReadFilePrefix(dir.file("f"), 10), std::vector<uint8_t>(bytes.begin(), bytes.begin() + 10));
  EXPECT_EQ(ReadFilePrefix(dir.file("f"), 8192), bytes);
}
